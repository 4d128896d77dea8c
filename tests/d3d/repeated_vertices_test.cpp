// A scene's copies of the vertex arrays it draws more than once: the second drawing of an array
// gets a copy, later unchanged ones the same copy, a changed one (down to its last byte) none,
// a copy handed out never changes until the scene's copies are forgotten, and copies stop at
// their room.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d/repeated_vertices.h"

using namespace platform::d3d;

namespace {

std::vector<D3DVERTEX> array(int n, float seed) {
    std::vector<D3DVERTEX> v;
    for (int i = 0; i < n; ++i) v.push_back({seed + float(i), -float(i), 0.5f, 0, 0, -1, 0.25f * float(i), seed});
    return v;
}

bool same(const D3DVERTEX* copy, const std::vector<D3DVERTEX>& v) {
    return std::memcmp(copy, v.data(), sizeof(D3DVERTEX) * v.size()) == 0;
}

TEST(RepeatedVertices, TheSecondDrawingGetsACopyUntilTheRoomIsUsed) {
    RepeatedVertices r(100);
    std::vector<D3DVERTEX> a = array(60, 1), b = array(30, 7), c = array(30, 9);
    EXPECT_EQ(r.find(a.data(), 60), nullptr);
    EXPECT_EQ(r.find(b.data(), 30), nullptr);
    EXPECT_EQ(r.find(c.data(), 30), nullptr);
    const D3DVERTEX* copyA = r.find(a.data(), 60);
    ASSERT_NE(copyA, nullptr);
    EXPECT_TRUE(same(copyA, a));
    EXPECT_EQ(r.find(a.data(), 30), nullptr);  // the same address with another count is another array
    ASSERT_NE(r.find(c.data(), 30), nullptr);
    EXPECT_EQ(r.find(b.data(), 30), nullptr) << "120 vertices in room for 100";
    EXPECT_EQ(r.find(a.data(), 60), copyA);
    EXPECT_EQ(r.used(), 90u);
    r.clear();
    EXPECT_EQ(r.find(b.data(), 30), nullptr) << "forgotten: a first drawing again";
    EXPECT_TRUE(same(r.find(b.data(), 30), b));
}

TEST(RepeatedVertices, AChangedArrayGetsANewCopyAndTheOldOneStaysAsItWas) {
    RepeatedVertices r(1000);
    std::vector<D3DVERTEX> a = array(30, 3);
    const std::vector<D3DVERTEX> before = a;
    r.find(a.data(), 30);
    const D3DVERTEX* first = r.find(a.data(), 30);
    ASSERT_NE(first, nullptr);
    a[29].tv += 1.0f;  // the array's last bytes, as the program may change them after a call
    EXPECT_EQ(r.find(a.data(), 30), nullptr);
    EXPECT_TRUE(same(first, before)) << "a copy a helper may still read was changed";
    const D3DVERTEX* second = r.find(a.data(), 30);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(same(second, a));
    EXPECT_TRUE(same(first, before));
}

}  // namespace
