// The BMP decoder against broken input: clean failure, never a wrong picture, never a crash.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "bmp_samples.h"
#include "platform/gdi/bmp_codec.h"

using namespace platform::gdi;
using bmp_samples::Kind;

namespace {

bool decodes(const std::vector<uint8_t>& f) {
    DecodedBitmap d;
    bool ok = decodeBmp(f.data(), f.size(), &d);
    if (!ok) {
        EXPECT_TRUE(d.pixels.empty() && d.width == 0 && d.height == 0) << "failure leaves no picture";
    }
    return ok;
}

std::vector<uint8_t> withPixels(std::vector<uint8_t> f, std::initializer_list<uint8_t> pixels) {
    f.insert(f.end(), pixels);
    return f;
}

TEST(BmpMalformed, TruncatedFilesFailOrGiveTheWholePicture) {
    for (Kind kind : bmp_samples::allKinds()) {
        bmp_samples::Picture p = bmp_samples::pureColourPicture(9, 4);
        if (kind == Kind::Bits1)
            for (uint32_t& c : p.pixels) c = c == 0 ? 0 : 0xFFFFFF;
        std::vector<uint8_t> full = bmp_samples::encode(p, kind);
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
            DecodedBitmap d;
            if (decodeBmp(cut.data(), cut.size(), &d)) {
                EXPECT_EQ(d.pixels, p.pixels) << bmp_samples::kindName(kind) << " cut to " << n;
            }
        }
    }
}

TEST(BmpMalformed, BadSizesFail) {
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(0, 1, 24, 0, 0), {0, 0, 0, 0})));
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(1, 0, 24, 0, 0), {0, 0, 0, 0})));
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(-1, 1, 24, 0, 0), {0, 0, 0, 0})));
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(1, std::numeric_limits<int32_t>::min(), 24, 0, 0), {0, 0, 0, 0})));
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(kMaxBmpSide + 1, 1, 24, 0, 0), {0, 0, 0, 0})));
    // Sizes whose pixels the data does not hold (and which would overflow 32-bit products).
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(kMaxBmpSide, kMaxBmpSide, 32, 0, 0), {1, 2, 3, 4})));
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(2, 2, 24, 0, 0), {1, 2, 3, 4, 5, 6, 0, 0})));
}

TEST(BmpMalformed, UnknownDepthsCompressionsAndPlanesFail) {
    for (int bits : {0, 2, 15, 64})
        EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(1, 1, bits, 0, 0), {0, 0, 0, 0}))) << bits;
    for (uint32_t compression : {4u, 5u, 7u, 0xFFFFFFFFu})
        EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(1, 1, 8, compression, 0), {0, 1}))) << compression;
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(1, 1, 24, 1, 0), {1, 0, 0, 1})))
        << "RLE8 needs 8 bits per pixel";
    EXPECT_FALSE(decodes(withPixels(bmp_samples::infoHeader(1, -1, 8, 1, 0), {1, 0, 0, 1})))
        << "RLE pictures cannot be top-down";
    std::vector<uint8_t> planes = bmp_samples::infoHeader(1, 1, 24, 0, 0);
    planes[26] = 2;
    EXPECT_FALSE(decodes(withPixels(planes, {0, 0, 0, 0})));
    std::vector<uint8_t> magic = withPixels(bmp_samples::infoHeader(1, 1, 24, 0, 0), {0, 0, 0, 0});
    magic[0] = 'X';
    EXPECT_FALSE(decodes(magic));
    std::vector<uint8_t> shortHeader = withPixels(bmp_samples::infoHeader(1, 1, 24, 0, 0), {0, 0, 0, 0});
    shortHeader[14] = 20;  // neither a core nor an info header
    EXPECT_FALSE(decodes(shortHeader));
}

TEST(BmpMalformed, PalettesLargerThanTheFileFail) {
    std::vector<uint8_t> f = bmp_samples::infoHeader(1, 1, 8, 0, 0xFFFFFFFF);
    EXPECT_FALSE(decodes(withPixels(f, {0, 0, 0, 0})));
    std::vector<uint8_t> g = bmp_samples::infoHeader(1, 1, 8, 0, 200);
    EXPECT_FALSE(decodes(withPixels(g, {0, 0, 0, 0, 0, 0, 0, 0})));
}

TEST(BmpMalformed, PixelOffsetPastTheEndFails) {
    std::vector<uint8_t> f = withPixels(bmp_samples::infoHeader(1, 1, 24, 0, 0), {0, 0, 0, 0});
    f[10] = 0xFF;
    f[11] = 0xFF;
    EXPECT_FALSE(decodes(f));
}

std::vector<uint8_t> rle8(int width, int height, std::initializer_list<uint8_t> stream) {
    std::vector<uint8_t> f = bmp_samples::infoHeader(width, height, 8, 1, 2);
    bmp_samples::putU32(f, 0x00FF0000);
    bmp_samples::putU32(f, 0x000000FF);
    return withPixels(f, stream);
}

TEST(BmpMalformed, RleRunsLeavingTheRowOrPictureFail) {
    EXPECT_TRUE(decodes(rle8(4, 1, {4, 1, 0, 1})));
    EXPECT_FALSE(decodes(rle8(4, 1, {5, 1, 0, 1}))) << "run past the row";
    EXPECT_FALSE(decodes(rle8(4, 1, {2, 1, 0, 3, 1, 1, 1, 0, 0, 1}))) << "absolute block past the row";
    EXPECT_FALSE(decodes(rle8(4, 1, {0, 2, 5, 0, 0, 1}))) << "delta past the row";
    EXPECT_FALSE(decodes(rle8(4, 1, {0, 2, 0, 2, 0, 1}))) << "delta past the picture";
    EXPECT_FALSE(decodes(rle8(4, 1, {4, 1, 0, 0, 1, 1, 0, 1}))) << "a row past the picture";
    EXPECT_FALSE(decodes(rle8(4, 2, {4, 1, 0, 0}))) << "stream ends before the picture is complete";
    EXPECT_FALSE(decodes(rle8(4, 1, {0, 4, 1, 1}))) << "absolute block past the data";
    EXPECT_FALSE(decodes(rle8(4, 1, {0, 2, 1}))) << "delta past the data";
}

TEST(BmpMalformed, RlePicturesAboveTheLimitFail) {
    // A few bytes can describe a huge RLE picture; its size is bounded, not trusted.
    EXPECT_FALSE(decodes(rle8(kMaxBmpSide, kMaxBmpSide, {0, 1})));
    EXPECT_TRUE(decodes(rle8(4096, 4096, {0, 1})));
}

TEST(BmpMalformed, CorruptedFilesNeverGiveAnInconsistentPicture) {
    std::mt19937 random(1234);
    std::vector<std::vector<uint8_t>> seeds;
    for (Kind kind : bmp_samples::allKinds())
        if (kind != Kind::Bits1) seeds.push_back(bmp_samples::encode(bmp_samples::pureColourPicture(6, 5), kind));
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> f = seeds[static_cast<size_t>(round) % seeds.size()];
        int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) f[random() % f.size()] = static_cast<uint8_t>(random());
        DecodedBitmap d;
        if (decodeBmp(f.data(), f.size(), &d)) {
            ++decoded;
            ASSERT_GT(d.width, 0);
            ASSERT_GT(d.height, 0);
            ASSERT_EQ(d.pixels.size(), static_cast<size_t>(d.width) * d.height);
            for (uint32_t c : d.pixels) ASSERT_EQ(c >> 24, 0u);
        }
    }
    EXPECT_GT(decoded, 0) << "most single-byte changes to pixel data still decode";
}

}  // namespace
