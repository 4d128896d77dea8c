// The device's helper threads: a small pool with spin-then-sleep hand-over.
#include "platform/d3d/raster_workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::d3d {

namespace {

constexpr int kMaxParts = 16;
// How long a waiting thread keeps checking before it sleeps. The caller, which needs its helpers'
// parts before it can go on, checks for a while; idle helpers go to sleep soon, so that between
// draw calls (and between frames) they do not burn processor time the program is not using.
constexpr auto kCallerSpin = std::chrono::microseconds(200);
constexpr auto kHelperSpin = std::chrono::microseconds(20);

// Spins on done() for a short while; true when it came true. After the first few rounds it
// yields the processor between checks: on a busy machine the thread it waits for may need this
// very core.
template <class Pred>
bool spinUntil(std::chrono::microseconds spin, Pred done) {
    auto until = std::chrono::steady_clock::now() + spin;
    for (int i = 0;; ++i) {
        if (done()) return true;
        if (i < 64) {
            spinPause();
        } else {
            std::this_thread::yield();
            if ((i & 15) == 15 && std::chrono::steady_clock::now() > until) return false;
        }
    }
}

class Pool {
public:
    void run(int parts, const std::function<void(int, int)>& job) {
        start(parts, job);
        job(0, parts);
        finish(job);
    }

    // Parts 1.. of `job` on the workers (or, when another job holds them, later on the caller in
    // finish()); returns at once.
    bool start(int parts, const std::function<void(int, int)>& job) {
        std::unique_lock<std::mutex> busy(busy_, std::defer_lock);
        // This thread's own job in flight holds the workers too (and the mutex must not be tried
        // twice by one thread).
        if (parts <= 1 || !held_.empty() || !busy.try_lock()) {
            deferred_.push_back({&job, &job, parts});
            return false;
        }
        held_.push_back(std::move(busy));
        deferred_.push_back({&job, nullptr, parts});
        while (int(threads_.size()) < parts - 1) {
            int index = int(threads_.size()) + 1;
            threads_.emplace_back([this, index] { work(index); });
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = &job;
            parts_ = parts;
            pending_.store(parts - 1);
            generation_.fetch_add(1);
        }
        wake_.notify_all();
        return true;
    }

    // Waits for the parts of `job` (or runs them here when they were deferred).
    void finish(const std::function<void(int, int)>& job) {
        auto it = std::find_if(deferred_.rbegin(), deferred_.rend(), [&](const Started& s) { return s.given == &job; });
        if (it == deferred_.rend()) return;
        Started s = *it;
        deferred_.erase(std::next(it).base());
        if (s.job) {
            for (int p = 1; p < s.parts; ++p) (*s.job)(p, s.parts);
            return;
        }
        if (!spinUntil(kCallerSpin, [&] { return pending_.load() == 0; })) {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [&] { return pending_.load() == 0; });
        }
        held_.pop_back();
    }

private:
    void work(int index) {
        uint64_t seen = 0;
        for (;;) {
            if (!spinUntil(kHelperSpin, [&] { return generation_.load() != seen; })) {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return generation_.load() != seen; });
            }
            const std::function<void(int, int)>* job;
            int parts;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen = generation_.load();
                job = job_;
                parts = parts_;
            }
            if (index >= parts) continue;
            (*job)(index, parts);
            if (pending_.fetch_sub(1) == 1) {
                std::lock_guard<std::mutex> lock(mutex_);
                done_.notify_one();
            }
        }
    }

    struct Started {
        const std::function<void(int, int)>* given;
        const std::function<void(int, int)>* job;  // set: deferred to finish() on the caller
        int parts;
    };
    // Jobs started and not yet finished, per calling thread (a device's queue may start a job
    // while its thread runs another).
    static thread_local std::vector<Started> deferred_;
    static thread_local std::vector<std::unique_lock<std::mutex>> held_;

    std::mutex busy_;   // one job at a time
    std::mutex mutex_;  // guards job_, parts_ and the waits
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    const std::function<void(int, int)>* job_ = nullptr;
    int parts_ = 1;
    std::atomic<uint64_t> generation_{0};
    std::atomic<int> pending_{0};
};

thread_local std::vector<Pool::Started> Pool::deferred_;
thread_local std::vector<std::unique_lock<std::mutex>> Pool::held_;

// Never destroyed: its workers sleep until the process ends. Joining them at exit would wait for
// ever on a helper still waiting for a scene the program left open, and a device released during
// static destruction would find the pool gone.
Pool& pool() {
    static Pool& p = *new Pool;
    return p;
}

}  // namespace

void waitStep(int* idle) {
    if (++*idle < 64) {
        for (int i = 0; i < 16; ++i) spinPause();
    } else {
        std::this_thread::yield();
    }
}

void runParts(int parts, const std::function<void(int, int)>& job) {
    parts = std::clamp(parts, 1, kMaxParts);
    if (parts == 1) {
        job(0, 1);
        return;
    }
    pool().run(parts, job);
}

bool startParts(int parts, const std::function<void(int, int)>& job) {
    return pool().start(std::clamp(parts, 1, kMaxParts), job);
}

void finishParts(const std::function<void(int, int)>& job) { pool().finish(job); }

}  // namespace platform::d3d
