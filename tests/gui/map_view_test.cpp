// The map's tiles as the operator sees them: primitives drawn across tile
// seams look exactly as if drawn once on one sheet, the grid runs on across
// tiles, positions beyond the tile index space are refused, the palette
// survives the 16-bit tiles, and the Map Size dialog.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <set>

#include "display/fonts.h"
#include "display/map_size_dialog.h"
#include "display/map_view.h"
#include "test_support.h"

using namespace velox;

namespace {

struct RecordedMessages : OperatorMessages {
    std::vector<std::pair<std::string, std::string>> shown;
    int show(const std::string& title, const std::string& text, MessageButtons) override {
        shown.emplace_back(title, text);
        return 1;
    }
};

struct RecordedSounds : SoundPlayer {
    std::vector<std::string> played;
    void playSound(std::string_view name, bool) override { played.emplace_back(name); }
    void stopSound() override {}
};

// A map on a 102 x 102 pane (100 x 100 tiles), its first fix at the origin.
struct MapFixture {
    SurveyConfig config;
    SurveyContext context;
    Palette palette;
    Fonts fonts = createFonts(false);
    std::unique_ptr<MapView> map;
    int replays = 0;

    explicit MapFixture(int pane = 102) {
        config.gridInterval = 7.0;  // 17.5 px apart at map size 40
        palette = createPalette(config);
        context.ports.gpsEnabled = 1;
        map = std::make_unique<MapView>(config, context, palette, fonts.fontBold28, fonts.fontText);
        map->setPaneSize(pane, pane);
        map->hooks().redrawSurvey = [this] { ++replays; };
        map->mapStartSurvey();
        map->setOrigin(1000.0, 2000.0);
        map->mapOnFix(false, 2000.0, 1000.0, 0.0);
    }
    TileSize tiles() const { return map->state().tiles; }
    // Window position of a map pixel in the live view.
    QPoint shown(PixelPoint pixel) const {
        const MapViewport& view = map->state().liveView;
        const TileLocation at = mapPixelToTile(pixel, tiles());
        return {at.ix - view.offsetX + (at.tileX - view.tileX) * tiles().width,
                at.iy - view.offsetY + (view.tileY - at.tileY) * tiles().height};
    }
    // Live view placed so that the window shows the corner of four tiles at (cx, cy).
    void viewCornerAt(int cx, int cy) {
        map->state().liveView = {ORIGIN_TILE, ORIGIN_TILE, tiles().width - cx, tiles().height - cy};
    }
};

// What the composed window must show once `draw` has drawn on the survey layer: the window before, combined
// with the same drawing made once on a single 16-bit sheet in window coordinates.
QImage expectedWindow(const QImage& before, const std::function<void(QPainter&)>& draw) {
    QImage sheet(before.size(), QImage::Format_RGB16);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        draw(painter);
    }
    const QImage widened = sheet.convertToFormat(QImage::Format_RGB32);
    QImage expected = before.copy();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            expected.setPixel(x, y, before.pixel(x, y) & widened.pixel(x, y));
    return expected;
}

int differingPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

void saveScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("VELOX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    image.save(folder + QLatin1Char('/') + name);
}

}  // namespace

