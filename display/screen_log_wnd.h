#pragma once
// The logging screen: a child of the start window that covers it while a
// survey is monitored or logged. Created hidden with the start window. It
// holds the panes (map, profiles, bars, numbers, speed bar, colour scale),
// the state buttons (460-463), the pause button, the map view buttons
// (470-478) and the channel selectors (480-483), paints the status line,
// captions and information block, runs timer 1, and hands every command, key
// and timer tick to the LoggingControl. Worker messages from the reader
// threads arrive through its hand-over channel and go to the handler
// registered for each message.

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "acquisition/em61_handler.h"
#include "acquisition/gps_fix_handler.h"
#include "app/message_dialog.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/alarm_indicator.h"
#include "display/fonts.h"
#include "display/logging_layout.h"
#include "display/palette.h"
#include "display/readouts.h"
#include "logging/logging_control.h"
#include "platform/handover.h"
#include "platform/qt/file_picker.h"
#include "platform/sound_player.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace velox {

class MapWnd;
class ColorBarWnd;
class NumbersWnd;
class CurveWnd;
class DecayWnd;
class BarQWnd;
class BarIWnd;
class SpeedWnd;

class AcquisitionControl;
class HandOverPump;

class ScreenLogWnd : public QWidget, private LoggingScreenHost {
    Q_OBJECT
public:
    ScreenLogWnd(QWidget* startWindow, int width, int height, const Variant& variant, SurveyConfig& config,
                 SurveyContext& context);
    ~ScreenLogWnd() override;

    // The readers and the sounds; set before the first start of logging.
    void setAcquisition(AcquisitionControl& acquisition) { acquisition_ = &acquisition; }
    void setSoundPlayer(SoundPlayer& sounds) { sounds_ = &sounds; }
    // Replaces the save-file dialog (tests script it).
    void setFilePicker(DataFilePicker& picker) { picker_ = &picker; }
    // The map, panes and display dialogs the logging control drives.
    void setDisplay(LoggingDisplay& display);

    // Worker messages: the channel the readers send on, and the handler of each WM_* message.
    HandOverChannel& workerChannel() { return channel_; }
    void setWorkerHandler(int message, std::function<void()> handler);

    // The start of logging; true when this screen is shown in Monitoring.
    bool startLogging();
    // Null before the first start of logging.
    LoggingControl* control() { return control_.get(); }

    QPushButton* stateButton(int index) const { return stateButtons_[index]; }
    QPushButton* pauseButton() const { return pauseButton_; }
    QPushButton* mapButton(int index) const { return mapButtons_[index]; }
    QLabel* statusLabel() const { return status_; }
    // The messages shown over this screen, for code that reports on it.
    OperatorMessages& messages() { return messages_; }

    // The panes, fonts and pens.
    MapWnd* mapWnd() const { return map_; }
    ColorBarWnd* colorBarWnd() const { return colorBar_; }
    NumbersWnd* numbersWnd() const { return numbers_; }
    CurveWnd* curveWnd(int index) const { return curves_[index]; }  // 0 A, 1 B, 2 C
    DecayWnd* decayWnd() const { return decay_; }
    BarQWnd* barQWnd() const { return barQ_; }
    BarIWnd* barIWnd() const { return barI_; }
    SpeedWnd* speedWnd() const { return speed_; }
    Palette& palette() { return palette_; }
    const Fonts& fonts() const { return fonts_; }

    // Layout of the panes and buttons for the orientation, the instrument and
    // the map view; the listener runs after each.
    void layoutLandscape();
    void layoutPortrait();
    void setLayoutListener(std::function<void()> listener) { layoutListener_ = std::move(listener); }
    const LoggingLayout& layout() const { return layout_; }
    const ReadoutLayout& readoutLayout() const { return readouts_; }
    // Shows the channel selectors the instrument and the settings allow, with
    // the one of `colourMapView` checked.
    void showChannelSelectors();
    QRadioButton* channelSelector(int index) const { return selectors_[index]; }
    int channelSelectorCount() const { return static_cast<int>(selectors_.size()); }

