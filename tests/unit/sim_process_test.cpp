// The velox-sim program as the demo and the whole-program tests start it:
// with no options it registers COM4 and COM6, sends checksum-valid GGA once a
// second along the walk, and removes its entries when terminated.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/gps_fix.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "geo/utm.h"
#include "platform/paths.h"
#include "test_support.h"

namespace velox {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

std::string readFor(int fd, std::chrono::milliseconds span) {
    std::string got;
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

TEST(SimProcess, DefaultRunRegistersPortsSendsMovingGgaAndCleansUpOnSigterm) {
    test::TempDataRoot root;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(VELOX_SIM_BIN, VELOX_SIM_BIN, "--quiet", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto com4 = portMapEntry(3);
    const auto com6 = portMapEntry(5);
    ASSERT_TRUE(waitFor([&] { return std::filesystem::is_symlink(com4) && std::filesystem::is_symlink(com6); }, 5s));

    const int fd = ::open(com6.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIFLUSH);
    const std::string stream = readFor(fd, 3500ms);
    ::close(fd);

    std::vector<GpsFix> fixes;
    SurveyConfig config;
    const GpsSentenceFormat& format = configureGpsFormat(1, 0);
    std::istringstream in(stream);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] != '$') continue;  // a partial first line
        EXPECT_TRUE(checksumMatches(line)) << line;
        EXPECT_EQ(classifyGpsLine(line, format), GpsLineKind::Position) << line;
        fixes.push_back(decodeGpsFix(line, format, config, 0));
    }
    ASSERT_GE(fixes.size(), 3u);
    EXPECT_LE(fixes.size(), 4u);
    SurveyZone zone;
    UtmCoordinates previous{};
    for (size_t i = 0; i < fixes.size(); ++i) {
        ASSERT_TRUE(fixes[i].valid);
        const UtmCoordinates here = projectInSurveyZone(zone, fixes[i].latitude, fixes[i].longitude);
        EXPECT_NEAR(here.easting, 500000.0, 50.0);  // the default site at 45° N 9° E
        EXPECT_NEAR(here.northing, 4982950.4, 100.0);
        if (i > 0) {
            EXPECT_NEAR(*fixes[i].utcSeconds - *fixes[i - 1].utcSeconds, 1.0, 1e-6);
            EXPECT_GT(std::hypot(here.easting - previous.easting, here.northing - previous.northing), 0.5);
        }
        previous = here;
    }

    ASSERT_EQ(kill(child, SIGTERM), 0);
    int status = 0;
    ASSERT_TRUE(waitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 5s));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(com4) || std::filesystem::is_symlink(com4));
    EXPECT_FALSE(std::filesystem::exists(com6) || std::filesystem::is_symlink(com6));
}

TEST(SimProcess, HelpAndBadOptions) {
    const auto run = [](const std::string& args) {
        return WEXITSTATUS(std::system((std::string(VELOX_SIM_BIN) + " " + args + " >/dev/null 2>&1").c_str()));
    };
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run("--rate 3"), 2);
}

}  // namespace
}  // namespace velox
