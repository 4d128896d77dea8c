// The BMP fuzz target's seed corpus: one small file of each kind, all decoding to the picture they
// were made from. Run with VOREL_WRITE_BMP_SEEDS=1 to (re)write the seeds into the source tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bmp_samples.h"
#include "platform/gdi/bmp_codec.h"

namespace {

namespace fs = std::filesystem;
using bmp_samples::Kind;

const fs::path kCorpus = fs::path(VOREL_SOURCE_DIR) / "tests/fuzz/corpus/bmp";

bmp_samples::Picture seedPicture(Kind kind) {
    bmp_samples::Picture p = bmp_samples::pureColourPicture(7, 5);
    if (kind == Kind::Bits1)
        for (uint32_t& c : p.pixels) c = c == 0 ? 0 : 0xFFFFFF;
    return p;
}

fs::path seedPath(Kind kind) { return kCorpus / (std::string("seed_") + bmp_samples::kindName(kind) + ".bmp"); }

TEST(BmpSeedCorpus, EachKindHasASeedThatDecodesToItsPicture) {
    if (std::getenv("VOREL_WRITE_BMP_SEEDS")) {
        fs::create_directories(kCorpus);
        for (Kind kind : bmp_samples::allKinds()) {
            std::vector<uint8_t> bytes = bmp_samples::encode(seedPicture(kind), kind);
            std::ofstream(seedPath(kind), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }
    for (Kind kind : bmp_samples::allKinds()) {
        platform::gdi::DecodedBitmap d;
        ASSERT_TRUE(platform::gdi::loadBmpFile(seedPath(kind).string(), &d)) << seedPath(kind);
        EXPECT_EQ(d.pixels, seedPicture(kind).pixels) << bmp_samples::kindName(kind);
    }
}

}  // namespace
