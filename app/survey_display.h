#pragma once
// The logging screen's map, colour swath and panes for one program run, and
// the display commands of the logging control: the GPS fix handler hands its
// fixes here (MapSink), the EM61-LX2 reading handler its colour entries
// (through the swath) and its readings, and the control its map, scale and
// option commands (LoggingDisplay). Everything runs on the user-interface
// thread.

#include <optional>

#include "acquisition/em61_decode.h"
#include "acquisition/gps_fix_handler.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/map_view.h"
#include "display/profile_panes.h"
#include "display/swath.h"
#include "logging/logging_display.h"

namespace velox {

class ScreenLogWnd;
class SoundPlayer;

class SurveyDisplay final : public LoggingDisplay, public MapSink {
public:
    SurveyDisplay(const Variant& variant, SurveyConfig& config, SurveyContext& context, ScreenLogWnd& screen,
                  SoundPlayer& sounds);

    // The reading handler's link to the colour map.
    ColourSwathInput& colourInput() { return swath_; }
    MapView& map() { return map_; }
    const ColourSwath& swath() const { return swath_; }

    // An EM61-LX2 reading of the normal phase: the bars always move, the
    // profiles only with the readings that were logged.
    void onLx2Reading(const Lx2Reading& reading, int sensorCount, bool logged);
    // The speed of the last accepted fix, in `speedUnits`; nothing while unknown.
    void onSpeed(std::optional<double> speed);

    // LoggingDisplay
    void surveyStarted() override;
    void panMap(MapDirection direction) override;
    void colourChannelChanged() override;
    void readingScaleDialog() override;
    void speedScaleDialog() override;
    void mapSizeDialog() override;
    void alarmSettingsDialog() override;
    void audioOptionsDialog() override;
    void viewToggled() override;
    void loggingResumed() override;
    void loggingSuspended() override;

    // MapSink
    void startSurvey(MapPoint origin) override;
    void closeColourPiece() override;
    void onFix(const MapFix& fix) override;
    bool inReview() const override { return false; }

private:
    void connectMapHooks();
    void onLayout();
    // Redraws the survey layer from the open data file.
    void replaySurvey();
    // The map turned full (or was made larger): the control warns and refuses by it.
    void syncMapFullState();
    bool mapViewActive() const;
    bool logging() const { return context_.logging.loggingState == LoggingState::Logging; }

    const Variant variant_;
    SurveyConfig& config_;
    SurveyContext& context_;
    ScreenLogWnd& screen_;
    SoundPlayer& sounds_;
    MapView map_;
    ColourSwath swath_;
    Lx2PaneFeed panes_;
};

}  // namespace velox
