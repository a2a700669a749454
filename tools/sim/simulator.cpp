#include "tools/sim/simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace velox::sim {

namespace {
// While a noise fault is on, a burst of random bytes goes out this often.
constexpr double NOISE_PERIOD_S = 0.2;
constexpr int NOISE_BURST_MIN = 4;
constexpr int NOISE_BURST_MAX = 40;
// How long the marker key holds the marker, in simulated time.
constexpr double MARKER_KEY_HOLD_S = 0.5;
}  // namespace

Simulator::Simulator(const SimOptions& options)
    : options_(options),
      walk_([&] {
          WalkSettings w = options.walk;
          w.seed = options.seed;
          return w;
      }()),
      signal_(options.signal, options.seed ^ 0x51'9a1ULL),
      noiseRng_(options.seed ^ 0x0015eULL) {
    if (options_.speed <= 0.0) options_.speed = 1.0;
    if (options_.instrument) {
        auto em = std::make_unique<Em61Lx2Module>(options_.em, walk_, signal_, options_.seed);
        instrument_ = em.get();
        slots_.push_back({em.get(), std::make_unique<PtyPort>(options_.instrumentCom), FaultKind::INSTRUMENT_OFF,
                          FaultKind::INSTRUMENT_NOISE, FaultKind::INSTRUMENT_UNPLUG});
        modules_.push_back(std::move(em));
    }
    if (options_.gps) {
        auto gps = std::make_unique<GpsModule>(options_.gpsSettings, walk_);
        gps_ = gps.get();
        slots_.push_back({gps.get(), std::make_unique<PtyPort>(options_.gpsCom), FaultKind::GPS_OFF,
                          FaultKind::GPS_NOISE, FaultKind::GPS_UNPLUG});
        modules_.push_back(std::move(gps));
    }
    if (pipe2(wakePipe_, O_NONBLOCK | O_CLOEXEC) != 0) wakePipe_[0] = wakePipe_[1] = -1;
}

Simulator::~Simulator() {
    for (Slot& slot : slots_) slot.port->unplug();
    for (const int fd : wakePipe_)
        if (fd >= 0) ::close(fd);
}

bool Simulator::start(std::string& error) {
    for (Slot& slot : slots_) {
        if (!slot.port->plug(error)) return false;
        note(std::string(slot.module->name()) + " on COM" + std::to_string(slot.port->comNumber()) + " (" +
             slot.port->slavePath() + ")");
    }
    realStart_ = std::chrono::steady_clock::now();
    return true;
}

void Simulator::requestStop() {
    stop_.store(true);
    if (wakePipe_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe_[1], &byte, 1);
    }
}

SimTime Simulator::simNow() const {
    const auto real = std::chrono::steady_clock::now() - realStart_;
    return SimTime(static_cast<int64_t>(std::chrono::duration<double, std::nano>(real).count() * options_.speed));
}

void Simulator::note(const std::string& text) const {
    if (!options_.quiet) std::fprintf(stderr, "velox-sim: %s\n", text.c_str());
}

void Simulator::applyFaults(SimTime now) {
    const FaultSchedule& faults = options_.faults;
    for (Slot& slot : slots_) {
        const bool off = faults.active(slot.offFault, now);
        if (off != slot.off) {
            slot.off = off;
            slot.module->setPowered(!off, now);
            note(std::string(slot.module->name()) + (off ? " switched off" : " switched on"));
        }
        const bool unplugged = faults.active(slot.unplugFault, now);
        if (unplugged != slot.unplugged) {
            slot.unplugged = unplugged;
            std::string error;
            if (unplugged) {
                slot.port->unplug();
                note(std::string(slot.module->name()) + " unplugged");
            } else if (slot.port->plug(error)) {
                note(std::string(slot.module->name()) + " plugged in again at " + slot.port->slavePath());
            } else {
                note(error);
            }
        }
        const bool noisy = faults.active(slot.noiseFault, now);
        if (!noisy) {
            slot.nextNoise = NEVER;
        } else if (slot.nextNoise == NEVER) {
            slot.nextNoise = now;
        }
    }
    if (gps_) {
        gps_->setLineFaults({faults.active(FaultKind::GPS_BAD_CHECKSUM, now), faults.active(FaultKind::GPS_NO_DOLLAR, now),
                             faults.active(FaultKind::GPS_OVERLONG, now)});
    }
}

void Simulator::exchange(Slot& slot, SimTime now) {
    const std::string commands = slot.port->receiveAvailable();
    if (!commands.empty()) slot.module->receive(commands, now);
    std::string out;
    if (slot.nextNoise <= now) {
        std::uniform_int_distribution<int> length(NOISE_BURST_MIN, NOISE_BURST_MAX);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int n = length(noiseRng_); n > 0; --n) out += static_cast<char>(byte(noiseRng_));
        slot.nextNoise = now + fromSeconds(NOISE_PERIOD_S);
    }
    slot.module->emitDue(now, out);
    // An unplugged device goes on working; its output reaches nobody.
    if (!out.empty() && !slot.unplugged) slot.port->send(out);
}

void Simulator::readKeyboard(SimTime now) {
    if (keyboardFd_ < 0) return;
    char keys[64];
    const ssize_t n = ::read(keyboardFd_, keys, sizeof keys);
    for (ssize_t i = 0; i < n; ++i) {
        if ((keys[i] == 'm' || keys[i] == 'M') && instrument_) {
            instrument_->pressMarker(now + fromSeconds(MARKER_KEY_HOLD_S));
            note("marker");
        }
    }
}

SimTime Simulator::nextWake(SimTime now) const {
    SimTime wake = options_.faults.nextChange(now);
    for (const Slot& slot : slots_) wake = std::min({wake, slot.module->nextDue(), slot.nextNoise});
    if (options_.duration > 0.0) wake = std::min(wake, fromSeconds(options_.duration));
    return wake;
}

void Simulator::waitUntil(SimTime wake) {
    std::vector<pollfd> fds;
    if (wakePipe_[0] >= 0) fds.push_back({wakePipe_[0], POLLIN, 0});
    if (keyboardFd_ >= 0) fds.push_back({keyboardFd_, POLLIN, 0});
    for (const Slot& slot : slots_)
        if (slot.port->plugged()) fds.push_back({slot.port->masterFd(), POLLIN, 0});

    timespec timeout{};
    timespec* limit = nullptr;
    if (wake != NEVER) {
        // Deadlines are on the steady clock, so lateness never adds up.
        const auto realDeadline =
            realStart_ + std::chrono::nanoseconds(static_cast<int64_t>(wake.count() / options_.speed));
        const auto remaining = std::max(std::chrono::nanoseconds(0), realDeadline - std::chrono::steady_clock::now());
        timeout.tv_sec = static_cast<time_t>(remaining.count() / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(remaining.count() % 1'000'000'000);
        limit = &timeout;
    }
    if (ppoll(fds.data(), fds.size(), limit, nullptr) > 0 && wakePipe_[0] >= 0 && (fds[0].revents & POLLIN)) {
        char drain[16];
        while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
        }
    }
}

void Simulator::run() {
    while (!stop_.load()) {
        const SimTime now = simNow();
        if (options_.duration > 0.0 && now >= fromSeconds(options_.duration)) break;
        applyFaults(now);
        readKeyboard(now);
        for (Slot& slot : slots_) exchange(slot, now);
        waitUntil(nextWake(now));
    }
    for (Slot& slot : slots_) slot.port->unplug();
}

}  // namespace velox::sim
