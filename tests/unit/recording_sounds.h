#pragma once
// A sound player for tests: records every request, from any thread.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sound_player.h"

namespace velox::test {

class RecordingSounds final : public SoundPlayer {
public:
    struct Call {
        std::string name;  // empty for stopSound
        bool interrupting = false;
        bool operator==(const Call&) const = default;
    };
    void playSound(std::string_view name, bool interrupting) override {
        std::lock_guard lock(mutex_);
        calls_.push_back({std::string(name), interrupting});
    }
    void stopSound() override {
        std::lock_guard lock(mutex_);
        calls_.push_back({"", false});
    }
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // The sounds asked for, in order; "!" marks an interrupting request.
    std::vector<std::string> played() const {
        std::vector<std::string> out;
        for (const Call& call : calls())
            if (!call.name.empty()) out.push_back(call.name + (call.interrupting ? "!" : ""));
        return out;
    }
    // The names of the sounds asked for, in order.
    std::vector<std::string> taken() const {
        std::vector<std::string> out;
        for (const Call& call : calls())
            if (!call.name.empty()) out.push_back(call.name);
        return out;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

}  // namespace velox::test
