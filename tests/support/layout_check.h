// The visible controls of a page that overlap one another or reach beyond it, and the
// wrapped labels whose lines need more height than they have.
#pragma once

#include <QLabel>
#include <QStringList>
#include <QWidget>

inline QStringList cutLabels(QWidget *page)
{
    QStringList found;
    for (auto *l : page->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (l->isVisible() && l->wordWrap() && l->heightForWidth(l->width()) > l->height())
            found << l->objectName() + QStringLiteral(" is cut");
    return found;
}

inline QStringList overlapping(QWidget *page)
{
    QStringList found;
    QList<QWidget *> shown;
    for (QWidget *w : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            shown << w;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!page->rect().contains(shown[i]->geometry()))
            found << shown[i]->objectName() + QStringLiteral(" leaves the page");
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                found << shown[i]->objectName() + QStringLiteral(" / ") + shown[j]->objectName();
    }
    return found + cutLabels(page);
}
