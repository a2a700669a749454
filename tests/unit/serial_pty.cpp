#include "serial_pty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/paths.h"

namespace velox::test {

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pseudo-terminal");
    slavePath_ = ptsname(master_);
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) throw std::runtime_error("cannot open " + slavePath_);
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    closeMaster();
}

void PtyPair::registerAs(int portIndex) const {
    const auto entry = portMapEntry(portIndex);
    std::filesystem::create_directories(entry.parent_path());
    std::filesystem::remove(entry);
    std::filesystem::create_symlink(slavePath_, entry);
}

termios PtyPair::slaveSettings() const {
    termios t{};
    if (tcgetattr(slave_, &t) != 0) throw std::runtime_error("tcgetattr");
    return t;
}

int PtyPair::pendingInput() const {
    int count = 0;
    ioctl(slave_, FIONREAD, &count);
    return count;
}

void PtyPair::send(std::string_view bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) throw std::runtime_error("write to master");
        done += static_cast<size_t>(n);
    }
}

std::string PtyPair::receive(std::chrono::milliseconds quiet) const {
    std::string got;
    pollfd fd{master_, POLLIN, 0};
    while (poll(&fd, 1, static_cast<int>(quiet.count())) > 0 && (fd.revents & POLLIN)) {
        char buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

PtyPeer::PtyPeer(const PtyPair& pty, Respond respond)
    : pty_(pty), respond_(std::move(respond)), thread_([this] { run(); }) {}

PtyPeer::~PtyPeer() {
    stop_ = true;
    thread_.join();
}

std::string PtyPeer::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

void PtyPeer::run() {
    while (!stop_) {
        pollfd fd{pty_.master(), POLLIN, 0};
        if (poll(&fd, 1, 10) <= 0 || !(fd.revents & POLLIN)) continue;
        char byte;
        if (::read(pty_.master(), &byte, 1) != 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        std::lock_guard lock(mutex_);
        received_.push_back(byte);
        const std::string answer = respond_(received_);
        if (!answer.empty()) pty_.send(answer);
    }
}

}  // namespace velox::test
