#include "tools/sim/pty_port.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/paths.h"

namespace velox::sim {

std::filesystem::path PtyPort::entry() const { return portMapEntry(comNumber_ - 1); }

bool PtyPort::plug(std::string& error) {
    unplug();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        unplug();
        return false;
    }
    slavePath_ = ptsname(master_);
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    termios raw{};
    if (slave_ < 0 || tcgetattr(slave_, &raw) != 0) {
        error = "cannot open " + slavePath_ + ": " + std::strerror(errno);
        unplug();
        return false;
    }
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);

    const std::filesystem::path link = entry();
    std::error_code ec;
    if (!ensureFolder(link.parent_path())) {
        error = "cannot create " + link.parent_path().string();
        unplug();
        return false;
    }
    // A stale entry (an earlier run that was killed) is replaced.
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(slavePath_, link, ec);
    if (ec) {
        error = "cannot register " + link.string() + ": " + ec.message();
        unplug();
        return false;
    }
    return true;
}

void PtyPort::unplug() {
    if (!slavePath_.empty()) {
        const std::filesystem::path link = entry();
        std::error_code ec;
        if (std::filesystem::read_symlink(link, ec) == slavePath_) std::filesystem::remove(link, ec);
    }
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
    slavePath_.clear();
}

size_t PtyPort::send(std::string_view bytes) {
    if (master_ < 0) return bytes.size();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return bytes.size() - done;
}

std::string PtyPort::receiveAvailable() {
    std::string got;
    if (master_ < 0) return got;
    char buffer[512];
    while (true) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return got;
        }
    }
}

}  // namespace velox::sim
