#pragma once
// Hand-over from a reader thread to the user-interface thread. `send` waits
// until the handler has run on the user-interface thread (the reader's
// buffer is consumed by then); `post` does not wait. The user-interface
// thread drains the channel from its event loop.
//
// Stopping: the user-interface thread must never wait for a reader that may
// be waiting for it. `release` wakes every blocked sender at once (their
// `send` returns false) and refuses further messages until `reopen`.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velox {

class HandOverChannel {
public:
    using Handler = std::function<void(int message)>;
    using WakeUp = std::function<void()>;

    // `wakeUp` is called (from any thread, under the channel's lock) when
    // messages wait; it must only arrange for the user-interface thread to
    // call dispatchPending soon, never call into the channel itself.
    void setWakeUp(WakeUp wakeUp);
    // The handler runs on the user-interface thread; set it before readers start.
    void setHandler(Handler handler);
    // The thread that drains the channel; a send from it runs the handler directly.
    void setUiThread(std::thread::id id);

    // Returns true once the handler has run for this message; false when the
    // channel was released before the handler ran.
    bool send(int message);
    // Queues a message without waiting; dropped while released.
    void post(int message);

    // On the user-interface thread: runs the handler for every waiting message.
    void dispatchPending();

    void release();
    void reopen();
    bool released() const;

private:
    // What a waiting sender learns; lives on the sender's stack while it waits.
    struct Outcome {
        bool done = false;
        bool handled = false;
    };
    struct Pending {
        int message;
        Outcome* outcome;  // null for posted messages
    };
    void wakeLocked();

    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::deque<Pending> queue_;
    Handler handler_;
    WakeUp wakeUp_;
    std::thread::id uiThread_{};
    bool released_ = false;
};

}  // namespace velox
