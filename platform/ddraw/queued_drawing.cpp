// The registry of queues with drawing pending.
#include "platform/ddraw/queued_drawing.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace platform::ddraw {

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<QueuedDrawing*> queues;
    std::atomic<int> count{0};
};

Registry& registry() {
    static Registry r;
    return r;
}

thread_local QueuedDrawing* held = nullptr;

// One announced queue other than the held one, or null; it stays announced until it withdraws.
QueuedDrawing* anyQueue() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (QueuedDrawing* q : r.queues)
        if (q != held) return q;
    return nullptr;
}

}  // namespace

void announceQueuedDrawing(QueuedDrawing* queue) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (std::find(r.queues.begin(), r.queues.end(), queue) != r.queues.end()) return;
    r.queues.push_back(queue);
    r.count.store(int(r.queues.size()), std::memory_order_release);
}

void withdrawQueuedDrawing(QueuedDrawing* queue) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = std::find(r.queues.begin(), r.queues.end(), queue);
    if (it == r.queues.end()) return;
    r.queues.erase(it);
    r.count.store(int(r.queues.size()), std::memory_order_release);
}

void finishQueuedDrawing() {
    if (registry().count.load(std::memory_order_acquire) == 0) return;
    // finish() withdraws the queue; one that would not is withdrawn here so the loop ends.
    while (QueuedDrawing* q = anyQueue()) {
        q->finish();
        withdrawQueuedDrawing(q);
    }
}

QueuedDrawingHold::QueuedDrawingHold(QueuedDrawing* queue) : previous_(held) { held = queue; }
QueuedDrawingHold::~QueuedDrawingHold() { held = previous_; }

}  // namespace platform::ddraw
