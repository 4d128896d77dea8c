// The process's message queue: posted messages, quit, paint, timers, waiting, termination signals.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <deque>
#include <optional>

#include "platform/backend/backend.h"
#include "platform/win/clock.h"
#include "platform/win/input_delivery.h"
#include "platform/win/messages.h"
#include "platform/win/scripted_input.h"
#include "platform/win/timer_queue.h"
#include "platform/win/window_registry.h"

namespace platform::win {
namespace {

std::deque<MSG> g_posted;
bool g_quit = false;
int g_quitCode = 0;
int g_signalPipe[2] = {-1, -1};
bool g_closeOnSignalPending = false;

void onTerminationSignal(int signo) {
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(signo);
    if (g_signalPipe[1] >= 0) (void)!write(g_signalPipe[1], &b, 1);
    errno = saved;
}

void drainSignals() {
    if (g_signalPipe[0] < 0) return;
    unsigned char buf[64];
    while (read(g_signalPipe[0], buf, sizeof buf) > 0) g_closeOnSignalPending = true;
    if (g_closeOnSignalPending && postCloseToTopLevelWindows()) g_closeOnSignalPending = false;
}

// Delivers the next due scripted event, one at a time and only while nothing is queued: each
// event's messages are handled before the next event happens, as with real input. Once the loop
// was told to quit, the script is over.
void deliverScriptedInput() {
    ScriptedEvent e;
    while (g_posted.empty() && !g_quit && takeNextScriptedEvent(platform::clockMicros() / 1000, &e))
        deliverScriptedEvent(e);
}

// Everything that happened outside becomes messages: signals, due script, the backend's events
// (after the script, so what the script did to the screen shows up at once).
void pumpInputs() {
    drainSignals();
    deliverScriptedInput();
    std::vector<backend::BackendEvent> events;
    backend::current().pollEvents(events);
    for (const auto& e : events) deliverBackendEvent(e);
}

bool findInvalidWindow(MSG* msg) {
    for (HWND h : allHandles()) {
        WindowRecord* rec = findRecord(h);
        if (rec && rec->invalid && !rec->destroying) {
            *msg = MSG{h, WM_PAINT, 0, 0, GetTickCount(), POINT{0, 0}};
            return true;
        }
    }
    return false;
}

bool takeNext(MSG* msg, bool remove) {
    pumpInputs();
    if (!g_posted.empty()) {
        *msg = g_posted.front();
        if (remove) g_posted.pop_front();
        return true;
    }
    if (g_quit) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(g_quitCode)), 0, GetTickCount(), {0, 0}};
        if (remove) g_quit = false;
        return true;
    }
    if (findInvalidWindow(msg)) return true;
    if (remove) return takeDueTimer(msg);
    std::optional<uint64_t> due = nextTimerDue();
    if (due && *due <= platform::clockMicros()) {
        *msg = MSG{nullptr, WM_TIMER, 0, 0, GetTickCount(), {0, 0}};
        return true;
    }
    return false;
}

// The earliest clock time at which a timer or a scripted event is due.
std::optional<uint64_t> nextDeadline() {
    std::optional<uint64_t> deadline = nextTimerDue();
    uint64_t scriptMs = 0;
    if (nextScriptedTimeMs(&scriptMs)) {
        uint64_t scriptMicros = scriptMs * 1000;
        if (!deadline || scriptMicros < *deadline) deadline = scriptMicros;
    }
    return deadline;
}

// Waits until something may have happened. False when nothing ever can.
bool waitForSomething() {
    std::optional<uint64_t> deadline = nextDeadline();
    if (!deadline && allHandles().empty()) return false;
    if (deadline && platform::virtualClock()) {
        platform::advanceVirtualClockTo(*deadline);
        return true;
    }
    pollfd fds[2];
    int n = 0;
    for (int fd : {g_signalPipe[0], backend::current().eventFd()})
        if (fd >= 0) fds[n++] = pollfd{fd, POLLIN, 0};
    int timeoutMs = -1;
    if (deadline) {
        uint64_t now = platform::clockMicros();
        timeoutMs = *deadline > now ? static_cast<int>((*deadline - now + 999) / 1000) : 0;
    }
    if (n == 0 && timeoutMs < 0) return false;
    poll(fds, static_cast<nfds_t>(n), timeoutMs);
    return true;
}

}  // namespace
}  // namespace platform::win

using namespace platform::win;

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT) {
    if (!msg) return -1;
    for (;;) {
        if (takeNext(msg, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (!waitForSomething()) return -1;
    }
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeFlags) {
    if (!msg) return FALSE;
    return takeNext(msg, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    WindowRecord* rec = findRecord(msg->hwnd);
    if (!rec || !rec->proc) return 0;
    return rec->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !findRecord(hwnd)) return FALSE;
    g_posted.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount(), POINT{0, 0}});
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec || !rec->proc) return 0;
    return rec->proc(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    g_quit = true;
    g_quitCode = exitCode;
}

namespace platform {

void closeWindowsOnSignals(const int* signals, int count) {
    if (g_signalPipe[0] < 0) {
        if (pipe(g_signalPipe) != 0) return;
        for (int fd : g_signalPipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < count; ++i) sigaction(signals[i], &sa, nullptr);
}

void resetMessageQueue() {
    g_posted.clear();
    g_quit = false;
    g_quitCode = 0;
    g_closeOnSignalPending = false;
    if (g_signalPipe[0] >= 0) {
        unsigned char buf[64];
        while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
    }
}

}  // namespace platform
