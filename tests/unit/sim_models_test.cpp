// The stand-in's walk, signal model, fault schedule and command line.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tools/sim/fault_schedule.h"
#include "tools/sim/signal_model.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/walk_model.h"

namespace velox::sim {
namespace {

using namespace std::chrono_literals;

TEST(SimWalk, WalksParallelLinesOverTheSiteAndBackAtWalkingPace) {
    WalkSettings s;
    s.siteWidth = 6.0;
    s.siteLength = 20.0;
    s.lineSpacing = 2.0;
    const WalkModel walk(s);
    // Out and back: four lines, three half turns of radius 1, twice.
    const double pattern = 4 * 20.0 + 3 * std::numbers::pi;
    const double period = 2 * pattern / s.speed;
    double travelled = 0.0;
    SitePoint last = walk.centreAt(0).position;
    for (double t = 0.1; t <= period; t += 0.1) {
        const Pose p = walk.centreAt(t);
        // Within the site, except for the turns just beyond its ends.
        EXPECT_GE(p.position.east, -0.1);
        EXPECT_LE(p.position.east, 6.1);
        EXPECT_GE(p.position.north, -1.1);
        EXPECT_LE(p.position.north, 21.1);
        travelled += std::hypot(p.position.east - last.east, p.position.north - last.north);
        last = p.position;
    }
    EXPECT_NEAR(travelled / period, s.speed, 0.05 * s.speed);
    // Mid-line: on a line and heading along it; the second line runs south.
    const Pose first = walk.centreAt(10.0);
    EXPECT_NEAR(first.position.east, 0.0, 0.06);
    EXPECT_NEAR(std::cos(first.heading), 1.0, 1e-9);
    const Pose second = walk.centreAt((20.0 + std::numbers::pi + 10.0) / s.speed);
    EXPECT_NEAR(second.position.east, 2.0, 0.06);
    EXPECT_NEAR(std::cos(second.heading), -1.0, 1e-9);
}

TEST(SimWalk, AntennaAndCoilsSitWhereTheOffsetsPutThem) {
    WalkSettings s;
    s.antennaOffsetX = 0.5;   // right
    s.antennaOffsetY = 1.0;   // ahead
    const WalkModel walk(s);
    const double t = 10.0;    // walking north on the first line
    const Pose centre = walk.centreAt(t);
    const Pose antenna = walk.antennaAt(t);
    EXPECT_NEAR(antenna.position.east - centre.position.east, 0.5, 1e-9);
    EXPECT_NEAR(antenna.position.north - centre.position.north, 1.0, 1e-9);
    const SitePoint left = walk.coilAt(t, 0, 2);
    const SitePoint right = walk.coilAt(t, 1, 2);
    EXPECT_NEAR(left.east, centre.position.east - COIL_WIDTH / 2, 1e-9);
    EXPECT_NEAR(right.east, centre.position.east + COIL_WIDTH / 2, 1e-9);
    EXPECT_NEAR(walk.coilAt(t, 0, 1).east, centre.position.east, 1e-9);
}

TEST(SimWalk, SeedDecidesTheUnsteadinessAndGeodeticScaleIsRight) {
    WalkSettings a, b;
    b.seed = 2;
    EXPECT_EQ(WalkModel(a).centreAt(12.3).position.east, WalkModel(a).centreAt(12.3).position.east);
    EXPECT_NE(WalkModel(a).centreAt(12.3).position.east, WalkModel(b).centreAt(12.3).position.east);
    // At 45° one degree of latitude is 111131.8 m and of longitude 78846.8 m.
    const WalkModel walk(a);
    const GeoPoint p = walk.toGeodetic({78.8468, 111.1317});
    EXPECT_NEAR(p.latitude - 45.0, 0.001, 1e-7);
    EXPECT_NEAR(p.longitude - 9.0, 0.001, 1e-7);
}

TEST(SimSignal, SoilCalibratesToItsFactorAndTargetsPeakAboveThemselves) {
    SignalSettings s;
    s.noise = 0.0;
    s.targets = {{{10.0, 10.0}, 0.5, 300.0, 0.2}};
    const SignalModel model(s, 1);
    const GateValues soil = model.response({-20.0, -20.0});
    EXPECT_NEAR(soil.early / soil.late, (310.0 - 18.0) / 108.0, 1e-6);
    // Filtered over soil: near zero.
    EXPECT_NEAR(soil.early - coefficientOfFactor(310.0) * soil.late, 0.0, 1e-6);

    SignalSettings soilOnly = s;
    soilOnly.targets.clear();
    const SignalModel soilModel(soilOnly, 1);
    const auto target = [&](const SitePoint& p) {
        const GateValues all = model.response(p);
        const GateValues ground = soilModel.response(p);
        return GateValues{all.early - ground.early, all.late - ground.late};
    };
    const GateValues above = target({10.0, 10.0});
    EXPECT_NEAR(above.early, 300.0, 1e-9);
    EXPECT_NEAR(above.late, 60.0, 1e-9);
    // Falls off as the sixth power of the distance to the coil.
    EXPECT_NEAR(target({10.0 + 0.7 * 0.9, 10.0}).early, 300.0 * std::pow(1.0 / 1.49, 3), 1e-6);
    EXPECT_LT(target({13.0, 10.0}).early, 0.2);
}

TEST(SimSignal, NoiseHasTheConfiguredSpreadAndRepeatsWithTheSeed) {
    SignalSettings s;
    s.noise = 2.0;
    s.targets = {};
    SignalModel a(s, 7), b(s, 7);
    double sum = 0.0, sumSq = 0.0;
    const int n = 4000;
    for (int i = 0; i < n; ++i) {
        const double base = a.response({1, 1}).early;
        const double e = a.measure({1, 1}).early - base;
        EXPECT_EQ(b.measure({1, 1}).early - base, e);
        sum += e;
        sumSq += e * e;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.15);
    EXPECT_NEAR(std::sqrt(sumSq / n), 2.0, 0.15);
}

TEST(SimSignal, TargetListsAreReadOrRefused) {
    std::string error;
    const auto ok = parseTargets("1,2,0.5,100; 3 , 4 ,1,50,0.4\n# comment\n5,6,0,10 # trailing\n", error);
    ASSERT_TRUE(ok);
    ASSERT_EQ(ok->size(), 3u);
    EXPECT_EQ((*ok)[1].position.east, 3.0);
    EXPECT_EQ((*ok)[1].lateRatio, 0.4);
    EXPECT_EQ((*ok)[2].depth, 0.0);
    for (const char* bad : {"1,2,3", "1,2,x,4", "1,2,-1,4", "1,2,3,4,5,6", "1,,3,4", "nan,1,1,1"}) {
        error.clear();
        EXPECT_FALSE(parseTargets(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimFaults, ParsedWindowsSwitchOnAndOff) {
    std::string error;
    FaultSchedule schedule;
    const auto off = parseFault("em-off@10+3", error);
    const auto noise = parseFault("gps-noise@2.5", error);
    ASSERT_TRUE(off && noise);
    schedule.add(*off);
    schedule.add(*noise);
    EXPECT_FALSE(schedule.active(FaultKind::INSTRUMENT_OFF, 9999ms));
    EXPECT_TRUE(schedule.active(FaultKind::INSTRUMENT_OFF, 10s));
    EXPECT_FALSE(schedule.active(FaultKind::INSTRUMENT_OFF, 13s));
    EXPECT_TRUE(schedule.active(FaultKind::GPS_NOISE, 7499ms));  // default 5 s
    EXPECT_FALSE(schedule.active(FaultKind::GPS_OFF, 11s));
    EXPECT_EQ(schedule.nextChange(0s), 2500ms);
    EXPECT_EQ(schedule.nextChange(7500ms), 10s);
    EXPECT_EQ(schedule.nextChange(13s), NEVER);
    for (const char* bad : {"em-of@1", "em-off", "em-off@", "em-off@-1", "em-off@1+x", "gps-off@1+2+3"}) {
        error.clear();
        EXPECT_FALSE(parseFault(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimOptionsTest, DefaultsMatchTheProgramAndEveryOptionIsDocumented) {
    std::string error;
    const auto o = parseOptions({}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->instrumentCom, 4);
    EXPECT_EQ(o->gpsCom, 6);
    EXPECT_EQ(o->em.sensorCount, 2);
    EXPECT_EQ(o->em.answer, HandshakeAnswer::OK);
    EXPECT_EQ(o->gpsSettings.output.kind, NmeaKind::GGA);
    EXPECT_EQ(o->gpsSettings.rateHz, 1);
    EXPECT_FALSE(o->signal.targets.empty());

    const std::string help = helpText();
    for (const char* option :
         {"--programdata", "--seed", "--speed", "--duration", "--quiet", "--no-instrument", "--em-port", "--sensors",
          "--answer", "--mode", "--marker", "--current", "--battery ", "--battery-drain", "--soil-factor",
          "--soil-level", "--noise", "--targets ", "--targets-file", "--no-gps", "--gps-port", "--nmea", "--slam",
          "--grid-feet", "--rate", "--quality", "--satellites", "--dilution", "--extra", "--utc", "--origin",
          "--site", "--line-spacing", "--walk-speed", "--antenna-offset", "--fault", "em-off", "em-noise",
          "em-unplug", "gps-off", "gps-bad-checksum", "gps-no-dollar", "gps-long-line", "gps-noise", "gps-unplug"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(SimOptionsTest, ValuesAreReadAndNonsenseRefused) {
    std::string error;
    const auto o = parseOptions({"--sensors", "1", "--answer", "OV", "--nmea", "7", "--slam", "--rate", "20",
                                 "--utc", "23:59:30", "--origin", "-33.5,151.25", "--antenna-offset", "0.5,-1",
                                 "--fault", "gps-unplug@3+2", "--targets", "1,1,1,100", "--speed", "10"},
                                error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->em.sensorCount, 1);
    EXPECT_EQ(o->em.answer, HandshakeAnswer::OV);
    EXPECT_EQ(o->gpsSettings.output.kind, NmeaKind::PSEUDO_GGA);
    EXPECT_TRUE(o->gpsSettings.output.slamFields);
    EXPECT_EQ(o->gpsSettings.rateHz, 20);
    EXPECT_EQ(o->gpsSettings.utcStart, 86370.0);
    EXPECT_EQ(o->walk.origin.latitude, -33.5);
    EXPECT_EQ(o->walk.antennaOffsetY, -1.0);
    EXPECT_TRUE(o->faults.active(FaultKind::GPS_UNPLUG, 4s));
    EXPECT_EQ(o->signal.targets.size(), 1u);
    EXPECT_EQ(o->speed, 10.0);

    const std::vector<std::vector<std::string>> refused{
        {"--rate", "2"},          {"--nmea", "9"},        {"--sensors", "3"},  {"--answer", "ok"},
        {"--em-port", "0"},       {"--gps-port", "61"},   {"--speed", "0"},    {"--utc", "24:00:00"},
        {"--origin", "95,0"},     {"--mode", "X"},        {"--bogus"},         {"--seed"},
        {"--em-port", "6"},       {"--extra", "gsv"},     {"--targets-file", "/nonexistent/targets"},
    };
    for (const auto& args : refused) {
        error.clear();
        EXPECT_FALSE(parseOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

}  // namespace
}  // namespace velox::sim
