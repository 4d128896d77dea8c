#include "saver/overlay/key_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string name(int code) {
    char buf[16];
    return keyName(code, buf);
}

TEST(KeyNames, NamedKeysAndRanges) {
    EXPECT_EQ(name(8), "Back Space");
    EXPECT_EQ(name(37), "Arrow Left");
    EXPECT_EQ(name(220), "Key |");
    EXPECT_EQ(name(222), "Key '");
    EXPECT_EQ(name(96), "Numpad 0");
    EXPECT_EQ(name(105), "Numpad 9");
    EXPECT_EQ(name(112), "F1");
    EXPECT_EQ(name(123), "F12");
    EXPECT_EQ(name(48), "Key 0");
    EXPECT_EQ(name(90), "Key Z");
}

TEST(KeyNames, EverythingElseIsNone) {
    EXPECT_EQ(name(0), "None");
    EXPECT_EQ(name(58), "None");  // between the digits and the letters
    EXPECT_EQ(name(124), "None"); // F13 has no name
    EXPECT_EQ(name(-1), "None");
    EXPECT_EQ(name(100000), "None");
}

}  // namespace
