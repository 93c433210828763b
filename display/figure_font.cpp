#include "display/figure_font.h"

#include <QFontMetrics>

namespace display {

const QStringList &widestReadings()
{
    // "9999" gives 999.9 and "-999" gives -99.9; 88.8 covers faces with uneven digits.
    static const QStringList texts = {QStringLiteral("999.9"), QStringLiteral("-99.9"),
                                      QStringLiteral("888.8"), QStringLiteral("-88.8")};
    return texts;
}

int widestReadingWidth(const QFont &font)
{
    const QFontMetrics fm(font);
    int widest = 0;
    for (const QString &t : widestReadings()) {
        // The ink can reach past the advance (a glyph's bearings); take the larger.
        widest = qMax(widest, fm.horizontalAdvance(t));
        widest = qMax(widest, fm.boundingRect(t).right() + 1);
    }
    return widest;
}

QFont fitFigureFont(const QFont &font, int widthPx)
{
    QFont f = font;
    f.setStretch(100);
    int width = widestReadingWidth(f);
    if (width <= widthPx || width <= 0)
        return f;
    int stretch = qMax(1, 100 * widthPx / width);
    for (; stretch > 1; --stretch) {
        f.setStretch(stretch);
        if (widestReadingWidth(f) <= widthPx)
            break;
    }
    f.setStretch(stretch);
    return f;
}

} // namespace display
