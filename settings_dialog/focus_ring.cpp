#include "settings_dialog/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {
constexpr int kRing = 2; // pixels, outside the control
}

FocusRing::FocusRing(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { follow(now); });
}

void FocusRing::follow(QWidget *now)
{
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = now && now != this && parentWidget()->isAncestorOf(now) ? now : nullptr;
    if (!m_target) {
        hide();
        return;
    }
    m_target->installEventFilter(this);
    place();
}

void FocusRing::place()
{
    if (!m_target || !m_target->isVisible()) {
        hide();
        return;
    }
    const QPoint at = m_target->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(at, m_target->size()).adjusted(-kRing, -kRing, kRing, kRing));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                                event->type() == QEvent::Hide || event->type() == QEvent::Show))
        place();
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Highlight), kRing));
    p.drawRect(rect().adjusted(kRing / 2, kRing / 2, -kRing / 2 - 1, -kRing / 2 - 1));
}
