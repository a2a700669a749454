#include "display/color_bar_wnd.h"

#include <QPainter>
#include <cstdio>

#include "display/colour_scale.h"
#include "display/palette.h"
#include "display/pane.h"

namespace velox {

namespace {

constexpr QRect ONE_SCALE_GEOMETRY{40, 25, 142, 296};
constexpr QRect TWO_SCALES_GEOMETRY{30, 25, 244, 296};
constexpr int SECOND_SCALE_SHIFT = 132;

constexpr int BAR_X = 75;
constexpr int BAR_WIDTH = 20;
constexpr int CELL_HEIGHT = 280 / (LAST_COLOUR + 1);
constexpr int BAR_HEIGHT = CELL_HEIGHT * COLOUR_COUNT;
constexpr int BAR_TOP = (306 - BAR_HEIGHT) / 2;
constexpr int FRAME_LEFT = BAR_X - 1, FRAME_TOP = 26, FRAME_RIGHT = BAR_X + BAR_WIDTH, FRAME_BOTTOM = 277;
constexpr int CELL_LEFT = BAR_X + 1, CELL_RIGHT = BAR_X + BAR_WIDTH;
constexpr int TICK_FROM = 63, TICK_TO = 69;
constexpr int TICK_YS[] = {BAR_TOP + 5, BAR_TOP + BAR_HEIGHT - 5, BAR_TOP + 125, BAR_TOP + 62, BAR_TOP + 187};
constexpr int LABEL_X = 5;
constexpr int LABEL_COUNT = 5;

// A rectangle given as two corner points with the far edges excluded, in
// either order, as the fills of the scale are described.
QRect spanRect(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
}

// An outline whose far edges lie one pixel inside (right, bottom).
void drawFrame(QPainter& painter, int left, int top, int right, int bottom) {
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

QString labelText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return QString::fromLatin1(text);
}

}  // namespace

ColorBarWnd::ColorBarWnd(QWidget* parent) : QWidget(parent) {
    initPane(*this, 653);
    labelFont_.setPixelSize(13);
    setGeometry(ONE_SCALE_GEOMETRY);
}

void ColorBarWnd::placeFor(InstrumentType type) {
    twoScales_ = type == InstrumentType::Em31Mk2 || type == InstrumentType::Em38Mk2;
    setGeometry(twoScales_ ? TWO_SCALES_GEOMETRY : ONE_SCALE_GEOMETRY);
}

void ColorBarWnd::setScale(double min, double max) {
    min_ = min;
    max_ = max;
}

void ColorBarWnd::setInphaseScale(double min, double max) {
    inphaseMin_ = min;
    inphaseMax_ = max;
}

void ColorBarWnd::paintEvent(QPaintEvent*) {
    if (!palette_) return;
    QPainter painter(this);
    painter.setFont(labelFont_);
    paintScale(painter, 0, min_, max_);
    if (!twoScales_) return;
    paintScale(painter, SECOND_SCALE_SHIFT, inphaseMin_, inphaseMax_);
    const int lineHeight = painter.fontMetrics().height();
    painter.setPen(Qt::black);
    const auto topLeft = Qt::AlignLeft | Qt::AlignTop;
    painter.drawText(QRect(18, 4, 200, lineHeight), topLeft, QStringLiteral("Conductivity [mS/m]"));
    painter.drawText(QRect(156, 4, 200, lineHeight), topLeft, QStringLiteral("Inphase [ppt]"));
}

void ColorBarWnd::paintScale(QPainter& painter, int shift, double min, double max) {
    painter.setPen(palette_->scaleFramePen);
    painter.setBrush(Qt::NoBrush);
    drawFrame(painter, FRAME_LEFT + shift, FRAME_TOP, FRAME_RIGHT + shift, FRAME_BOTTOM);
    for (int y : TICK_YS) painter.drawLine(TICK_FROM + shift, y, TICK_TO - 1 + shift, y);
    for (int i = 0; i < COLOUR_COUNT; ++i) {
        const int bottom = BAR_TOP + BAR_HEIGHT - i * CELL_HEIGHT;
        painter.fillRect(spanRect(CELL_LEFT + shift, bottom - CELL_HEIGHT, CELL_RIGHT + shift, bottom),
                         palette_->colourBrushes[i]);
    }

    painter.setPen(Qt::black);
    const int lineHeight = painter.fontMetrics().height();
    for (int k = 0; k < LABEL_COUNT; ++k) {
        int y = BAR_TOP + BAR_HEIGHT - k * BAR_HEIGHT / 4 - 6;
        if (k == 0) y -= CELL_HEIGHT;
        if (k == LABEL_COUNT - 1) y += CELL_HEIGHT;
        const double value = min + k * (max - min) / 4;
        painter.drawText(QRect(LABEL_X + shift, y, TICK_FROM - LABEL_X, lineHeight), Qt::AlignLeft | Qt::AlignTop,
                         labelText(value));
    }
}

void drawColourStrip(QPainter& painter, const Palette& palette, int stripLeft, int stripRight, int top, int height) {
    painter.save();
    painter.setPen(palette.scaleFramePen);
    painter.setBrush(palette.whiteBrush);
    drawFrame(painter, stripLeft, top, stripRight, top + height);
    const double cell = (height - 2) / static_cast<double>(COLOUR_COUNT);
    const int bottom = top + height;
    for (int i = LAST_COLOUR; i >= 0; --i) {
        painter.fillRect(spanRect(stripLeft + 2, bottom - static_cast<int>(i * cell), stripRight - 1,
                                  bottom - static_cast<int>((i + 1) * cell)),
                         palette.colourBrushes[i]);
    }
    painter.restore();
}

}  // namespace velox
