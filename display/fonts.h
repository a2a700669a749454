#pragma once
// The eight fonts of the program, created once when the start window is
// created and used by role by the start screen and the panes.

#include <QFont>
#include <QStringList>

namespace velox {

struct Fonts {
    QFont fontLight20;
    QFont fontBold28;
    QFont fontBold24;
    QFont fontHeavy48;
    QFont fontText;      // 16 pixels on a large screen, else 14
    QFont fontTextBold;  // 16 pixels on a large screen, else 14
    QFont fontBold18;
    QFont fontText16;
};

// The platform's default sans-serif family at the fixed pixel sizes and
// weights (100-900).
Fonts createFonts(bool largeScreen);

// `font`, made smaller where needed so that the widest of `texts` fits in
// `maxWidth` pixels ("&" access marks do not count).
QFont fittedFont(QFont font, const QStringList& texts, int maxWidth);

}  // namespace velox
