// Reading a CSV log as a test sees it: the rows without the header, and the check that
// they come one second apart.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTime>
#include <QtTest>

namespace csvrows {

// The rows of the log (without the header); the file's text is ASCII but for the header.
inline QStringList rows(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    rows.removeFirst();
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

// Every row one second after the one before it (across midnight too).
inline void checkOneRowPerSecond(const QStringList &rows)
{
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QTime a = QTime::fromString(rows[i - 1].section(',', 1, 1), "H:mm:ss");
        const QTime b = QTime::fromString(rows[i].section(',', 1, 1), "H:mm:ss");
        QVERIFY2(a.secsTo(b) == 1 || a.secsTo(b) == -86399,
                 qPrintable(rows[i - 1] + " / " + rows[i]));
    }
}

// The kinds of rows in order, runs merged: "gap" for empty readings, else the value.
inline QStringList runs(const QStringList &rows, bool valueItself = true)
{
    QStringList kinds;
    for (const QString &r : rows) {
        const QString v = r.section(',', 2, 2);
        const QString k = v.isEmpty()   ? QStringLiteral("gap")
                          : valueItself ? v
                                        : QStringLiteral("value");
        if (kinds.isEmpty() || kinds.last() != k)
            kinds << k;
    }
    return kinds;
}

} // namespace csvrows
