// Drawing that has been queued against surfaces' pixels and is not done yet.
//
// The 3D device collects a scene's triangles and draws them in one go. Everything else that reads
// or writes a surface's pixels, or changes what they are (a lock, a device context, a blit, a
// flip, a loss or restore, direct access to the memory), first calls finishQueuedDrawing(), which
// has every queue draw what it holds; when nothing is queued that is one atomic load.
//
// A queue announces itself when it takes its first piece of work and withdraws when it is empty or
// goes away; finish() draws the queue and withdraws it. While a QueuedDrawingHold for a queue
// lives on a thread, finishQueuedDrawing there leaves that queue alone (it still finishes the
// others): the device's own locks of the surfaces it is queueing against. Queues are finished on the thread that calls finishQueuedDrawing; the device
// and its surfaces are used from one thread at a time, like their callers.
#pragma once

namespace platform::ddraw {

class QueuedDrawing {
public:
    virtual void finish() = 0;

protected:
    ~QueuedDrawing() = default;
};

void announceQueuedDrawing(QueuedDrawing* queue);  // idempotent
void withdrawQueuedDrawing(QueuedDrawing* queue);  // idempotent
void finishQueuedDrawing();

class QueuedDrawingHold {
public:
    explicit QueuedDrawingHold(QueuedDrawing* queue);
    ~QueuedDrawingHold();
    QueuedDrawingHold(const QueuedDrawingHold&) = delete;
    QueuedDrawingHold& operator=(const QueuedDrawingHold&) = delete;

private:
    QueuedDrawing* previous_;
};

}  // namespace platform::ddraw
