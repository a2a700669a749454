#include "display/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>

namespace velox {

namespace {

QFont sansSerif(int pixelSize, int weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

}  // namespace

Fonts createFonts(bool largeScreen) {
    const int text = largeScreen ? 16 : 14;
    return Fonts{
        .fontLight20 = sansSerif(20, 200),
        .fontBold28 = sansSerif(28, 600),
        .fontBold24 = sansSerif(24, 600),
        .fontHeavy48 = sansSerif(48, 800),
        .fontText = sansSerif(text, 400),
        .fontTextBold = sansSerif(text, 700),
        .fontBold18 = sansSerif(18, 600),
        .fontText16 = sansSerif(16, 400),
    };
}

QFont fittedFont(QFont font, const QStringList& texts, int maxWidth) {
    constexpr int kSmallestPixelSize = 8;
    auto widest = [&texts](const QFont& f) {
        const QFontMetrics metrics(f);
        int width = 0;
        for (QString text : texts) width = std::max(width, metrics.horizontalAdvance(text.remove(QLatin1Char('&'))));
        return width;
    };
    while (font.pixelSize() > kSmallestPixelSize && widest(font) > maxWidth) font.setPixelSize(font.pixelSize() - 1);
    return font;
}

}  // namespace velox
