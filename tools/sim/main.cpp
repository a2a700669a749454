// velox-sim: the device stand-in. See --help.

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/sim/simulator.h"

namespace {

velox::sim::Simulator* running = nullptr;

void onStopSignal(int) {
    if (running) running->requestStop();
}

// Unbuffered, silent keys on an interactive terminal; restored on exit.
class KeyboardMode {
public:
    KeyboardMode() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios keys = saved_;
        keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        keys.c_cc[VMIN] = 0;
        keys.c_cc[VTIME] = 0;
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &keys) == 0;
    }
    ~KeyboardMode() {
        if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    bool active() const { return active_; }

private:
    termios saved_{};
    bool active_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto options = velox::sim::parseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "velox-sim: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(velox::sim::helpText().c_str(), stdout);
        return 0;
    }
    if (!options->programData.empty()) setenv("PROGRAMDATA", options->programData.c_str(), 1);

    velox::sim::Simulator simulator(*options);
    running = &simulator;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int stopSignal : {SIGINT, SIGTERM, SIGHUP}) sigaction(stopSignal, &action, nullptr);
    // A program that closes its end of a port must not end the stand-in.
    signal(SIGPIPE, SIG_IGN);

    if (!simulator.start(error)) {
        std::fprintf(stderr, "velox-sim: %s\n", error.c_str());
        return 1;
    }
    KeyboardMode keyboard;
    if (keyboard.active()) simulator.watchKeyboard(STDIN_FILENO);
    simulator.run();
    running = nullptr;
    return 0;
}
