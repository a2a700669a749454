#include "tools/sim/sim_options.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace velox::sim {

namespace {

bool readDouble(const std::string& text, double& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool readInt(const std::string& text, long long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool readPair(const std::string& text, double& first, double& second) {
    const size_t comma = text.find(',');
    return comma != std::string::npos && readDouble(text.substr(0, comma), first) &&
           readDouble(text.substr(comma + 1), second);
}

bool readClock(const std::string& text, double& seconds) {
    int h = 0, m = 0;
    double s = 0.0;
    char c1 = 0, c2 = 0;
    std::istringstream in(text);
    if (!(in >> h >> c1 >> m >> c2 >> s) || c1 != ':' || c2 != ':' || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 ||
        s >= 60)
        return false;
    seconds = h * 3600.0 + m * 60.0 + s;
    return true;
}

bool readWindow(const std::string& text, TimeWindow& window) {
    double start = 0.0, duration = 0.0;
    const size_t plus = text.find('+');
    if (plus == std::string::npos || !readDouble(text.substr(0, plus), start) ||
        !readDouble(text.substr(plus + 1), duration) || start < 0 || duration < 0)
        return false;
    window = {fromSeconds(start), fromSeconds(start + duration)};
    return true;
}

void useWallClock(GpsSettings& gps) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    gps.utcStart = utc.tm_hour * 3600.0 + utc.tm_min * 60.0 + utc.tm_sec;
    gps.day = utc.tm_mday;
    gps.month = utc.tm_mon + 1;
    gps.year = utc.tm_year + 1900;
}

}  // namespace

std::string helpText() {
    return R"(velox-sim: stands in for an EM61-LX2 instrument and a GPS receiver on
pseudo-terminals registered in the serial port map <root>/Halvik/Ports/COM<n>
(<root> = $PROGRAMDATA, else $XDG_DATA_HOME, else ~/.local/share). Runs until
SIGINT or SIGTERM and then removes its port map entries. Times are seconds of
simulated time. Press "m" on its terminal to hold the instrument's marker.

General:
  --help                    this text
  --programdata DIR         use DIR as <root>
  --seed N                  seed of the noise and the walk's unsteadiness (1)
  --speed F                 run F times faster than real time (1)
  --duration S              stop after S simulated seconds (run until stopped)
  --quiet                   print nothing but errors

Instrument (EM61-LX2):
  --no-instrument           no instrument port
  --em-port N               serial port COM<N> (4)
  --sensors 1|2             one sensor or two side by side (2)
  --answer OK|OV|none       answer to "H","X" (OK); "none" streams without answering
  --mode T|D|E|F            mode letter of the frames (T); the marker gives M, N, P, Q
  --marker START+DURATION   hold the marker during this time (repeatable)
  --current COUNTS          transmitter current (1536; above 2212 is high power)
  --battery VOLTS           battery at the start (12.5)
  --battery-drain V         volts lost per hour (0.2)

Signal:
  --soil-factor F           filter factor the soil calibrates to (310)
  --soil-level MV           early-gate soil response (30)
  --noise MV                noise per gate, standard deviation (0.5)
  --targets LIST            buried objects "east,north,depth,strength[,lateRatio]"
                            separated by ";" in site metres and early-gate mV
  --targets-file PATH       the same, one object per line, "#" comments
                            (without either: four objects on the default site)

GPS receiver:
  --no-gps                  no GPS port
  --gps-port N              serial port COM<N> (6)
  --nmea N                  sentence kind as nmeaData: 0 GGA/GSA, 1 GGA, 2 POS,
                            3 LLK, 4 LLQ, 5 GLL, 6 GGK, 7 pseudo-GGA, 8 pseudo-GLL (1)
  --slam                    pseudo-GGA with SLAM fields and checksum (with --nmea 7)
  --grid-feet               pseudo-GGA coordinates in feet (unit letter F)
  --rate HZ                 epochs per second: 1, 5, 10 or 20 (1)
  --quality Q               fix quality on the GGA scale (2, DGPS)
  --satellites N            satellites in use (9)
  --dilution D              dilution of precision (1.2)
  --extra rmc,vtg           also send RMC and/or VTG every epoch
  --utc HH:MM:SS            UTC at the start (the current time)
  Local grid kinds report site metres plus easting 1000, northing 5000.

Walk:
  --origin LAT,LON          south-west corner of the site in degrees (45,9)
  --site WIDTH,LENGTH       site size in metres east and north (30,40)
  --line-spacing M          distance between lines (2)
  --walk-speed M/S          walking speed (1)
  --antenna-offset X,Y      GPS antenna from the sensors' centre: X to the right,
                            Y ahead, metres (0,0)

Faults (repeatable): --fault KIND@START[+DURATION]  (duration 5 s by default)
  em-off            instrument switched off; back on it waits for "H","X" again
  em-noise          random bytes on the instrument port
  em-unplug         instrument port closed, later a new one registered
  gps-off           no sentences
  gps-bad-checksum  wrong checksums
  gps-no-dollar     lines without "$"
  gps-long-line     an over-long line before every epoch
  gps-noise         random bytes on the GPS port
  gps-unplug        GPS port closed, later a new one registered
)";
}

