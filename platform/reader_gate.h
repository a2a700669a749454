#pragma once
// Suspend and resume for a reader thread: the reader passes the gate at the
// top of each loop pass and blocks there while it is suspended. Whoever asks
// the reader to end sets its own flag and then calls wake().

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velox {

class ReaderGate {
public:
    void suspend() {
        std::lock_guard lock(mutex_);
        suspended_ = true;
    }
    void resume() {
        std::lock_guard lock(mutex_);
        suspended_ = false;
        changed_.notify_all();
    }
    // Wakes a parked reader so that it sees that it is to end.
    void wake() {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
    // True once the reader waits at the gate; false after `timeout` (for
    // instance while the reader waits on the caller's thread).
    bool waitParked(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return parked_ || !suspended_; }) && suspended_;
    }

    // The reader's side: blocks while suspended unless `endRequested()`
    // becomes true. Returns false when the reader is to end. `waited` tells
    // whether the reader was parked.
    template <typename EndRequested>
    bool pass(EndRequested endRequested, bool* waited = nullptr) {
        if (!suspended_) return !endRequested();  // the common case takes no lock
        std::unique_lock lock(mutex_);
        parked_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !suspended_ || endRequested(); });
        parked_ = false;
        if (waited) *waited = true;
        return !endRequested();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> suspended_{false};
    bool parked_ = false;
};

}  // namespace velox
