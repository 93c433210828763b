// Window and control geometry in twips (1440 per inch), converted with the screen's DPI.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <optional>
#include <utility>

class QWidget;

namespace basSubMain {

// The Japanese proportional gothic face of the interface at the given size in points.
QFont japaneseFont(double points);

// Pixels per twip horizontally and vertically for the widget's screen.
double twipsToPixelsX(const QWidget *w, double twips);
double twipsToPixelsY(const QWidget *w, double twips);

// Places a child control at a rectangle given in twips; the twips asked for are kept in
// the property "twipsGeometry".
void moveTwips(QWidget *control, const QRect &twips);

// Makes a control of type W (constructor arguments first, then the parent), names it and
// places it at a rectangle in twips.
template <typename W, typename... Args>
W *makeControl(QWidget *parent, const QString &name, const QRect &twips, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    moveTwips(w, twips);
    return w;
}

// Sizes the window to width x (height + 120) twips outside and centres it on the screen
// by width x height; no clamping, so a window larger than the screen gets a negative
// position. The values asked for are kept in the properties "twipsLeft", "twipsTop",
// "twipsWidth" and "twipsHeight".
void CenterForm(QWidget *form, double width, double height);
// A window manager adds its frame only once the window is shown, and may change it later:
// the form's last CenterForm is applied again whenever its frame becomes known or changes.
void keepCentredOnFrame(QWidget *form);

// Where a window of outer size `size` goes beside a window whose frame is `beside`, on
// a screen whose free area is `available`: to its right, else to its left, else below,
// else above, top or left edges aligned and kept on the screen. Nothing when no side
// has room (the window then keeps the place the window system gives it).
std::optional<QPoint> placeBeside(const QRect &beside, const QSize &size, const QRect &available);

} // namespace basSubMain
