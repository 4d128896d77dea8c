#include "saver/shell/run_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(RunMode, SwitchLetterDecidesCaseInsensitivelyAfterBlanksDashesAndSlashes) {
    EXPECT_EQ(parseRunMode("/s").kind, RunKind::FullScreen);
    EXPECT_EQ(parseRunMode("  -/S").kind, RunKind::FullScreen);
    EXPECT_EQ(parseRunMode("s anything after").kind, RunKind::FullScreen);
    EXPECT_EQ(parseRunMode("/x").kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode("/1").kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode("root").kind, RunKind::Malformed);
}

TEST(RunMode, PreviewTakesADecimalHandleAfterBlanks) {
    RunMode p = parseRunMode("/p 65536");
    EXPECT_EQ(p.kind, RunKind::Preview);
    EXPECT_EQ(p.handle, 65536u);
    EXPECT_TRUE(p.hasHandle);
    RunMode l = parseRunMode("/L\t  123  ");
    EXPECT_EQ(l.kind, RunKind::Preview);
    EXPECT_EQ(l.handle, 123u);
    RunMode none = parseRunMode("/p");
    EXPECT_EQ(none.kind, RunKind::Preview);
    EXPECT_EQ(none.handle, 0u);
    EXPECT_FALSE(none.hasHandle);
}

TEST(RunMode, NumbersThatOverflowOrCarryJunkAreMalformed) {
    EXPECT_EQ(parseRunMode("/p 4294967295").handle, 4294967295u);
    EXPECT_EQ(parseRunMode("/p 4294967296").kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode("/p 99999999999999999999999").kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode("/p 12x").kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode("/p -5").kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode("/c:12 34").kind, RunKind::Malformed);
}

TEST(RunMode, ConfigureTakesAnOptionalColonAndHandle) {
    RunMode c = parseRunMode("/c:4660");
    EXPECT_EQ(c.kind, RunKind::Configure);
    EXPECT_EQ(c.handle, 4660u);
    EXPECT_TRUE(c.hasHandle);
    EXPECT_FALSE(c.noSwitch);
    RunMode bare = parseRunMode("/c");
    EXPECT_EQ(bare.kind, RunKind::Configure);
    EXPECT_FALSE(bare.hasHandle);
    EXPECT_FALSE(bare.noSwitch);
    EXPECT_EQ(parseRunMode("-C:").kind, RunKind::Configure);
}

TEST(RunMode, EmptyCommandLineIsTheDialogWithoutOwner) {
    for (const char* text : {"", "   ", "//--"}) {
        RunMode m = parseRunMode(text);
        EXPECT_EQ(m.kind, RunKind::Configure) << text;
        EXPECT_TRUE(m.noSwitch) << text;
    }
}

TEST(RunMode, ChangePasswordTakesAHandle) {
    RunMode a = parseRunMode("/a 77");
    EXPECT_EQ(a.kind, RunKind::ChangePassword);
    EXPECT_EQ(a.handle, 77u);
}

TEST(RunMode, AbsurdlyLongCommandLineIsMalformed) {
    std::string text = "/s" + std::string(kMaxCommandLine, ' ');
    EXPECT_EQ(parseRunMode(text).kind, RunKind::Malformed);
    EXPECT_EQ(parseRunMode(text.substr(0, kMaxCommandLine)).kind, RunKind::FullScreen);
}

TEST(RunMode, ArgumentsAreJoinedByBlanks) {
    char a0[] = "prog", a1[] = "/p", a2[] = "42";
    char* argv[] = {a0, a1, a2, nullptr};
    EXPECT_EQ(joinArguments(3, argv), "/p 42");
    EXPECT_EQ(joinArguments(1, argv), "");
}

}  // namespace
