// How a helper thread without work waits for more: it spins kSpin, then looks on (yielding its
// processor to anything else that waits for it) up to kLook, and only then sleeps until woken.
// A wake-up costs the waking thread a system call, 10-35 us on the virtual machine measured (a
// helper that slept after 30 us made 60-220 of them a frame, 1-3 ms), so a helper looks on
// through the gaps between a scene's calls and sleeps only when the program stops drawing in the
// middle of a scene. A paced device (a timer-driven run, where processor time counts more than a
// frame's latency) sleeps straight after the spin: looking on would bill a helper for the whole
// scene, and pacing would read that as work.
//
// Thread safety: any number of threads wait(), others call anySleeping() and wakeAll(). A waker
// publishes its news with a sequentially consistent store before it calls anySleeping(); a
// sleeper counts itself (sequentially consistent) under the mutex before it tests the news, so
// either the waker sees the sleeper or the sleeper sees the news: no wake-up is lost.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"

namespace platform::d3d {

class HelperWait {
public:
    static constexpr auto kSpin = std::chrono::microseconds(30);
    static constexpr auto kLook = std::chrono::milliseconds(2);

    // Returns once news() is true; true when it came before the helper went to sleep.
    template <class News>
    bool wait(const News& news) {
        using Clock = std::chrono::steady_clock;
        const auto idle = Clock::now();
        const auto until = idle + (rasterThreadsPaced() ? kSpin : kLook);
        for (int i = 0;; ++i) {
            if (news()) return true;
            spinPause();
            if ((i & 63) != 63) continue;
            const auto now = Clock::now();
            if (now > until) break;
            if (now > idle + kSpin) std::this_thread::yield();
        }
        std::unique_lock<std::mutex> lock(mutex_);
        sleeping_.fetch_add(1);
        wake_.wait(lock, news);
        sleeping_.fetch_sub(1);
        return false;
    }

    bool anySleeping() const { return sleeping_.load() > 0; }

    void wakeAll() {
        { std::lock_guard<std::mutex> lock(mutex_); }
        wake_.notify_all();
    }

private:
    std::atomic<int> sleeping_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
};

}  // namespace platform::d3d
