// The real program on the headless screen: run modes, exit codes and the input rules, followed
// through the scripted input it delivered (VOREL_INPUT_ECHO).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/backend/headless.h"
#include "tests/shell/saver_process.h"

namespace {

namespace fs = std::filesystem;

const std::string kHost = std::to_string(platform::headless::kHostWindow);

// A folder standing in for the Windows directory, so runs never touch the build folder's files.
class SaverRunTest : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        char tmpl[] = "/tmp/vorel_shell_test_XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }
    Environment env(const std::string& input = "") {
        Environment e{{"WINDIR", dir.string()}, {"VOREL_TICK_MS", "16"}};
        if (!input.empty()) e["VOREL_INPUT"] = input;
        return e;
    }
    SaverRun run(const std::vector<std::string>& args, const std::string& input = "") {
        return runSaverProcess(args, env(input));
    }
};

void expectExit(const SaverRun& r, int code) {
    ASSERT_FALSE(r.timedOut) << r.errorText;
    ASSERT_TRUE(r.exited) << r.errorText;
    EXPECT_EQ(r.exitCode, code & 0xFF) << r.errorText;
}

TEST_F(SaverRunTest, MalformedCommandLinesExitWithMinusOne) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"/x"}, {"/p"}, {"/p", "0"}, {"/l", "0"}, {"/p", "12abc"}, {"/p", "99999999999"},
             {"/c:99999999999"}, {"/p", std::string(5000, '1')}, {"-?"}}) {
        SaverRun r = run(args);
        expectExit(r, -1);
    }
}

TEST_F(SaverRunTest, PreviewOfAHandleThatIsNoWindowExitsWithMinusOne) {
    expectExit(run({"/p", "4242"}), -1);
    expectExit(run({"/l", "131071"}), -1);
}

TEST_F(SaverRunTest, ChangePasswordModeExitsWithMinusOneOnLinux) {
    expectExit(run({"/a", kHost}), -1);
    expectExit(run({"-A"}), -1);
}

TEST_F(SaverRunTest, ConfigureModesShowTheDialogAndExitWithZero) {
    expectExit(run({}), 0);
    expectExit(run({"/c"}), 0);
    expectExit(run({"/c:" + kHost}), 0);
    expectExit(run({"/c:4242"}), 0);  // not a window: owned by the foreground window instead
    expectExit(run({"C"}), 0);
}

TEST_F(SaverRunTest, KeyEndsAFullScreenRunAtOnce) {
    SaverRun r = run({"/s"}, "2000:key:65;3000:key:27");
    expectExit(r, 0);
    EXPECT_EQ(deliveredInput(r), std::vector<std::string>{"2000 key 65"});
}

TEST_F(SaverRunTest, EachMouseButtonEndsAFullScreenRun) {
    for (const char* button : {"left", "right", "middle"}) {
        SaverRun r = run({"/S"}, std::string("2000:button:") + button + ";3000:key:27");
        expectExit(r, 0);
        EXPECT_EQ(deliveredInput(r).size(), 1u) << button;
    }
}

TEST_F(SaverRunTest, LosingTheActivationEndsAFullScreenRun) {
    SaverRun r = run({"-s"}, "2000:deactivate;3000:key:27");
    expectExit(r, 0);
    EXPECT_EQ(deliveredInput(r), std::vector<std::string>{"2000 deactivate"});
}

TEST_F(SaverRunTest, SlowMovesNeverEndTheRunHoweverFarTheyGo) {
    std::string script;
    for (int i = 1; i <= 60; ++i)  // 49 pixels a step on both axes: 2940 pixels in all
        script += std::to_string(1000 + 20 * i) + ":move:" + std::to_string(49 * i) + "," + std::to_string(49 * i) + ";";
    script += "5000:key:27";
    SaverRun r = run({"/s"}, script);
    expectExit(r, 0);
    std::vector<std::string> got = deliveredInput(r);
    ASSERT_EQ(got.size(), 61u);
    EXPECT_EQ(got.back(), "5000 key 27");
}

// 500 large jumps (0,0 and 300,300 in turn) that all happen before the first frame.
std::string graceJumps() {
    std::string script;
    for (int i = 1; i <= 500; ++i) script += i % 2 ? "1000:move:300,300;" : "1000:move:0,0;";
    return script;
}

TEST_F(SaverRunTest, FiveHundredJumpsAreSwallowedAndTheNextEndsTheRun) {
    SaverRun r = run({"/s"}, graceJumps() + "1000:move:300,300;1000:move:0,0;3000:key:27");
    expectExit(r, 0);
    std::vector<std::string> got = deliveredInput(r);
    ASSERT_EQ(got.size(), 501u);
    EXPECT_EQ(got.back(), "1000 move 300,300");
}

// After the grace, a jump that lands within 4 pixels (|dx| + |dy|) of the wake point (0,0, where
// the cursor was when the window was made) does not end the run; one 5 pixels away does.
TEST_F(SaverRunTest, AfterTheGraceOnlyJumpsAwayFromTheWakePointEndTheRun) {
    std::string walkOut = "1000:move:40,0;1000:move:80,0;";
    SaverRun near = run({"/s"}, graceJumps() + walkOut + "1000:move:3,1;2000:move:300,300;3000:key:27");
    expectExit(near, 0);
    ASSERT_FALSE(deliveredInput(near).empty());
    EXPECT_EQ(deliveredInput(near).back(), "2000 move 300,300");

    SaverRun away = run({"/s"}, graceJumps() + walkOut + "1000:move:3,2;2000:move:300,300;3000:key:27");
    expectExit(away, 0);
    ASSERT_FALSE(deliveredInput(away).empty());
    EXPECT_EQ(deliveredInput(away).back(), "1000 move 3,2");
}

