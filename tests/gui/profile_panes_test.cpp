// The profile, bar and speed panes drawn into their canvases: scrolling,
// curves starting afresh, bars following the readings, the speed bar, and
// the EM61-LX2 feed routing each sensor to its panes. Screenshots of the
// panes after a few dozen readings go to VELOX_SCREENSHOT_DIR.

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QtTest>
#include <cmath>
#include <memory>

#include "acquisition/em61_decode.h"
#include "display/palette.h"
#include "display/profile_panes.h"

using namespace velox;

namespace {

QColor slotColour(const SurveyConfig& config, int slot) { return qColourOf(config.profileColour[size_t(slot)]); }

bool columnHas(const QImage& image, int x, const QColor& colour, int fromRow = 0, int toRow = -1) {
    if (toRow < 0) toRow = image.height() - 1;
    for (int y = std::max(0, fromRow); y <= std::min(toRow, image.height() - 1); ++y)
        if (image.pixelColor(x, y) == colour) return true;
    return false;
}

bool imageHas(const QImage& image, const QColor& colour) {
    for (int x = 0; x < image.width(); ++x)
        if (columnHas(image, x, colour)) return true;
    return false;
}

template <typename Pane>
std::unique_ptr<Pane> shownPane(int width, int height) {
    auto pane = std::make_unique<Pane>(nullptr);
    pane->resize(width, height);
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->show();
    return pane;
}

ScaleLines linesFor(int height, double min, double max) {
    ScaleLines lines;
    computeScaleLines(lines, height, min, max, pixelFactor(height, min, max));
    return lines;
}

Lx2Reading lx2Reading(double leftE, double leftL, double leftF, double rightE = 0, double rightL = 0,
                      double rightF = 0) {
    Lx2Reading reading;
    reading.channels = {leftE, leftL, rightE, rightL};
    reading.filtered = {leftF, rightF};
    return reading;
}

}  // namespace

class ProfilePanesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        config = SurveyConfig{};
        config.profileLineWidth = {4, 2, 1, 1, 1, 1, 1, 1};
        pens = createPalette(config);
    }

    // The newest value sits 10 px from the right and each reading scrolls by
    // 2 px; the thick pen leaves nothing right of the cleared columns.
    void profileScrollsTwoPixelsPerReading() {
        auto pane = shownPane<CurveWnd>(330, 340);
        pane->setup(pens, linesFor(340, 0.0, 2000.0));
        const int steps = 30;
        const CurvePoint point[] = {{0, 100, 0}};
        for (int i = 0; i < steps; ++i) pane->profileStep(point);
        const QImage& image = pane->canvas();
        const QColor curve = slotColour(config, 0);
        const int newest = 330 - 10;
        QVERIFY(columnHas(image, newest, curve, 100, 100));
        QVERIFY(columnHas(image, newest - 2 * (steps - 1), curve, 100, 100));
        QVERIFY(!columnHas(image, newest - 2 * (steps - 1) - 4, curve));
        for (int x = newest + 2; x < 330; ++x) QVERIFY2(!columnHas(image, x, curve), qPrintable(QString::number(x)));
    }

    void curvesStartAfresh_data() {
        QTest::addColumn<int>("restart");  // 0 nothing, 1 resetCurves, 2 kind change, 3 new scale
        QTest::newRow("joined") << 0;
        QTest::newRow("reset") << 1;
        QTest::newRow("curve kind changed") << 2;
        QTest::newRow("scale changed") << 3;
    }
    void curvesStartAfresh() {
        QFETCH(int, restart);
        auto pane = shownPane<CurveWnd>(200, 300);
        pane->setup(pens, linesFor(300, 0.0, 2000.0));
        const CurvePoint high[] = {{1, 50, 0}};
        pane->profileStep(high);
        pane->profileStep(high);
        if (restart == 1) pane->resetCurves();
        if (restart == 3) pane->setup(pens, linesFor(300, 0.0, 1000.0));
        const CurvePoint low[] = {{1, 250, restart == 2 ? 1 : 0}};
        pane->profileStep(low);
        const bool joined = columnHas(pane->canvas(), 200 - 11, slotColour(config, 1), 60, 240);
        QCOMPARE(joined, restart == 0);
    }

    void repaintShowsOnlyTheScaleLines() {
        auto pane = shownPane<CurveWnd>(200, 200);
        const ScaleLines lines = linesFor(200, -25.0, 25.0);
        pane->setup(pens, lines);
        const CurvePoint points[] = {{0, 20, 0}, {1, 120, 0}, {2, 180, 0}};
        for (int i = 0; i < 10; ++i) pane->profileStep(points);
        QVERIFY(imageHas(pane->canvas(), slotColour(config, 2)));
        pane->repaintProfile();
        for (int slot = 0; slot < 3; ++slot) QVERIFY(!imageHas(pane->canvas(), slotColour(config, slot)));
        const QColor grey = pens.gridPen.color();
        QCOMPARE(pane->canvas().pixelColor(5, lines.rows[1]), grey);
        QCOMPARE(pane->canvas().pixelColor(5, lines.rows[0]), pens.zeroLinePen.color());
    }

    // One sensor: profile B and the decay pane, three bars in slots 0-2.
    void oneSensorFeedsProfileBAndDecay() {
        auto profileB = shownPane<CurveWnd>(330, 340);
        auto decay = shownPane<DecayWnd>(110, 300);
        Lx2PaneFeed feed(config, pens, {profileB.get(), nullptr, decay.get(), nullptr, nullptr});
        config.readingScaleMin = 0;
        config.readingScaleMax = 2000;
        feed.relayout();
        feed.onReading(lx2Reading(1500, 500, 1000), 1, true);
        const BarGeometry g = barGeometry(InstrumentType::Em61Lx2, 1, 110);
        const int expectedTop[] = {75, 225, 150};  // (2000 - v) * 300 / 2000
        for (int bar = 0; bar < 3; ++bar) {
            const int x = g.left[size_t(bar)] + g.width / 2;
            QCOMPARE(decay->tops().top[size_t(bar)], expectedTop[bar]);
            QCOMPARE(decay->canvas().pixelColor(x, expectedTop[bar] + 3), slotColour(config, bar));
            QCOMPARE(decay->canvas().pixelColor(x, expectedTop[bar] - 3), QColor(Qt::white));
        }
        // The early channel falls: its bar's upper part is painted white.
        feed.onReading(lx2Reading(400, 500, 1000), 1, true);
        const int x = g.left[0] + g.width / 2;
        QCOMPARE(decay->canvas().pixelColor(x, 100), QColor(Qt::white));
        QCOMPARE(decay->canvas().pixelColor(x, 250), slotColour(config, 0));
        QVERIFY(columnHas(profileB->canvas(), 320, slotColour(config, 0)));
    }

    // Two sensors: the right sensor's values go to profile C and BarIWnd only.
    void twoSensorsFeedTheirOwnPanes() {
        auto profileB = shownPane<CurveWnd>(330, 168);
        auto profileC = shownPane<CurveWnd>(330, 168);
        auto barQ = shownPane<BarQWnd>(54, 300);
        auto barI = shownPane<BarIWnd>(54, 300);
        config.readingScaleMin = 0;
        config.readingScaleMax = 2000;
        Lx2PaneFeed feed(config, pens, {profileB.get(), profileC.get(), nullptr, barQ.get(), barI.get()});
        feed.relayout();
        for (int i = 0; i < 3; ++i) feed.onReading(lx2Reading(1800, 1800, 1800, 200, 200, 200), 2, true);
        QCOMPARE(barQ->tops().top[0], 30);
        QCOMPARE(barI->tops().top[0], 270);
        const QColor e = slotColour(config, 0);
        QVERIFY(columnHas(profileB->canvas(), 320, e, 0, 30));
        QVERIFY(!columnHas(profileB->canvas(), 320, e, 60, 167));
        QVERIFY(columnHas(profileC->canvas(), 320, e, 140, 167));
        QVERIFY(!columnHas(profileC->canvas(), 320, e, 0, 100));

        // A reset starts the bars again from their baseline.
        feed.reset();
        feed.onReading(lx2Reading(1000, 1000, 1000, 1000, 1000, 1000), 2, true);
        const BarGeometry g = barGeometry(InstrumentType::Em61Lx2, 2, 110);
        QCOMPARE(barI->canvas().pixelColor(g.left[0] + 2, 200), e);
        QCOMPARE(barI->canvas().pixelColor(g.left[0] + 2, 100), QColor(Qt::white));
    }

    void speedBar_data() {
        QTest::addColumn<double>("speed");
        QTest::addColumn<int>("blue");
        QTest::newRow("at the top of the scale") << 5.0 << 300;
        QTest::newRow("above it") << 9.0 << 300;
        QTest::newRow("half") << 2.5 << 150;
        QTest::newRow("standing") << 0.0 << 0;
    }
    void speedBar() {
        QFETCH(double, speed);
        QFETCH(int, blue);
        auto bar = shownPane<SpeedWnd>(300, 8);
        bar->setSpeedScale(5.0);
        bar->speedBarUpdate(1.0);
        bar->speedBarUpdate(speed);
        const QImage& image = bar->canvas();
        for (int x = 0; x < 300; ++x)
            QCOMPARE(image.pixelColor(x, 4), x < blue ? QColor(0, 0, 255) : QColor(Qt::white));
    }

    void screenshots() {
        const QByteArray folder = qgetenv("VELOX_SCREENSHOT_DIR");
        if (folder.isEmpty()) QSKIP("no screenshot folder");
        QDir().mkpath(QString::fromUtf8(folder));
        config.profileLineWidth = {2, 2, 2, 1, 2, 3, 4, 1};
        pens = createPalette(config);
        config.readingScaleMin = -200;
        config.readingScaleMax = 1800;
        for (int sensors : {1, 2}) {
            QWidget screen;
            screen.setAttribute(Qt::WA_DontShowOnScreen);
            screen.setStyleSheet(QStringLiteral("background: #d4d0c8"));
            auto* profiles = new QVBoxLayout;
            auto* profileB = new CurveWnd(&screen);
            auto* profileC = new CurveWnd(&screen);
            profileB->setFixedSize(330, sensors == 1 ? 340 : 168);
            profileC->setFixedSize(330, 168);
            profiles->addWidget(profileB);
            if (sensors == 2) profiles->addWidget(profileC);
            profileC->setVisible(sensors == 2);
            auto* decay = new DecayWnd(&screen);
            auto* barQ = new BarQWnd(&screen);
            auto* barI = new BarIWnd(&screen);
            decay->setFixedSize(110, 300);
            barQ->setFixedSize(54, 300);
            barI->setFixedSize(54, 300);
            decay->setVisible(sensors == 1);
            barQ->setVisible(sensors == 2);
            barI->setVisible(sensors == 2);
            auto* speed = new SpeedWnd(&screen);
            speed->setFixedSize(330, 8);
            profiles->addWidget(speed);
            auto* row = new QHBoxLayout(&screen);
            row->addLayout(profiles);
            row->addWidget(decay, 0, Qt::AlignTop);
            row->addWidget(barQ, 0, Qt::AlignTop);
            row->addWidget(barI, 0, Qt::AlignTop);
            screen.show();
            Lx2PaneFeed feed(config, pens, {profileB, profileC, decay, barQ, barI});
            feed.relayout();
            for (int i = 0; i < 60; ++i) {
                const double target = 1500.0 * std::exp(-std::pow((i - 35) / 5.0, 2));
                const double noise = 20.0 * std::sin(i * 1.7);
                feed.onReading(lx2Reading(target + 100 + noise, 0.5 * target + 40, 0.7 * target + 60 - noise,
                                          0.6 * target - 150 + noise, 0.3 * target, 0.4 * target - 100),
                               sensors, true);
            }
            speed->setSpeedScale(5.0);
            speed->speedBarUpdate(1.8);
            QVERIFY(screen.grab().save(QString::fromUtf8(folder) + QStringLiteral("/panes_%1_sensor.png").arg(sensors)));
        }
    }

private:
    SurveyConfig config;
    Palette pens;
};

QTEST_MAIN(ProfilePanesTest)
#include "profile_panes_test.moc"
