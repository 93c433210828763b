// The site strip under a stop with both latches held and the crane out of service, as a
// person sees it in any layout and language.
#pragma once

#include "display/reading_panel.h"

#include <QImage>
#include <QLabel>
#include <QString>

namespace strippicture {

// The state file that gives it.
inline const QByteArray kLatchesUnderStop =
    QByteArrayLiteral("Latched=2026-12-08T08:48:18.000+09:00\nGust=31.4\n"
                      "Scaffold=2026-12-08T08:40:00.000+09:00\n"
                      "CraneFault=2026-12-08T09:08:00.000+09:00\nCraneFaultBy=Yamada\n") +
    QStringLiteral("CraneFaultResult=異常あり: 旋回ブレーキ調整要\nWork=stop\n").toUtf8();

// What is wrong with the drawn strip (empty: nothing): the headword at least minPx on the
// stop's red; beneath it the latches in purple and on black, at least 40 % of the
// headword's height, nothing cut at the strip's lower edge.
inline QString fault(const display::ReadingPanel &panel, int minPx)
{
    const int px = panel.siteStripCaptionPx();
    if (px < minPx)
        return QStringLiteral("headword %1 px").arg(px);
    const QImage img = panel.siteStrip()->grab().toImage();
    if (img.pixelColor(2, 2) != QColor(220, 0, 0))
        return QStringLiteral("not on the stop's red");
    int purple = 0, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            purple += c == QColor(0x70, 0x00, 0xa0);
            if (c == QColor(0, 0, 0)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    if (!purple || bottom < 0)
        return QStringLiteral("no purple or no black box");
    if (bottom >= img.height() - 1 || bottom - top + 1 < px * 2 / 5)
        return QStringLiteral("the box from %1 to %2 of %3 under a %4 px word")
            .arg(top)
            .arg(bottom)
            .arg(img.height())
            .arg(px);
    return {};
}

} // namespace strippicture
