#include "history/log_reader.h"

#include "logging/csv_format.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimeZone>
#include <algorithm>
#include <map>
#include <variant>

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

namespace {

// One file's lines, read in order, and what reading them says: the file's kind, its
// warnings and the lines left out.
class FileLines
{
public:
    FileLines(const QString &path, const QByteArray &bytes, FileInfo *info)
        : m_path(path), m_info(info)
    {
        // A power cut can leave the end of a file as zero bytes: they are no line.
        qsizetype end = bytes.size();
        while (end > 0 && bytes[end - 1] == '\0')
            --end;
        if (end < bytes.size())
            info->warnings << QCoreApplication::translate(
                                  "history",
                                  "ﾌｧｲﾙの終わりの空白ﾃﾞｰﾀ (%1 ﾊﾞｲﾄ) を読みませんでした。")
                                  .arg(bytes.size() - end);
        m_all = QByteArrayView(bytes.constData(), end);
    }

    // The next line without its line end; false at the end. whole(): it had a line end.
    bool next()
    {
        if (m_pos >= m_all.size())
            return false;
        qsizetype nl = m_all.indexOf('\n', m_pos);
        m_whole = nl >= 0;
        if (nl < 0)
            nl = m_all.size();
        qsizetype stop = nl;
        if (stop > m_pos && m_all[stop - 1] == '\r')
            --stop;
        m_line = m_all.sliced(m_pos, stop - m_pos);
        m_pos = nl + 1;
        ++m_lineNo;
        return true;
    }
    QByteArrayView line() const { return m_line; }
    bool whole() const { return m_whole; }
    qint64 lineNo() const { return m_lineNo; }
    qsizetype pos() const { return m_pos; }
    const QString &path() const { return m_path; }
    FileInfo *info() const { return m_info; }

