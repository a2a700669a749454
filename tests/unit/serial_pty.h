#pragma once
// A pseudo-terminal pair standing in for a serial device: the program opens
// the slave through the port map, the test plays the device on the master.

#include <termios.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/operator_messages.h"

namespace velox::test {

class PtyPair {
public:
    // Opens the master and keeps one descriptor on the slave for the whole
    // life of the pair, so the terminal outlives the program's opens and
    // closes and its settings can be read back.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    // Makes the slave port `portIndex` (COM<index+1>) in the port map.
    void registerAs(int portIndex) const;
    termios slaveSettings() const;
    // Bytes the program can read but has not yet read.
    int pendingInput() const;

    // The device's side.
    void send(std::string_view bytes) const;
    // What the program wrote, gathered until `quiet` passes with nothing new.
    std::string receive(std::chrono::milliseconds quiet = std::chrono::milliseconds(100)) const;
    int master() const { return master_; }
    // The device vanishes: the program's side hangs up.
    void closeMaster();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Records every message instead of showing it; answers with the first button.
class RecordedMessages final : public OperatorMessages {
public:
    struct Shown {
        std::string title;
        std::string text;
        MessageButtons buttons;
    };
    int show(const std::string& title, const std::string& text, MessageButtons buttons) override {
        shown.push_back({title, text, buttons});
        return 1;
    }
    std::vector<Shown> shown;
};

// Plays a device on the master side of a pair: records every byte the
// program sends and answers what `respond` returns for the bytes so far.
class PtyPeer {
public:
    using Respond = std::function<std::string(const std::string& received)>;
    PtyPeer(const PtyPair& pty, Respond respond);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;
    std::string received();

private:
    void run();

    const PtyPair& pty_;
    Respond respond_;
    std::mutex mutex_;
    std::string received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace velox::test
