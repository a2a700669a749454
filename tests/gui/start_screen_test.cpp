// The start window on the offscreen platform: layout for several screens,
// keys and access letters, the reset and exit commands, the summary and the
// sketch, the uptime stop and the message dialog.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <thread>

#include "acquisition/monitor_gps_wnd.h"
#include "app/message_dialog.h"
#include "app/start_wnd.h"
#include "display/screen_log_wnd.h"
#include "platform/clock.h"
#include "platform/paths.h"

using namespace velox;

namespace {

const Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};

// A fresh data root and a start window on a screen of the given size.
struct StartScreen {
    explicit StartScreen(QSize screenSize = {1024, 768}, const Variant& variant = kLx2) : variant(variant) {
        qputenv("PROGRAMDATA", dataRoot.path().toUtf8());
        qputenv("HOME", dataRoot.path().toUtf8());
        open(screenSize);
    }
    void open(QSize screenSize = {1024, 768}) {
        window.reset();
        config = std::make_unique<SurveyConfig>();
        context = std::make_unique<SurveyContext>();
        window = std::make_unique<StartWnd>(variant, *config, *context, screenSize);
        window->show();
    }
    QString settingsFile() const { return QString::fromStdString(settingsFilePath(settingsStem(variant)).string()); }
    int selected() const { return context->screen.selectedButton; }

    QTemporaryDir dataRoot;
    Variant variant;
    std::unique_ptr<SurveyConfig> config;
    std::unique_ptr<SurveyContext> context;
    std::unique_ptr<StartWnd> window;
};

// Runs `act` on the next modal message dialog once it is open.
void whenMessageOpens(std::function<void(MessageDialog*)> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

void clickButton(QDialog* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    QFAIL(qPrintable("no button " + text));
}

QString labelText(QDialog* dialog) { return dialog->findChild<QLabel*>(QStringLiteral("550"))->text(); }

void replaceSettingsLine(const QString& path, int line, const QByteArray& value) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QVERIFY(line < lines.size());
    lines[line] = value + "\r";
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
}

class FixedUptimeClock final : public Clock {
public:
    explicit FixedUptimeClock(Tick now) : now_(now) {}
    Tick now() override { return now_; }
    void wait(uint32_t ms) override { now_ += ms + 1; }

private:
    Tick now_;
};

}  // namespace

class StartScreenTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void layoutAndScreenshots_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<int>("portrait");
        QTest::addColumn<int>("buttonFontPixels");
        QTest::newRow("1024x768") << QSize(1024, 768) << QSize(1024, 730) << 0 << 18;
        QTest::newRow("1366x768") << QSize(1366, 768) << QSize(1280, 762) << 0 << 28;
        QTest::newRow("800x1280") << QSize(800, 1280) << QSize(800, 1242) << 1 << 24;
    }
    void layoutAndScreenshots() {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(int, portrait);
        QFETCH(int, buttonFontPixels);
        StartScreen s(screen);
        StartWnd& w = *s.window;
        const QByteArray folder = qgetenv("VELOX_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromUtf8(folder));
            const QString name = QStringLiteral("%1/start-screen-%2x%3.png")
                                     .arg(QString::fromUtf8(folder))
                                     .arg(screen.width())
                                     .arg(screen.height());
            QVERIFY(w.grab().save(name));
        }
        QCOMPARE(w.objectName(), QStringLiteral("Velox"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Velox61LX2"));
        QCOMPARE(w.size(), window);
        QCOMPARE(s.context->portraitScreen, portrait);
        QCOMPARE(s.context->screen.clientWidth, window.width());
        QCOMPARE(s.context->screen.clientHeight, window.height());

        const ButtonLayout expected = layoutStartButtons(window.width(), window.height(), portrait);
        for (int i = 0; i < kStartButtonCount; ++i) {
            auto* button = w.findChild<QPushButton*>(QString::number(420 + i));
            QVERIFY(button);
            QCOMPARE(button, w.startButton(i));
            const Rect& r = expected.buttons[i];
            QCOMPARE(button->geometry(), QRect(r.x, r.y, r.width, r.height));
            // The font of the screen size, made smaller only where the label would not fit.
            QVERIFY(button->font().pixelSize() <= buttonFontPixels);
            QVERIFY(button->font().pixelSize() >= buttonFontPixels - 8);
            QCOMPARE(button->font().weight(), QFont::DemiBold);
            QCOMPARE(button->font(), w.startButton(0)->font());
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
            QCOMPARE(button->isDefault(), i == 0);
            // The label fits its button.
            QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text().remove('&')) < r.width - 8,
                     qPrintable(button->text()));
        }
        QCOMPARE(w.startButton(3)->text(), QStringLiteral("Alarms S&etup"));

        for (QWidget* child : {static_cast<QWidget*>(w.logWindow()), static_cast<QWidget*>(w.gpsMonitorWindow())}) {
            QVERIFY(!child->isVisible());
            QCOMPARE(child->geometry(), QRect(QPoint(0, 0), window));
        }
        QCOMPARE(w.logWindow()->objectName(), QStringLiteral("4"));
        QCOMPARE(w.gpsMonitorWindow()->objectName(), QStringLiteral("780"));
        QVERIFY(QFile::exists(s.settingsFile()));
        QVERIFY(QDir(QString::fromStdString(temporaryFolder().string())).exists());

    }

    void leftSelectsExitAndEnterCloses() {
        StartScreen s;
        QTest::keyClick(s.window.get(), Qt::Key_Left);
        QCOMPARE(s.selected(), 9);
        QVERIFY(s.window->startButton(9)->isDefault());
        QVERIFY(!s.window->startButton(0)->isDefault());
        QTest::keyClick(s.window.get(), Qt::Key_Return);
        QVERIFY(!s.window->isVisible());
    }

    void selectionKeysWrap_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("selected");
        QTest::newRow("tab") << QList<int>{Qt::Key_Tab} << 1;
        QTest::newRow("right, down") << QList<int>{Qt::Key_Right, Qt::Key_Down} << 2;
        QTest::newRow("ten tabs come round") << QList<int>(10, Qt::Key_Tab) << 0;
        QTest::newRow("up before the first") << QList<int>{Qt::Key_Up} << 9;
        QTest::newRow("left, left, right") << QList<int>{Qt::Key_Left, Qt::Key_Left, Qt::Key_Right} << 9;
        QTest::newRow("past the last") << QList<int>{Qt::Key_Left, Qt::Key_Down} << 0;
        QTest::newRow("other keys ignored") << QList<int>{Qt::Key_Down, Qt::Key_F1, Qt::Key_5, Qt::Key_Space} << 1;
    }
    void selectionKeysWrap() {
        QFETCH(QList<int>, keys);
        QFETCH(int, selected);
        StartScreen s;
        for (int key : keys) QTest::keyClick(s.window.get(), Qt::Key(key));
        QCOMPARE(s.selected(), selected);
        for (int i = 0; i < kStartButtonCount; ++i) QCOMPARE(s.window->startButton(i)->isDefault(), i == selected);
        QVERIFY(s.window->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
    }

    // E opens the alarm setup of the EM61-LX2 (scale_dialog_tests).
    void accessLettersOfLaterScreensChangeNothing() {
        StartScreen s;
        for (Qt::Key key : {Qt::Key_L, Qt::Key_S, Qt::Key_T, Qt::Key_G, Qt::Key_O, Qt::Key_M, Qt::Key_P}) {
            QTest::keyClick(s.window.get(), key);
            QVERIFY(s.window->isVisible());
            QVERIFY(!QApplication::activeModalWidget());
        }
        QCOMPARE(s.context->screen.screenState.load(), 0);
        QCOMPARE(s.selected(), 0);
    }

    void letterXExits() {
        StartScreen s;
        QTest::keyClick(s.window.get(), Qt::Key_X);
        QVERIFY(!s.window->isVisible());
    }

    void resetAsksThenDeletesAndCloses() {
        StartScreen s;
        QVERIFY(QFile::exists(s.settingsFile()));
        bool asked = false;
        whenMessageOpens([&](MessageDialog* dialog) {
            asked = true;
            QCOMPARE(dialog->objectName(), QStringLiteral("MESSAGEOKCANCEL"));
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Reset to Default Setting"));
            QCOMPARE(labelText(dialog),
                     QStringLiteral("Program settings will be reset to default and the program will close"));
            clickButton(dialog, QStringLiteral("OK"));
        });
        QTest::keyClick(s.window.get(), Qt::Key_R);
        QVERIFY(asked);
        QVERIFY(!QFile::exists(s.settingsFile()));
        QVERIFY(!s.window->isVisible());
    }

    void resetCancelledChangesNothing() {
        StartScreen s;
        QFile file(s.settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        whenMessageOpens([](MessageDialog* dialog) { clickButton(dialog, QStringLiteral("Cancel")); });
        QTest::mouseClick(s.window->startButton(CMD_RESET_TO_DEFAULT), Qt::LeftButton);
        QVERIFY(s.window->isVisible());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void summaryOfDisabledInstrument() {
        StartScreen s;
        // Line 4 after the version tag is the instrument's state.
        replaceSettingsLine(s.settingsFile(), 4, "0");
        s.open();
        const SettingsSummary rows = s.window->summaryRows();
        QCOMPARE(rows[0].leftLabel, std::string("Survey Mode:"));
        QCOMPARE(rows[0].leftValue, std::string("N/A"));
        QCOMPARE(rows[1].rightLabel, std::string("EM61-LX2 Type:"));
        QCOMPARE(rows[1].rightValue, std::string("Disabled"));
        QVERIFY(!s.window->grab().isNull());  // paints with the instrument disabled
    }

    void sketchFollowsSensorCount() {
        StartScreen s;
        QCOMPARE(s.window->sketch().body.size(), size_t(2));
        replaceSettingsLine(s.settingsFile(), 3, "0");  // one sensor
        s.open();
        QCOMPARE(s.window->sketch().body.size(), size_t(1));
    }

    void unusableDataRootRunsOnTheDefaults() {
        // A data root that is a plain file: no folder can be made under it
        // (whatever the user's rights), so nothing can be stored.
        QTemporaryDir dir;
        const QString blocked = dir.filePath(QStringLiteral("not-a-folder"));
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("PROGRAMDATA", blocked.toUtf8());
        SurveyConfig config;
        SurveyContext context;
        StartWnd window(kLx2, config, context, {1024, 768});
        window.show();
        QVERIFY(!QFile::exists(QString::fromStdString(settingsFilePath("Velox61LX2").string())));
        QCOMPARE(window.summaryRows()[0].leftValue, std::string("AUTO"));
        QCOMPARE(window.sketch().body.size(), size_t(2));
        QTest::keyClick(&window, Qt::Key_X);
        QVERIFY(!window.isVisible());
    }

    void otherInstrumentsBuildTheirScreens_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("geometryButton");
        QTest::newRow("EM61-MK2") << int(InstrumentType::Em61Mk2) << "G&eometry Setup";
        QTest::newRow("EM31-MK2") << int(InstrumentType::Em31Mk2) << "G&eometry Setup";
        QTest::newRow("EM34-3") << int(InstrumentType::Em34_3) << "G&eometry Setup";
        QTest::newRow("Grad601") << int(InstrumentType::Grad601) << "G&eometry Setup";
    }
    void otherInstrumentsBuildTheirScreens() {
        QFETCH(int, type);
        QFETCH(QString, geometryButton);
        StartScreen s({800, 1280}, Variant{InstrumentType(type), ProductLine::Orv, {}});
        QCOMPARE(s.window->startButton(3)->text(), geometryButton);
        QCOMPARE(s.window->windowTitle(), QString::fromStdString(variantTitle(s.variant)));
        QVERIFY(!s.window->sketch().body.empty());
        QVERIFY(!s.window->grab().isNull());
    }

    void longUptimeStopsTheProgram() {
        FixedUptimeClock clock(1'728'000'001);
        setClock(&clock);
        QString title, text;
        whenMessageOpens([&](MessageDialog* dialog) {
            title = dialog->windowTitle();
            text = labelText(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("MESSAGEOK"));
            clickButton(dialog, QStringLiteral("OK"));
        });
        StartScreen s;
        setClock(nullptr);
        QCOMPARE(s.context->screen.uptimeWarning, 1);
        QTRY_VERIFY(!s.window->isVisible());
        QCOMPARE(title, QStringLiteral("Program Stop"));
        QCOMPARE(text, QStringLiteral("Windows has run for more than 20 days.\n"
                                      "Please restart the system to ensure efficient use of Windows timer.\n"
                                      "Use RESTART not SHUT DOWN."));
    }

    void uptimeJustBelowTheLimitRunsOn() {
        FixedUptimeClock clock(1'728'000'000);
        setClock(&clock);
        StartScreen s;
        setClock(nullptr);
        QCOMPARE(s.context->screen.uptimeWarning, 0);
        QTest::qWait(50);
        QVERIFY(s.window->isVisible());
    }

    void messageDialogAnswers_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("escapeAnswer");
        QTest::newRow("OK") << int(MessageButtons::Ok) << "MESSAGEOK" << QStringList{"OK"} << 1;
        QTest::newRow("OK/Cancel") << int(MessageButtons::OkCancel) << "MESSAGEOKCANCEL"
                                   << QStringList{"OK", "Cancel"} << 0;
        QTest::newRow("Yes/No") << int(MessageButtons::YesNo) << "MESSAGEYESNO" << QStringList{"Yes", "No"} << 0;
    }
    void messageDialogAnswers() {
        QFETCH(int, buttons);
        QFETCH(QString, templateName);
        QFETCH(QStringList, texts);
        QFETCH(int, escapeAnswer);
        const auto kind = MessageButtons(buttons);
        for (int i = 0; i < texts.size(); ++i) {
            whenMessageOpens([&](MessageDialog* dialog) {
                QCOMPARE(dialog->objectName(), templateName);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Title"));
                QCOMPARE(labelText(dialog), QStringLiteral("line one\nline two"));
                QCOMPARE(dialog->findChildren<QPushButton*>().size(), texts.size());
                clickButton(dialog, texts[i]);
            });
            QCOMPARE(MessageDialog::ask(nullptr, kind, "Title", "line one\r\nline two"), i == 0 ? 1 : 0);
        }
        whenMessageOpens([](MessageDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QtOperatorMessages messages(nullptr);
        QCOMPARE(messages.show("Title", "text", kind), escapeAnswer);
    }

    // A reader thread's message never makes the reader wait for the operator,
    // and a reader repeating it every few seconds does not stack dialogs.
    void messagesFromAReaderThread() {
        QWidget owner;
        QtOperatorMessages messages(&owner);
        int answers = 0;
        std::thread reader([&] {
            for (int i = 0; i < 3; ++i) answers += messages.show("Serial Port", "Cannot open COM6 for GPS", MessageButtons::Ok);
        });
        reader.join();  // returns although nobody answered
        QCOMPARE(answers, 3);
        int dialogs = 0;
        whenMessageOpens([&](MessageDialog* dialog) {
            ++dialogs;
            QCOMPARE(labelText(dialog), QStringLiteral("Cannot open COM6 for GPS"));
            clickButton(dialog, "OK");
        });
        QTRY_COMPARE(dialogs, 1);
        QTest::qWait(100);
        QCOMPARE(dialogs, 1);
        // Answered: the next one is shown again.
        std::thread([&] { messages.show("Serial Port", "Cannot open COM6 for GPS", MessageButtons::Ok); }).join();
        whenMessageOpens([&](MessageDialog* dialog) {
            ++dialogs;
            clickButton(dialog, "OK");
        });
        QTRY_COMPARE(dialogs, 2);
    }
};

QTEST_MAIN(StartScreenTest)
#include "start_screen_test.moc"
