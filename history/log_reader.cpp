#include "history/log_reader.h"

#include "logging/csv_format.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimeZone>
#include <algorithm>
#include <map>

namespace history {

namespace {

// The event log's header: as earlier versions wrote it, or with the rule's mean named by
// its window ("10分平均") and the detail column.
bool isEventHeader(const QString &line)
{
    if (line == QStringView(logging::kOldEventLogHeader))
        return true;
    for (int minutes = 1; minutes <= 60; ++minutes)
        if (line == logging::eventLogHeader(minutes).chopped(2))
            return true;
    return false;
}

// The minutes of the rule's record whose header this is, or 0.
int ruleHeaderMinutes(const QString &line)
{
    const qsizetype at = line.indexOf(QStringLiteral(",最大"), 40);
    const QString prefix = logging::ruleRecordHeader(10).left(at);
    if (at < 0 || !line.startsWith(prefix))
        return 0;
    for (int minutes = 1; minutes <= 60; ++minutes)
        if (line == logging::ruleRecordHeader(minutes).chopped(2))
            return minutes;
    return 0;
}

// The line without its trailing commas, the way a spreadsheet may save it.
QString trimCommas(QString line)
{
    while (line.endsWith(QLatin1Char(',')))
        line.chop(1);
    return line;
}

// The mask whose header this is, or nothing.
std::optional<int> headerMask(const QString &line)
{
    const QString want = trimCommas(line);
    for (int mask = 1; mask < 32; ++mask)
        if (trimCommas(logging::headerLine(mask).chopped(2)) == want)
            return mask;
    return std::nullopt;
}

// "12.3", "0.0", "15": a reading in 0.1 m/s, or nothing.
std::optional<qint16> parseTenths(QByteArrayView v)
{
    if (v.isEmpty() || v.size() > 7)
        return std::nullopt;
    int whole = 0, tenth = 0;
    qsizetype i = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
        whole = whole * 10 + (v[i] - '0');
    if (i == 0)
        return std::nullopt;
    if (i < v.size()) {
        if (v[i] != '.' || i + 2 != v.size() || v[i + 1] < '0' || v[i + 1] > '9')
            return std::nullopt;
        tenth = v[i + 1] - '0';
    }
    const int t = whole * 10 + tenth;
    if (t > 32767)
        return std::nullopt;
    return qint16(t);
}

// Splits at commas into at most max + 1 fields (views into line).
int splitFields(QByteArrayView line, QByteArrayView *out, int max)
{
    int n = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ',') {
            if (n > max)
                return n + 1;
            out[n++] = line.sliced(start, i - start);
            start = i + 1;
        }
    }
    return n;
}

QString shown(QByteArrayView line)
{
    QString text =
        logging::fromCp932(line.first(std::min<qsizetype>(60, line.size())).toByteArray());
    return line.size() > 60 ? text + QStringLiteral("…") : text;
}

QString lineError(const QString &path, qint64 lineNo, const QString &why)
{
    return QCoreApplication::translate("history",
                                       "「%1」の %2 行目は、この風速計の記録として読めません。\n%3")
        .arg(QFileInfo(path).fileName())
        .arg(lineNo)
        .arg(why);
}

// The most common spacing of the rows (ignoring gaps), in whole seconds, at least 1 s.
qint64 commonSpacing(const std::vector<Row> &rows, size_t from)
{
    std::map<qint64, int> count;
    for (size_t i = from + 1; i < rows.size() && i < from + 2000; ++i)
        if (!rows[i].gap && !rows[i - 1].gap && rows[i].ms > rows[i - 1].ms)
            ++count[(rows[i].ms - rows[i - 1].ms + 500) / 1000];
    qint64 best = 1;
    int most = 0;
    for (const auto &[s, n] : count)
        if (n > most) {
            most = n;
            best = s;
        }
    return std::max<qint64>(1, best) * 1000;
}

} // namespace

