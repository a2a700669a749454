#pragma once
// What the logging screen does with a GPS epoch, without drawing: the fix
// handler decodes `currentSentence`, fills the GPS read-out model (texts in
// their formats, lamp colours, validity), judges the fix against the GPS
// warning mask, fixes the survey origin at the first valid fix, computes the
// ground speed, hands the position to the map and counts the positions
// logged. The status handler takes the PDOP of a GSA sentence. Both run on
// the user-interface thread while the GPS reader waits for them.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sound_player.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_state.h"
#include "acquisition/nmea_format.h"

namespace velox {

struct SurveyConfig;
struct SurveyContext;
class SoundPlayer;

inline constexpr int MAX_LOGGED_FIXES = 7200;
inline constexpr std::u16string_view NOT_AVAILABLE_COORDINATE = u"     N/A     ";
inline constexpr std::u16string_view NOT_AVAILABLE = u"N/A";
inline constexpr std::string_view FIX_LIMIT_TITLE = "INFORMATION";
inline constexpr std::string_view FIX_LIMIT_TEXT =
    "Maximum number of GPS positions reached.\r\nCurrent data file is saved.\r\n"
    "Please press OK and restart the program.";

// Colours 0x00BBGGRR, as the panes fill them.
inline constexpr int LAMP_WHITE = 0xFFFFFF;
inline constexpr int LAMP_GREEN = 0x00FF00;
inline constexpr int LAMP_RED = 0x0000FF;

// The GPS read-out fields as the panes will draw them. A field the handlers
// have not drawn yet is empty; an empty quality field is blanked.
struct GpsReadouts {
    std::u16string satellites;
    std::u16string quality;
    std::u16string dilution;             // DOP, the PDOP of GSA, or the SLAM count
    bool dilutionRedBackground = false;  // a SLAM count of 0
    std::u16string coordinate1;          // latitude, or the local-grid northing
    std::u16string coordinate2;          // longitude, or the local-grid easting
    std::u16string utmEasting;
    std::u16string utmNorthing;
    std::u16string zone;
    std::u16string speed;
    std::optional<double> speedBarValue;  // in `speedUnits`; nothing while the speed is unknown
    std::u16string fixCount;
    int lampA = LAMP_WHITE;
    int lampB = LAMP_WHITE;
    // SLAM values in three fields of the numeric pane (every build but the EM61-LX2).
    std::array<std::u16string, 3> slamValues;
};

// A valid fix handed to the map.
struct MapFix {
    MapPoint position;     // map units
    double distance = 0;   // map units moved since the previous valid fix; 0 at the first
    bool logging = false;  // `LoggingState` is Logging
    bool manual = false;   // the Manual-mode variant (`workingSurveyMode` Manual)
};

// The map and its colour swath, as the fix handler sees them.
class MapSink {
public:
    virtual ~MapSink() = default;
    // The first valid fix of a logging run: the map starts at this origin,
    // whatever the screen shows.
    virtual void startSurvey(MapPoint origin) = 0;
    // Closes the swath piece since the previous fix with the colour entries
    // collected meanwhile (only when a colour image is drawn).
    virtual void closeColourPiece() = 0;
    // A valid fix while the logging screen is active and the map not in review.
    virtual void onFix(const MapFix& fix) = 0;
    virtual bool inReview() const = 0;
};

struct GpsFixOutcome {
    bool valid = false;
    // The first valid fix came with the instrument ready: enable the state
    // buttons and the channel selectors.
    bool enableStateButtons = false;
    // MAX_LOGGED_FIXES reached: logging is back to Monitoring; the screen
    // suspends the readers, stops its timer, shows FIX_LIMIT_TITLE and
    // FIX_LIMIT_TEXT and ends the program.
    bool fixLimitReached = false;
};

class GpsFixHandler {
public:
    GpsFixHandler(const SurveyConfig& config, SurveyContext& context, const GpsSentenceFormat& format,
                  SoundPlayer& sounds, MapSink& map);

    // `onGpsFix`: `logScreenActive` is the logging screen's flag (shown, no
    // command dialog open).
    GpsFixOutcome onGpsFix(bool logScreenActive);
    // `onGpsStatus`.
    void onGpsStatus();

    const GpsReadouts& readouts() const { return readouts_; }

private:
    void showDecoded(const GpsFix& fix);
    void showLocalGrid(const GpsFix& fix);
    std::optional<MapPoint> mapPosition(const GpsFix& fix);
    void showLamps(const GpsFix& fix);
    bool maskMet(const GpsFix& fix) const;
    // Returns the distance moved since the previous valid fix.
    double trackFix(const GpsFix& fix, MapPoint position, GpsFixOutcome& outcome);
    void showSpeed(std::optional<double> mapUnitsPerSecond);
    void countLoggedFix(GpsFixOutcome& outcome);
    bool hasRole(FieldRole role) const;
    // Sets a read-out text and takes the red of a connection break off its field.
    void draw(std::u16string& field, std::u16string text, uint32_t fieldBit);

    const SurveyConfig& config_;
    SurveyContext& context_;
    const GpsSentenceFormat& format_;
    SoundPlayer& sounds_;
    MapSink& map_;
    GpsReadouts readouts_;
};

}  // namespace velox