class MapViewTest : public QObject {
    Q_OBJECT

private slots:
    void primitivesAcrossSeamsAreWhole_data() {
        QTest::addColumn<int>("kind");  // 0 dot, 1 segment, 2 position line
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<int>("y2");
        QTest::newRow("dot two pixels west of a seam") << 0 << -2 << 20 << 0 << 0;
        QTest::newRow("dot two pixels south of a seam") << 0 << -30 << -3 << 0 << 0;
        QTest::newRow("dot on a tile corner") << 0 << 1 << 0 << 0 << 0;
        QTest::newRow("segment across a tile corner") << 1 << -9 << -7 << 8 << 11;
        QTest::newRow("steep segment across a seam") << 1 << 3 << -20 << -2 << 25;
        QTest::newRow("bar line across a corner") << 2 << -12 << 6 << 12 << -6;
    }
    void primitivesAcrossSeamsAreWhole() {
        QFETCH(int, kind);
        QFETCH(int, x1);
        QFETCH(int, y1);
        QFETCH(int, x2);
        QFETCH(int, y2);
        test::TempDataRoot root;
        MapFixture f;
        f.viewCornerAt(50, 50);
        f.map->composeView(f.map->state().liveView);
        const QImage before = f.map->window().copy();
        const QPoint a = f.shown({x1, y1});
        const QPoint b = f.shown({x2, y2});
        QCOMPARE(a, QPoint(50 + x1 - 1, 50 - y1 - 1));  // the corner of the four tiles lies at (50, 50)
        std::function<void(QPainter&)> draw;
        if (kind == 0) {
            f.map->drawPositionDot({x1, y1}, 3);
            draw = [&](QPainter& p) {
                p.setPen(f.palette.positionPen1);
                p.setBrush(f.palette.positionBrush);
                p.drawEllipse(QRect(a.x() - 4, a.y() - 4, 8, 8));
            };
        } else if (kind == 1) {
            f.map->drawPaletteSegment({x1, y1}, {x2, y2}, 37);
            draw = [&](QPainter& p) {
                p.setPen(f.palette.colourPens[37]);
                p.drawLine(a, b);
            };
        } else {
            f.map->drawPositionLine({x1, y1}, {x2, y2}, 2);
            draw = [&](QPainter& p) {
                p.setPen(f.palette.positionPen2);
                p.drawLine(a, b);
            };
        }
        f.map->composeView(f.map->state().liveView);
        const QImage expected = expectedWindow(before, draw);
        QVERIFY(differingPixels(before, f.map->window()) > 0);
        if (differingPixels(expected, f.map->window()) != 0) {
            saveScreenshot(expected, QStringLiteral("map_seam_expected.png"));
            saveScreenshot(f.map->window(), QStringLiteral("map_seam_actual.png"));
        }
        QCOMPARE(differingPixels(expected, f.map->window()), 0);
    }

    void gridRunsOnAcrossTiles() {
        test::TempDataRoot root;
        MapFixture f;
        f.viewCornerAt(40, 60);
        f.map->composeView(f.map->state().liveView);
        const QImage& window = f.map->window();
        const double spacing = f.map->state().grid.gridSpacingPixels;
        QCOMPARE(spacing, 17.5);
        // Every multiple of the spacing is a grid column at rows of both tile rows, and a grid row in both columns.
        int lines = 0;
        for (int k = -10; k <= 10; ++k) {
            // Columns round halves east, rows round them south (both measured from the tile's west and top edges).
            const QPoint column = f.shown({static_cast<int>(std::floor(k * spacing + 0.5)), 0});
            const QPoint row = f.shown({0, static_cast<int>(std::ceil(k * spacing - 0.5))});
            if (column.x() >= 0 && column.x() < 100) {
                for (int y : {5, 55, 95})
                    QVERIFY2(window.pixel(column.x(), y) != qRgb(255, 255, 255), qPrintable(QString::number(k)));
                ++lines;
            }
            if (row.y() >= 0 && row.y() < 100) {
                for (int x : {5, 45, 95})
                    QVERIFY2(window.pixel(x, row.y()) != qRgb(255, 255, 255), qPrintable(QString::number(k)));
                ++lines;
            }
        }
        QVERIFY(lines >= 10);
        saveScreenshot(window, QStringLiteral("map_grid_corner.png"));
    }