TEST_F(SaverRunTest, KeysAndButtonsNeverEndAPreview) {
    SaverRun r = run({"/p", kHost},
                     "2000:key:27;2100:button:left;2200:move:100,100;2300:deactivate;2400:key:65;3000:destroy-host");
    expectExit(r, 0);
    std::vector<std::string> got = deliveredInput(r);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got.back(), "3000 destroy-host");
}

TEST_F(SaverRunTest, PreviewEndsWhenTheHostWindowGoesAway) {
    expectExit(run({"/p", kHost}, "1500:destroy-host"), 0);
    expectExit(run({"/l  " + kHost}, "1500:destroy-host"), 0);
}

// A preview shows the picture only: no display objects, so no frame is ever presented (the trace
// stays empty), and the picture's temporary copy is gone afterwards.
TEST_F(SaverRunTest, APreviewPresentsNoFrameAndLeavesNoTemporaryFile) {
    fs::copy_file(std::string(VOREL_BIN_DIR) + "/vorel_screensaver.pak", dir / "vorel_screensaver.pak");
    fs::create_directory(dir / "tmp");
    Environment e = env("3000:destroy-host");
    e["TMPDIR"] = (dir / "tmp").string();
    e["VOREL_TRACE"] = (dir / "trace.jsonl").string();
    expectExit(runSaverProcess({"/p", kHost}, e), 0);
    EXPECT_TRUE(!fs::exists(dir / "trace.jsonl") || fs::file_size(dir / "trace.jsonl") == 0);
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST_F(SaverRunTest, DisablingAndEnablingDoNotEndTheRun) {
    SaverRun r = run({"/s"}, "2000:disable;2100:enable;2200:hide;2300:show;2400:take;2500:give;3000:key:27");
    expectExit(r, 0);
    EXPECT_EQ(deliveredInput(r).size(), 7u);
}

TEST_F(SaverRunTest, SecondFullScreenInstanceIsNotPossibleToSeeHeadlessSoEachRunsAlone) {
    // Headless screens are private to a process: two full-screen runs do not see each other.
    expectExit(run({"/s"}, "1500:key:27"), 0);
}

TEST_F(SaverRunTest, TerminationSignalsEndTheRunThroughTheClosePath) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        // The real clock: the run lasts until the signal. The scripted "show" tells us the message
        // loop runs, so the signal is not sent before the program is ready for it.
        Environment e = env("0:show");
        e["VOREL_TICK_MS"] = "";
        int fd = -1;
        pid_t pid = startSaver({"/s"}, e, &fd);
        ASSERT_GT(pid, 0);
        std::string early;
        ASSERT_TRUE(waitForOutput(fd, "VOREL_INPUT 0 show", 20000, &early)) << early;
        kill(pid, sig);
        SaverRun r = finishSaver(pid, fd, 20000, early);
        expectExit(r, 0);  // a quit message, not death by the signal
    }
}

// With the real archive the run extracts pictures and models to temporary files; a run ended by a
// signal in the middle of the story still removes every one of them.
TEST_F(SaverRunTest, ARunEndedByASignalLeavesNoTemporaryFile) {
    fs::copy_file(std::string(VOREL_BIN_DIR) + "/vorel_screensaver.pak", dir / "vorel_screensaver.pak");
    fs::create_directory(dir / "tmp");
    Environment e = env("2000:show");
    e["TMPDIR"] = (dir / "tmp").string();
    int fd = -1;
    pid_t pid = startSaver({"/s"}, e, &fd);
    ASSERT_GT(pid, 0);
    std::string early;
    ASSERT_TRUE(waitForOutput(fd, "VOREL_INPUT 2000 show", 60000, &early)) << early;
    kill(pid, SIGTERM);
    expectExit(finishSaver(pid, fd, 60000, early), 0);
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST_F(SaverRunTest, ConfigureButtonStartsTheConfigurationProgramFromTheWindowsDirectory) {
    fs::path marker = dir / "started.txt";
    fs::path program = dir / "vorel_config.exe";
    {
        std::ofstream f(program);
        f << "#!/bin/sh\necho \"$#\" > '" << marker.string() << "'\n";
    }
    fs::permissions(program, fs::perms::owner_all);
    SaverRun r = run({"/c"}, "1500:key:67;1600:key:13");
    expectExit(r, 0);
    for (int i = 0; i < 200 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(marker));
    std::ifstream in(marker);
    std::string argc;
    in >> argc;
    EXPECT_EQ(argc, "0");  // started as it is, without arguments
}

TEST_F(SaverRunTest, MissingConfigurationProgramChangesNothing) {
    SaverRun r = run({"/c"}, "1500:key:67;1600:key:67;1700:key:27");
    expectExit(r, 0);
    EXPECT_EQ(deliveredInput(r).size(), 3u);
}

}  // namespace
