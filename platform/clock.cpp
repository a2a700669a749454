#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace velox {

namespace {

class SystemClock final : public Clock {
public:
    Tick now() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<Tick>(ms.count());
    }
    // Sleeps in short steps rather than spinning: the same timing to the
    // millisecond, without draining a field laptop's battery.
    void wait(uint32_t ms) override {
        const Tick start = now();
        while (now() - start <= ms) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
};

SystemClock systemClock;
std::atomic<Clock*> current{&systemClock};

}  // namespace

Clock& clock() { return *current.load(std::memory_order_acquire); }

void setClock(Clock* replacement) {
    current.store(replacement ? replacement : &systemClock, std::memory_order_release);
}

}  // namespace velox