    void positionsBeyondTheIndexSpaceAreRefused() {
        test::TempDataRoot root;
        MapFixture f;
        f.map->composeView(f.map->state().liveView);
        const QImage before = f.map->window().copy();
        const std::size_t bitmaps = f.map->tileBitmapCount();
        const PixelPoint far = f.map->toPixel(1000.0 + 1e9, 2000.0);
        f.map->drawPaletteSegment({0, 0}, far, 3);
        f.map->drawPositionDot(far, 2);
        f.map->drawPositionLine({-PIXEL_LIMIT, 0}, {5, 5}, 1);
        QCOMPARE(f.map->mapFullState(), 1);
        QCOMPARE(f.map->tileBitmapCount(), bitmaps);
        const MapViewport view = f.map->state().liveView;
        f.map->mapOnFix(true, 2000.0, 1000.0 + 1e12, 1e12);
        f.map->mapOnFix(true, std::nan(""), 1000.0, 1.0);
        QCOMPARE(f.map->state().liveView, view);
        f.map->composeView(view);
        QCOMPARE(differingPixels(before, f.map->window()), 0);
    }

    void paletteColoursStayDistinct() {
        test::TempDataRoot root;
        MapFixture f(202);
        f.config.gridInterval = 1000.0;
        f.map->recomputeGrid();
        f.viewCornerAt(100, 100);
        for (int i = 0; i < PALETTE_SIZE - 1; ++i) f.map->drawPaletteSegment({-90 + 3 * i, 40}, {-90 + 3 * i, 60}, i);
        f.map->composeView(f.map->state().liveView);
        std::set<QRgb> colours;
        for (int i = 0; i < PALETTE_SIZE - 1; ++i) {
            const QPoint at = f.shown({-90 + 3 * i, 50});
            colours.insert(f.map->window().pixel(at));
        }
        QCOMPARE(int(colours.size()), PALETTE_SIZE - 1);
        QVERIFY(!colours.count(qRgb(255, 255, 255)));
    }

    void strippedSurveyScreenshot() {
        test::TempDataRoot root;
        MapFixture f(302);
        // A walk east then back west, 1 px per step, its strip coloured along the way.
        for (int step = 1; step <= 240; ++step) {
            const int x = step <= 120 ? step : 240 - step;
            const int y = step <= 120 ? 0 : -40;
            f.map->mapOnFix(true, 2000.0 + y / f.map->state().scale, 1000.0 + x / f.map->state().scale, 1.0);
            f.map->drawPaletteSegment({x, y - 15}, {x, y + 15}, (step / 3) % 50);
        }
        f.map->drawMark({60, -80}, 4, QStringLiteral("P12"));
        f.map->mapOnFix(false, 2000.0 - 40 / f.map->state().scale, 1000.0, 1.0);
        saveScreenshot(f.map->window(), QStringLiteral("map_view_strip.png"));
        QVERIFY(f.map->tileBytes() < 32u * 1024 * 1024);
    }