RowClock::RowClock(const QLocale &locale)
{
    // The order of year, month and day in the locale's short date format.
    const QString f = logging::rowDateFormat(locale);
    const qsizetype y = f.indexOf(QLatin1Char('y')), m = f.indexOf(QLatin1Char('M')),
                    d = f.indexOf(QLatin1Char('d'));
    if (y >= 0 && m >= 0 && d >= 0) {
        std::array<std::pair<qsizetype, int>, 3> at{{{y, 0}, {m, 1}, {d, 2}}};
        std::sort(at.begin(), at.end());
        for (int k = 0; k < 3; ++k)
            m_order[size_t(at[size_t(k)].second)] = k;
    }
    // The locale's texts as the file holds them (code page 932, or UTF-8 when a spreadsheet
    // saved it so), and the English and Japanese ones whatever the locale.
    auto forms = [](const QString &t, const char *english, const char16_t *japanese) {
        const QString bare = t.toUpper().remove(QLatin1Char('.')).remove(QLatin1Char(' '));
        QList<QByteArray> out{bare.toUtf8(), logging::toCp932(bare), english,
                              QString::fromUtf16(japanese).toUtf8(),
                              logging::toCp932(QString::fromUtf16(japanese))};
        out.removeAll(QByteArray());
        return out;
    };
    m_am = forms(locale.amText(), "AM", u"午前");
    m_pm = forms(locale.pmText(), "PM", u"午後");
}

