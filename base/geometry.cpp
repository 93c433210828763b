#include "base/geometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace basSubMain {

namespace {
QScreen *screenOf(const QWidget *w)
{
    QScreen *s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}
double dpiX(const QWidget *w)
{
    QScreen *s = screenOf(w);
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY(const QWidget *w)
{
    QScreen *s = screenOf(w);
    return s ? s->logicalDotsPerInchY() : 96.0;
}
} // namespace

QFont japaneseFont(double points)
{
    QFont f;
#ifdef Q_OS_WIN
    // Windows' own Japanese interface faces first; the IPA face where none is installed.
    f.setFamilies({QStringLiteral("Meiryo UI"), QStringLiteral("Yu Gothic UI"),
                   QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")});
#else
    f.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("sans-serif")});
#endif
    f.setPointSizeF(points);
    f.setWeight(QFont::Normal);
    return f;
}

double twipsToPixelsX(const QWidget *w, double twips)
{
    return twips * dpiX(w) / 1440.0;
}

double twipsToPixelsY(const QWidget *w, double twips)
{
    return twips * dpiY(w) / 1440.0;
}

void moveTwips(QWidget *control, const QRect &twips)
{
    control->setProperty("twipsGeometry", twips);
    const int x = qRound(twipsToPixelsX(control, twips.x()));
    const int y = qRound(twipsToPixelsY(control, twips.y()));
    const int r = qRound(twipsToPixelsX(control, twips.x() + twips.width()));
    const int b = qRound(twipsToPixelsY(control, twips.y() + twips.height()));
    control->setGeometry(x, y, r - x, b - y);
}

void CenterForm(QWidget *form, double width, double height)
{
    QScreen *screen = screenOf(form);
    const QRect screenPx = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const double screenW = screenPx.width() * 1440.0 / dpiX(form);
    const double screenH = screenPx.height() * 1440.0 / dpiY(form);

    const double outerH = height + 120;
    const double left = (screenW - width) / 2;
    const double top = (screenH - height) / 2;
    form->setProperty("twipsWidth", width);
    form->setProperty("twipsHeight", outerH);
    form->setProperty("twipsLeft", left);
    form->setProperty("twipsTop", top);

    // The twips sizes are outer sizes: take off the window manager's frame where there is one.
    const QSize frame = form->isWindow() && form->isVisible()
                            ? form->frameGeometry().size() - form->geometry().size()
                            : QSize(0, 0);
    const int w = qRound(twipsToPixelsX(form, width)) - frame.width();
    const int h = qRound(twipsToPixelsY(form, outerH)) - frame.height();
    form->setFixedSize(qMax(1, w), qMax(1, h));
    form->move(screenPx.x() + qRound(twipsToPixelsX(form, left)),
               screenPx.y() + qRound(twipsToPixelsY(form, top)));
}

namespace {
class FrameKeeper : public QObject
{
public:
    explicit FrameKeeper(QWidget *form) : QObject(form), m_form(form) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if ((e->type() == QEvent::Move || e->type() == QEvent::Resize ||
             e->type() == QEvent::Show) &&
            m_form->isVisible()) {
            const QSize frame = m_form->frameGeometry().size() - m_form->geometry().size();
            if (frame != m_applied) {
                m_applied = frame;
                CenterForm(m_form, m_form->property("twipsWidth").toDouble(),
                           m_form->property("twipsHeight").toDouble() - 120);
            }
        }
        return false;
    }

private:
    QWidget *m_form;
    QSize m_applied{0, 0};
};
} // namespace

void keepCentredOnFrame(QWidget *form)
{
    form->installEventFilter(new FrameKeeper(form));
}

std::optional<QPoint> placeBeside(const QRect &beside, const QSize &size, const QRect &available)
{
    // Along the side, the other window keeps to the screen (to its top or left edge when it
    // is larger than the screen, which then has no room for it anyway).
    const int top =
        qMax(available.top(), qMin(beside.top(), available.bottom() + 1 - size.height()));
    const int left =
        qMax(available.left(), qMin(beside.left(), available.right() + 1 - size.width()));
    const QPoint candidates[] = {
        {beside.right() + 1, top},
        {beside.left() - size.width(), top},
        {left, beside.bottom() + 1},
        {left, beside.top() - size.height()},
    };
    for (const QPoint &p : candidates)
        if (available.contains(QRect(p, size)))
            return p;
    return std::nullopt;
}

} // namespace basSubMain
