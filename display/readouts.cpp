#include "display/readouts.h"

#include <algorithm>

#include "logging/logging_control.h"
#include "platform/text.h"

namespace velox {

namespace {

constexpr int kFieldGap = 2;   // between a label and its value
constexpr int kSharedGap = 8;  // between fields that share a line
constexpr int kStatusX = 21;
constexpr int kButtonClearance = 10;  // between texts and the button row beside them

LoggingState stateOfKind(int kind) {
    switch (kind) {
        case 2: return LoggingState::StandBy;
        case 3: return LoggingState::Logging;
        default: return LoggingState::Monitoring;
    }
}

std::string em61Lx2Caption(int view) {
    static const char* const kNames[] = {"Ch E", "Ch L", "Ch F"};
    return view >= 1 && view <= 3 ? kNames[view - 1] : "";
}

std::string em61Mk2Caption(int view) {
    static const char* const kNames[] = {"Channel 1", "Channel 2", "Channel 3", "Channel 4/T"};
    return view >= 1 && view <= 4 ? kNames[view - 1] : "";
}

std::string em38Mk2Caption(int view) {
    static const char* const kNames[] = {"Conductivity 1 m", "Inphase 1 m", "Conductivity 0.5 m", "Inphase 0.5 m"};
    return view >= 1 && view <= 4 ? kNames[view - 1] : "";
}

std::string liveCaption(const ChannelCaptionInput& in) {
    switch (in.instrument) {
        case InstrumentType::Em61Lx2: return em61Lx2Caption(in.colourMapView);
        case InstrumentType::Em61Mk2: return em61Mk2Caption(in.colourMapView);
        case InstrumentType::Em31Mk2:
            return in.colourMapView == 1 ? "Conductivity" : in.colourMapView == 2 ? "Inphase" : "";
        case InstrumentType::Em38: {
            const std::string kind = in.component == 1 ? "Inphase" : "Conductivity";
            return kind + (in.dipoleMode == 1 ? " HDM" : " VDM");
        }
        case InstrumentType::Em38Mk2: return em38Mk2Caption(in.colourMapView);
        default: return "";
    }
}

std::string reviewCaption(const ChannelCaptionInput& in) {
    const int v = in.colourMapView;
    switch (in.instrument) {
        case InstrumentType::Em61Lx2: {
            static const char* const kNames[] = {"Review ChE", "Review ChL", "Review ChF"};
            return v >= 1 && v <= 3 ? kNames[v - 1] : "Review";
        }
        case InstrumentType::Em61Mk2: {
            static const char* const kNames[] = {"Review Ch1", "Review Ch2", "Review Ch3", "Review Ch4/T"};
            return v >= 1 && v <= 4 ? kNames[v - 1] : "Review";
        }
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em38:
            return v == 1 ? "Review Conductivity" : v == 2 ? "Review Inphase" : "Review";
        case InstrumentType::Em38Mk2: {
            const std::string live = em38Mk2Caption(v);
            return live.empty() ? "Review" : "Review " + live;
        }
        default: return "Review";
    }
}

std::string dipoleLabel(int dipoleMode) { return dipoleMode == 1 ? "Dipole: Horiz." : "Dipole: Vertical"; }

// Lays out fields in reading order: left to right, a new line when the next
// field would pass the region's right edge, the next region when the lines of
// one are used up.
class FieldFlow {
public:
    FieldFlow(std::vector<Rect> regions, int lineHeight, const TextWidth& width)
        : regions_(std::move(regions)), lh_(lineHeight), width_(width) {
        // A place without room for one line takes nothing; the last one takes what is left.
        while (regions_.size() > 1 && regions_.front().height < lh_) regions_.erase(regions_.begin());
        if (regions_.empty()) regions_.push_back({});
        x_ = regions_[0].x;
        y_ = regions_[0].y;
    }
    // `ownLine` starts the field on a new line.
    InfoField place(std::string label, std::string_view valueTemplate, bool bold, bool ownLine) {
        const int labelWidth = label.empty() ? 0 : width_(label, ReadoutFont::Information);
        const int valueWidth = width_(valueTemplate, bold ? ReadoutFont::InformationBold : ReadoutFont::Information);
        const int fieldWidth = labelWidth + (labelWidth ? kFieldGap : 0) + valueWidth;
        if (x_ > region().x && (ownLine || x_ + fieldWidth > region().right())) newLine();
        InfoField field{std::move(label), {x_, y_, labelWidth, lh_}, {}, bold};
        field.valueRect = {x_ + labelWidth + (labelWidth ? kFieldGap : 0), y_, valueWidth, lh_};
        if (field.valueRect.right() > region().right() || field.valueRect.bottom() > region().bottom()) fits_ = false;
        if (used_.size() <= current_) used_.resize(current_ + 1, field.labelRect);
        extend(used_[current_], field.labelRect);
        extend(used_[current_], field.valueRect);
        x_ = field.valueRect.right() + kSharedGap;
        return field;
    }
    // The rectangles around the fields placed, one per region used.
    const std::vector<Rect>& used() const { return used_; }
    // False once a field ran past the right or bottom edge of its region.
    bool fits() const { return fits_; }

private:
    const Rect& region() const { return regions_[current_]; }
    void newLine() {
        y_ += lh_;
        if (y_ + lh_ > region().bottom() && current_ + 1 < regions_.size()) {
            ++current_;
            y_ = region().y;
        }
        x_ = region().x;
    }
    static void extend(Rect& around, const Rect& r) {
        const int left = std::min(around.x, r.x);
        const int top = std::min(around.y, r.y);
        const int right = std::max(around.right(), r.right());
        const int bottom = std::max(around.bottom(), r.bottom());
        around = {left, top, right - left, bottom - top};
    }

