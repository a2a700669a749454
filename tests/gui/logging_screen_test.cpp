// The logging screen on the offscreen platform, reached as an operator does:
// the real start window's "&Logging" against an instrument and a GPS port on
// pseudo-terminals (the instrument answers the handshake), with readers that
// only record what they were asked. A survey operated by keys, and the ways
// the start of logging is refused.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>
#include <memory>

#include "app/message_dialog.h"
#include "app/start_wnd.h"
#include "display/alarm_indicator.h"
#include "display/color_bar_wnd.h"
#include "display/logging_dialogs.h"
#include "display/map_wnd.h"
#include "display/numbers_wnd.h"
#include "display/profile_panes.h"
#include "display/screen_log_wnd.h"
#include "logging/data_file_reader.h"
#include "logging_test_support.h"
#include "serial/ports.h"
#include "serial_pty.h"

using namespace velox;

namespace {

const Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};
constexpr int kInstrumentPort = 3;  // COM4
constexpr int kGpsPort = 5;         // COM6

// Runs `act` on the next modal dialog of class T once it is open.
template <class T>
void whenModalOpens(std::function<void(T*)> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

struct Message {
    QString title;
    QString text;
};

// Answers the next message dialog with its button `answer` and records it.
void answerNextMessage(Message& seen, const QString& answer) {
    whenModalOpens<MessageDialog>([&seen, answer](MessageDialog* dialog) {
        seen = {dialog->windowTitle(), dialog->findChild<QLabel*>(QStringLiteral("550"))->text()};
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text().remove('&') == answer) return QTest::mouseClick(button, Qt::LeftButton);
        }
    });
}

struct LoggingScreen {
    explicit LoggingScreen(QSize screenSize = QSize(1024, 768)) : screenSize(screenSize) {
        qputenv("PROGRAMDATA", dataRoot.path().toUtf8());
        qputenv("HOME", dataRoot.path().toUtf8());
        instrument.registerAs(kInstrumentPort);
        gps.registerAs(kGpsPort);
        window = std::make_unique<StartWnd>(kLx2, config, context, screenSize);
        log()->setAcquisition(acquisition);
        log()->setSoundPlayer(sounds);
        log()->setFilePicker(picker);
        window->show();
    }
    ~LoggingScreen() {
        window.reset();
        closeInstrumentPort(context);
        closeGpsPort(context);
    }
    ScreenLogWnd* log() const { return window->logWindow(); }
    LoggingControl& control() const { return *log()->control(); }
    LoggingState state() const { return context.logging.loggingState.load(); }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : log(), k); }
    QString status() const { return log()->statusLabel()->text(); }
    QString fileLabel() const { return log()->findChild<QLabel*>(QStringLiteral("file"))->text(); }
    bool startButtonsShown() const { return window->startButton(0)->isVisible(); }

    QSize screenSize;
    QTemporaryDir dataRoot;
    test::PtyPair instrument;
    test::PtyPair gps;
    SurveyConfig config;
    SurveyContext context;
    test::FakeAcquisition acquisition;
    test::RecordingSounds sounds;
    test::AcceptingPicker picker;
    std::unique_ptr<StartWnd> window;
};

// The panes that are shown, by control id and slot ("600B" is profile B).
QStringList shownPanes(const ScreenLogWnd* log) {
    QStringList shown;
    const std::pair<QWidget*, const char*> panes[] = {
        {log->mapWnd(), "652"},     {log->curveWnd(0), "600A"}, {log->curveWnd(1), "600B"},
        {log->curveWnd(2), "600C"}, {log->decayWnd(), "610"},   {log->barQWnd(), "620"},
        {log->barIWnd(), "630"},    {log->numbersWnd(), "650"}, {log->speedWnd(), "651"},
        {log->colorBarWnd(), "653"}};
    for (const auto& [pane, name] : panes)
        if (pane->isVisible()) shown << QString::fromLatin1(name);
    return shown;
}

QStringList visibleStateButtons(const ScreenLogWnd* log) {
    QStringList labels;
    for (int i = 0; i < kStateButtonCount; ++i)
        if (log->stateButton(i)->isVisible()) labels << log->stateButton(i)->text();
    return labels;
}

}  // namespace

