#include "display/profile_panes.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "acquisition/em61_decode.h"
#include "display/palette.h"
#include "display/pane.h"

namespace velox {

namespace {

constexpr int kStep = 2;           // pixels a profile scrolls per reading
constexpr int kNewestFromRight = 10;
const QColor kSpeedBlue(0, 0, 255);

int slotIndex(int slot) { return std::clamp(slot, 0, 7); }

// Moves the columns [kStep, kStep + count) of every row to [0, count).
void scrollLeft(QImage& image, int count) {
    if (count <= 0) return;
    const size_t bytesPerPixel = static_cast<size_t>(image.depth() / 8);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        std::memmove(line, line + kStep * bytesPerPixel, static_cast<size_t>(count) * bytesPerPixel);
    }
}

}  // namespace

// --- CanvasPane

CanvasPane::CanvasPane(QWidget* parent, int controlId) : QWidget(parent) {
    initPane(*this, controlId);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasPane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (canvas_.isNull()) return;
    painter.drawImage(event->rect(), canvas_, event->rect());
}

void CanvasPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(Qt::white);
    redrawCanvas();
}

void CanvasPane::drawScaleLines(QPainter& painter, int fromX, int toX) const {
    if (!pens_) return;
    const auto rows = lines_.lines();
    for (size_t i = 0; i < rows.size(); ++i) {
        const bool zeroLine = i == 0 && lines_.mode == SCALE_SPANS_ZERO;
        painter.setPen(zeroLine ? pens_->zeroLinePen : pens_->gridPen);
        painter.drawLine(fromX, rows[i], toX, rows[i]);
    }
}

// --- CurveWnd

CurveWnd::CurveWnd(QWidget* parent) : CanvasPane(parent, 600) {}

void CurveWnd::setup(const Palette& pens, const ScaleLines& lines) {
    pens_ = &pens;
    lines_ = lines;
    resetCurves();
    repaintProfile();
}

void CurveWnd::resetCurves() { curves_ = {}; }

void CurveWnd::repaintProfile() {
    redrawCanvas();
    update();
}

void CurveWnd::redrawCanvas() {
    if (canvas_.isNull()) return;
    canvas_.fill(Qt::white);
    QPainter painter(&canvas_);
    drawScaleLines(painter, 0, canvas_.width() - 1);
}

void CurveWnd::profileStep(std::span<const CurvePoint> points) {
    const int width = canvas_.width();
    const int x = width - kNewestFromRight;
    if (!pens_ || x < kStep + 1) return;
    scrollLeft(canvas_, width - 11);
    QPainter painter(&canvas_);
    painter.fillRect(x - 1, 0, 3, canvas_.height(), Qt::white);
    drawScaleLines(painter, x - 1, x + 1);
    // Thick pens reach past their end points; nothing may land right of the
    // cleared columns, which are never scrolled or cleared again.
    painter.setClipRect(0, 0, x + 2, canvas_.height());
    const size_t count = std::min(points.size(), curves_.size());
    for (size_t k = 0; k < count; ++k) {
        Curve& curve = curves_[k];
        const CurvePoint& point = points[k];
        if (curve.started && curve.kind == point.kind) {
            painter.setPen(pens_->profilePens[static_cast<size_t>(slotIndex(point.slot))]);
            painter.drawLine(x - kStep, curve.row, x, point.row);
        }
        curve = {true, point.row, point.kind};
    }
    painter.end();
    update();
}

// --- bar panes

BarPane::BarPane(QWidget* parent, int controlId) : CanvasPane(parent, controlId) {}

void BarPane::setup(const Palette& pens, const BarGeometry& geometry, std::array<int, MAX_BARS> colourSlots,
                    const ScaleLines& lines) {
    pens_ = &pens;
    geometry_ = geometry;
    slots_ = colourSlots;
    lines_ = lines;
    tops_ = {};
    repaintBars();
}

void BarPane::resetBars() { tops_ = {}; }

void BarPane::barStep(std::span<const int> rows) {
    if (!pens_ || canvas_.isNull()) return;
    draw(velox::barStep(tops_, geometry_, lines_, canvas_.height(), rows));
}

void BarPane::repaintBars() {
    if (canvas_.isNull()) return;
    draw(velox::repaintBars(tops_, geometry_, lines_, canvas_.height()));
}

void BarPane::redrawCanvas() { repaintBars(); }

void BarPane::draw(const BarPlan& plan) {
    QPainter painter(&canvas_);
    if (plan.clearPane) painter.fillRect(canvas_.rect().adjusted(1, 1, -1, -1), Qt::white);
    if (pens_) {
        for (const BarRect& r : plan.list()) {
            const QRect area(r.x, r.top, r.width, r.bottom - r.top);
            if (r.colour) {
                painter.fillRect(area, pens_->profileBrushes[static_cast<size_t>(slotIndex(slots_[static_cast<size_t>(r.bar)]))]);
            } else {
                painter.fillRect(area, Qt::white);
            }
        }
    }
    drawScaleLines(painter, 0, canvas_.width() - 1);
    painter.end();
    update();
}

