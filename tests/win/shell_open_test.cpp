// ShellExecuteA "open" starts programs directly, never through a shell string.
#include "platform/win/shell_open.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

class ShellOpen : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        char tmpl[] = "/tmp/vorel_shell_open_XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A program that writes its arguments, one a line, into `out`.
    fs::path recorder(const std::string& name, const fs::path& out) {
        fs::path p = dir / name;
        std::ofstream f(p);
        f << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << out.string() << ".part'\nmv '"
          << out.string() << ".part' '" << out.string() << "'\n";
        f.close();
        fs::permissions(p, fs::perms::owner_all);
        return p;
    }
    static std::vector<std::string> waitForLines(const fs::path& out) {
        for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> lines;
        std::ifstream in(out);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    static uintptr_t code(HINSTANCE h) { return reinterpret_cast<uintptr_t>(h); }
};

TEST_F(ShellOpen, ScreensaverIsStartedWithTheFullScreenSwitch) {
    fs::path out = dir / "args";
    fs::path scr = recorder("Saver.SCR", out);
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", scr.c_str(), "ignored", nullptr, SW_SHOWNORMAL)), 32u);
    EXPECT_EQ(waitForLines(out), std::vector<std::string>{"/s"});
}

TEST_F(ShellOpen, ExecutableStartsWithItsParametersAsSeparateArguments) {
    fs::path out = dir / "args";
    fs::path exe = recorder("tool.exe", out);
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", exe.c_str(), "one  two;rm", nullptr, SW_SHOWNORMAL)), 32u);
    EXPECT_EQ(waitForLines(out), (std::vector<std::string>{"one", "two;rm"}));
}

TEST_F(ShellOpen, BackslashPathsAreTranslated) {
    fs::path out = dir / "args";
    recorder("vorel_config.exe", out);
    std::string windowsStyle = dir.string() + "\\vorel_config.exe";
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", windowsStyle.c_str(), nullptr, nullptr, SW_SHOWNORMAL)), 32u);
    EXPECT_TRUE(waitForLines(out).empty());
    EXPECT_TRUE(fs::exists(out));
}

TEST_F(ShellOpen, MissingFileAnswersFileNotFound) {
    std::string missing = (dir / "nothing.exe").string();
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", missing.c_str(), nullptr, nullptr, SW_SHOWNORMAL)), 2u);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL)), 2u);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOWNORMAL)), 2u);
}

TEST_F(ShellOpen, OtherVerbsAreNotAssociated) {
    fs::path exe = recorder("tool.exe", dir / "args");
    EXPECT_LE(code(ShellExecuteA(nullptr, "print", exe.c_str(), nullptr, nullptr, SW_SHOWNORMAL)), 32u);
}

}  // namespace
