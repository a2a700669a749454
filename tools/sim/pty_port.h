#pragma once
// A pseudo-terminal standing in for the cable of one device: the program
// opens the slave through the port map entry COM<n>, the stand-in plays the
// device on the master. The stand-in keeps a raw descriptor on the slave
// itself, so the terminal never echoes the device's bytes back and survives
// the program's opens and closes.

#include <filesystem>
#include <string>
#include <string_view>

namespace velox::sim {

class PtyPort {
public:
    explicit PtyPort(int comNumber) : comNumber_(comNumber) {}
    ~PtyPort() { unplug(); }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Creates the terminal and registers it; false with `error` filled when it cannot.
    bool plug(std::string& error);
    // Closes the terminal and removes the port map entry if it is still ours.
    void unplug();
    bool plugged() const { return master_ >= 0; }

    // Sends without blocking; what the line cannot take now is lost, as on a
    // serial line nobody reads. Returns the bytes dropped.
    size_t send(std::string_view bytes);
    // Everything the program has written so far.
    std::string receiveAvailable();

    int masterFd() const { return master_; }
    int comNumber() const { return comNumber_; }
    const std::string& slavePath() const { return slavePath_; }
    std::filesystem::path entry() const;

private:
    int comNumber_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace velox::sim
