// A day of logs with known answers, written as the program writes them (C locale, code
// page 932, CR LF): one row a second of 5 m/s, a step to 12 m/s from 10:00 for 25 minutes
// and one frame of 31 m/s at 10:55. Optionally a hole of five minutes at 10:45, where the
// output was stopped and started again (a second file), and the day's event log.
#pragma once

#include "logging/csv_format.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace knownday {

inline const QDate kDay(2026, 12, 8);

inline qint64 at(int h, int m, int s)
{
    return QDateTime(kDay, QTime(h, m, s)).toMSecsSinceEpoch();
}

inline QString row(qint64 ms, const QString &v)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    return logging::rowLine(31, t.toString(QStringLiteral("yyyy/MM/dd")),
                            t.toString(QStringLiteral("H:mm:ss")), {v, v, v, v});
}

inline QString put(const QString &folder, const QString &name, const QString &text)
{
    QFile f(QDir(folder).filePath(name));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(logging::toCp932(text));
    return f.fileName();
}

// The data logs of [from, to): one file, or two around the hole; a row every second or
// every `every` seconds (the meter's highest of the rows between in its 瞬間最大風速).
inline QStringList write(const QString &folder, qint64 from, qint64 to, bool hole, int every = 1)
{
    QString first = logging::headerLine(31), second = first;
    for (qint64 t = from; t < to; t += 1000) {
        if (every > 1) {
            if ((t - from) / 1000 % every != every - 1)
                continue;
            const bool storm = t >= at(10, 55, 0) && t - every * 1000 < at(10, 55, 0);
            const bool step = t >= at(10, 0, 0) && t < at(10, 25, 0);
            const QString v = step ? QStringLiteral("12.0") : QStringLiteral("5.0");
            first +=
                logging::rowLine(31, QDateTime::fromMSecsSinceEpoch(t).toString(u"yyyy/MM/dd"_qs),
                                 QDateTime::fromMSecsSinceEpoch(t).toString(u"H:mm:ss"_qs),
                                 {v, storm ? QStringLiteral("31.0") : v, v, v});
            continue;
        }
        if (hole && t >= at(10, 45, 0) && t < at(10, 50, 0))
            continue;
        const bool step = t >= at(10, 0, 0) && t < at(10, 25, 0);
        const QString v = t == at(10, 55, 0) ? QStringLiteral("31.0")
                          : step             ? QStringLiteral("12.0")
                                             : QStringLiteral("5.0");
        (hole && t >= at(10, 45, 0) ? second : first) += row(t, v);
    }
    QStringList files{put(folder, QStringLiteral("wind2612080900.csv"), first)};
    if (hole)
        files << put(folder, QStringLiteral("wind2612081050.csv"), second);
    return files;
}

// The event log beside them, as the site's rule wrote it that day.
inline void writeEvents(const QString &folder)
{
    put(folder, QStringLiteral("wind_events_20261208.csv"),
        QStringLiteral("年月日,時刻,事象,平均風速,最大瞬間風速,瞬間風速\r\n"
                       "2026/12/08,10:07:05,作業中止,10.0,12.0,12.0\r\n"
                       "2026/12/08,10:37:56,作業中止解除,9.9,12.0,5.0\r\n"
                       "2026/12/08,10:55:00,暴風 点検要,5.0,31.0,31.0\r\n"));
}

// The rule's own record of [from, to) as the live rule wrote it: a row every ten seconds
// with its highest frame (31.4 m/s at 10:55:00, above the rows' 31.0: a frame between
// rows), the stop from 10:07:05 to 10:37:56, the first ten minutes undecided, and the
// storm's latch from 10:55:00 on.
inline QString writeRule(const QString &folder, qint64 from, qint64 to)
{
    QString text = logging::ruleRecordHeader(10);
    for (qint64 t = from; t < to; t += 10000) {
        auto in = [&](qint64 a, qint64 b) {
            return QString::number(std::max<qint64>(0, std::min(t + 10000, b) - std::max(t, a)) /
                                   1000);
        };
        const bool storm = t <= at(10, 55, 0) && at(10, 55, 0) < t + 10000;
        const bool step = t >= at(10, 0, 0) && t < at(10, 25, 0);
        const QString time = QDateTime::fromMSecsSinceEpoch(t).toString(u"H:mm:ss"_qs);
        text += QStringList{QDateTime::fromMSecsSinceEpoch(t).toString(u"yyyy/MM/dd"_qs),
                            time,
                            u"10"_qs,
                            u"10"_qs,
                            u"0"_qs,
                            in(at(10, 7, 5), at(10, 37, 56)),
                            in(from, from + 600000),
                            storm  ? u"31.4"_qs
                            : step ? u"12.0"_qs
                                   : u"5.0"_qs,
                            storm ? u"10:55:00"_qs : time,
                            QString(),
                            QString(),
                            t + 10000 > at(10, 55, 0) ? u"1"_qs : u"0"_qs}
                    .join(u',') +
                u"\r\n"_qs;
    }
    return put(folder,
               u"wind_rule_"_qs + QDateTime::fromMSecsSinceEpoch(from).toString(u"yyyyMMdd"_qs) +
                   u".csv"_qs,
               text);
}

} // namespace knownday
