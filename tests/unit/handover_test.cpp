#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/handover.h"

namespace velox {
namespace {

using namespace std::chrono_literals;

// A user-interface thread stand-in that drains the channel when woken.
class UiLoop {
public:
    explicit UiLoop(HandOverChannel& channel) : channel_(channel) {
        channel_.setWakeUp([this] { woken_ = true; });
        thread_ = std::thread([this] {
            channel_.setUiThread(std::this_thread::get_id());
            while (!stop_) {
                if (woken_.exchange(false)) channel_.dispatchPending();
                std::this_thread::sleep_for(100us);
            }
        });
    }
    ~UiLoop() {
        stop_ = true;
        thread_.join();
    }

private:
    HandOverChannel& channel_;
    std::atomic<bool> woken_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(HandOver, SendReturnsAfterTheHandlerRanOnTheUiThread) {
    HandOverChannel channel;
    std::vector<int> seen;
    std::thread::id handlerThread;
    int buffer = 0;
    channel.setHandler([&](int message) {
        handlerThread = std::this_thread::get_id();
        seen.push_back(message * 100 + buffer);  // consumes the shared buffer
    });
    UiLoop ui(channel);
    std::thread reader([&] {
        for (int i = 1; i <= 50; ++i) {
            buffer = i;  // safe: the handler has consumed the previous value
            EXPECT_TRUE(channel.send(7));
        }
    });
    reader.join();
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], 700 + i + 1);
    EXPECT_NE(handlerThread, std::this_thread::get_id());
}

TEST(HandOver, ReleaseFreesABlockedSenderWithoutTheUiThread) {
    HandOverChannel channel;
    channel.setHandler([](int) { FAIL() << "no handler may run after release"; });
    std::atomic<int> result{-1};
    std::thread reader([&] { result = channel.send(3) ? 1 : 0; });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(result, -1);  // nobody drains: the reader waits
    channel.release();
    reader.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(channel.send(3));  // refused at once while released
    channel.post(4);
    channel.dispatchPending();

    channel.reopen();
    int handled = 0;
    channel.setHandler([&](int) { ++handled; });
    channel.post(5);
    channel.dispatchPending();
    EXPECT_EQ(handled, 1);
}

TEST(HandOver, ReleaseFromInsideAHandlerStopsTheRest) {
    HandOverChannel channel;
    int handled = 0;
    channel.setHandler([&](int message) {
        ++handled;
        if (message == 1) channel.release();
    });
    channel.post(1);
    channel.post(2);
    channel.dispatchPending();
    EXPECT_EQ(handled, 1);
}

TEST(HandOver, TwoReadersAtFullSpeed) {
    HandOverChannel channel;
    int total = 0;
    channel.setHandler([&](int message) { total += message; });
    UiLoop ui(channel);
    std::thread a([&] { for (int i = 0; i < 2000; ++i) channel.send(1); });
    std::thread b([&] { for (int i = 0; i < 2000; ++i) channel.send(2); });
    a.join();
    b.join();
    EXPECT_EQ(total, 6000);
}

}  // namespace
}  // namespace velox
