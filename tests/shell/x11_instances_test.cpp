// Two real saver processes on an X server of their own (Xvfb): the second full-screen instance
// brings the first to the front and ends with 0; a key then ends the first.
#if VOREL_HAVE_X11
// gtest before Xlib: Xlib's macros (None, Bool) would break gtest's templates.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/shell/saver_process.h"

namespace {

// An Xvfb on a display number it picks itself (-displayfd), stopped at the end.
class PrivateXServer {
public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buf[32] = {0};
        ssize_t n = read(fds[0], buf, sizeof buf - 1);
        // The read end stays open while the server runs: a server that writes its number again
        // (at a reset) would otherwise die of the closed pipe.
        readEnd_ = fds[0];
        if (n > 0) {
            display_.assign(1, ':');
            display_.append(buf, static_cast<size_t>(n - (buf[n - 1] == '\n' ? 1 : 0)));
        }
    }
    ~PrivateXServer() {
        if (readEnd_ >= 0) close(readEnd_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    int readEnd_ = -1;
    std::string display_;
};

bool titled(Display* d, Window w, const char* title) {
    char* name = nullptr;
    bool same = XFetchName(d, w, &name) && name && std::string(name) == title;
    if (name) XFree(name);
    return same;
}

// Top-level windows, bottom first.
std::vector<Window> stacking(Display* d) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        out.assign(children, children + count);
    if (children) XFree(children);
    return out;
}

Window waitForSaverWindow(Display* d) {
    for (int i = 0; i < 400; ++i) {
        for (Window w : stacking(d))
            if (titled(d, w, "Screen Saver")) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return 0;
}

int positionOf(Display* d, Window w) {
    std::vector<Window> s = stacking(d);
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == w) return static_cast<int>(i);
    return -1;
}

TEST(SaverOnX, SecondFullScreenInstanceBringsTheFirstToTheFrontAndEndsWithZero) {
    PrivateXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    // A loaded machine can take a moment before the new server accepts connections.
    Display* d = nullptr;
    for (int i = 0; i < 100 && !d; ++i) {
        d = XOpenDisplay(server.display().c_str());
        if (!d) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(d, nullptr);
    Environment env{{"DISPLAY", server.display()}, {"VOREL_BACKEND", "x11"}, {"WINDIR", "/tmp"}};

    int firstErr = -1;
    pid_t first = startSaver({"/s"}, env, &firstErr);
    ASSERT_GT(first, 0);
    Window saver = waitForSaverWindow(d);
    ASSERT_NE(saver, 0u);
    XWindowAttributes wa;
    ASSERT_TRUE(XGetWindowAttributes(d, saver, &wa));
    EXPECT_EQ(wa.width, 800);
    EXPECT_EQ(wa.height, 600);
    EXPECT_EQ(wa.map_state, IsViewable);

    // Another window comes over the saver.
    XSetWindowAttributes cover{};
    cover.override_redirect = True;
    Window other = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 800, 600, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect, &cover);
    XMapRaised(d, other);
    XSync(d, False);
    ASSERT_GT(positionOf(d, other), positionOf(d, saver));

    SaverRun second = runSaverProcess({"/s"}, env, 20000);
    ASSERT_TRUE(second.exited) << second.errorText;
    EXPECT_EQ(second.exitCode, 0);
    XSync(d, False);
    EXPECT_GT(positionOf(d, saver), positionOf(d, other));
    EXPECT_EQ(positionOf(d, saver), static_cast<int>(stacking(d).size()) - 1);

    // The first one still runs and a key ends it.
    XEvent key{};
    key.xkey.type = KeyPress;
    key.xkey.display = d;
    key.xkey.window = saver;
    key.xkey.root = DefaultRootWindow(d);
    key.xkey.keycode = XKeysymToKeycode(d, XStringToKeysym("a"));
    key.xkey.same_screen = True;
    XSendEvent(d, saver, True, KeyPressMask, &key);
    XSync(d, False);
    SaverRun firstRun = finishSaver(first, firstErr, 20000);
    ASSERT_TRUE(firstRun.exited) << firstRun.errorText;
    EXPECT_EQ(firstRun.exitCode, 0);
    EXPECT_EQ(positionOf(d, saver), -1);  // its window is gone
    XCloseDisplay(d);
}

}  // namespace
#endif
