// The reading-scale, speed-scale, alarm-setup and audio-options dialogs:
// templates, live preview, Cancel restoring, the limits OK enforces, what
// is saved, the alarm fields enabled by type, and the start screen's
// "Alarms S&etup" button.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "acquisition/em61_decode.h"
#include "app/start_wnd.h"
#include "config/survey_context.h"
#include "display/alarm_dialogs.h"
#include "display/color_bar_wnd.h"
#include "display/scale_dialogs.h"

using namespace velox;

namespace {

const Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};
const Variant kEm31{InstrumentType::Em31Mk2, ProductLine::Velox, {}};

Variant variantOf(InstrumentType type) { return {type, ProductLine::Velox, {}}; }

// What the settings file holds now; `saved` is false when there was none.
struct Stored {
    SurveyConfig config;
    bool saved = false;
};
Stored storedSettings(const Variant& variant) {
    Stored stored;
    SurveyContext context;
    stored.saved = loadSettings(variant, stored.config, context) == SettingsOutcome::Loaded;
    return stored;
}

template <typename T>
T* child(QWidget* dialog, const QString& name) {
    T* found = dialog->findChild<T*>(name);
    if (!found) qWarning("no control %s", qPrintable(name));
    return found;
}

void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Runs `act` on the next modal dialog once it is open; the poll stops itself after that.
QTimer* whenModalOpens(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start();
    return poll;
}

}  // namespace

class ScaleDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init() {
        dataRoot = std::make_unique<QTemporaryDir>();
        qputenv("PROGRAMDATA", dataRoot->path().toUtf8());
        qputenv("HOME", dataRoot->path().toUtf8());
        config = SurveyConfig{};
        resetReadingScales(InstrumentType::Em61Lx2, config);
    }

    void readingScaleTemplates_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("edits");
        QTest::newRow("EM61-LX2") << int(InstrumentType::Em61Lx2) << "READINGSCALE" << "Readings Scale" << 2;
        QTest::newRow("Grad601") << int(InstrumentType::Grad601) << "READINGSCALE" << "Readings Scale" << 2;
        QTest::newRow("EM31-MK2") << int(InstrumentType::Em31Mk2) << "READINGSCALE31"
                                  << "Conductivity/Inphase Readings Scales" << 4;
        QTest::newRow("EM38-MK2") << int(InstrumentType::Em38Mk2) << "READINGSCALE31"
                                  << "Conductivity/Inphase Readings Scales" << 4;
        QTest::newRow("EM34-3") << int(InstrumentType::Em34_3) << "READINGSCALE34" << "Readings Scale" << 2;
    }
    void readingScaleTemplates() {
        QFETCH(int, type);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(int, edits);
        resetReadingScales(InstrumentType(type), config);
        ReadingScaleDialog dialog(nullptr, variantOf(InstrumentType(type)), config, nullptr);
        QCOMPARE(dialog.objectName(), name);
        QCOMPARE(dialog.windowTitle(), title);
        QCOMPARE(dialog.findChildren<QLineEdit*>().size(), edits);
        QCOMPARE(child<QLineEdit>(&dialog, "maximum")->text(),
                 QString::number(config.readingScaleMax, 'f', 1));
    }

    // Limits that keep min below max show at once in the preview; Cancel puts everything back.
    void readingScaleLivePreviewAndCancel() {
        QWidget screen;
        auto* preview = new ColorBarWnd(&screen);
        preview->hide();
        ReadingScaleDialog dialog(&screen, kLx2, config, preview);
        QVERIFY(!preview->isHidden());
        dialog.show();
        retype(child<QLineEdit>(&dialog, "minimum"), "300");
        QCOMPARE(config.readingScaleMin, 300.0);
        retype(child<QLineEdit>(&dialog, "maximum"), "250");  // not above the minimum: waits
        QCOMPARE(config.readingScaleMax, 2000.0);
        retype(child<QLineEdit>(&dialog, "maximum"), "abc");
        QCOMPARE(config.readingScaleMax, 2000.0);
        retype(child<QLineEdit>(&dialog, "maximum"), "900");
        QCOMPARE(config.readingScaleMax, 900.0);

        QTest::mouseClick(child<QPushButton>(&dialog, "2"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(preview->isHidden());
        QCOMPARE(config.readingScaleMin, 0.0);
        QCOMPARE(config.readingScaleMax, 2000.0);
        QVERIFY(!dialog.outcome().accepted);
        QVERIFY(!storedSettings(kLx2).saved);
    }

    void readingScaleOk_data() {
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<double>("storedMin");
        QTest::addColumn<double>("storedMax");
        QTest::newRow("valid") << "-100" << "100" << -100.0 << 100.0;
        QTest::newRow("max below min") << "500" << "400" << 500.0 << 600.0;
        QTest::newRow("max equal to min") << "500" << "500.0" << 500.0 << 600.0;
        QTest::newRow("max no number keeps the limit in force") << " 12.5 " << "abc" << 12.5 << 2000.0;
        QTest::newRow("min no number keeps the limit in force") << "" << "1000" << 0.0 << 1000.0;
    }
    void readingScaleOk() {
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(double, storedMin);
        QFETCH(double, storedMax);
        QWidget screen;
        auto* preview = new ColorBarWnd(&screen);
        ReadingScaleDialog dialog(&screen, kLx2, config, preview);
        dialog.show();
        retype(child<QLineEdit>(&dialog, "minimum"), min);
        retype(child<QLineEdit>(&dialog, "maximum"), max);
        QTest::mouseClick(child<QPushButton>(&dialog, "1"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(preview->isHidden());
        QCOMPARE(config.readingScaleMin, storedMin);
        QCOMPARE(config.readingScaleMax, storedMax);
        const ReadingScaleOutcome outcome = dialog.outcome();
        QVERIFY(outcome.accepted);
        QVERIFY(outcome.rebuildMap);  // the EM61 family always rebuilds
        QCOMPARE(outcome.colourStep, (storedMax - storedMin) / 50);
        const Stored stored = storedSettings(kLx2);
        QVERIFY(stored.saved);
        QCOMPARE(stored.config.readingScaleMin, storedMin);
        QCOMPARE(stored.config.readingScaleMax, storedMax);
    }

    void inphaseLimitsDecideTheRebuild() {
        resetReadingScales(InstrumentType::Em31Mk2, config);
        config.colourMapView = 2;  // in-phase shown
        ReadingScaleDialog dialog(nullptr, kEm31, config, nullptr);
        dialog.show();
        retype(child<QLineEdit>(&dialog, "inphaseMinimum"), "10");
        retype(child<QLineEdit>(&dialog, "inphaseMaximum"), "5");
        QTest::mouseClick(child<QPushButton>(&dialog, "1"), Qt::LeftButton);
        QCOMPARE(config.inphaseScaleMin, 10.0);
        QCOMPARE(config.inphaseScaleMax, 110.0);
        QVERIFY(dialog.outcome().rebuildMap);
        QCOMPARE(dialog.outcome().colourStep, 2.0);

        config.colourMapView = 1;  // conductivity shown, only in-phase changes
        ReadingScaleDialog again(nullptr, kEm31, config, nullptr);
        again.show();
        retype(child<QLineEdit>(&again, "inphaseMaximum"), "60");
        QTest::mouseClick(child<QPushButton>(&again, "1"), Qt::LeftButton);
        QVERIFY(again.outcome().accepted);
        QVERIFY(!again.outcome().rebuildMap);
    }

    void speedScale() {
        config.speedScaleMax = 5.0;
        config.speedUnits = 1;
        SpeedScaleDialog dialog(nullptr, kLx2, config);
        dialog.show();
        QCOMPARE(dialog.objectName(), QStringLiteral("SPEEDSCALE"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set New Speed Bar Scale"));
        QCOMPARE(child<QLineEdit>(&dialog, "currentScale")->text(), QStringLiteral("5.00"));
        QVERIFY(child<QLineEdit>(&dialog, "currentScale")->isReadOnly());
        auto* units = child<QComboBox>(&dialog, "speedUnits");
        QCOMPARE(units->currentText(), QStringLiteral("ft/s"));

        // A scale the bar cannot divide by is not taken.
        for (const QString& refused : {QStringLiteral("0"), QStringLiteral("-3"), QStringLiteral("abc")}) {
            retype(child<QLineEdit>(&dialog, "newScale"), refused);
            QTest::mouseClick(child<QPushButton>(&dialog, "1"), Qt::LeftButton);
            QVERIFY2(dialog.isVisible(), qPrintable(refused));
            QCOMPARE(config.speedScaleMax, 5.0);
        }
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        retype(child<QLineEdit>(&dialog, "newScale"), "1");
        QTest::keyClick(child<QLineEdit>(&dialog, "newScale"), Qt::Key_C);  // typed, not a cancel
        QVERIFY(dialog.isVisible());
        QCOMPARE(child<QLineEdit>(&dialog, "newScale")->text(), QStringLiteral("1c"));
        retype(child<QLineEdit>(&dialog, "newScale"), "7.5");
        units->setCurrentIndex(2);
        QTest::mouseClick(child<QPushButton>(&dialog, "1"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(config.speedScaleMax, 7.5);
        QCOMPARE(config.speedUnits, 2);
        const Stored stored = storedSettings(kLx2);
        QVERIFY(stored.saved);
        QCOMPARE(stored.config.speedScaleMax, 7.5);
        QCOMPARE(stored.config.speedUnits, 2);
    }

    void speedScaleCKeyCancels() {
        config.speedScaleMax = 5.0;
        SpeedScaleDialog dialog(nullptr, kLx2, config);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* units = child<QComboBox>(&dialog, "speedUnits");
        units->setFocus();
        units->setCurrentIndex(3);
        QTest::keyClick(units, Qt::Key_C);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(config.speedUnits, 0);
        QVERIFY(!storedSettings(kLx2).saved);
    }

    void alarmFieldsFollowTheType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("common");
        QTest::addColumn<bool>("simple");
        QTest::addColumn<bool>("enhanced");
        QTest::newRow("Disabled") << 0 << false << false << false;
        QTest::newRow("Simple") << 1 << true << true << false;
        QTest::newRow("Enhanced") << 2 << true << false << true;
    }
    void alarmFieldsFollowTheType() {
        QFETCH(int, type);
        QFETCH(bool, common);
        QFETCH(bool, simple);
        QFETCH(bool, enhanced);
        auto check = [&](QWidget* dialog, const char* when) {
            for (const char* id : {"906", "908"}) QVERIFY2(child<QWidget>(dialog, id)->isEnabled() == common, when);
            QVERIFY2(child<QWidget>(dialog, "900")->isEnabled() == simple, when);
            for (const char* id : {"902", "903", "907", "905"})
                QVERIFY2(child<QWidget>(dialog, id)->isEnabled() == enhanced, when);
            QVERIFY2(child<QWidget>(dialog, "901")->isEnabled(), when);
        };
        config.alarmType = type;
        AlarmSetupDialog opened(nullptr, kLx2, config);
        check(&opened, "at opening");
        config.alarmType = (type + 1) % 3;
        AlarmSetupDialog changed(nullptr, kLx2, config);
        child<QComboBox>(&changed, "901")->setCurrentIndex(type);
        check(&changed, "after the type changed");
    }

    void alarmOkReadsNumbersAndSaves() {
        AlarmSetupDialog dialog(nullptr, kLx2, config);
        dialog.show();
        QCOMPARE(dialog.objectName(), QStringLiteral("ALARMLX2"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Alarm Setup"));
        QCOMPARE(child<QLineEdit>(&dialog, "900")->text(), QStringLiteral("100.0"));
        auto* widths = child<QComboBox>(&dialog, "907");
        QCOMPARE(widths->count(), 10);
        QCOMPARE(widths->itemText(9), QStringLiteral("21 Samples"));
        child<QComboBox>(&dialog, "901")->setCurrentIndex(ALARM_SIMPLE);
        retype(child<QLineEdit>(&dialog, "900"), "abc");
        child<QComboBox>(&dialog, "901")->setCurrentIndex(ALARM_ENHANCED);  // every level is read, enabled or not
        child<QComboBox>(&dialog, "906")->setCurrentIndex(ALARM_AUDIO_RINGING);
        child<QComboBox>(&dialog, "908")->setCurrentIndex(2);
        retype(child<QLineEdit>(&dialog, "902"), "  75.5mV");
        retype(child<QLineEdit>(&dialog, "903"), "-1.5e3");
        widths->setCurrentIndex(4);
        child<QComboBox>(&dialog, "905")->setCurrentIndex(1);
        QTest::mouseClick(child<QPushButton>(&dialog, "1"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        const Stored stored = storedSettings(kLx2);
        QVERIFY(stored.saved);
        for (const SurveyConfig* c : {static_cast<const SurveyConfig*>(&config), &stored.config}) {
            QCOMPARE(c->alarmType, int(ALARM_ENHANCED));
            QCOMPARE(c->alarmAudio, int(ALARM_AUDIO_RINGING));
            QCOMPARE(c->alarmChannel, 2);
            QCOMPARE(c->alarmLevel, 0.0);
            QCOMPARE(c->alarmMinLevel, 75.5);
            QCOMPARE(c->alarmMaxLevel, -1500.0);
            QCOMPARE(c->alarmAnomalyWidth, 4);
            QCOMPARE(c->alarmDescendingReadings, 1);
        }
    }

    void levelEntries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "120" << 120.0;
        QTest::newRow("leading blanks and a unit") << "  42.5 mV" << 42.5;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("too large") << "1e999" << 0.0;
        QTest::newRow("not a number") << "nan" << 0.0;
        QTest::newRow("only the first 39 characters") << QString(38, '0') + "12" << 1.0;
    }
    void levelEntries() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingDecimalOrZero(text), value);
    }

    void alarmCancelChangesNothing() {
        AlarmSetupDialog dialog(nullptr, kLx2, config);
        dialog.show();
        child<QComboBox>(&dialog, "901")->setCurrentIndex(ALARM_SIMPLE);
        retype(child<QLineEdit>(&dialog, "900"), "5");
        QTest::mouseClick(child<QPushButton>(&dialog, "2"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(config.alarmType, 0);
        QCOMPARE(config.alarmLevel, 100.0);
        QVERIFY(!storedSettings(kLx2).saved);
    }

    void audioOptions() {
        config.audioTicks = 1;
        config.audioDisconnectAlarm = 0;
        config.audioGpsMaskWarning = 1;
        AudioOptionsDialog cancelled(nullptr, kLx2, config);
        cancelled.show();
        child<QCheckBox>(&cancelled, "1005")->setChecked(false);
        QTest::mouseClick(child<QPushButton>(&cancelled, "2"), Qt::LeftButton);
        QCOMPARE(config.audioTicks, 1);
        QVERIFY(!storedSettings(kLx2).saved);

        AudioOptionsDialog dialog(nullptr, kLx2, config);
        dialog.show();
        QCOMPARE(dialog.objectName(), QStringLiteral("AUDIOFUNCTIONS"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Audio Options"));
        QVERIFY(!child<QCheckBox>(&dialog, "1006")->isChecked());
        QTest::mouseClick(child<QCheckBox>(&dialog, "1005"), Qt::LeftButton);
        QTest::mouseClick(child<QCheckBox>(&dialog, "1006"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(&dialog, "1"), Qt::LeftButton);
        const Stored stored = storedSettings(kLx2);
        QVERIFY(stored.saved);
        for (const SurveyConfig* c : {static_cast<const SurveyConfig*>(&config), &stored.config}) {
            QCOMPARE(c->audioTicks, 0);
            QCOMPARE(c->audioDisconnectAlarm, 1);
            QCOMPARE(c->audioGpsMaskWarning, 1);
        }
    }

    // The EM61-LX2's fourth start button opens the alarm setup; every start
    // begins with the instrument's reading scale whatever was saved.
    void startScreenAlarmsSetupAndScaleDefaults_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("opens");
        QTest::newRow("EM61-LX2") << int(InstrumentType::Em61Lx2) << "ALARMLX2";
        QTest::newRow("EM61-MK2") << int(InstrumentType::Em61Mk2) << "";
    }
    void startScreenAlarmsSetupAndScaleDefaults() {
        QFETCH(int, type);
        QFETCH(QString, opens);
        const Variant variant = variantOf(InstrumentType(type));
        {
            SurveyConfig saved;
            SurveyContext context;
            applyStartupDefaults(variant, saved, context);
            saved.readingScaleMin = 5.0;
            saved.readingScaleMax = 50.0;
            QVERIFY(saveSettings(variant, saved));
        }
        SurveyConfig started;
        SurveyContext context;
        StartWnd window(variant, started, context, QSize(1024, 768));
        window.show();
        QCOMPARE(started.readingScaleMin, 0.0);
        QCOMPARE(started.readingScaleMax, 2000.0);

        QString opened;
        QPointer<QTimer> poll = whenModalOpens([&opened](QWidget* modal) {
            opened = modal->objectName();
            static_cast<QDialog*>(modal)->reject();
        });
        QTest::keyClick(&window, Qt::Key_E);  // "Alarms S&etup" / "G&eometry Setup"
        if (opens.isEmpty()) QTest::qWait(50);
        QCOMPARE(opened, opens);
        delete poll.data();
    }

private:
    std::unique_ptr<QTemporaryDir> dataRoot;
    SurveyConfig config;
};

QTEST_MAIN(ScaleDialogsTest)
#include "scale_dialogs_test.moc"
