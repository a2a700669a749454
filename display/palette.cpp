#include "display/palette.h"

#include <QApplication>
#include <QPalette>

namespace velox {

namespace {

constexpr Colour rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

constexpr Colour kLightGrey = rgb(192, 192, 192);
constexpr Colour kDarkGrey = rgb(64, 64, 64);
constexpr Colour kBackgroundGrey = rgb(32, 32, 32);

QPen pen(Colour colour, int width) {
    QPen p(qColourOf(colour));
    p.setWidth(width);
    return p;
}

}  // namespace

const std::array<Colour, PALETTE_SIZE> PALETTE_COLOURS{
    rgb(32, 0, 255),   rgb(24, 0, 255),   rgb(16, 0, 255),   rgb(8, 0, 255),    rgb(0, 0, 255),
    rgb(0, 16, 255),   rgb(0, 64, 255),   rgb(0, 96, 255),   rgb(0, 111, 255),  rgb(0, 136, 255),
    rgb(0, 160, 255),  rgb(0, 192, 255),  rgb(0, 224, 255),  rgb(0, 255, 255),  rgb(0, 255, 224),
    rgb(0, 255, 192),  rgb(0, 255, 160),  rgb(0, 255, 128),  rgb(0, 255, 96),   rgb(0, 255, 32),
    rgb(0, 255, 16),   rgb(0, 255, 8),    rgb(0, 255, 0),    rgb(16, 255, 0),   rgb(32, 255, 0),
    rgb(64, 255, 0),   rgb(96, 255, 0),   rgb(128, 255, 0),  rgb(160, 255, 0),  rgb(224, 255, 0),
    rgb(240, 255, 0),  rgb(255, 255, 0),  rgb(255, 242, 0),  rgb(255, 224, 0),  rgb(255, 196, 0),
    rgb(255, 160, 0),  rgb(255, 136, 0),  rgb(255, 110, 0),  rgb(255, 96, 0),   rgb(255, 80, 0),
    rgb(255, 64, 0),   rgb(255, 32, 0),   rgb(255, 0, 0),    rgb(255, 0, 8),    rgb(255, 0, 16),
    rgb(255, 0, 32),   rgb(255, 0, 64),   rgb(255, 0, 96),   rgb(255, 0, 128),  rgb(255, 0, 255),
    rgb(255, 255, 255),
};

QColor qColourOf(Colour colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

Palette createPalette(const SurveyConfig& config) {
    Palette palette;
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        palette.colourPens[i] = pen(PALETTE_COLOURS[i], 2);
        palette.colourBrushes[i] = QBrush(qColourOf(PALETTE_COLOURS[i]));
    }
    palette.gridPen = pen(kLightGrey, 1);
    palette.zeroLinePen = pen(kLightGrey, 2);
    palette.scaleFramePen = pen(kDarkGrey, 1);
    for (int i = 0; i < 3; ++i) palette.backgroundPens[i] = pen(kBackgroundGrey, i + 1);
    palette.backgroundBrush = QBrush(qColourOf(kBackgroundGrey));
    palette.whiteBrush = QBrush(Qt::white);
    palette.buttonFaceBrush = QApplication::palette().brush(QPalette::Button);
    recreatePositionPens(palette, config);
    recreateProfilePens(palette, config);
    return palette;
}

void recreatePositionPens(Palette& palette, const SurveyConfig& config) {
    palette.positionPen1 = pen(config.positionColour, 1);
    palette.positionPen2 = pen(config.positionColour, 2);
    palette.positionBrush = QBrush(qColourOf(config.positionColour));
    palette.crossHairPen = pen(config.cursorColour, 1);
}

void recreateProfilePens(Palette& palette, const SurveyConfig& config) {
    for (int k = 0; k < 8; ++k) {
        palette.profilePens[k] = pen(config.profileColour[k], config.profileLineWidth[k]);
        palette.profileThinPens[k] = pen(config.profileColour[k], 1);
        palette.profileBrushes[k] = QBrush(qColourOf(config.profileColour[k]));
    }
}

}  // namespace velox