std::optional<QDate> RowClock::parseDate(QByteArrayView date) const
{
    // A date begins with its first number: "-2026/12/08" is not one.
    if (date.isEmpty() || date[0] < '0' || date[0] > '9')
        return std::nullopt;
    std::array<int, 3> n{};
    std::array<int, 3> digits{};
    int k = -1;
    bool inNumber = false;
    for (char c : date) {
        if (c >= '0' && c <= '9') {
            if (!inNumber) {
                if (++k > 2)
                    return std::nullopt;
                inNumber = true;
            }
            if (++digits[size_t(k)] > 4)
                return std::nullopt;
            n[size_t(k)] = n[size_t(k)] * 10 + (c - '0');
        } else {
            inNumber = false;
        }
    }
    if (k != 2)
        return std::nullopt;
    std::array<int, 3> order = m_order;
    if (digits[0] == 4)
        order = {0, 1, 2}; // year first, whatever the locale
    int year = n[size_t(order[0])];
    if (digits[size_t(order[0])] <= 2)
        year += 2000;
    const QDate d(year, n[size_t(order[1])], n[size_t(order[2])]);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<qint64> RowClock::at(QByteArrayView date, QByteArrayView time)
{
    if (date != QByteArrayView(m_lastDate)) {
        const std::optional<QDate> d = parseDate(date);
        if (!d)
            return std::nullopt;
        m_lastDate = date.toByteArray();
        m_date = *d;
        const QDateTime midnight(*d, QTime(0, 0));
        const QDateTime next(d->addDays(1), QTime(0, 0));
        m_midnightMs = midnight.toMSecsSinceEpoch();
        m_offsetAtMidnight = midnight.offsetFromUtc();
        m_evenDay = next.offsetFromUtc() == m_offsetAtMidnight &&
                    next.toMSecsSinceEpoch() - m_midnightMs == 86400000;
    }
    std::array<int, 3> n{};
    int k = -1;
    bool inNumber = false;
    QByteArray text; // the AM/PM text, before or after the numbers, without blanks and dots
    for (qsizetype i = 0; i < time.size(); ++i) {
        const char c = time[i];
        if (c >= '0' && c <= '9') {
            if (!inNumber && ++k > 2)
                return std::nullopt;
            inNumber = true;
            n[size_t(k)] = n[size_t(k)] * 10 + (c - '0');
            if (n[size_t(k)] > 99)
                return std::nullopt;
        } else {
            inNumber = false;
            if (c != ':' && c != ' ' && c != '.')
                text += c;
        }
    }
    if (k != 2)
        return std::nullopt;
    int h = n[0];
    if (!text.isEmpty()) {
        text = text.toUpper();
        const bool pm = m_pm.contains(text);
        const bool am = m_am.contains(text);
        if (!pm && !am)
            return std::nullopt;
        if (h < 1 || h > 12)
            return std::nullopt;
        h = (h % 12) + (pm ? 12 : 0);
    }
    if (h > 23 || n[1] > 59 || n[2] > 59)
        return std::nullopt;
    const qint64 secs = h * 3600 + n[1] * 60 + n[2];
    if (m_evenDay)
        return m_midnightMs + secs * 1000;
    return QDateTime(m_date, QTime(h, n[1], n[2])).toMSecsSinceEpoch();
}

std::optional<NameStamp> nameStamp(const QString &path)
{
    // base + ten digits [+ "_" digits] + ".csv", read by hand: a regular expression run in
    // the reading thread left the program hanging at its end under Wine.
    if (!path.endsWith(QLatin1String(".csv")))
        return std::nullopt;
    qsizetype end = path.size() - 4;
    auto isDigit = [&](qsizetype i) { return path[i] >= u'0' && path[i] <= u'9'; };
    qsizetype i = end;
    while (i > 0 && isDigit(i - 1))
        --i;
    if (i > 0 && path[i - 1] == u'_' && i < end && end - i < 10) {
        end = i - 1; // "_N": a second log of the same minute
        i = end;
        while (i > 0 && isDigit(i - 1))
            --i;
    }
    if (end - i < 10)
        return std::nullopt;
    const qsizetype at = end - 10;
    const QDateTime start = QDateTime::fromString(QStringLiteral("20") + path.mid(at, 10),
                                                  QStringLiteral("yyyyMMddHHmm"));
    if (!start.isValid())
        return std::nullopt;
    return NameStamp{path.left(at), start};
}

QStringList eventFilesFor(const QString &logPath, const QList<QDate> &days)
{
    QStringList out;
    const std::optional<NameStamp> stamp = nameStamp(logPath);
    // A log of a fixed name (no stamp) has its event logs after its base name.
    const QString base = stamp ? stamp->base : logging::logBaseName(logPath).value_or(QString());
    if (base.isEmpty())
        return out;
    for (const QDate &d : days)
        for (const char *kind : {"_events_", "_rule_"})
            out << base + QLatin1String(kind) + d.toString(QStringLiteral("yyyyMMdd")) +
                       QStringLiteral(".csv");
    return out;
}

bool readFile(const QString &path, const QByteArray &bytes, const QDateTime &modified,
              FileInfo *info, Contents *out, QString *error,
              const std::function<bool(qint64)> &progress)
{
    std::vector<Row> *rows = &out->rows;
    QList<EventRow> *events = &out->events;
    *info = FileInfo{};
    info->path = path;
    // A power cut can leave the end of a file as zero bytes: they are no line.
    qsizetype end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0')
        --end;
    if (end < bytes.size())
        info->warnings << QCoreApplication::translate(
                              "history", "ﾌｧｲﾙの終わりの空白ﾃﾞｰﾀ (%1 ﾊﾞｲﾄ) を読みませんでした。")
                              .arg(bytes.size() - end);
    const QByteArrayView all(bytes.constData(), end);
    qsizetype pos = 0;
    qint64 lineNo = 0;
    // The next line without its line end; false at the end. *whole: it had a line end.
    auto nextLine = [&](QByteArrayView *line, bool *whole) {
        if (pos >= all.size())
            return false;
        qsizetype nl = all.indexOf('\n', pos);
        *whole = nl >= 0;
        if (nl < 0)
            nl = all.size();
        qsizetype stop = nl;
        if (stop > pos && all[stop - 1] == '\r')
            --stop;
        *line = all.sliced(pos, stop - pos);
        pos = nl + 1;
        ++lineNo;
        return true;
    };

    QByteArrayView line;
    bool whole = false;
    if (!nextLine(&line, &whole)) {
        *error = QCoreApplication::translate("history", "「%1」は空です。")
                     .arg(QFileInfo(path).fileName());
        return false;
    }
    // The header: code page 932 as written; UTF-8 (with or without its mark) when a
    // spreadsheet or an editor saved it so.
    QString header = logging::fromCp932(line.toByteArray());
    std::optional<int> mask = headerMask(header);
    const QByteArrayView bom("\xEF\xBB\xBF");
    auto known = [](const QString &h) {
        return headerMask(h) || isEventHeader(trimCommas(h)) || ruleHeaderMinutes(h);
    };
    if (!known(header)) {
        const QByteArrayView u8 = line.startsWith(bom) ? line.sliced(3) : line;
        const QString asUtf8 = QString::fromUtf8(u8);
        if (known(asUtf8)) {
            header = asUtf8;
            mask = headerMask(asUtf8);
            info->warnings << QCoreApplication::translate(
                "history", "UTF-8 で保存されたﾌｧｲﾙとして読みました。");
        }
    }
    const bool isEvents = !mask && isEventHeader(trimCommas(header));
    const bool isRule = !mask && !isEvents && ruleHeaderMinutes(header);
    if (!mask && !isEvents && !isRule) {
        *error = lineError(path, 1,
                           QCoreApplication::translate(
                               "history", "見出しの行がこのｿﾌﾄの記録の形ではありません: %1")
                               .arg(shown(line)));
        return false;
    }
    RowClock clock;
    std::array<QByteArrayView, 13> f;
    auto cutLast = [&] {
        info->warnings << QCoreApplication::translate(
                              "history",
                              "最後の行 (%1 行目) は途中で切れているため読みませんでした。")
                              .arg(lineNo);
    };
    // A record's line that cannot be read is left out and said; the rest still counts.
    QList<qint64> skipped;
    auto saySkipped = [&](const char *text) {
        info->skipped = int(skipped.size());
        if (skipped.isEmpty())
            return;
        QStringList lines;
        for (qsizetype i = 0; i < skipped.size() && i < 5; ++i)
            lines << QString::number(skipped[i]);
        if (skipped.size() > 5)
            lines << QStringLiteral("…");
        info->warnings << QCoreApplication::translate("history", text)
                              .arg(skipped.size())
                              .arg(lines.join(QStringLiteral("、")));
    };

    if (isRule) {
        info->kind = Kind::Rule;
        while (nextLine(&line, &whole)) {
            if (line.isEmpty())
                continue;
            const int n = splitFields(line, f.data(), 12);
            RuleRow r;
            bool ok = n == 12 && whole;
            auto count = [&](QByteArrayView v, qint32 *to) {
                bool good = false;
                const int c = v.toInt(&good);
                if (!good || c < 0 || c > 3600)
                    ok = false;
                *to = c;
            };
            auto speedAt = [&](QByteArrayView v, QByteArrayView time, qint16 *to, qint64 *ms) {
                if (v.isEmpty())
                    return;
                const std::optional<qint16> t = parseTenths(v);
                const std::optional<qint64> when = clock.at(f[0], time);
                if (!t || !when)
                    ok = false;
                else
                    *to = *t, *ms = *when;
            };
            if (ok) {
                const std::optional<qint64> ms = clock.at(f[0], f[1]);
                ok = ms.has_value() && (f[11] == "0" || f[11] == "1");
                r.ms = ms.value_or(0);
                count(f[2], &r.seconds);
                count(f[3], &r.receiving);
                count(f[4], &r.caution);
                count(f[5], &r.stop);
                count(f[6], &r.undecided);
                speedAt(f[7], f[8], &r.gust, &r.gustMs);
                speedAt(f[9], f[10], &r.mean, &r.meanMs);
                r.latched = f[11] == "1";
            }
            if (!ok) {
                if (!whole) {
                    cutLast();
                    break;
                }
                skipped << lineNo;
                continue;
            }
            out->rule.push_back(r);
        }
        saySkipped(QT_TRANSLATE_NOOP("history", "判定の記録の %1 行を読めませんでした (%2行目)"));
        return true;
    }

    if (isEvents) {
        info->kind = Kind::Events;
        while (nextLine(&line, &whole)) {
            if (line.isEmpty())
                continue;
            const int n = splitFields(line, f.data(), 7);
            const std::optional<qint64> ms = n >= 3 ? clock.at(f[0], f[1]) : std::nullopt;
            if (!ms || n > 7) {
                if (!whole) {
                    cutLast();
                    break;
                }
                skipped << lineNo;
                continue;
            }
            EventRow e;
            e.ms = *ms;
            e.what = logging::fromCp932(f[2].toByteArray());
            if (n > 3)
                e.mean = QString::fromLatin1(f[3]);
            if (n > 4)
                e.gust = QString::fromLatin1(f[4]);
            if (n > 5)
                e.instant = QString::fromLatin1(f[5]);
            if (n > 6)
                e.detail = logging::fromCp932Field(logging::fromCp932(f[6].toByteArray()));
            events->append(e);
        }
        saySkipped(QT_TRANSLATE_NOOP("history", "イベント記録の %1 行を読めませんでした (%2行目)"));
        return true;
    }

    info->mask = *mask;
    const size_t first = rows->size();
    auto columnsOf = [](int m) {
        int n = (m & 1) ? 2 : 0;
        for (int bit : {2, 4, 8, 16})
            n += (m & bit) ? 1 : 0;
        return n;
    };
    int want = columnsOf(*mask);
    qint64 nextProgress = 1 << 20;
    while (nextLine(&line, &whole)) {
        if (progress && pos >= nextProgress) {
            if (!progress(pos)) {
                *error = QCoreApplication::translate("history", "読み込みを取り消しました。");
                return false;
            }
            nextProgress = pos + (1 << 20);
        }
        if (line.isEmpty())
            continue;
        int n = splitFields(line, f.data(), 7);
        // The columns' trailing comma (there when the last column is not chosen).
        if (n == want + 1 && f[size_t(n - 1)].isEmpty())
            --n;
        auto bad = [&](const QString &why) {
            if (!whole) {
                info->warnings << QCoreApplication::translate(
                                      "history",
                                      "最後の行 (%1 行目) は途中で切れているため読みませんでした。")
                                      .arg(lineNo);
                return true;
            }
            *error = lineError(path, lineNo, why);
            return false;
        };
        // A second header: the output was started again into the same file, or two logs
        // were joined (a header repeated as it was). Headers begin with a Japanese word.
        if (!line.isEmpty() && uchar(line[0]) >= 0x80) {
            if (const auto again = headerMask(logging::fromCp932(line.toByteArray()))) {
                info->mask |= *again;
                *mask = *again;
                want = columnsOf(*again);
                continue;
            }
        }
        if (n != want) {
            if (bad(QCoreApplication::translate(
                        "history", "列の数が見出しと合いません (%1 列、見出しは %2 列): %3")
                        .arg(n)
                        .arg(want)
                        .arg(shown(line))))
                break;
            return false;
        }
        Row r;
        int k = 0;
        if (*mask & 1) {
            const std::optional<qint64> ms = clock.at(f[0], f[1]);
            if (!ms) {
                if (bad(QCoreApplication::translate("history", "日付か時刻が読めません: %1")
                            .arg(shown(line))))
                    break;
                return false;
            }
            r.ms = *ms;
            k = 2;
        }
        bool any = false, ok = true;
        for (int i = 0; i < 4; ++i) {
            if (!(*mask & (2 << i)))
                continue;
            const QByteArrayView v = f[size_t(k++)];
            if (v.isEmpty())
                continue;
            const std::optional<qint16> t = parseTenths(v);
            if (!t) {
                ok = false;
                break;
            }
            r.tenths[size_t(i)] = *t;
            any = true;
        }
        // A number cut short by the end of the file reads as a number: a last line
        // without its line end is never taken.
        if (!ok || !whole) {
            if (bad(QCoreApplication::translate("history", "風速が読めません: %1")
                        .arg(shown(line))))
                break;
            return false;
        }
        r.gap = !any;
        rows->push_back(r);
    }
    if (!(info->mask & 1)) {
        // No date column: the rows are spread from the start in the file's name to its
        // last change.
        const std::optional<NameStamp> stamp = nameStamp(path);
        if (!stamp) {
            *error = QCoreApplication::translate(
                         "history",
                         "「%1」には日付と時刻の列がなく、ﾌｧｲﾙ名からも開始時刻がわかりません。")
                         .arg(QFileInfo(path).fileName());
            rows->resize(first);
            return false;
        }
        const qint64 start = stamp->start.toMSecsSinceEpoch();
        const qint64 count = qint64(rows->size() - first);
        const qint64 span = std::max<qint64>(0, modified.toMSecsSinceEpoch() - start);
        const qint64 step = count ? std::max<qint64>(1, span / count / 1000) * 1000 : 1000;
        for (qint64 i = 0; i < count; ++i)
            (*rows)[size_t(first + size_t(i))].ms = start + (i + 1) * step;
        info->timesEstimated = true;
        info->warnings << QCoreApplication::translate(
            "history", "日付と時刻の列がないため、時刻はﾌｧｲﾙ名と更新日時から推定しました。");
    }
    info->intervalMs = commonSpacing(*rows, first);
    return true;
}

} // namespace history
