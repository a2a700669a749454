// The colour-scale preview in both forms and the colour strip of the logging
// window, painted offscreen: the colours sit where the scale says, colour 0
// at the bottom, and screenshots go to VELOX_SCREENSHOT_DIR.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "config/survey_config.h"
#include "display/color_bar_wnd.h"
#include "display/palette.h"

using namespace velox;

namespace {

QColor paletteColour(int index) { return qColourOf(PALETTE_COLOURS[index]); }

void saveScreenshot(const QImage& image, const QString& name) {
    const QByteArray folder = qgetenv("VELOX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromUtf8(folder));
    QVERIFY(image.save(QString::fromUtf8(folder) + "/" + name));
}

}  // namespace

class ColorBarWndTest : public QObject {
    Q_OBJECT
private slots:
    void paintsBothForms_data() {
        QTest::addColumn<int>("instrument");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("file");
        QTest::newRow("one scale") << static_cast<int>(InstrumentType::Em61Lx2) << 142 << "colour-scale-one.png";
        QTest::newRow("two scales") << static_cast<int>(InstrumentType::Em31Mk2) << 244 << "colour-scale-two.png";
    }

    void paintsBothForms() {
        QFETCH(int, instrument);
        QFETCH(int, width);
        QFETCH(QString, file);
        const Palette palette = createPalette(SurveyConfig{});
        QWidget parent;
        parent.resize(400, 400);
        ColorBarWnd pane(&parent);
        pane.setColourPalette(&palette);
        pane.placeFor(static_cast<InstrumentType>(instrument));
        pane.setScale(0, 500);
        pane.setInphaseScale(-25, 25);
        QCOMPARE(pane.width(), width);
        QCOMPARE(pane.height(), 296);
        const QImage image = pane.grab().toImage();
        saveScreenshot(image, file);

        const int top = 28;  // (306 - 250) / 2
        const int shifts = pane.showsTwoScales() ? 2 : 1;
        for (int scale = 0; scale < shifts; ++scale) {
            const int x = 85 + scale * 132;
            for (int i : {0, 1, 25, 48, 49}) {
                const int y = top + 250 - i * 5 - 3;  // middle of cell i
                QCOMPARE(image.pixelColor(x, y), paletteColour(i));
            }
            QCOMPARE(image.pixelColor(74 + scale * 132, 150), qColourOf(0x404040));  // frame
            QCOMPARE(image.pixelColor(65 + scale * 132, top + 125), qColourOf(0x404040));  // tick mark
        }
    }

    void stripRunsFromColour0AtTheBottomToColour49AtTheTop() {
        const Palette palette = createPalette(SurveyConfig{});
        QImage image(60, 320, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            drawColourStrip(painter, palette, 10, 30, 10, 302);
        }
        saveScreenshot(image, "colour-strip.png");
        const double cell = 300 / 50.0;
        for (int i : {0, 10, 49}) {
            const int y = 10 + 302 - static_cast<int>((i + 0.5) * cell);
            QCOMPARE(image.pixelColor(20, y), paletteColour(i));
        }
        QCOMPARE(image.pixelColor(10, 100), qColourOf(0x404040));  // frame on the left edge
        QCOMPARE(image.pixelColor(5, 100), QColor(Qt::white));     // nothing outside it
    }
};

QTEST_MAIN(ColorBarWndTest)
#include "color_bar_wnd_test.moc"
