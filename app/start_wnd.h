#pragma once
// The start window: the program's one top-level window. It shows the start
// screen (ten command buttons, product name and version, the settings
// summary and the instrument sketch) and owns the logging screen and the GPS
// monitor, which cover it when shown.

#include <QSize>
#include <QWidget>
#include <array>

#include "app/instrument_sketch.h"
#include "app/settings_summary.h"
#include "app/start_layout.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/fonts.h"

class QPainter;
class QPushButton;

namespace velox {

class ScreenLogWnd;
class MonitorGPSWnd;

enum StartCommand : int {
    CMD_LOGGING = 0,
    CMD_SURVEY_SETUP,
    CMD_SYSTEM_SETUP,
    CMD_GEOMETRY_OR_ALARMS_SETUP,
    CMD_GPS_PORT_SETUP,
    CMD_GPS_MONITORING,
    CMD_MAP_OPTIONS,
    CMD_PROFILES_OPTIONS,
    CMD_RESET_TO_DEFAULT,
    CMD_EXIT,
};

inline constexpr int kFirstStartButtonId = 420;

class StartWnd : public QWidget {
    Q_OBJECT
public:
    // Sizes and places itself for a screen of `screenSize`, loads the
    // settings and builds the start screen.
    StartWnd(const Variant& variant, SurveyConfig& config, SurveyContext& context, QSize screenSize,
             QWidget* parent = nullptr);

    QPushButton* startButton(int index) const { return buttons_[index]; }
    ScreenLogWnd* logWindow() const { return logWindow_; }
    MonitorGPSWnd* gpsMonitorWindow() const { return gpsMonitorWindow_; }
    const Fonts& fonts() const { return fonts_; }
    const WindowPlacement& placement() const { return placement_; }

    // What the start screen shows now.
    SettingsSummary summaryRows() const;
    InstrumentSketch sketch() const;

    // A button's command, by index 0-9; keys and clicks both end here.
    void command(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Tab moves the default button; it must not move the keyboard focus.
    bool focusNextPrevChild(bool next) override;

private:
    // Vertical positions of the texts that depend on the fonts.
    struct TextLayout {
        int productNameY = 0;
        int versionY = 0;
        int summaryTop = 0;
        bool narrowSummary = false;
        Rect geometryBox;
    };

    void loadConfiguration();
    void createFonts();
    void createButtons();
    void createChildWindows();
    TextLayout textLayout() const;

    bool takeFocusFromChildScreens();
    void selectButton(int index);
    void showStartButtons();
    void resetToDefault();
    void reportUptime();

    void paintFrame(QPainter& p) const;
    void paintTitles(QPainter& p, const TextLayout& t) const;
    void paintSummary(QPainter& p, const TextLayout& t) const;
    void paintGeometry(QPainter& p, const TextLayout& t) const;

    const Variant variant_;
    SurveyConfig& config_;
    SurveyContext& context_;
    WindowPlacement placement_;
    ButtonLayout buttonLayout_;
    Fonts fonts_;
    std::array<QPushButton*, kStartButtonCount> buttons_{};
    ScreenLogWnd* logWindow_ = nullptr;
    MonitorGPSWnd* gpsMonitorWindow_ = nullptr;
    bool uptimeReported_ = false;
};

}  // namespace velox
