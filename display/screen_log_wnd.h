#pragma once
// The logging screen: a child of the start window that covers it while a
// survey is monitored or logged. Created hidden with the start window. It
// shows the state buttons (460-463), the pause button, the status line and
// the notices, runs timer 1, and hands every command, key and timer tick to
// the LoggingControl. Worker messages from the reader threads arrive through
// its hand-over channel and go to the handler registered for each message.

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/message_dialog.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "logging/logging_control.h"
#include "platform/handover.h"
#include "platform/qt/file_picker.h"
#include "platform/sound_player.h"

class QLabel;
class QPushButton;

namespace velox {

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

    // Worker messages: the channel the readers send on, and the handler of each WM_* message.
    HandOverChannel& workerChannel() { return channel_; }
    void setWorkerHandler(int message, std::function<void()> handler);

    // The start of logging; true when this screen is shown in Monitoring.
    bool startLogging();
    // Null before the first start of logging.
    LoggingControl* control() { return control_.get(); }

    QPushButton* stateButton(int index) const { return stateButtons_[index]; }
    QPushButton* pauseButton() const { return pauseButton_; }
    QLabel* statusLabel() const { return status_; }
    // The messages shown over this screen, for code that reports on it.
    OperatorMessages& messages() { return messages_; }
    // The latest read-out values, one line each, until the panes draw them.
    void setReadouts(const QStringList& instrumentLines, const QStringList& gpsLines);

signals:
    // The screen was left: the start window shows its buttons again.
    void startScreenShown();

protected:
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

    void createButtons();
    void createTexts();
    void layoutScreen();
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
    std::unique_ptr<LoggingControl> control_;

    HandOverChannel channel_;
    HandOverPump* pump_ = nullptr;
    std::array<std::function<void()>, 32> workerHandlers_{};

    QTimer timer1_;
    QTimer statusTimer_;  // status line and write-failure notices, about once a second
    std::array<QPushButton*, kStateButtonCount> stateButtons_{};
    QPushButton* pauseButton_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* fileName_ = nullptr;
    QLabel* writeHealth_ = nullptr;
    QLabel* waitingForFix_ = nullptr;
    QLabel* lostNotice_ = nullptr;
    QLabel* pauseHint_ = nullptr;
    QLabel* instrumentReadouts_ = nullptr;
    QLabel* gpsReadouts_ = nullptr;
};

}  // namespace velox