class LoggingScreenTest : public QObject {
    Q_OBJECT
private slots:
    void aSurveyOperatedByKeys() {
        LoggingScreen s;
        test::HandshakePeer peer(s.instrument, "OK");
        QTest::keyClick(s.window.get(), Qt::Key_L);

        QVERIFY(s.log()->isVisible());
        QVERIFY(!s.startButtonsShown());
        QCOMPARE(s.context.screen.screenState.load(), 1);
        QCOMPARE(s.status(), QStringLiteral("Monitoring (Auto)"));
        QCOMPARE(visibleStateButtons(s.log()),
                 (QStringList{"&File", "N&ull", "E&xit", "&Menu"}));
        QVERIFY(!s.log()->stateButton(0)->isEnabled());  // until the first data
        QVERIFY(s.log()->stateButton(2)->isEnabled());
        // Before the first fix the map says so in its own pane; no label covers it.
        auto* waiting = s.log()->findChild<QLabel*>(QStringLiteral("waitingForFix"));
        QVERIFY(!waiting->isVisible());
        for (const QLabel* label : s.log()->findChildren<QLabel*>())
            QVERIFY(!label->isVisible() || !label->geometry().intersects(s.log()->mapWnd()->geometry()));
        QCOMPARE(s.acquisition.calls,
                 (std::vector<std::string>{"decimation 1", "startInstrument", "createGps", "resumeGps"}));
        // The profile view has no map to say it: the label stands over the profiles.
        s.control().menuCommand(MENU_TOGGLE_VIEW);
        QVERIFY(waiting->isVisible());
        const Rect& profiles = s.log()->layout().profileArea;
        QVERIFY(QRect(profiles.x, profiles.y, profiles.width, profiles.height).contains(waiting->geometry()));
        s.control().menuCommand(MENU_TOGGLE_VIEW);
        QVERIFY(!waiting->isVisible());

        s.control().enableStateButtons();  // what the reading handler does with the first frame
        QVERIFY(s.log()->stateButton(0)->isEnabled());
        QVERIFY(s.log()->stateButton(0)->isDefault());

        s.key(Qt::Key_F);
        QCOMPARE(s.state(), LoggingState::StandBy);
        QCOMPARE(s.picker.shown, 1);
        QCOMPARE(visibleStateButtons(s.log()), (QStringList{"&Go", "&QLine", "E&xit", "&Menu"}));
        QCOMPARE(s.status(), QStringLiteral("Stand By (Auto)"));
        const std::filesystem::path file = s.control().dataFile().path();
        QCOMPARE(s.fileLabel(), "File: " + QString::fromStdString(file.filename().string()));

        s.key(Qt::Key_G);
        QCOMPARE(s.state(), LoggingState::Logging);
        QVERIFY(s.log()->pauseButton()->isVisible());
        QVERIFY(visibleStateButtons(s.log()).isEmpty());
        QVERIFY(s.log()->findChild<QLabel*>(QStringLiteral("pauseHint"))->isVisible());

        // A held arrow marks the readings and does not pause.
        QTest::keyPress(s.log(), Qt::Key_Left);
        QVERIFY(s.context.logging.softMarkerActive);
        QTest::keyRelease(s.log(), Qt::Key_Left);
        QVERIFY(!s.context.logging.softMarkerActive);
        QCOMPARE(s.state(), LoggingState::Logging);

        s.key(Qt::Key_Space);  // any key pauses
        QCOMPARE(s.state(), LoggingState::StandBy);
        QVERIFY(!s.log()->pauseButton()->isVisible());

        Message quickLine;
        answerNextMessage(quickLine, QStringLiteral("Yes"));
        s.key(Qt::Key_Q);
        QCOMPARE(quickLine.title, QStringLiteral("Quick Line"));
        QCOMPARE(quickLine.text, QStringLiteral("New Line: 2.00"));
        QCOMPARE(s.config.surveyLine, u"2.00");

        whenModalOpens<CommentDialog>([](CommentDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("comment"));
            QTest::keyClicks(edit, QStringLiteral("wire fence at 40 m"));
            QCOMPARE(edit->text(), QStringLiteral("wire fence "));
            dialog->accept();
        });
        s.key(Qt::Key_C);