    void rebuildClearsTheChosenLayers_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("surveyKept");
        QTest::addColumn<bool>("backgroundKept");
        QTest::newRow("grid repainted") << 0 << true << false;
        QTest::newRow("survey cleared") << 1 << false << true;
        QTest::newRow("both") << 2 << false << false;
    }
    void rebuildClearsTheChosenLayers() {
        QFETCH(int, mode);
        QFETCH(bool, surveyKept);
        QFETCH(bool, backgroundKept);
        test::TempDataRoot root;
        MapFixture f;
        const PixelPoint dot{10, 10};
        const PixelPoint mark{-10, -10};
        f.map->drawPositionDot(dot, 2);
        f.map->drawMark(mark, 5);
        const auto shownColour = [&](PixelPoint p) {
            f.map->composeView(f.map->state().liveView);
            return f.map->window().pixel(f.shown(p));
        };
        const QRgb dotColour = shownColour(dot);
        const QRgb markColour = shownColour(mark);
        QVERIFY(dotColour != qRgb(255, 255, 255));
        QVERIFY(markColour != qRgb(255, 255, 255));
        f.map->mapRebuild(mode);
        QCOMPARE(shownColour(dot) == dotColour, surveyKept);
        QCOMPARE(shownColour(mark) == markColour, backgroundKept);
    }

    void zoomAndFitAllWorkOnlyInReview() {
        test::TempDataRoot root;
        MapFixture f;
        bool review = false;
        int captions = 0;
        f.map->hooks().reviewActive = [&review] { return review; };
        f.map->hooks().captionChanged = [&captions] { ++captions; };
        for (int step = 1; step <= 30; ++step) f.map->mapOnFix(true, 2000.0 - step, 1000.0 + 3 * step, 3.0);
        f.map->mapZoom(true);
        f.map->mapFitAll();
        QCOMPARE(f.config.mapSize, 40L);
        QCOMPARE(f.replays, 0);

        f.map->mapEnterReview();
        review = true;
        f.map->mapZoom(true);
        QCOMPARE(f.config.mapSize, 38L);
        QCOMPARE(f.map->state().scale, 100.0 / 38);
        QCOMPARE(f.replays, 1);
        f.map->mapFitAll();
        QCOMPARE(f.config.mapSize, long((90 + 0.5) * 1.1 + 10));
        QCOMPARE(f.replays, 2);
        QCOMPARE(captions, 2);
        // The whole survey is in the window: both ends of the walk.
        for (const auto& [e, n] : {std::pair{1000.0, 2000.0}, std::pair{1090.0, 1970.0}}) {
            const PixelPoint p = f.map->toPixel(e, n);
            const MapViewport& view = f.map->state().reviewView;
            const TileLocation at = mapPixelToTile(p, f.tiles());
            const int x = at.ix - view.offsetX + (at.tileX - view.tileX) * f.tiles().width;
            const int y = at.iy - view.offsetY + (view.tileY - at.tileY) * f.tiles().height;
            QVERIFY(x >= 0 && x <= 100 && y >= 0 && y <= 100);
        }

        review = false;
        f.map->mapLeaveReview();
        QCOMPARE(f.config.mapSize, 40L);
        QCOMPARE(f.map->state().scale, 100.0 / 40);
        QVERIFY(f.map->state().reanchorPending);
        QCOMPARE(f.replays, 3);
    }

    void messagesAreCentredInGrey() {
        test::TempDataRoot root;
        MapFixture f(402);
        f.map->showMapMessage(MAP_MESSAGE_WAITING_FOR_GPS);
        for (int i = 0; i < 3; ++i) f.map->advanceProgress();
        const QImage& window = f.map->window();
        int left = window.width();
        int right = -1;
        for (int y = 0; y < window.height(); ++y)
            for (int x = 0; x < window.width(); ++x)
                if (window.pixel(x, y) == qRgb(0xA0, 0xA0, 0xA0)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY(left > 0 && right < 399);  // the whole text, even on a small pane
        QVERIFY(std::abs((left + right) / 2 - 200) <= 4);
        saveScreenshot(window, QStringLiteral("map_waiting_message.png"));
    }

    void sizeDialogCancelChangesNothing() {
        test::TempDataRoot root;
        MapFixture f;
        RecordedMessages messages;
        RecordedSounds sounds;
        const double scale = f.map->state().scale;
        const int band = f.context.derived.cursorBandPixels;
        answerDialog([](MapSizeDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("1210"))->setText(QStringLiteral("90"));
            d->findChild<QLineEdit*>(QStringLiteral("1211"))->setText(QStringLiteral("0.1"));
            d->findChild<QComboBox*>(QStringLiteral("1212"))->setCurrentIndex(5);
            d->findChild<QPushButton*>(QStringLiteral("2"))->click();
        });
        QCOMPARE(mapApplySizeDialog(nullptr, *f.map, messages, sounds), 0);
        QCOMPARE(f.config.mapSize, 40L);
        QCOMPARE(f.config.gridInterval, 7.0);
        QCOMPARE(f.config.cursorBandIndex, 1);
        QCOMPARE(f.map->state().scale, scale);
        QCOMPARE(f.context.derived.cursorBandPixels, band);
        QVERIFY(messages.shown.empty());
        QCOMPARE(f.replays, 0);
    }

    void sizeDialogRefusesTooSmallAndAcceptsLarger() {
        test::TempDataRoot root;
        MapFixture f;
        RecordedMessages messages;
        RecordedSounds sounds;
        f.map->mapOnFix(true, 2000.0, 1000.0 + 3000.0, 1.0);  // 3 km east: 75 tiles at size 40
        answerDialog([](MapSizeDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("1210"))->setText(QStringLiteral("1"));
            d->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
        QCOMPARE(mapApplySizeDialog(nullptr, *f.map, messages, sounds), 1);
        QCOMPARE(f.config.mapSize, 40L);
        QCOMPARE(sounds.played, std::vector<std::string>{"SOUND_RING"});
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].first, std::string("WARNING"));
        QCOMPARE(messages.shown[0].second,
                 std::string("Map Size too small\r\nPlease select Map Size option\r\nand increase the map size"));
        QCOMPARE(f.replays, 0);

        f.map->setMapFullState(2);
        const int screenX = f.map->state().cursorScreenX;
        const int screenY = f.map->state().cursorScreenY;
        answerDialog([](MapSizeDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("1210"))->setText(QStringLiteral("200"));
            d->findChild<QLineEdit*>(QStringLiteral("1211"))->setText(QStringLiteral("0.2"));
            d->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
        QCOMPARE(mapApplySizeDialog(nullptr, *f.map, messages, sounds), 1);
        QCOMPARE(f.config.mapSize, 200L);
        QCOMPARE(f.config.gridInterval, 0.5);
        QCOMPARE(messages.shown.back().second,
                 std::string("Grid Interval must be >= 0.5 of map unit. Program assumed minimum value."));
        QCOMPARE(f.map->mapFullState(), 0);
        QCOMPARE(f.replays, 1);
        QVERIFY(f.map->state().reanchorPending);
        SurveyConfig stored;
        loadSettings(f.context.variant, stored, f.context);
        QCOMPARE(stored.mapSize, 200L);
        // The next fix keeps the cross-hair where it was, and the map is no longer full.
        f.map->mapOnFix(true, 2000.0, 1000.0 + 3001.0, 1.0);
        QCOMPARE(f.map->state().cursorScreenX, screenX);
        QCOMPARE(f.map->state().cursorScreenY, screenY);
        QCOMPARE(f.map->mapFullState(), 0);
    }

    void sizeDialogOnlyWhenTheMapIsShown() {
        test::TempDataRoot root;
        MapFixture f;
        RecordedMessages messages;
        RecordedSounds sounds;
        f.map->hooks().mapViewActive = [] { return false; };
        QCOMPARE(mapApplySizeDialog(nullptr, *f.map, messages, sounds), -1);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].first, std::string("INFORMATION"));
        QCOMPARE(messages.shown[0].second, std::string("Option avaiable only when map is visible"));
    }

    void sizeEditReplacesZeroByOne() {
        MapSizeDialog dialog(nullptr, {40, 2.0, 1}, 1, UNITS_FEET);
        auto* size = dialog.findChild<QLineEdit*>(QStringLiteral("1210"));
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("0"));
        QCOMPARE(size->text(), QStringLiteral("1"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("1213"))->text(), QStringLiteral("Guide Lines Interval:"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("1214"))->text(), QStringLiteral("feet"));
    }

private:
    // Acts on the Map Size dialog once it is open.
    static void answerDialog(std::function<void(MapSizeDialog*)> act) {
        auto* poll = new QTimer(qApp);
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
            auto* dialog = qobject_cast<MapSizeDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            poll->stop();
            poll->deleteLater();
            act(dialog);
        });
        poll->start();
    }
};

QTEST_MAIN(MapViewTest)
#include "map_view_test.moc"
