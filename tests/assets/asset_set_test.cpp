#include "tools/lib/assets/asset_set.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(AssetSet, TwoRunsMakeTheSameBytes) {
    const auto first = assets::buildAssetSet();
    const auto second = assets::buildAssetSet();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].name, second[i].name);
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << first[i].name;
    }
}

TEST(AssetSet, HoldsEveryEntryTheSaverReadsOnceAndFitsTheArchiveBudget) {
    int lastDone = 0, total = 0;
    const auto entries = assets::buildAssetSet([&](const std::string&, int done, int all) {
        EXPECT_EQ(done, lastDone + 1);
        lastDone = done, total = all;
    });
    EXPECT_EQ(lastDone, total);
    std::set<std::string> names;
    size_t bytes = 0;
    for (const auto& e : entries) {
        EXPECT_TRUE(names.insert(e.name).second) << "twice: " << e.name;
        EXPECT_FALSE(e.bytes.empty()) << e.name;
        bytes += e.bytes.size();
    }
    for (const char* base : {"caust", "causty", "caustb", "caustg"})
        for (const char* n : {"01", "09", "10", "16"}) EXPECT_TRUE(names.count(std::string(base) + n + ".bmp")) << base << n;
    for (const char* name : {"sting01.bmp", "capsid07.bmp", "cage08.bmp"}) EXPECT_TRUE(names.count(name)) << name;
    EXPECT_LT(bytes, 16u << 20);
}

}  // namespace
