#pragma once
// A manual-reset event with timed waits.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velox {

class Event {
public:
    void set() {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        cv_.notify_all();
    }
    void reset() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    // True when the event was set before the time-out.
    bool wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return signalled_; });
    }
    bool isSet() {
        std::lock_guard lock(mutex_);
        return signalled_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

}  // namespace velox
