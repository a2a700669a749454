#pragma once
// The colours of the readings and every pen and brush the logging screen
// draws with, created once when the program starts and used by role. The
// position and profile groups are re-created when their settings change.

#include <QBrush>
#include <QPen>
#include <array>

#include "config/survey_config.h"

namespace velox {

// Readings take colours 0..49, from blue-violet at the bottom of the scale
// to magenta at the top; colour 50 is white.
inline constexpr int PALETTE_SIZE = 51;
inline constexpr int PALETTE_WHITE = 50;
// 0x00BBGGRR
extern const std::array<Colour, PALETTE_SIZE> PALETTE_COLOURS;

// A stored 0x00BBGGRR colour as Qt's colour.
QColor qColourOf(Colour colour);

struct Palette {
    std::array<QPen, PALETTE_SIZE> colourPens;  // 2 px
    std::array<QBrush, PALETTE_SIZE> colourBrushes;
    QPen gridPen;       // 1 px light grey: map grid, scale lines
    QPen zeroLinePen;   // 2 px light grey: zero line of a scale that spans zero
    QPen scaleFramePen; // 1 px dark grey: frame of the colour-scale bar
    QPen positionPen1;  // `positionColour`
    QPen positionPen2;
    QBrush positionBrush;
    QPen crossHairPen;  // 1 px `cursorColour`
    std::array<QPen, 3> backgroundPens;  // 1, 2 and 3 px dark grey
    QBrush backgroundBrush;
    QBrush whiteBrush;
    QBrush buttonFaceBrush;
    // Profile curve slot k: the pen of `profileLineWidth`[k], a 1 px pen and a brush of `profileColour`[k].
    std::array<QPen, 8> profilePens;
    std::array<QPen, 8> profileThinPens;
    std::array<QBrush, 8> profileBrushes;
};

Palette createPalette(const SurveyConfig& config);
void recreatePositionPens(Palette& palette, const SurveyConfig& config);
void recreateProfilePens(Palette& palette, const SurveyConfig& config);

}  // namespace velox
