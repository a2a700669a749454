#include "platform/handover.h"

namespace velox {

void HandOverChannel::setWakeUp(WakeUp wakeUp) {
    std::lock_guard lock(mutex_);
    wakeUp_ = std::move(wakeUp);
}

void HandOverChannel::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void HandOverChannel::setUiThread(std::thread::id id) {
    std::lock_guard lock(mutex_);
    uiThread_ = id;
}

// Called with the mutex held, so that a wake-up is never delivered to a
// pump that has already been destroyed. The wake-up only queues an event.
void HandOverChannel::wakeLocked() {
    if (wakeUp_) wakeUp_();
}

bool HandOverChannel::send(int message) {
    std::unique_lock lock(mutex_);
    if (released_) return false;
    if (std::this_thread::get_id() == uiThread_) {
        Handler handler = handler_;
        lock.unlock();
        if (handler) handler(message);
        return true;
    }
    Outcome outcome;
    queue_.push_back({message, &outcome});
    wakeLocked();
    finished_.wait(lock, [&] { return outcome.done; });
    return outcome.handled;
}

void HandOverChannel::post(int message) {
    std::lock_guard lock(mutex_);
    if (released_) return;
    queue_.push_back({message, nullptr});
    wakeLocked();
}

void HandOverChannel::dispatchPending() {
    std::unique_lock lock(mutex_);
    while (!queue_.empty() && !released_) {
        const Pending next = queue_.front();
        queue_.pop_front();
        Handler handler = handler_;
        lock.unlock();
        if (handler) handler(next.message);
        lock.lock();
        if (next.outcome) {
            next.outcome->handled = true;
            next.outcome->done = true;
            finished_.notify_all();
        }
    }
}

void HandOverChannel::release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    // Every waiting message is given up; its sender learns it was not handled.
    for (const Pending& pending : queue_)
        if (pending.outcome) pending.outcome->done = true;
    queue_.clear();
    finished_.notify_all();
}

void HandOverChannel::reopen() {
    std::lock_guard lock(mutex_);
    released_ = false;
}

bool HandOverChannel::released() const {
    std::lock_guard lock(mutex_);
    return released_;
}

}  // namespace velox