    std::vector<Rect> regions_;
    std::size_t current_ = 0;
    int lh_;
    const TextWidth& width_;
    int x_ = 0;
    int y_ = 0;
    std::vector<Rect> used_;
    bool fits_ = true;
};

}  // namespace

// Under the speed bar, centred on the part of the bar that has no button below it.
Rect speedCaptionRect(const LoggingLayout& l, int captionWidth) {
    const Rect& bar = l.speedBar;
    const int top = bar.bottom() + 1;
    const int lh = l.lineHeight;
    int right = bar.right();
    const Rect& buttons = l.buttonArea;
    const bool buttonsOnCaptionLine = buttons.y < top + lh && top < buttons.bottom();
    if (buttonsOnCaptionLine && buttons.x < right) right = std::max(bar.x, buttons.x - kButtonClearance);
    return {bar.x + (right - bar.x - captionWidth) / 2, top, captionWidth, lh};
}

// Where the information block goes: the free space under or beside the profile.
Rect informationRegion(const LoggingLayout& l) {
    const int lh = l.lineHeight;
    const int bottom = l.clientHeight - kStatusBand;
    if (!l.portrait && l.mapShown) {
        // Under the profile, above the buttons.
        const int top = l.profileArea.bottom() + 4;
        return {l.profileArea.x, top, l.numbers.x - 20 - l.profileArea.x, l.buttonArea.y - 2 - top};
    }
    if (!l.portrait) {
        // Left of the button row, under the speed caption (the line above the speed bar comes first).
        const int top = speedCaptionRect(l, 0).bottom();
        return {l.profileArea.x, top, l.buttonArea.x - kButtonClearance - l.profileArea.x, bottom - top};
    }
    if (l.mapShown) {
        // The strip left of the map view buttons.
        const int left = l.profileArea.x;
        return {left, l.buttonArea.y, l.mapButtons[MAP_LEFT].x - 10 - left, bottom - l.buttonArea.y};
    }
    // Left of the bar area, under the speed caption.
    const int top = l.speedBar.bottom() + lh + 3;
    return {l.profileArea.x, top, l.barArea.x - 20 - l.profileArea.x, l.buttonArea.y - 4 - top};
}

// Portrait: the lines above the numbers pane.
Rect instrumentStatusRegion(const LoggingLayout& l) {
    const Rect& n = l.numbers;
    if (l.portrait) {
        const int top = l.barArea.y;
        return {n.x, top, n.width, n.y - 2 - top};
    }
    return {};
}

std::vector<std::string> informationWidestLines() {
    return {"Lat: W-888 88 88.888888", "Station:       -8888888.88", "Positions: 88888   Sat: 33"};
}

namespace {

// The narrow block counts stations, the wide one shows the logging time;
// short fields share a line where the block is wide enough.
void placeInformation(ReadoutLayout& r, const ReadoutInput& in, const Rect& region, const TextWidth& width) {
    const bool wide = r.wideBlock;
    std::vector<Rect> regions{region};
    const LoggingLayout& l = in.layout;
    if (!l.portrait && !l.mapShown) {
        // The line between the profile and the speed bar (one line high), across the profile's width.
        const int top = l.profileArea.bottom();
        regions.insert(regions.begin(), {l.profileArea.x, top, l.profileArea.width, l.speedBar.y - top});
    }
    FieldFlow flow(regions, l.lineHeight, width);
    auto put = [&](InfoSlot slot, std::string label, std::string_view valueTemplate, bool ownLine, bool bold = false) {
        r.fields[slot] = flow.place(std::move(label), valueTemplate, bold, ownLine);
        r.used[slot] = true;
    };
    put(INFO_LINE, "Curr. Line:", "888888888888", true);
    put(INFO_STATION, "Station:      ", "-8888888.88", !wide, true);
    if (wide) put(INFO_TIME, "Tot. Time:", "00:00:00", false);
    else put(INFO_STATIONS, "Tot. Stns:", "8888888", true);
    if (!in.gpsInput) {
        r.gpsDisabledLabel = std::string(GPS_DISABLED_TEXT);
        put(INFO_POSITIONS, r.gpsDisabledLabel, "", true);
        r.used[INFO_POSITIONS] = false;  // the label alone
    } else {
        put(INFO_POSITIONS, "Positions: ", "88888", true);
        put(INFO_SATELLITES, "Sat:", "33", false);
        put(INFO_QUALITY, "", "PHASE", !wide);
        put(INFO_DILUTION, dilutionLabel(in.dilution), "88.8", false);
        const auto labels = coordinateLabels(in.geodeticDisplay);
        const std::string_view value = in.geodeticDisplay ? "W-888 88 88.888888" : "-88888888.88 USft";
        put(INFO_COORD1, labels[0], value, !wide);
        put(INFO_COORD2, labels[1], value, !wide);
    }
    r.information = flow.used();
    if (in.instrument == InstrumentType::Em61Lx2 && in.instrumentEnabled) {
        const Rect own = instrumentStatusRegion(in.layout);
        FieldFlow status({own}, in.layout.lineHeight, width);
        FieldFlow& into = own.height > 0 ? status : flow;
        // The narrow labels where the status has a narrow place of its own.
        const bool longLabels = wide && own.height == 0;
        r.fields[INFO_BATTERY] = into.place(longLabels ? "Battery: " : "B:", " 12.9 V", false, !longLabels);
        r.fields[INFO_CURRENT] = into.place(longLabels ? "Current: " : "T:", " 12.9 A", false, own.height > 0);
        r.used[INFO_BATTERY] = r.used[INFO_CURRENT] = true;
        if (own.height == 0) r.information = flow.used();
        r.informationFits = flow.fits() && status.fits();
        return;
    }
    r.informationFits = flow.fits();
}

}  // namespace

std::string statusText(int kind, int workingSurveyMode, std::string_view fileName, bool fileOpen) {
    if (kind == 0) return fileOpen ? "File: " + std::string(fileName) : "File:        ";
    return loggingStatusText(stateOfKind(kind), workingSurveyMode);
}

std::string channelCaption(const ChannelCaptionInput& in) {
    if (in.review) return reviewCaption(in);
    if (in.colourMapView == 0) return "            ";
    return liveCaption(in);
}

std::vector<std::string> numbersPaneLabels(InstrumentType instrument, int sensorCount, int dipoleMode) {
    switch (instrument) {
        case InstrumentType::Em61Lx2:
            if (sensorCount >= 2) return {"LE:", "LL:", "LF:", "RE:", "RL:", "RF:"};
            return {"ChE:", "ChL:", "ChF:"};
        case InstrumentType::Em61Mk2: return {"Ch1", "Ch2", "Ch3", "Ch4"};
        case InstrumentType::Grad601:
            if (sensorCount >= 2) return {"G #1:", "G #2:"};
            return {"G #1:"};
        case InstrumentType::Em38Mk2: return {};
        default: return {dipoleLabel(dipoleMode)};
    }
}

std::string numbersValueText(InstrumentType instrument, double value) {
    return instrument == InstrumentType::Em61Lx2 ? formatText("%9.1f", value) : formatText("%10.1f", value);
}

std::string em38Mk2ValueText(int line, char coil, double value) {
    static const char* const kPatterns[] = {"C%c: %8.2f", "I%c:  %8.2f", "c%c: %8.2f", "i%c:  %8.2f"};
    return formatText(kPatterns[std::clamp(line, 0, 3)], coil, value);
}

bool wideInformationBlock(int profileWidth) { return profileWidth > kWideProfileWidth; }

std::vector<std::string> instrumentStatusLabels(InstrumentType instrument, const SurveyConfig& c, bool wideBlock) {
    if (c.instrumentEnabled == 0) return {"Instrument", "Disabled", "GXY Mode"};
    const std::string dipole = dipoleLabel(c.dipoleMode);
    switch (instrument) {
        case InstrumentType::Em61Lx2:
            if (wideBlock) return {"Battery: ", "Current: "};
            return {"B:", "T:"};
        case InstrumentType::Em61Mk2: return {"Mode: ", "Battery: ", "Current: "};
        case InstrumentType::Em31Mk2: {
            const char* component = c.component == 0 ? "Component: Both"
                                    : c.component == 1 ? "Component: Inph."
                                                       : "Component: Conductivity";
            return {"Selected for file :", dipole, component};
        }
        case InstrumentType::Em38:
            return {"Selected for file :", dipole, c.component == 1 ? "Comp.: Inph." : "Comp.: Cond."};
        case InstrumentType::Em34_3:
            if (c.surveyMode == SURVEY_MANUAL) return {"Survey: Manual"};
            return {"Selected for file :", dipole};
        case InstrumentType::Em38Mk2: return {"Selected for file :", dipole};
        default: return {};
    }
}

std::string scaleLimitText(InstrumentType instrument, double value, bool inphase) {
    if (isGrad601(instrument)) return formatText("%0.1f nT/m", value);
    if (isEm61(instrument)) return formatText("%0.1f mV", value);
    return inphase ? formatText("%0.0fppt", value) : formatText("%0.0fmS/m", value);
}

std::string dilutionLabel(DilutionKind kind) {
    switch (kind) {
        case DilutionKind::Gdop: return "GDOP:";
        case DilutionKind::SlamConfidence: return "SLAM Conf.:";
        case DilutionKind::Pdop: return "PDOP:";
        default: return "HDOP:";
    }
}

std::array<std::string, 2> coordinateLabels(bool geodetic) {
    return geodetic ? std::array<std::string, 2>{"Lat:", "Lon:"} : std::array<std::string, 2>{"N:", "E:"};
}

bool pauseHintUsesCaptionFont(int clientWidth) { return clientWidth >= 1000; }

ReadoutLayout layoutReadouts(const ReadoutInput& in, const TextWidth& width) {
    const LoggingLayout& l = in.layout;
    const int lh = l.lineHeight;
    ReadoutLayout r;
    r.wideBlock = wideInformationBlock(l.profileArea.width);
    r.status = {kStatusX, 1, width("Monitoring (Manual)", ReadoutFont::Text), lh};
    r.activeComponent = {r.status.right() + 15, 1, width("Active: Cond Horizontal", ReadoutFont::Text), lh};
    r.marker = {r.status.right() + 20, 1, width("MARKER", ReadoutFont::TextBold), lh};
    // The file line: in the gap between the map and the speed bar, or after the status without the map.
    if (l.mapShown) r.fileLine = {l.map.x + 1, l.map.bottom() + 1, l.map.width - 2, lh};
    else r.fileLine = {r.marker.right() + 10, 1, l.profileArea.right() - r.marker.right() - 10, lh};
    const int mapSizeWidth = width(MAP_SIZE_TEMPLATE, ReadoutFont::Text);
    if (l.mapShown) r.mapSize = {l.map.right() - mapSizeWidth, 1, mapSizeWidth, lh};
    const int captionWidth = width("Channel 4/T", ReadoutFont::ChannelCaption);
    const int captionHeight = std::max(lh, 20);
    int captionCentre = (r.status.right() + (l.mapShown ? r.mapSize.x : l.profileArea.right())) / 2;
    if (in.instrument == InstrumentType::Em61Lx2 && l.mapShown) captionCentre = l.map.x + l.map.width / 2;
    r.channelCaption = {captionCentre - captionWidth / 2, 0, captionWidth, captionHeight};
    r.speed = speedCaptionRect(l, width("Speed: 88.56 ft/s", ReadoutFont::Text));
    r.scaleMax = {l.barArea.x, l.barArea.y - lh, l.barArea.width, lh};
    r.scaleMin = {l.barArea.x, l.barArea.bottom() + 1, l.barArea.width, lh};
    if (l.portrait) {
        const Rect& p = l.profileArea;
        const int limitWidth = std::min(p.width, width("-88888.8 nT/m", ReadoutFont::Text));
        const int x = p.x + (p.width - limitWidth) / 2;
        // The line over the profile is Lh − 2 high under the speed bar.
        r.profileScaleMax = {x, p.y - (lh - 2), limitWidth, lh - 2};
        r.profileScaleMin = {x, p.bottom() + 1, limitWidth, lh - 2};
    }
    placeInformation(r, in, informationRegion(l), width);
    return r;
}

}  // namespace velox
