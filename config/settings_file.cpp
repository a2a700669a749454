#include "config/settings_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "config/survey_context.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace velox {

namespace {

// A line longer than this holds no value of ours; the rest is skipped.
constexpr size_t kMaxLineBytes = 4096;

template <size_t N, typename T>
void addAll(std::vector<SettingLine>& lines, std::array<T, N>& values, size_t count = N) {
    for (size_t i = 0; i < count && i < N; ++i) lines.emplace_back(&values[i]);
}

void addGpsPortLines(std::vector<SettingLine>& l, SurveyConfig& c) {
    l.insert(l.end(), {&c.gpsInput, &c.nmeaData, &c.gpsPort, &c.gpsBaudIndex, &c.gpsDataBitsIndex, &c.gpsParityIndex,
                       &c.gpsStopBitsIndex});
}

void addMapAndMaskLines(std::vector<SettingLine>& l, SurveyConfig& c) {
    l.insert(l.end(), {&c.cursorSize, &c.positionSize, &c.cursorColour, &c.positionColour});
    l.emplace_back(&c.gridInterval);
    l.emplace_back(&c.mapSize);
    l.insert(l.end(), {SettingLine(&c.gridType), SettingLine(&c.linesAngle), SettingLine(&c.cursorBandIndex),
                       SettingLine(&c.coordinatesDisplay), SettingLine(&c.gpsMaskWarning),
                       SettingLine(&c.gpsMaskQuality), SettingLine(&c.gpsMaskSatellites),
                       SettingLine(&c.gpsMaskDilution), SettingLine(&c.spareValue)});
}

void addLineSequenceLines(std::vector<SettingLine>& l, SurveyConfig& c) {
    l.emplace_back(TextSetting{&c.surveyLine, kSurveyLineLimit});
    l.insert(l.end(), {SettingLine(&c.lineIncrement), SettingLine(&c.lineSequence), SettingLine(&c.lineDirection),
                       SettingLine(&c.startStation)});
}

void addBackgroundLines(std::vector<SettingLine>& l, SurveyConfig& c) {
    l.insert(l.end(), {&c.backgroundFileType, &c.backgroundPositionsDisplay, &c.backgroundCoordinatesType,
                       &c.backgroundEastingColumn, &c.backgroundNorthingColumn, &c.backgroundLabelsColumn,
                       &c.backgroundDelimiter});
}

void addFolderLines(std::vector<SettingLine>& l, SurveyConfig& c) {
    l.emplace_back(TextSetting{&c.dataFolder, kFolderTextLimit});
    l.emplace_back(TextSetting{&c.backgroundFolder, kFolderTextLimit});
}

std::vector<SettingLine> em61Lx2Layout(SurveyConfig& c) {
    std::vector<SettingLine> l;
    addFolderLines(l, c);
    l.insert(l.end(), {&c.sensorCountIndex, &c.instrumentEnabled, &c.sensorSize, &c.mapUnits, &c.speedUnits,
                       &c.instrumentPort, &c.audioTicks, &c.audioDisconnectAlarm, &c.audioGpsMaskWarning,
                       &c.pauseKey, &c.colourMapView, &c.instrumentModel});
    addAll(l, c.profileLineWidth);
    addAll(l, c.profileColour);
    l.emplace_back(&c.profileScaleMode);
    l.insert(l.end(), {&c.readingScaleMin, &c.readingScaleMax});
    addGpsPortLines(l, c);
    l.emplace_back(&c.speedScaleMax);
    l.emplace_back(&c.geometryUnits);
    l.insert(l.end(), {&c.gpsOffsetX, &c.gpsOffsetY});
    l.insert(l.end(), {&c.surveyMode, &c.swathWidthIndex});
    l.insert(l.end(), {&c.stationIncrementAuto, &c.stationIncrementWheel, &c.stationIncrementManual,
                       &c.readingPeriod});
    addLineSequenceLines(l, c);
    addMapAndMaskLines(l, c);
    l.emplace_back(&c.nullApply);
    addAll(l, c.lastNullValues);
    addBackgroundLines(l, c);
    l.insert(l.end(), {&c.alarmType, &c.alarmAudio, &c.alarmChannel, &c.alarmAnomalyWidth});
    l.insert(l.end(), {&c.alarmLevel, &c.alarmMinLevel, &c.alarmMaxLevel});
    l.insert(l.end(), {&c.alarmDescendingReadings, &c.pseudoGgaSlam, &c.rtsUnits, &c.softMarkerKey});
    l.insert(l.end(), {&c.filterFactorLeft, &c.filterFactorRight});
    return l;
}

// EM61-MK2, EM31-MK2, EM38, EM34-3 and EM38-MK2 share one layout with lines
// that only some of them have.
std::vector<SettingLine> sharedLayout(InstrumentType type, SurveyConfig& c) {
    const bool mk2 = type == InstrumentType::Em61Mk2;
    const bool em34 = type == InstrumentType::Em34_3;
    std::vector<SettingLine> l;
    addFolderLines(l, c);
    l.insert(l.end(), {&c.instrumentEnabled, &c.sensorSize, &c.mapUnits, &c.speedUnits, &c.instrumentPort,
                       &c.audioTicks, &c.audioDisconnectAlarm, &c.audioGpsMaskWarning, &c.pauseKey,
                       &c.colourMapView});
    l.emplace_back(mk2 ? &c.instrumentModel
                       : type == InstrumentType::Em38Mk2 ? &c.em38Mk2Model : &c.conductivityModel);
    addAll(l, c.profileLineWidth);
    addAll(l, c.profileColour);
    l.emplace_back(&c.profileScaleMode);
    l.insert(l.end(), {&c.readingScaleMin, &c.readingScaleMax});
    if (!mk2) l.insert(l.end(), {&c.inphaseScaleMin, &c.inphaseScaleMax});
    addGpsPortLines(l, c);
    l.emplace_back(&c.speedScaleMax);
    l.emplace_back(&c.geometryUnits);
    l.insert(l.end(), {&c.gpsOffsetX, &c.gpsOffsetY});
    if (em34) l.emplace_back(&c.em34Reference);
    l.emplace_back(&c.surveyMode);
    if (!mk2) l.insert(l.end(), {&c.component, &c.dipoleMode});
    if (em34) l.emplace_back(&c.samplesPerReading);
    l.emplace_back(&c.swathWidthIndex);
    l.insert(l.end(), {&c.stationIncrementAuto, &c.stationIncrementWheel, &c.stationIncrementManual,
                       &c.readingPeriod});
    addLineSequenceLines(l, c);
    addMapAndMaskLines(l, c);
    if (mk2) {
        l.emplace_back(&c.nullApply);
        addAll(l, c.lastNullValues);
    }
    if (type == InstrumentType::Em38Mk2) addAll(l, c.em38Mk2Calibration);
    addBackgroundLines(l, c);
    l.insert(l.end(), {&c.pseudoGgaSlam, &c.rtsUnits});
    return l;
}

std::vector<SettingLine> grad601Layout(SurveyConfig& c) {
    std::vector<SettingLine> l;
    addFolderLines(l, c);
    l.insert(l.end(), {&c.instrumentEnabled, &c.sensorCountIndex, &c.swathWidthIndex});
    l.emplace_back(&c.sensorSeparation);
    l.insert(l.end(), {&c.sensorSize, &c.mapUnits, &c.speedUnits, &c.instrumentPort, &c.audioTicks,
                       &c.audioDisconnectAlarm, &c.audioGpsMaskWarning, &c.pauseKey, &c.colourMapView});
    addAll(l, c.profileLineWidth, 2);
    addAll(l, c.profileColour, 2);
    l.insert(l.end(), {&c.readingScaleMin, &c.readingScaleMax});
    addGpsPortLines(l, c);
    l.emplace_back(&c.speedScaleMax);
    l.emplace_back(&c.geometryUnits);
    l.insert(l.end(), {&c.gpsOffsetX, &c.gpsOffsetY});
    // swathWidthIndex appears a second time; being read later, this one counts.
    l.insert(l.end(), {&c.surveyMode, &c.swathWidthIndex});
    l.emplace_back(&c.stationIncrementAuto);
    addLineSequenceLines(l, c);
    addMapAndMaskLines(l, c);
    addBackgroundLines(l, c);
    l.emplace_back(&c.softMarkerKey);
    return l;
}

std::string formatLine(const SettingLine& line) {
    char buffer[512];
    if (auto* i = std::get_if<int*>(&line)) {
        std::snprintf(buffer, sizeof buffer, "%d", **i);
    } else if (auto* l = std::get_if<long*>(&line)) {
        std::snprintf(buffer, sizeof buffer, "%ld", **l);
    } else if (auto* d = std::get_if<double*>(&line)) {
        // A value too large for its line is no setting anybody made.
        const double v = std::isfinite(**d) && std::fabs(**d) < 1e15 ? **d : 0.0;
        std::snprintf(buffer, sizeof buffer, "%f", v);
    } else {
        const TextSetting& t = std::get<TextSetting>(line);
        return toStoredBytes(std::u16string_view(*t.text).substr(0, t.limit));
    }
    return buffer;
}

void storeLine(const SettingLine& line, const std::string& text) {
    if (auto* i = std::get_if<int*>(&line)) {
        const long v = parseSettingInteger(text);
        **i = static_cast<int>(std::clamp<long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    } else if (auto* l = std::get_if<long*>(&line)) {
        **l = parseSettingInteger(text);
    } else if (auto* d = std::get_if<double*>(&line)) {
        **d = parseSettingDouble(text);
    } else {
        const TextSetting& t = std::get<TextSetting>(line);
        // A stored text ends at its first NUL, as it always did.
        std::string bytes = text.substr(0, text.find('\0'));
        *t.text = fromStoredBytes(std::string_view(bytes).substr(0, t.limit));
    }
}

// Splits off the next line at LF, dropping a CR before it. Returns false at
// the end of the data.
bool nextLine(const std::string& data, size_t& pos, std::string& line) {
    if (pos >= data.size()) return false;
    size_t end = data.find('\n', pos);
    if (end == std::string::npos) end = data.size();
    size_t length = end - pos;
    if (length > 0 && data[pos + length - 1] == '\r' && end < data.size()) --length;
    line.assign(data, pos, std::min(length, kMaxLineBytes));
    pos = end + 1;
    return true;
}

// Skips leading blanks and an optional sign; returns the position of the
// first digit or decimal point, or npos when none follows.
size_t numberStart(const std::string& line, bool& negative) {
    size_t pos = line.find_first_not_of(" \t");
    negative = false;
    if (pos != std::string::npos && (line[pos] == '+' || line[pos] == '-')) negative = line[pos++] == '-';
    if (pos >= line.size()) return std::string::npos;
    const char c = line[pos];
    return c == '.' || (c >= '0' && c <= '9') ? pos : std::string::npos;
}

bool writeFileWhole(const std::filesystem::path& path, const std::string& content) {
    // Written beside the old file and renamed over it, so that a power cut
    // in the middle of a save never leaves a half file.
    const std::filesystem::path temp = path.string() + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool ok = done == content.size() && ::fsync(fd) == 0;
    ::close(fd);
    std::error_code ec;
    if (!ok) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

}  // namespace

std::vector<SettingLine> settingsLayout(InstrumentType type, SurveyConfig& config) {
    if (type == InstrumentType::Em61Lx2) return em61Lx2Layout(config);
    if (isGrad601(type)) return grad601Layout(config);
    return sharedLayout(type, config);
}

std::string settingsVersionTag(const Variant& variant) { return "Ver" + versionString(variant); }

long parseSettingInteger(const std::string& line) {
    bool negative = false;
    const size_t pos = numberStart(line, negative);
    if (pos == std::string::npos) return 0;
    long value = 0;
    const auto [end, ec] = std::from_chars(line.data() + pos, line.data() + line.size(), value);
    if (ec == std::errc::result_out_of_range)
        return negative ? std::numeric_limits<long>::min() : std::numeric_limits<long>::max();
    if (ec != std::errc()) return 0;
    return negative ? -value : value;
}

double parseSettingDouble(const std::string& line) {
    bool negative = false;
    const size_t pos = numberStart(line, negative);
    if (pos == std::string::npos) return 0.0;
    // Plain decimal numbers only: "nan", "inf" and hexadecimal never got here.
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(line.data() + pos, line.data() + line.size(), value, std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

std::string formatSettings(const Variant& variant, const SurveyConfig& config) {
    SurveyConfig copy = config;  // the layout binds to fields it could write
    std::string out = settingsVersionTag(variant) + "\r\n";
    for (const SettingLine& line : settingsLayout(variant.instrumentType, copy)) out += formatLine(line) + "\r\n";
    return out;
}

void parseSettingsLines(InstrumentType type, const std::string& body, SurveyConfig& config) {
    size_t pos = 0;
    std::string text;
    for (const SettingLine& line : settingsLayout(type, config)) {
        if (!nextLine(body, pos, text)) break;
        storeLine(line, text);
    }
}

bool saveSettings(const Variant& variant, SurveyConfig& config) {
    if (variant.productLine == ProductLine::Orv) config.colourMapView = 0;
    const std::filesystem::path path = settingsFilePath(settingsStem(variant));
    // A missing settings folder would lose every setting silently.
    ensureFolder(path.parent_path());
    return writeFileWhole(path, formatSettings(variant, config));
}

void resetSettings(const Variant& variant) {
    std::error_code ec;
    std::filesystem::remove(settingsFilePath(settingsStem(variant)), ec);
}

SettingsOutcome loadSettings(const Variant& variant, SurveyConfig& config, SurveyContext& context) {
    const std::filesystem::path path = settingsFilePath(settingsStem(variant));
    SettingsOutcome outcome = SettingsOutcome::Loaded;

    std::ifstream in(path, std::ios::binary);
    if (!in) {
        outcome = saveSettings(variant, config) ? SettingsOutcome::CreatedDefaults : SettingsOutcome::NotStored;
    } else {
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        size_t pos = 0;
        std::string tag;
        nextLine(data, pos, tag);
        if (tag != settingsVersionTag(variant)) {
            resetSettings(variant);
            outcome = saveSettings(variant, config) ? SettingsOutcome::ReplacedOtherVersion
                                                    : SettingsOutcome::NotStored;
        } else {
            parseSettingsLines(variant.instrumentType, data.substr(std::min(pos, data.size())), config);
        }
    }

    if (!config.instrumentEnabled || variant.productLine == ProductLine::Orv) config.colourMapView = 0;
    if (isGrad601(variant.instrumentType)) config.geometryUnits = 0;
    deriveSettingsValues(variant, config, context);
    if (variant.instrumentType == InstrumentType::Em61Lx2) {
        context.derived.previousFilterFactorLeft = config.filterFactorLeft;
        context.derived.previousFilterFactorRight = config.filterFactorRight;
    }
    return outcome;
}

}  // namespace velox