    // A last line without its line end: said, and not read.
    void cutLast()
    {
        m_info->warnings << QCoreApplication::translate(
                                "history",
                                "最後の行 (%1 行目) は途中で切れているため読みませんでした。")
                                .arg(m_lineNo);
    }
    // A record's line that cannot be read is left out and said; the rest still counts.
    // false: it was the last line, cut short, and the reading ends.
    bool skip()
    {
        if (!m_whole) {
            cutLast();
            return false;
        }
        m_skipped << m_lineNo;
        return true;
    }
    void saySkipped(const char *text)
    {
        m_info->skipped = int(m_skipped.size());
        if (m_skipped.isEmpty())
            return;
        QStringList lines;
        for (qsizetype i = 0; i < m_skipped.size() && i < 5; ++i)
            lines << QString::number(m_skipped[i]);
        if (m_skipped.size() > 5)
            lines << QStringLiteral("…");
        m_info->warnings << QCoreApplication::translate("history", text)
                                .arg(m_skipped.size())
                                .arg(lines.join(QStringLiteral("、")));
    }

private:
    QString m_path;
    FileInfo *m_info;
    QByteArrayView m_all, m_line;
    qsizetype m_pos = 0;
    qint64 m_lineNo = 0;
    bool m_whole = false;
    QList<qint64> m_skipped;
};

// The header's text and columns: code page 932 as written; UTF-8 (with or without its
// mark) when a spreadsheet or an editor saved it so.
struct Header {
    QString text;
    std::optional<int> mask; // a data log's columns
    bool events = false;
    bool rule = false;
};

std::optional<Header> readHeader(FileLines &lines, QString *error)
{
    if (!lines.next()) {
        *error = QCoreApplication::translate("history", "「%1」は空です。")
                     .arg(QFileInfo(lines.path()).fileName());
        return std::nullopt;
    }
    const QByteArrayView line = lines.line();
    Header h{logging::fromCp932(line.toByteArray()), {}, false, false};
    auto known = [](const QString &t) {
        return headerMask(t) || isEventHeader(trimCommas(t)) || ruleHeaderMinutes(t);
    };
    if (!known(h.text)) {
        const QByteArrayView bom("\xEF\xBB\xBF");
        const QString asUtf8 = QString::fromUtf8(line.startsWith(bom) ? line.sliced(3) : line);
        if (known(asUtf8)) {
            h.text = asUtf8;
            lines.info()->warnings << QCoreApplication::translate(
                "history", "UTF-8 で保存されたﾌｧｲﾙとして読みました。");
        }
    }
    h.mask = headerMask(h.text);
    h.events = !h.mask && isEventHeader(trimCommas(h.text));
    h.rule = !h.mask && !h.events && ruleHeaderMinutes(h.text);
    if (!h.mask && !h.events && !h.rule) {
        *error = lineError(lines.path(), 1,
                           QCoreApplication::translate(
                               "history", "見出しの行がこのｿﾌﾄの記録の形ではありません: %1")
                               .arg(shown(line)));
        return std::nullopt;
    }
    return h;
}

// One line of the rule's record; nullopt when it cannot be read.
std::optional<RuleRow> ruleRow(const std::array<QByteArrayView, 13> &f, int n, RowClock &clock)
{
    if (n != 12 || !(f[11] == "0" || f[11] == "1"))
        return std::nullopt;
    const std::optional<qint64> ms = clock.at(f[0], f[1]);
    if (!ms)
        return std::nullopt;
    RuleRow r;
    r.ms = *ms;
    r.latched = f[11] == "1";
    bool ok = true;
    auto count = [&](QByteArrayView v, qint32 *to) {
        bool good = false;
        const int c = v.toInt(&good);
        if (!good || c < 0 || c > 3600)
            ok = false;
        *to = c;
    };
    auto speedAt = [&](QByteArrayView v, QByteArrayView time, qint16 *to, qint64 *at) {
        if (v.isEmpty())
            return;
        const std::optional<qint16> t = parseTenths(v);
        const std::optional<qint64> when = clock.at(f[0], time);
        if (!t || !when)
            ok = false;
        else
            *to = *t, *at = *when;
    };
    count(f[2], &r.seconds);
    count(f[3], &r.receiving);
    count(f[4], &r.caution);
    count(f[5], &r.stop);
    count(f[6], &r.undecided);
    speedAt(f[7], f[8], &r.gust, &r.gustMs);
    speedAt(f[9], f[10], &r.mean, &r.meanMs);
    return ok ? std::optional<RuleRow>(r) : std::nullopt;
}

void readRuleLines(FileLines &lines, std::vector<RuleRow> *out)
{
    lines.info()->kind = Kind::Rule;
    RowClock clock;
    std::array<QByteArrayView, 13> f;
    while (lines.next()) {
        if (lines.line().isEmpty())
            continue;
        const int n = splitFields(lines.line(), f.data(), 12);
        const std::optional<RuleRow> r = lines.whole() ? ruleRow(f, n, clock) : std::nullopt;
        if (!r) {
            if (!lines.skip())
                break;
            continue;
        }
        out->push_back(*r);
    }
    lines.saySkipped(QT_TRANSLATE_NOOP("history", "判定の記録の %1 行を読めませんでした (%2行目)"));
}

void readEventLines(FileLines &lines, QList<EventRow> *out)
{
    lines.info()->kind = Kind::Events;
    RowClock clock;
    std::array<QByteArrayView, 13> f;
    while (lines.next()) {
        if (lines.line().isEmpty())
            continue;
        const int n = splitFields(lines.line(), f.data(), 7);
        const std::optional<qint64> ms = n >= 3 ? clock.at(f[0], f[1]) : std::nullopt;
        if (!ms || n > 7) {
            if (!lines.skip())
                break;
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
        out->append(e);
    }
    lines.saySkipped(
        QT_TRANSLATE_NOOP("history", "イベント記録の %1 行を読めませんでした (%2行目)"));
}

int columnsOf(int mask)
{
    int n = (mask & 1) ? 2 : 0;
    for (int bit : {2, 4, 8, 16})
        n += (mask & bit) ? 1 : 0;
    return n;
}

// One row of a data log by its columns; the reason when it cannot be read.
std::variant<Row, QString> dataRow(const std::array<QByteArrayView, 13> &f, int mask,
                                   RowClock &clock, QByteArrayView line)
{
    Row r;
    int k = 0;
    if (mask & 1) {
        const std::optional<qint64> ms = clock.at(f[0], f[1]);
        if (!ms)
            return QCoreApplication::translate("history", "日付か時刻が読めません: %1")
                .arg(shown(line));
        r.ms = *ms;
        k = 2;
    }
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        if (!(mask & (2 << i)))
            continue;
        const QByteArrayView v = f[size_t(k++)];
        if (v.isEmpty())
            continue;
        const std::optional<qint16> t = parseTenths(v);
        if (!t)
            return QCoreApplication::translate("history", "風速が読めません: %1").arg(shown(line));
        r.tenths[size_t(i)] = *t;
        any = true;
    }
    r.gap = !any;
    return r;
}

// The rows of a data log; false and *error at a line that cannot be read (a last line cut
// short is said and left out) or when the reading was called off.
bool readDataRows(FileLines &lines, int mask, std::vector<Row> *rows, QString *error,
                  const std::function<bool(qint64)> &progress)
{
    FileInfo *info = lines.info();
    info->mask = mask;
    RowClock clock;
    std::array<QByteArrayView, 13> f;
    int want = columnsOf(mask);
    qint64 nextProgress = 1 << 20;
    while (lines.next()) {
        if (progress && lines.pos() >= nextProgress) {
            if (!progress(lines.pos())) {
                *error = QCoreApplication::translate("history", "読み込みを取り消しました。");
                return false;
            }
            nextProgress = lines.pos() + (1 << 20);
        }
        const QByteArrayView line = lines.line();
        if (line.isEmpty())
            continue;
        // A second header: the output was started again into the same file, or two logs
        // were joined (a header repeated as it was). Headers begin with a Japanese word.
        if (uchar(line[0]) >= 0x80) {
            if (const auto again = headerMask(logging::fromCp932(line.toByteArray()))) {
                info->mask |= *again;
                mask = *again;
                want = columnsOf(*again);
                continue;
            }
        }
        int n = splitFields(line, f.data(), 7);
        // The columns' trailing comma (there when the last column is not chosen).
        if (n == want + 1 && f[size_t(n - 1)].isEmpty())
            --n;
        std::variant<Row, QString> row =
            n != want ? std::variant<Row, QString>(
                            QCoreApplication::translate(
                                "history", "列の数が見出しと合いません (%1 列、見出しは %2 列): %3")
                                .arg(n)
                                .arg(want)
                                .arg(shown(line)))
                      : dataRow(f, mask, clock, line);
        // A number cut short by the end of the file reads as a number: a last line
        // without its line end is never taken.
        if (!lines.whole()) {
            lines.cutLast();
            break;
        }
        if (const QString *why = std::get_if<QString>(&row)) {
            *error = lineError(lines.path(), lines.lineNo(), *why);
            return false;
        }
        rows->push_back(std::get<Row>(row));
    }
    return true;
}

// Rows without a date column are spread from the start in the file's name to its last
// change; false and *error when the name tells no start.
bool spreadUndatedRows(const QString &path, const QDateTime &modified, size_t first,
                       std::vector<Row> *rows, FileInfo *info, QString *error)
{
    const std::optional<NameStamp> stamp = nameStamp(path);
    if (!stamp) {
        *error =
            QCoreApplication::translate(
                "history", "「%1」には日付と時刻の列がなく、ﾌｧｲﾙ名からも開始時刻がわかりません。")
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
    return true;
}

} // namespace

bool readFile(const QString &path, const QByteArray &bytes, const QDateTime &modified,
              FileInfo *info, Contents *out, QString *error,
              const std::function<bool(qint64)> &progress)
{
    *info = FileInfo{};
    info->path = path;
    FileLines lines(path, bytes, info);
    const std::optional<Header> header = readHeader(lines, error);
    if (!header)
        return false;
    if (header->rule) {
        readRuleLines(lines, &out->rule);
        return true;
    }
    if (header->events) {
        readEventLines(lines, &out->events);
        return true;
    }
    const size_t first = out->rows.size();
    if (!readDataRows(lines, *header->mask, &out->rows, error, progress))
        return false;
    if (!(info->mask & 1) && !spreadUndatedRows(path, modified, first, &out->rows, info, error))
        return false;
    info->intervalMs = commonSpacing(out->rows, first);
    return true;
}

} // namespace history
