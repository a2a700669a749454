#include "app/survey_display.h"

#include "display/alarm_dialogs.h"
#include "display/color_bar_wnd.h"
#include "display/map_size_dialog.h"
#include "display/map_wnd.h"
#include "display/scale_dialogs.h"
#include "display/screen_log_wnd.h"
#include "logging/data_file_reader.h"
#include "review/map_replay.h"

namespace velox {

SurveyDisplay::SurveyDisplay(const Variant& variant, SurveyConfig& config, SurveyContext& context,
                             ScreenLogWnd& screen, SoundPlayer& sounds)
    : variant_(variant),
      config_(config),
      context_(context),
      screen_(screen),
      sounds_(sounds),
      map_(config, context, screen.palette(), screen.fonts().fontBold28, screen.fonts().fontText),
      swath_(config, context),
      panes_(config, screen.palette(),
             Lx2PaneSet{screen.curveWnd(1), screen.curveWnd(2), screen.decayWnd(), screen.barQWnd(),
                        screen.barIWnd()}) {
    swath_.setSurface(&map_);
    map_.setSwath(&swath_);
    swath_.setRecordWriter([this](int n, double leftX, double leftY, double rightX, double rightY) {
        if (LoggingControl* control = screen_.control(); control && control->fileOpen())
            control->dataFile().writeSwathEdge(n, leftX, leftY, rightX, rightY);
    });
    connectMapHooks();
    screen_.mapWnd()->showMapView(map_);
    ColorBarWnd* colourBar = screen_.colorBarWnd();
    colourBar->placeFor(variant_.instrumentType);
    colourBar->setColourPalette(&screen_.palette());
    colourBar->setLabelFont(screen_.fonts().fontText);
    screen_.setLayoutListener([this] { onLayout(); });
    screen_.setDisplay(*this);
}

void SurveyDisplay::connectMapHooks() {
    MapHooks& hooks = map_.hooks();
    hooks.mapViewActive = [this] { return mapViewActive(); };
    hooks.reviewActive = [] { return false; };
    hooks.redrawSurvey = [this] { replaySurvey(); };
    hooks.captionChanged = [this] { screen_.update(); };
    hooks.repaintLoggingWindow = [this] { screen_.update(); };
}

bool SurveyDisplay::mapViewActive() const {
    const LoggingControl* control = screen_.control();
    return control && control->mapViewActive();
}

void SurveyDisplay::onLayout() {
    // The screen itself may still be hidden here: the layout says whether the map is shown.
    const MapWnd* mapPane = screen_.mapWnd();
    if (screen_.layout().mapShown) map_.setPaneSize(mapPane->width(), mapPane->height());
    panes_.relayout();
    screen_.speedWnd()->setSpeedScale(config_.speedScaleMax);
    ColorBarWnd* colourBar = screen_.colorBarWnd();
    colourBar->setScale(config_.readingScaleMin, config_.readingScaleMax);
    colourBar->setInphaseScale(config_.inphaseScaleMin, config_.inphaseScaleMax);
}

void SurveyDisplay::replaySurvey() {
    LoggingControl* control = screen_.control();
    if (!control || !control->fileOpen()) return;
    const DataFileReader reader = DataFileReader::onDescriptor(control->dataFile().descriptor(), RECORD_LENGTH);
    replayFileToMap(reader, config_, swath_.scale(), map_, [this] {
        map_.advanceProgress();
        screen_.mapWnd()->repaint();
    });
}

void SurveyDisplay::syncMapFullState() {
    LoggingControl* control = screen_.control();
    if (!control) return;
    const int mapFull = map_.mapFullState();
    if (mapFull == 0 || (mapFull == 1 && control->mapFullState() == 0)) control->setMapFullState(mapFull);
}

void SurveyDisplay::onLx2Reading(const Lx2Reading& reading, int sensorCount, bool logged) {
    panes_.onReading(reading, sensorCount, logged);
}

void SurveyDisplay::onSpeed(std::optional<double> speed) {
    if (speed) screen_.speedWnd()->speedBarUpdate(*speed);
}

// --- LoggingDisplay

void SurveyDisplay::surveyStarted() {
    swath_.updateScale();
    swath_.swathReset();
    panes_.reset();
    map_.mapStartSurvey();
}

void SurveyDisplay::panMap(MapDirection direction) { map_.mapPan(direction); }

void SurveyDisplay::colourChannelChanged() {
    swath_.updateScale();
    map_.mapRebuild(1);
    replaySurvey();
    map_.showLiveView();
}

void SurveyDisplay::readingScaleDialog() {
    const ReadingScaleOutcome outcome =
        ReadingScaleDialog::run(&screen_, variant_, config_, mapViewActive() ? screen_.colorBarWnd() : nullptr);
    if (!outcome.accepted) return;
    panes_.relayout();
    swath_.updateScale();
    if (outcome.rebuildMap && config_.colourMapView > 0) {
        map_.mapRebuild(1);
        replaySurvey();
        map_.showLiveView();
    }
    screen_.update();
}

void SurveyDisplay::speedScaleDialog() {
    if (SpeedScaleDialog::run(&screen_, variant_, config_) == 1) {
        screen_.speedWnd()->setSpeedScale(config_.speedScaleMax);
        screen_.update();
    }
}

void SurveyDisplay::mapSizeDialog() {
    if (mapApplySizeDialog(&screen_, map_, screen_.messages(), sounds_) == 1) syncMapFullState();
}

void SurveyDisplay::alarmSettingsDialog() {
    if (runAlarmSetupDialog(&screen_, variant_, config_) == 1) screen_.update();
}

void SurveyDisplay::audioOptionsDialog() {
    if (runAudioOptionsDialog(&screen_, variant_, config_) == 1) screen_.update();
}

void SurveyDisplay::viewToggled() {
    panes_.reset();
    map_.showLiveView();
}

void SurveyDisplay::loggingResumed() {
    swath_.updateScale();
    swath_.swathReset();
}

void SurveyDisplay::loggingSuspended() { swath_.suspendCollection(); }

// --- MapSink

void SurveyDisplay::startSurvey(MapPoint origin) { map_.setOrigin(origin.easting, origin.northing); }

void SurveyDisplay::closeColourPiece() {
    swath_.colourBuffer().colourBufferRotate(logging(), config_.instrumentEnabled != 0, config_.colourMapView > 0,
                                             screen_.isVisible());
}

void SurveyDisplay::onFix(const MapFix& fix) {
    map_.mapOnFix(fix.logging, fix.position.northing, fix.position.easting, fix.distance);
    syncMapFullState();
}

}  // namespace velox