        // The menu of a file open; Hide Menu closes it.
        QString menuName;
        auto* menuPoll = new QTimer(qApp);
        menuPoll->setInterval(10);
        QObject::connect(menuPoll, &QTimer::timeout, menuPoll, [menuPoll, &menuName] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* menu = qobject_cast<QMenu*>(top);
                if (!menu || !menu->isVisible()) continue;
                menuPoll->stop();
                menuPoll->deleteLater();
                menuName = menu->objectName();
                QAction* hide = menu->findChild<QAction*>(QStringLiteral("508"));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(hide).center());
                return;
            }
        });
        menuPoll->start();
        s.key(Qt::Key_M);
        QCOMPARE(menuName, QStringLiteral("492"));

        Message confirm;
        answerNextMessage(confirm, QStringLiteral("No"));
        s.key(Qt::Key_X);
        QCOMPARE(confirm.title, QStringLiteral("Confirm Exit"));
        QCOMPARE(confirm.text, QStringLiteral("Exit Logging?"));
        QCOMPARE(s.state(), LoggingState::StandBy);
        QVERIFY(s.control().fileOpen());

        answerNextMessage(confirm, QStringLiteral("Yes"));
        s.key(Qt::Key_X);
        QCOMPARE(s.state(), LoggingState::Closed);
        QVERIFY(!s.log()->isVisible());
        QVERIFY(s.startButtonsShown());
        QCOMPARE(s.context.screen.screenState.load(), 0);
        QVERIFY(s.acquisition.called("stopReaders"));
        QCOMPARE(s.context.ports.instrumentPortState.load(), 0);
        QCOMPARE(s.context.ports.gpsPortState.load(), 0);

        DataFileReader reader(file, RECORD_LENGTH);
        const RecordLayout layout = layoutOf(kLx2.instrumentType, kLx2.productLine);
        QStringList events;
        for (std::size_t i = 0; i < reader.recordCount(); ++i) {
            const DataRecord r = decodeRecord(layout, reader.record(i).bytes);
            if (r.kind == RecordKind::Event || r.kind == RecordKind::Comment || r.kind == RecordKind::Line)
                events << QString::fromStdString(r.type + *r.text).trimmed();
        }
        QCOMPARE(events, (QStringList{"L1", "X$STARTED", "XPAUSED", "L2.00", "Cwire fence"}));

        // Ready for another start of logging.
        QTest::keyClick(s.window.get(), Qt::Key_L);
        QCOMPARE(s.state(), LoggingState::Monitoring);
        QVERIFY(s.log()->isVisible());
        QCOMPARE(s.fileLabel(), QStringLiteral("File:        "));
    }

    void refusedStarts_data() {
        QTest::addColumn<int>("instrumentEnabled");
        QTest::addColumn<int>("gpsInput");
        QTest::addColumn<int>("instrumentPort");
        QTest::addColumn<int>("gpsPort");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("both disabled") << 0 << 0 << kInstrumentPort << kGpsPort << false
                                       << "EM AND GPS DISABLED" << "Instrument Disabled and GPS Disabled";
        QTest::newRow("shared port") << 1 << 1 << 2 << 2 << false << "Serial Port Issue"
                                     << "Serial Port COM3 Assigned to Instrument and GPS, please change port selection.";
        QTest::newRow("busy port") << 1 << 1 << kInstrumentPort << kGpsPort << true << "Serial Port"
                                   << "Cannot open COM4 ";
        QTest::newRow("silent instrument") << 1 << 1 << kInstrumentPort << kGpsPort << false << "Connection Issue"
                                           << "Instrument OFF or Disconnected, or wrong COM port selected";
    }
    void refusedStarts() {
        QFETCH(int, instrumentEnabled);
        QFETCH(int, gpsInput);
        QFETCH(int, instrumentPort);
        QFETCH(int, gpsPort);
        QFETCH(bool, busy);
        QFETCH(QString, title);
        QFETCH(QString, text);
        LoggingScreen s;
        s.config.instrumentEnabled = instrumentEnabled;
        s.config.gpsInput = gpsInput;
        s.config.instrumentPort = instrumentPort;
        s.config.gpsPort = gpsPort;
        SurveyContext otherProgram;
        otherProgram.variant = kLx2;
        test::RecordedMessages ignored;
        if (busy) QVERIFY(openInstrumentPort(s.config, otherProgram, ignored, false));

        Message seen;
        answerNextMessage(seen, QStringLiteral("OK"));
        QTest::keyClick(s.window.get(), Qt::Key_L);
        QCOMPARE(seen.title, title);
        QCOMPARE(seen.text, text);
        QVERIFY(!s.log()->isVisible());
        QVERIFY(s.startButtonsShown());
        QCOMPARE(s.context.screen.screenState.load(), 0);
        QCOMPARE(s.context.ports.instrumentPortState.load(), 0);
        QCOMPARE(s.context.ports.gpsPortState.load(), 0);
        QVERIFY(!QApplication::activeModalWidget());  // one message only
        closeInstrumentPort(otherProgram);
    }

    void gpsOnlySurveyRefusesInstrumentCommands() {
        LoggingScreen s;
        s.config.instrumentEnabled = 0;
        QTest::keyClick(s.window.get(), Qt::Key_L);
        QCOMPARE(s.state(), LoggingState::Monitoring);
        QVERIFY(s.log()->stateButton(0)->isEnabled());
        QCOMPARE(s.context.ports.instrumentPortState.load(), 0);

        Message seen;
        answerNextMessage(seen, QStringLiteral("OK"));
        QTest::mouseClick(s.log()->stateButton(1), Qt::LeftButton);  // "N&ull"
        QCOMPARE(seen.title, QStringLiteral("INFORMATION"));
        QCOMPARE(seen.text, QStringLiteral("Option avaiable only when Instrument is enabled"));

        QTest::mouseClick(s.log()->stateButton(2), Qt::LeftButton);  // Exit from Monitoring asks nothing
        QCOMPARE(s.state(), LoggingState::Closed);
        QVERIFY(s.startButtonsShown());
    }

    // The panes with their ids, the map view buttons and the channel selectors
    // of a two-sensor EM61-LX2; "Toggle View" lays the screen out again without the map.
    void panesAndToggleView() {
        LoggingScreen s;
        s.config.colourMapView = 2;
        test::HandshakePeer peer(s.instrument, "OK");
        int layouts = 0;
        s.log()->setLayoutListener([&layouts] { ++layouts; });
        QTest::keyClick(s.window.get(), Qt::Key_L);
        QCOMPARE(s.state(), LoggingState::Monitoring);
        QVERIFY(layouts >= 1);

        QCOMPARE(s.log()->mapWnd()->objectName(), QStringLiteral("652"));
        QCOMPARE(s.log()->numbersWnd()->objectName(), QStringLiteral("650"));
        QCOMPARE(s.log()->speedWnd()->objectName(), QStringLiteral("651"));
        QCOMPARE(s.log()->colorBarWnd()->objectName(), QStringLiteral("653"));
        for (int i = 0; i < 3; ++i) QCOMPARE(s.log()->curveWnd(i)->objectName(), QStringLiteral("600"));
        QCOMPARE(shownPanes(s.log()), (QStringList{"652", "600B", "600C", "620", "630", "650", "651"}));
        QCOMPARE(s.log()->numbersWnd()->labels(),
                 (std::vector<std::string>{"LE:", "LL:", "LF:", "RE:", "RL:", "RF:"}));
        QCOMPARE(s.log()->mapWnd()->width(), s.log()->layout().map.width);
        QCOMPARE(s.context.derived.mapPaneWidth, s.log()->layout().map.width);

        const QStringList mapLabels{"&Lf", "&Rt", "U&p", "&Dn", "Zm&+", "Zm&-", "&Fit All", "Enter Rev&iew",
                                    "&Exit Review"};
        for (int i = 0; i < kMapViewButtonCount; ++i) {
            auto* button = s.log()->findChild<QPushButton*>(QString::number(470 + i));
            QVERIFY(button);
            QCOMPARE(button->text(), mapLabels[i]);
            const bool shownOutsideReview = i < 4 || i == MAP_ENTER_REVIEW;
            QCOMPARE(button->isVisible(), shownOutsideReview);
            QVERIFY(!button->isEnabled());  // no data file yet
        }
        // Six selectors, both sensors' L checked; a click goes to the control.
        QCOMPARE(s.log()->channelSelectorCount(), 6);
        for (int i = 0; i < 6; ++i) {
            QRadioButton* selector = s.log()->channelSelector(i);
            QVERIFY(selector->isVisible());
            QCOMPARE(selector->size(), QSize(14, 14));
            QCOMPARE(selector->isChecked(), i % 3 == 1);
        }

        s.control().enableStateButtons();
        s.key(Qt::Key_F);
        QCOMPARE(s.state(), LoggingState::StandBy);
        QVERIFY(s.log()->mapButton(MAP_LEFT)->isEnabled());
        QVERIFY(!s.log()->mapButton(MAP_ZOOM_IN)->isVisible());

        const int widthWithMap = s.log()->curveWnd(1)->width();
        const int before = layouts;
        s.control().menuCommand(MENU_TOGGLE_VIEW);
        QVERIFY(!s.control().mapViewActive());
        QCOMPARE(layouts, before + 1);
        QCOMPARE(shownPanes(s.log()), (QStringList{"600B", "600C", "620", "630", "650", "651"}));
        QVERIFY(s.log()->curveWnd(1)->width() > widthWithMap);
        QVERIFY(!s.log()->mapButton(MAP_LEFT)->isVisible());
        QVERIFY(!s.log()->channelSelector(0)->isVisible());

        s.control().menuCommand(MENU_TOGGLE_VIEW);
        QVERIFY(s.log()->mapWnd()->isVisible());
        QCOMPARE(s.log()->curveWnd(1)->width(), widthWithMap);
    }

    // Without GPS input there is no map, no map buttons and no choice of views.
    void noGpsNoMap() {
        LoggingScreen s;
        s.config.gpsInput = 0;
        test::HandshakePeer peer(s.instrument, "OK");
        QTest::keyClick(s.window.get(), Qt::Key_L);
        QCOMPARE(s.state(), LoggingState::Monitoring);
        QCOMPARE(shownPanes(s.log()), (QStringList{"600B", "600C", "620", "630", "650"}));
        s.control().menuCommand(MENU_TOGGLE_VIEW);
        QCOMPARE(shownPanes(s.log()), (QStringList{"600B", "600C", "620", "630", "650"}));
        QVERIFY(!s.log()->mapButton(MAP_LEFT)->isVisible());
        QCOMPARE(s.log()->readoutLayout().gpsDisabledLabel, std::string("GPS Disabled"));
    }

    // What a reading and a fix put on the screen.
    void readouts() {
        LoggingScreen s;
        s.config.alarmType = 1;
        test::HandshakePeer peer(s.instrument, "OK");
        QTest::keyClick(s.window.get(), Qt::Key_L);
        ScreenLogWnd* log = s.log();

        Em61Readout readout;
        readout.notice = NoticeChange::Show;
        readout.noticeLines = {"Normalization:", " 12 E"};
        log->showInstrumentReadout(readout);
        QCOMPARE(log->numbersWnd()->notice(), (std::vector<std::string>{"Normalization:", " 12 E"}));

        readout = {};
        readout.reading = Lx2Reading{};
        readout.sensorCount = 2;
        readout.channelTexts = {"     10.0", "     20.0", "     30.0", "     40.0", "     50.0", "     60.0"};
        readout.batteryText = " 10.1 V";
        readout.batteryBackground = BATTERY_WARNING_BACKGROUND;
        readout.currentText = " 2.0 A";
        readout.counted = true;
        readout.stationText = "12.00      ";
        readout.loggingTimeText = "00:01:05";
        log->showInstrumentReadout(readout);
        QVERIFY(log->numbersWnd()->notice().empty());
        QCOMPARE(log->numbersWnd()->values().size(), std::size_t{6});
        QCOMPARE(log->numbersWnd()->values()[5], std::string("     60.0"));
        QVERIFY(log->batteryWarningShown());
        QCOMPARE(log->informationValue(INFO_STATION), std::string("12.00      "));
        QCOMPARE(log->informationValue(INFO_TIME), std::string("00:01:05"));

        GpsReadouts gps;
        gps.quality = u"RTK4";
        gps.dilution = u" 00";
        gps.dilutionRedBackground = true;
        gps.fixCount = u"17    ";
        log->showGpsReadouts(gps);
        QCOMPARE(log->informationValue(INFO_QUALITY), std::string("RTK4"));
        QCOMPARE(log->informationValue(INFO_POSITIONS), std::string("17    "));
        QVERIFY(log->dilutionWarningShown());

        Em61AlarmState alarm;
        alarm.alarmFlag = {true, true};
        alarm.alarmValue = {300, 100};
        QCOMPARE(log->showAlarmState(alarm), int(RESULT_LEFT_RIGHT));
        QCOMPARE(log->alarmFills(), (std::array<BoxFill, 3>{BoxFill::Red, BoxFill::White, BoxFill::Red}));
        alarm.alarmFlag = {false, false};
        QCOMPARE(log->showAlarmState(alarm), int(NO_ALARM_RESULT));
        QCOMPARE(log->alarmFills(), (std::array<BoxFill, 3>{BoxFill::White, BoxFill::White, BoxFill::White}));

        // Logging turns the numbers pane green; a lost connection covers it.
        s.control().enableStateButtons();
        s.key(Qt::Key_F);
        s.key(Qt::Key_G);
        QVERIFY(log->numbersWnd()->logging());
        s.context.logging.lostShown = true;
        QTRY_VERIFY(log->numbersWnd()->connectionLostShown());  // the status tick redraws
    }

    // The painted indicator: outlines black, insides as filled, letters at
    // both sides; with the alarm off the region is button face.
    void alarmIndicatorPainting() {
        const AlarmIndicatorGeometry g = alarmIndicatorGeometry(20, 662, 2, 8);
        const QColor face(240, 240, 240);
        auto paint = [&](int alarmType) {
            QImage image(700, 24, QImage::Format_RGB32);
            image.fill(Qt::darkBlue);
            QPainter painter(&image);
            drawAlarmIndicator(painter, g, alarmType, 1, {BoxFill::White, BoxFill::Red, BoxFill::Leave}, QFont(), face);
            return image;
        };
        const QImage on = paint(1);
        const Rect& middle = g.boxes[1];
        QCOMPARE(on.pixelColor(middle.x, middle.y + 5), QColor(Qt::black));
        QCOMPARE(on.pixelColor(middle.right(), middle.y + 5), QColor(Qt::black));
        QCOMPARE(on.pixelColor(middle.x + 5, middle.bottom()), QColor(Qt::black));
        QCOMPARE(on.pixelColor(middle.x + 5, middle.y + 5), QColor(255, 0, 0));
        QCOMPARE(on.pixelColor(g.boxes[2].x + 5, 9), QColor(Qt::white));  // Leave paints white at paint time
        bool letterInk = false;
        for (int x = g.letterLeft.x; x < g.letterLeft.right(); ++x)
            for (int y = g.letterLeft.y; y < g.letterLeft.bottom(); ++y) letterInk |= on.pixelColor(x, y) != face;
        QVERIFY(letterInk);

        const QImage off = paint(0);
        for (const Rect& box : g.boxes) QCOMPARE(off.pixelColor(box.x + 5, box.y + 5), face);
        QCOMPARE(off.pixelColor(g.region.x - 1, 9), QColor(Qt::darkBlue));  // nothing outside the region
    }

    // Landscape without the map, in the fonts the screen really uses: every
    // line of the information block and the speed caption inside the window
    // above the status band, off the panes and buttons.
    void landscapeWithoutMapTextsFit_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("sensors");
        for (const QSize size : {QSize(1024, 768), QSize(1366, 768), QSize(800, 600)}) {
            for (const int sensors : {1, 2}) {
                const QString name =
                    QStringLiteral("%1x%2 %3 sensor").arg(size.width()).arg(size.height()).arg(sensors);
                QTest::newRow(qPrintable(name)) << size << sensors;
            }
        }
    }
    void landscapeWithoutMapTextsFit() {
        QFETCH(QSize, screen);
        QFETCH(int, sensors);
        LoggingScreen s(screen);
        s.config.sensorCountIndex = sensors - 1;
        test::HandshakePeer peer(s.instrument, "OK");
        QTest::keyClick(s.window.get(), Qt::Key_L);
        QCOMPARE(s.state(), LoggingState::Monitoring);
        s.control().menuCommand(MENU_TOGGLE_VIEW);
        QVERIFY(!s.log()->mapWnd()->isVisible());

        const ReadoutLayout& r = s.log()->readoutLayout();
        QVERIFY(r.informationFits);
        QVERIFY(r.used[INFO_BATTERY] && r.used[INFO_CURRENT]);
        std::vector<QRect> texts{QRect(r.speed.x, r.speed.y, r.speed.width, r.speed.height)};
        for (const InfoField& f : r.fields) {
            if (f.labelRect.height == 0) continue;
            for (const Rect& t : {f.labelRect, f.valueRect}) texts.emplace_back(t.x, t.y, t.width, t.height);
        }
        const QRect client(0, 0, s.log()->width(), s.log()->height() - kStatusBand);
        std::vector<QWidget*> occupied;
        for (QWidget* child : s.log()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible() && !qobject_cast<QLabel*>(child)) occupied.push_back(child);
        occupied.push_back(s.log()->pauseButton());  // shown in the same row while logging
        for (const QRect& text : texts) {
            QVERIFY2(client.contains(text),
                     qPrintable(QStringLiteral("text at %1,%2 outside").arg(text.x()).arg(text.bottom())));
            for (const QWidget* w : occupied)
                QVERIFY2(!text.intersects(w->geometry()), qPrintable(w->objectName()));
        }
    }

    void screenshots_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("map");
        QTest::addColumn<QString>("name");
        QTest::newRow("landscape map") << QSize(1024, 768) << true << "logging_screen_1024x768";
        QTest::newRow("landscape profiles") << QSize(1024, 768) << false << "logging_screen_1024x768_nomap";
        QTest::newRow("small landscape profiles") << QSize(800, 600) << false << "logging_screen_800x600_nomap";
        QTest::newRow("portrait map") << QSize(800, 1280) << true << "logging_screen_800x1280";
        QTest::newRow("portrait profiles") << QSize(800, 1280) << false << "logging_screen_800x1280_nomap";
    }
    void screenshots() {
        QFETCH(QSize, screen);
        QFETCH(bool, map);
        QFETCH(QString, name);
        const QByteArray folder = qgetenv("VELOX_SCREENSHOT_DIR");
        if (folder.isEmpty()) QSKIP("no screenshot folder");
        QDir().mkpath(QString::fromUtf8(folder));
        LoggingScreen s(screen);
        s.config.colourMapView = 1;
        s.config.alarmType = 1;
        test::HandshakePeer peer(s.instrument, "OK");
        QTest::keyClick(s.window.get(), Qt::Key_L);
        s.control().enableStateButtons();
        s.key(Qt::Key_F);
        if (!map) s.control().menuCommand(MENU_TOGGLE_VIEW);
        s.key(Qt::Key_G);
        Em61Readout readout;
        readout.reading = Lx2Reading{};
        readout.sensorCount = 2;
        readout.channelTexts = {"    123.4", "     56.7", "     12.3", "    101.0", "     48.2", "      9.9"};
        readout.batteryText = " 12.6 V";
        readout.currentText = " 2.1 A";
        readout.counted = true;
        readout.stationText = "14.00      ";
        readout.readingCountText = "57     ";
        readout.loggingTimeText = "00:02:41";
        s.log()->showInstrumentReadout(readout);
        GpsReadouts gps;
        gps.quality = u"RTK4";
        gps.satellites = u"11";
        gps.dilution = u"0.9";
        gps.coordinate1 = u"N 45 30 12.345678";
        gps.coordinate2 = u"W-73 34 56.789012";
        gps.fixCount = u"143   ";
        gps.speed = u" 1.12 m/s";
        s.log()->showGpsReadouts(gps);
        Em61AlarmState alarm;
        alarm.alarmFlag = {true, false};
        alarm.alarmValue = {150, 50};
        s.log()->showAlarmState(alarm);
        QVERIFY(s.window->grab().save(QString::fromUtf8(folder) + "/" + name + ".png"));
    }

    void coordinatesUnitsDialog() {
        int display = 3;
        const CoordinatesUnitsChoice choice = coordinatesUnitsChoice(1, display);
        CoordinatesUnitsDialog dialog(nullptr, choice);
        QCOMPARE(dialog.objectName(), QStringLiteral("COORDINATESUNITS"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Coordinates Display Units"));
        auto* units = dialog.findChild<QComboBox*>(QStringLiteral("1004"));
        QVERIFY(units);
        QCOMPARE(units->count(), 4);
        QCOMPARE(units->currentText(), QStringLiteral("UTM US Feet"));
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("1")));
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("2")));
    }
};

QTEST_MAIN(LoggingScreenTest)
#include "logging_screen_test.moc"