std::optional<SimOptions> parseOptions(const std::vector<std::string>& args, std::string& error) {
    SimOptions o;
    bool utcGiven = false;
    bool targetsGiven = false;
    using Handler = std::function<bool(const std::string&)>;
    const std::map<std::string, Handler> withValue{
        {"--programdata", [&](const std::string& v) { o.programData = v; return !v.empty(); }},
        {"--seed", [&](const std::string& v) { long long n; return readInt(v, n) && (o.seed = uint64_t(n), true); }},
        {"--speed", [&](const std::string& v) { return readDouble(v, o.speed) && o.speed > 0 && o.speed <= 1000; }},
        {"--duration", [&](const std::string& v) { return readDouble(v, o.duration) && o.duration >= 0; }},
        {"--em-port", [&](const std::string& v) { long long n; return readInt(v, n) && n >= 1 && n <= 60 && (o.instrumentCom = int(n), true); }},
        {"--sensors", [&](const std::string& v) { return (v == "1" || v == "2") && (o.em.sensorCount = v[0] - '0', true); }},
        {"--answer", [&](const std::string& v) {
             if (v == "OK") o.em.answer = HandshakeAnswer::OK;
             else if (v == "OV") o.em.answer = HandshakeAnswer::OV;
             else if (v == "none") o.em.answer = HandshakeAnswer::NONE;
             else return false;
             return true;
         }},
        {"--mode", [&](const std::string& v) { return v.size() == 1 && std::string("TDEF").find(v[0]) != std::string::npos && (o.em.mode = v[0], true); }},
        {"--marker", [&](const std::string& v) { TimeWindow w; return readWindow(v, w) && (o.em.markerPressed.push_back(w), true); }},
        {"--current", [&](const std::string& v) { long long n; return readInt(v, n) && n > 0 && n <= 32767 && (o.em.currentCounts = int(n), true); }},
        {"--battery", [&](const std::string& v) { return readDouble(v, o.em.batteryVolts) && o.em.batteryVolts >= 0 && o.em.batteryVolts < 38; }},
        {"--battery-drain", [&](const std::string& v) { return readDouble(v, o.em.batteryDrainPerHour) && o.em.batteryDrainPerHour >= 0; }},
        {"--soil-factor", [&](const std::string& v) { return readDouble(v, o.signal.soilFactor) && o.signal.soilFactor > 18; }},
        {"--soil-level", [&](const std::string& v) { return readDouble(v, o.signal.soilEarly); }},
        {"--noise", [&](const std::string& v) { return readDouble(v, o.signal.noise) && o.signal.noise >= 0; }},
        {"--targets", [&](const std::string& v) {
             auto t = parseTargets(v, error);
             return t && (o.signal.targets.insert(o.signal.targets.end(), t->begin(), t->end()), targetsGiven = true);
         }},
        {"--targets-file", [&](const std::string& v) {
             std::ifstream in(v);
             if (!in) { error = "cannot read " + v; return false; }
             std::stringstream text;
             text << in.rdbuf();
             auto t = parseTargets(text.str(), error);
             return t && (o.signal.targets.insert(o.signal.targets.end(), t->begin(), t->end()), targetsGiven = true);
         }},
        {"--gps-port", [&](const std::string& v) { long long n; return readInt(v, n) && n >= 1 && n <= 60 && (o.gpsCom = int(n), true); }},
        {"--nmea", [&](const std::string& v) { long long n; return readInt(v, n) && n >= 0 && n <= 8 && (o.gpsSettings.output.kind = NmeaKind(n), true); }},
        {"--rate", [&](const std::string& v) { long long n; return readInt(v, n) && validGpsRate(int(n)) && (o.gpsSettings.rateHz = int(n), true); }},
        {"--quality", [&](const std::string& v) { long long n; return readInt(v, n) && n >= 0 && n <= 9 && (o.gpsSettings.quality = int(n), true); }},
        {"--satellites", [&](const std::string& v) { long long n; return readInt(v, n) && n >= 0 && n <= 99 && (o.gpsSettings.satellites = int(n), true); }},
        {"--dilution", [&](const std::string& v) { return readDouble(v, o.gpsSettings.dilution) && o.gpsSettings.dilution >= 0 && o.gpsSettings.dilution < 100; }},
        {"--extra", [&](const std::string& v) {
             std::istringstream in(v);
             for (std::string item; std::getline(in, item, ',');) {
                 if (item == "rmc") o.gpsSettings.output.withRmc = true;
                 else if (item == "vtg") o.gpsSettings.output.withVtg = true;
                 else return false;
             }
             return true;
         }},
        {"--utc", [&](const std::string& v) { return readClock(v, o.gpsSettings.utcStart) && (utcGiven = true); }},
        {"--origin", [&](const std::string& v) {
             return readPair(v, o.walk.origin.latitude, o.walk.origin.longitude) && std::abs(o.walk.origin.latitude) < 84 &&
                    std::abs(o.walk.origin.longitude) <= 180;
         }},
        {"--site", [&](const std::string& v) { return readPair(v, o.walk.siteWidth, o.walk.siteLength) && o.walk.siteWidth >= 0 && o.walk.siteLength >= 1; }},
        {"--line-spacing", [&](const std::string& v) { return readDouble(v, o.walk.lineSpacing) && o.walk.lineSpacing >= 0.1; }},
        {"--walk-speed", [&](const std::string& v) { return readDouble(v, o.walk.speed) && o.walk.speed > 0 && o.walk.speed < 50; }},
        {"--antenna-offset", [&](const std::string& v) { return readPair(v, o.walk.antennaOffsetX, o.walk.antennaOffsetY); }},
        {"--fault", [&](const std::string& v) { auto f = parseFault(v, error); return f && (o.faults.add(*f), true); }},
    };
    const std::map<std::string, std::function<void()>> flags{
        {"--help", [&] { o.help = true; }},
        {"-h", [&] { o.help = true; }},
        {"--quiet", [&] { o.quiet = true; }},
        {"--no-instrument", [&] { o.instrument = false; }},
        {"--no-gps", [&] { o.gps = false; }},
        {"--slam", [&] { o.gpsSettings.output.slamFields = true; }},
        {"--grid-feet", [&] { o.gpsSettings.output.gridInFeet = true; }},
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const auto flag = flags.find(arg); flag != flags.end()) {
            flag->second();
            continue;
        }
        const auto option = withValue.find(arg);
        if (option == withValue.end()) {
            error = "unknown option " + arg + " (see --help)";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        error.clear();
        if (!option->second(args[++i])) {
            if (error.empty()) error = "bad value for " + arg + ": \"" + args[i] + "\"";
            return std::nullopt;
        }
    }
    if (o.instrument && o.gps && o.instrumentCom == o.gpsCom) {
        error = "the instrument and the GPS receiver need different ports";
        return std::nullopt;
    }
    if (!utcGiven) useWallClock(o.gpsSettings);
    if (!targetsGiven) o.signal.targets = defaultTargets();
    return o;
}

}  // namespace velox::sim
