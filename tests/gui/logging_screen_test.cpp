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
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>
#include <memory>

#include "app/message_dialog.h"
#include "app/start_wnd.h"
#include "display/logging_dialogs.h"
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
    LoggingScreen() {
        qputenv("PROGRAMDATA", dataRoot.path().toUtf8());
        qputenv("HOME", dataRoot.path().toUtf8());
        instrument.registerAs(kInstrumentPort);
        gps.registerAs(kGpsPort);
        window = std::make_unique<StartWnd>(kLx2, config, context, QSize(1024, 768));
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
        QVERIFY(s.log()->findChild<QLabel*>(QStringLiteral("waitingForFix"))->isVisible());
        QCOMPARE(s.acquisition.calls,
                 (std::vector<std::string>{"decimation 1", "startInstrument", "createGps", "resumeGps"}));

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

    void screenshots() {
        const QByteArray folder = qgetenv("VELOX_SCREENSHOT_DIR");
        if (folder.isEmpty()) QSKIP("no screenshot folder");
        QDir().mkpath(QString::fromUtf8(folder));
        LoggingScreen s;
        test::HandshakePeer peer(s.instrument, "OK");
        QTest::keyClick(s.window.get(), Qt::Key_L);
        s.control().enableStateButtons();
        s.key(Qt::Key_F);
        s.key(Qt::Key_G);
        QVERIFY(s.window->grab().save(QString::fromUtf8(folder) + "/logging_screen_1024x768.png"));
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
