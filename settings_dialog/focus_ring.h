// A ring drawn around the control that has the keyboard focus in a window, whatever the
// style draws itself, so that a person working with the keyboard sees where typing goes.
#pragma once

#include <QPointer>
#include <QWidget>

class FocusRing : public QWidget
{
    Q_OBJECT
public:
    // Follows the focus among the descendants of window.
    explicit FocusRing(QWidget *window);

    QWidget *target() const { return m_target; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QWidget *now);
    void place();

    QPointer<QWidget> m_target;
};
