#include "common/object_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int g_items[20000];

TEST(ObjectList, NewListHasSixtyFourNullSlots) {
    ObjectList list;
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 64);
    EXPECT_EQ(list.get(0), nullptr);
}

TEST(ObjectList, GrowsBySixteenThenByAQuarterUpToTheBound) {
    ObjectList list;
    std::vector<int> capacities{list.capacity};
    for (int i = 0; i < 9628; ++i) {
        ASSERT_EQ(list.add(&g_items[i]), i);
        if (list.capacity != capacities.back()) capacities.push_back(list.capacity);
    }
    const std::vector<int> expected{64,  80,  96,   112,  128,  144,  160,  176,  192,  208,  224,  240,  256, 272,
                                    340, 425, 531,  663,  828,  1035, 1293, 1616, 2020, 2525, 3156, 3945, 4931,
                                    6163, 7703, 9628};
    EXPECT_EQ(capacities, expected);
    // At the bound an add is refused and nothing is overwritten.
    EXPECT_EQ(list.add(&g_items[9628]), -1);
    EXPECT_EQ(list.count, 9628);
    EXPECT_EQ(list.get(9627), &g_items[9627]);
}

TEST(ObjectList, GetReturnsNullOutOfRangeAndAfterClear) {
    ObjectList list;
    list.add(&g_items[0]);
    EXPECT_EQ(list.get(-1), nullptr);
    EXPECT_EQ(list.get(1), nullptr);
    EXPECT_EQ(list.get(0), &g_items[0]);
    list.clear();
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.get(0), nullptr);
    EXPECT_EQ(list.add(&g_items[1]), 0);
    EXPECT_EQ(list.capacity, 16);
}

TEST(ObjectList, RemoveAtShiftsLaterItemsDownAndIgnoresBadIndices) {
    ObjectList list;
    for (int i = 0; i < 4; ++i) list.add(&g_items[i]);
    list.removeAt(1);
    ASSERT_EQ(list.count, 3);
    EXPECT_EQ(list.get(0), &g_items[0]);
    EXPECT_EQ(list.get(1), &g_items[2]);
    EXPECT_EQ(list.get(2), &g_items[3]);
    list.removeAt(3);
    list.removeAt(-1);
    EXPECT_EQ(list.count, 3);
}

TEST(ObjectList, SwapExchangesOnlyValidPairs) {
    ObjectList list;
    list.add(&g_items[0]);
    list.add(&g_items[1]);
    list.swap(0, 1);
    EXPECT_EQ(list.get(0), &g_items[1]);
    list.swap(0, 2);
    EXPECT_EQ(list.get(0), &g_items[1]);
}

TEST(ObjectList, SetCountFillsWithNullAndRespectsTheBound) {
    ObjectList list;
    list.setCount(5);
    EXPECT_EQ(list.count, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list.get(i), nullptr);
    list.setCount(10001);
    EXPECT_EQ(list.count, 5);
    list.setCount(300);
    EXPECT_EQ(list.capacity, 300);
}

TEST(ObjectList, SetCapacityNeverDropsItemsInUse) {
    ObjectList list;
    for (int i = 0; i < 10; ++i) list.add(&g_items[i]);
    list.setCapacity(5);
    EXPECT_EQ(list.capacity, 64);
    list.setCapacity(10);
    EXPECT_EQ(list.capacity, 10);
    EXPECT_EQ(list.get(9), &g_items[9]);
}

}  // namespace