DecayWnd::DecayWnd(QWidget* parent) : BarPane(parent, 610) {}

BarQWnd::BarQWnd(QWidget* parent) : BarPane(parent, 620) {}

BarIWnd::BarIWnd(QWidget* parent) : BarPane(parent, 630) {}

// --- speed bar

SpeedWnd::SpeedWnd(QWidget* parent) : CanvasPane(parent, 651) {}

void SpeedWnd::setSpeedScale(double speedScaleMax) { speedScaleMax_ = speedScaleMax; }

void SpeedWnd::speedBarUpdate(double speed) {
    if (canvas_.isNull()) return;
    const int width = canvas_.width();
    const SpeedBarSplit split = speedBarSplit(width, speedScaleMax_, speed);
    QPainter painter(&canvas_);
    painter.fillRect(0, 0, split.blueWidth, canvas_.height(), kSpeedBlue);
    painter.fillRect(split.blueWidth, 0, width - split.blueWidth, canvas_.height(), Qt::white);
    painter.end();
    update();
}

void SpeedWnd::redrawCanvas() {
    if (canvas_.isNull()) return;
    canvas_.fill(Qt::white);
    update();
}

// --- EM61-LX2 feed

Lx2PaneFeed::Lx2PaneFeed(const SurveyConfig& config, const Palette& pens, Lx2PaneSet panes)
    : config_(config), pens_(pens), panes_(panes) {}

Lx2PaneFeed::PaneScale Lx2PaneFeed::scaleOf(const QWidget* pane) const {
    PaneScale scale;
    if (!pane) return scale;
    scale.factor = pixelFactor(pane->height(), config_.readingScaleMin, config_.readingScaleMax);
    computeScaleLines(scale.lines, pane->height(), config_.readingScaleMin, config_.readingScaleMax, scale.factor);
    return scale;
}

void Lx2PaneFeed::relayout() {
    constexpr std::array<int, MAX_BARS> kChannelSlots{0, 1, 2, 0};
    profileB_ = scaleOf(panes_.profileB);
    profileC_ = scaleOf(panes_.profileC);
    decay_ = scaleOf(panes_.decay);
    halves_ = scaleOf(panes_.barQ);
    if (panes_.profileB) panes_.profileB->setup(pens_, profileB_.lines);
    if (panes_.profileC) panes_.profileC->setup(pens_, profileC_.lines);
    if (panes_.decay) {
        panes_.decay->setup(pens_, barGeometry(InstrumentType::Em61Lx2, 1, panes_.decay->width()), kChannelSlots,
                            decay_.lines);
    }
    // The two halves are each (U - 2) / 2 wide, 2 pixels apart.
    const int barAreaWidth = panes_.barQ ? 2 * panes_.barQ->width() + 2 : 0;
    const BarGeometry halves = barGeometry(InstrumentType::Em61Lx2, 2, barAreaWidth);
    if (panes_.barQ) panes_.barQ->setup(pens_, halves, kChannelSlots, halves_.lines);
    if (panes_.barI) panes_.barI->setup(pens_, halves, kChannelSlots, halves_.lines);
}

void Lx2PaneFeed::reset() {
    for (CurveWnd* profile : {panes_.profileB, panes_.profileC})
        if (profile) profile->resetCurves();
    for (BarPane* bars : std::initializer_list<BarPane*>{panes_.decay, panes_.barQ, panes_.barI})
        if (bars) bars->resetBars();
}

void Lx2PaneFeed::step(CurveWnd* profile, const PaneScale& profileScale, BarPane* bars, const PaneScale& barScale,
                       const std::array<double, 3>& values, bool advanceProfile) {
    const double top = config_.readingScaleMax;
    if (profile && advanceProfile) {
        std::array<CurvePoint, 3> points;
        for (size_t k = 0; k < points.size(); ++k)
            points[k] = {static_cast<int>(k), valueToRow(values[k], top, profileScale.factor), 0};
        profile->profileStep(points);
    }
    if (bars) {
        std::array<int, 3> rows;
        for (size_t k = 0; k < rows.size(); ++k) rows[k] = valueToRow(values[k], top, barScale.factor);
        bars->barStep(rows);
    }
}

void Lx2PaneFeed::onReading(const Lx2Reading& reading, int sensorCount, bool advanceProfiles) {
    auto channels = [&reading](int sensor) {
        return std::array<double, 3>{reading.early(sensor), reading.late(sensor),
                                     reading.filtered[static_cast<size_t>(sensor)]};
    };
    if (sensorCount < 2) {
        step(panes_.profileB, profileB_, panes_.decay, decay_, channels(SENSOR_LEFT), advanceProfiles);
        return;
    }
    step(panes_.profileB, profileB_, panes_.barQ, halves_, channels(SENSOR_LEFT), advanceProfiles);
    step(panes_.profileC, profileC_, panes_.barI, halves_, channels(SENSOR_RIGHT), advanceProfiles);
}

}  // namespace velox
