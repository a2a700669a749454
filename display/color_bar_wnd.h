#pragma once

#include <QFont>
#include <QWidget>

#include "config/variant.h"

class QPainter;

namespace velox {

struct Palette;

// The colour-scale preview shown while the reading scale is edited: the 50
// reading colours as a bar with five labelled values. The EM31-MK2 and the
// EM38-MK2 show a second bar for the in-phase scale beside the conductivity one.
class ColorBarWnd : public QWidget {
    Q_OBJECT
public:
    explicit ColorBarWnd(QWidget* parent);

    // Position, size and form (one or two bars) for the instrument.
    void placeFor(InstrumentType type);
    // The pens and brushes of the program; nothing is painted without them.
    void setColourPalette(const Palette* palette) { palette_ = palette; }
    void setLabelFont(const QFont& font) { labelFont_ = font; }
    // The reading (conductivity) scale and the in-phase scale shown.
    void setScale(double min, double max);
    void setInphaseScale(double min, double max);

    bool showsTwoScales() const { return twoScales_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintScale(QPainter& painter, int shift, double min, double max);

    const Palette* palette_ = nullptr;
    QFont labelFont_;
    bool twoScales_ = false;
    double min_ = 0.0;
    double max_ = 500.0;
    double inphaseMin_ = -25.0;
    double inphaseMax_ = 25.0;
};

// The palette as a vertical strip between the profile and the bar areas of
// the logging window: a frame from (stripLeft, top) to (stripRight, top +
// height), colour 0 at the bottom and colour 49 at the top.
void drawColourStrip(QPainter& painter, const Palette& palette, int stripLeft, int stripRight, int top, int height);

}  // namespace velox