    // Read-outs: what a reading or a fix changed.
    void showInstrumentReadout(const Em61Readout& readout);
    void showGpsReadouts(const GpsReadouts& readouts);
    // Fills the alarm boxes for this reading; the two-sensor result code or NO_ALARM_RESULT.
    int showAlarmState(const Em61AlarmState& alarm);
    // The value shown in a field of the information block.
    const std::string& informationValue(InfoSlot slot) const { return infoValues_[slot]; }
    bool batteryWarningShown() const { return batteryRed_; }
    bool dilutionWarningShown() const { return dilutionRed_; }
    const std::array<BoxFill, 3>& alarmFills() const { return alarmFills_; }
    // The colour-channel caption as painted now.
    std::string channelCaptionText() const;

signals:
    // The screen was left: the start window shows its buttons again.
    void startScreenShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // Tab moves the default state button; it must not move the focus.
    bool focusNextPrevChild(bool next) override;

private:
    // LoggingScreenHost
    void setTimerPeriod(uint32_t periodMs) override;
    void showLoggingScreen() override;
    void showStartScreen() override;
    void refresh() override;
    int popupMenu(const PopupMenu& menu) override;
    std::optional<NewLineEntry> askNewLine(const NewLineProposal& proposal) override;
    std::optional<double> askNewStation(const NewStationView& view) override;
    std::optional<std::u16string> askComment() override;
    std::optional<int> askCoordinatesUnits(const CoordinatesUnitsChoice& choice) override;

    void createLoggingScreen();
    void createPanes();
    void createButtons();
    void createMapButtons();
    void createChannelSelectors();
    void createTexts();
    LoggingLayoutInput layoutInput(bool portrait) const;
    void applyLayout(const LoggingLayout& layout);
    void layoutTexts(const LoggingLayout& layout);
    void placeTexts();
    void relayout();
    void refreshMapButtons();
    void paintLoggingWindow(QPainter& painter);
    void paintFrame(QPainter& painter);
    void paintCaptions(QPainter& painter);
    void paintInformation(QPainter& painter);
    void paintScaleLimits(QPainter& painter);
    void drawPauseHint(bool show);
    void dispatchWorkerMessage(int message);
    void onStatusTick();

    const Variant variant_;
    SurveyConfig& config_;
    SurveyContext& context_;
    QtOperatorMessages messages_;
    QtDataFilePicker qtPicker_;
    DataFilePicker* picker_;
    SoundPlayer* sounds_;
    AcquisitionControl* acquisition_ = nullptr;
    LoggingDisplay* display_ = nullptr;
    std::unique_ptr<LoggingControl> control_;

    HandOverChannel channel_;
    HandOverPump* pump_ = nullptr;
    std::array<std::function<void()>, 32> workerHandlers_{};

    QTimer timer1_;
    QTimer statusTimer_;  // status line and write-failure notices, about once a second
    std::array<QPushButton*, kStateButtonCount> stateButtons_{};
    QPushButton* pauseButton_ = nullptr;
    std::array<QPushButton*, kMapViewButtonCount> mapButtons_{};
    std::vector<QRadioButton*> selectors_;
    QLabel* status_ = nullptr;
    QLabel* fileName_ = nullptr;
    QLabel* writeHealth_ = nullptr;
    QLabel* waitingForFix_ = nullptr;
    QLabel* pauseHint_ = nullptr;

    Fonts fonts_;
    QFont infoFont_;  // the information block's, fitted to its place
    QFont infoBoldFont_;
    Palette palette_;
    MapWnd* map_ = nullptr;
    ColorBarWnd* colorBar_ = nullptr;
    NumbersWnd* numbers_ = nullptr;
    std::array<CurveWnd*, 3> curves_{};
    DecayWnd* decay_ = nullptr;
    BarQWnd* barQ_ = nullptr;
    BarIWnd* barI_ = nullptr;
    SpeedWnd* speed_ = nullptr;

    LoggingLayout layout_;
    ReadoutLayout readouts_;
    bool laidOutWithMap_ = false;
    std::function<void()> layoutListener_;

    std::array<std::string, INFO_SLOT_COUNT> infoValues_{};
    std::string markerText_;
    std::string speedText_;
    bool batteryRed_ = false;
    bool dilutionRed_ = false;
    AlarmIndicatorGeometry alarmGeometry_;
    std::array<BoxFill, 3> alarmFills_{BoxFill::Leave, BoxFill::Leave, BoxFill::Leave};
};

}  // namespace velox
