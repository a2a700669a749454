#pragma once
// The profile, decay, bar and speed panes of the logging screen. Each draws
// into its own canvas as readings and fixes arrive; the paint handler only
// copies the canvas. A profile scrolls by two pixels per reading and draws
// one new step with the newest value ten pixels from the right edge; the
// bars repaint only what changed.

#include <QImage>
#include <QWidget>
#include <array>
#include <span>

#include "display/scales.h"

namespace velox {

struct Palette;
struct Lx2Reading;

// A widget that shows its canvas; the canvas follows the widget's size.
class CanvasPane : public QWidget {
    Q_OBJECT
public:
    const QImage& canvas() const { return canvas_; }

protected:
    CanvasPane(QWidget* parent, int controlId);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Redraws the canvas from the pane's state (after a resize or an explicit repaint).
    virtual void redrawCanvas() = 0;
    void drawScaleLines(QPainter& painter, int fromX, int toX) const;

    QImage canvas_;
    const Palette* pens_ = nullptr;
    ScaleLines lines_;
};

// One point of a curve: the profile colour slot that draws it, its row and
// its kind (a curve whose kind changes starts afresh).
struct CurvePoint {
    int slot = 0;
    int row = 0;
    int kind = 0;
};

inline constexpr int MAX_CURVES = 4;

// A scrolling profile of the last readings.
class CurveWnd : public CanvasPane {
    Q_OBJECT
public:
    explicit CurveWnd(QWidget* parent);

    // The pens and the scale lines; the curves start afresh and the pane shows only its scale lines.
    void setup(const Palette& pens, const ScaleLines& lines);
    // The next reading starts every curve afresh (no joining line).
    void resetCurves();
    // One reading: scroll two pixels and draw each curve's newest step.
    void profileStep(std::span<const CurvePoint> points);
    // What a repaint of the logging screen shows: the scale lines only.
    void repaintProfile();

protected:
    void redrawCanvas() override;

private:
    struct Curve {
        bool started = false;
        int row = 0;
        int kind = 0;
    };
    std::array<Curve, MAX_CURVES> curves_{};
};

// The bars of one pane, one per channel, in the colours of their profile slots.
class BarPane : public CanvasPane {
    Q_OBJECT
public:
    // Geometry, slots and scale; the bars re-initialise on the next step.
    void setup(const Palette& pens, const BarGeometry& geometry, std::array<int, MAX_BARS> colourSlots,
               const ScaleLines& lines);
    // The next step fills the pane white and starts every bar from its baseline.
    void resetBars();
    void barStep(std::span<const int> rows);
    void repaintBars();
    const BarTops& tops() const { return tops_; }

protected:
    BarPane(QWidget* parent, int controlId);
    void redrawCanvas() override;

private:
    void draw(const BarPlan& plan);

    BarGeometry geometry_;
    std::array<int, MAX_BARS> slots_{};
    BarTops tops_;
};

// The channel bars of one sensor (the decay).
class DecayWnd : public BarPane {
    Q_OBJECT
public:
    explicit DecayWnd(QWidget* parent);
};

// Bar graph: the first half (or the whole) of the bar area.
class BarQWnd : public BarPane {
    Q_OBJECT
public:
    explicit BarQWnd(QWidget* parent);
};

// Bar graph: the second half of the bar area.
class BarIWnd : public BarPane {
    Q_OBJECT
public:
    explicit BarIWnd(QWidget* parent);
};

// The speed bar: blue in proportion to the speed, full at the top of the scale.
class SpeedWnd : public CanvasPane {
    Q_OBJECT
public:
    explicit SpeedWnd(QWidget* parent);

    void setSpeedScale(double speedScaleMax);
    void speedBarUpdate(double speed);
    // What a repaint of the logging screen shows: the bar empty.
    void repaintSpeedBar() { redrawCanvas(); }

protected:
    void redrawCanvas() override;

private:
    double speedScaleMax_ = 5.0;
};

// The panes an EM61-LX2 reading advances; any of them may be missing.
struct Lx2PaneSet {
    CurveWnd* profileB = nullptr;
    CurveWnd* profileC = nullptr;
    DecayWnd* decay = nullptr;
    BarQWnd* barQ = nullptr;
    BarIWnd* barI = nullptr;
};

// Feeds the EM61-LX2 readings into the profile and bar panes: channels E, L
// and F of each sensor in profile slots 0-2. One sensor uses profile B and
// the decay pane; two sensors profiles B and C and the BarQWnd/BarIWnd halves.
class Lx2PaneFeed {
public:
    Lx2PaneFeed(const SurveyConfig& config, const Palette& pens, Lx2PaneSet panes);

    // After the panes got their sizes or the reading scale changed: factors,
    // scale lines and bar slots anew; curves and bars start afresh.
    void relayout();
    // Start of logging, view toggle: curves start afresh and the bars re-initialise.
    void reset();
    // The bars follow every reading; the profiles advance only with the
    // readings that are logged (`advanceProfiles`).
    void onReading(const Lx2Reading& reading, int sensorCount, bool advanceProfiles);

    // Pixels per millivolt and scale lines of one pane, from its height.
    struct PaneScale {
        double factor = 0.0;
        ScaleLines lines;
    };
    const PaneScale& profileScale() const { return profileB_; }

private:
    PaneScale scaleOf(const QWidget* pane) const;
    void step(CurveWnd* profile, const PaneScale& profileScale, BarPane* bars, const PaneScale& barScale,
              const std::array<double, 3>& values, bool advanceProfile);

    const SurveyConfig& config_;
    const Palette& pens_;
    Lx2PaneSet panes_;
    PaneScale profileB_, profileC_, decay_, halves_;
};

}  // namespace velox
