// User-interface cost of one two-sensor EM61-LX2 reading in the profile and
// bar panes at realistic sizes (profiles 330 × 340, bar halves 53 × 300):
// the profile steps and bar steps into the canvases, and the same with the
// panes' paint events carried out; and on the whole logging screen of a
// 1024 × 768 display, with the read-outs, the alarm indicator and every
// repaint. Target: under 1 ms per reading.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <memory>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_handler.h"
#include "app/survey_display.h"
#include "display/screen_log_wnd.h"
#include "platform/sound_player.h"
#include "display/palette.h"
#include "display/profile_panes.h"

namespace {

using namespace velox;

QApplication& application() {
    static int argc = 1;
    static char name[] = "panes_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct Screen {
    Screen() {
        config.readingScaleMin = 0;
        config.readingScaleMax = 2000;
        pens = createPalette(config);
        profileB = shown<CurveWnd>(330, 340);
        profileC = shown<CurveWnd>(330, 340);
        barQ = shown<BarQWnd>(53, 300);
        barI = shown<BarIWnd>(53, 300);
        feed = std::make_unique<Lx2PaneFeed>(config, pens,
                                             Lx2PaneSet{profileB.get(), profileC.get(), nullptr, barQ.get(), barI.get()});
        feed->relayout();
    }

    template <typename Pane>
    static std::unique_ptr<Pane> shown(int width, int height) {
        auto pane = std::make_unique<Pane>(nullptr);
        pane->resize(width, height);
        pane->setAttribute(Qt::WA_DontShowOnScreen);
        pane->show();
        return pane;
    }

    // A reading that moves every curve and bar.
    static Lx2Reading reading(int i) {
        Lx2Reading r;
        const double wave = 900.0 + 800.0 * std::sin(i * 0.21);
        r.channels = {wave, 0.6 * wave, 1800.0 - wave, 0.5 * (1800.0 - wave)};
        r.filtered = {0.8 * wave, 0.8 * (1800.0 - wave)};
        return r;
    }

    SurveyConfig config;
    Palette pens;
    std::unique_ptr<CurveWnd> profileB, profileC;
    std::unique_ptr<BarQWnd> barQ;
    std::unique_ptr<BarIWnd> barI;
    std::unique_ptr<Lx2PaneFeed> feed;
};

void BM_Lx2ReadingIntoPanes(benchmark::State& state) {
    application();
    Screen screen;
    int i = 0;
    for (auto _ : state) screen.feed->onReading(Screen::reading(i++), 2, true);
}
BENCHMARK(BM_Lx2ReadingIntoPanes);

void BM_Lx2ReadingIntoPanesAndPainted(benchmark::State& state) {
    QApplication& app = application();
    Screen screen;
    int i = 0;
    for (auto _ : state) {
        screen.feed->onReading(Screen::reading(i++), 2, true);
        app.processEvents();
    }
}
BENCHMARK(BM_Lx2ReadingIntoPanesAndPainted);

class Silence final : public SoundPlayer {
public:
    void playSound(std::string_view, bool) override {}
    void stopSound() override {}
};

void BM_Lx2ReadingOnTheLoggingScreen(benchmark::State& state) {
    QApplication& app = application();
    const Variant variant{InstrumentType::Em61Lx2, ProductLine::Velox, {}};
    SurveyConfig config;
    config.alarmType = ALARM_SIMPLE;
    config.readingScaleMax = 2000;
    SurveyContext context;
    context.variant = variant;
    deriveSettingsValues(variant, config, context);
    QWidget window;
    window.resize(1024, 730);
    window.setAttribute(Qt::WA_DontShowOnScreen);
    ScreenLogWnd screen(&window, 1024, 730, variant, config, context);
    Silence silence;
    SurveyDisplay display(variant, config, context, screen, silence);
    screen.layoutLandscape();
    window.show();
    screen.show();
    app.processEvents();
    Em61AlarmState alarm;
    int i = 0;
    for (auto _ : state) {
        const Lx2Reading reading = Screen::reading(i++);
        Em61Readout readout;
        readout.reading = reading;
        readout.sensorCount = 2;
        readout.counted = true;
        for (int k = 0; k < 6; ++k) readout.channelTexts[k] = channelText(reading.channels[k % 4]);
        readout.batteryText = batteryText(12.4);
        readout.currentText = currentText(2.9);
        readout.stationText = stationText(i * 0.1);
        readout.readingCountText = readingCountText(i);
        readout.loggingTimeText = loggingTimeText(i * 55u);
        alarm.alarmFlag = {i % 40 < 5, i % 40 > 35};
        screen.showInstrumentReadout(readout);
        screen.showAlarmState(alarm);
        display.onLx2Reading(reading, 2, true);
        app.processEvents();
    }
}
BENCHMARK(BM_Lx2ReadingOnTheLoggingScreen);

}  // namespace
