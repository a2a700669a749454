#pragma once
// Where the survey context keeps a port: the user-interface thread replaces
// or empties it while a reader may be copying it out. Each operation is
// whole; an empty slot means the port is closed.

#include <memory>
#include <mutex>

namespace velox {

class SerialPort;

class PortSlot {
public:
    std::shared_ptr<SerialPort> load() const {
        std::lock_guard lock(mutex_);
        return port_;
    }
    // Returns the port that was there; it is released outside the lock.
    std::shared_ptr<SerialPort> exchange(std::shared_ptr<SerialPort> port) {
        std::lock_guard lock(mutex_);
        port_.swap(port);
        return port;
    }
    void store(std::shared_ptr<SerialPort> port) { exchange(std::move(port)); }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<SerialPort> port_;
};

}  // namespace velox
