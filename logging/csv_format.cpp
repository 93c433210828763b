#include "logging/csv_format.h"

#include "platform/cp932.h"

#include <QRegularExpression>

namespace logging {

std::optional<QString> logBaseName(const QString &fName)
{
    // Only the file's own name counts: a folder such as /data/site.csv.d/ is kept whole.
    const qsizetype name =
        qMax(fName.lastIndexOf(QLatin1Char('/')), fName.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype at = fName.indexOf(QLatin1String(".csv"), name, Qt::CaseSensitive);
    if (at < 0)
        return std::nullopt;
    return fName.left(at);
}

QString logStamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyMMddHHmm"));
}

QString freeLogFileName(const QString &base, const QString &stamp,
                        const std::function<bool(const QString &)> &exists)
{
    QString name = base + stamp + QLatin1String(".csv");
    for (int n = 2; exists(name); ++n) {
        if (n > kMaxLogNames)
            return {};
        name = base + stamp + QLatin1Char('_') + QString::number(n) + QLatin1String(".csv");
    }
    return name;
}

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

QString eventLogHeader(int minutes)
{
    // The rule's mean is named by its window, apart from the meter's own 平均風速.
    return QStringLiteral("年月日,時刻,事象,%1分平均,最大瞬間風速,瞬間風速,詳細\r\n").arg(minutes);
}

QString ruleRecordHeader(int minutes)
{
    return QStringLiteral("年月日,時刻,秒数,受信(秒),注意(秒),作業中止(秒),判定中(秒),"
                          "最大瞬間風速,最大瞬間風速時刻,最大%1分平均,最大%1分平均時刻,点検要\r\n")
        .arg(minutes);
}

QString headerLine(int mask)
{
    QString line;
    if (mask & 1)
        line += QStringLiteral("年月日,時刻,");
    if (mask & 2)
        line += QStringLiteral("瞬間風速,");
    if (mask & 4)
        line += QStringLiteral("瞬間最大風速,");
    if (mask & 8)
        line += QStringLiteral("平均風速,");
    if (mask & 16)
        line += QStringLiteral("平均最大風速");
    return line + kCrLf;
}

QString rowLine(int mask, const QString &date, const QString &time,
                const std::array<QString, 4> &readings)
{
    QString line;
    line.reserve(64);
    const QChar comma = QLatin1Char(',');
    if (mask & 1)
        line += date + comma + time + comma;
    if (mask & 2)
        line += readings[0] + comma;
    if (mask & 4)
        line += readings[1] + comma;
    if (mask & 8)
        line += readings[2] + comma;
    if (mask & 16)
        line += readings[3];
    return line + kCrLf;
}

QByteArray toCp932(const QString &text)
{
    return platform::toCp932(text);
}

QString fromCp932(const QByteArray &bytes)
{
    return platform::fromCp932(bytes);
}

QString cp932Field(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const QList<uint> points = text.toUcs4();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        const QString one = QString::fromUcs4(&c, 1);
        const bool escape = c == U'&' ? i + 1 < points.size() && points[i + 1] == U'#'
                                      : c >= 0x80 && fromCp932(toCp932(one)) != one;
        out += escape ? QStringLiteral("&#x") + QString::number(uint(c), 16).toUpper() +
                            QLatin1Char(';')
                      : one;
    }
    return out;
}

QString fromCp932Field(const QString &field)
{
    if (!field.contains(QLatin1String("&#x")))
        return field;
    static const QRegularExpression escaped(QStringLiteral("&#x([0-9A-Fa-f]{1,6});"));
    QString out;
    qsizetype from = 0;
    for (auto it = escaped.globalMatch(field); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const char32_t c = m.captured(1).toUInt(nullptr, 16);
        out += field.mid(from, m.capturedStart() - from);
        // Only what names a character: a surrogate or beyond Unicode stays as written.
        out += c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF) && c != 0 ? QString::fromUcs4(&c, 1)
                                                                     : m.captured();
        from = m.capturedEnd();
    }
    return out + field.mid(from);
}

QString rowDateFormat(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("yyyy/MM/dd");
    return locale.dateFormat(QLocale::ShortFormat);
}

QString rowTimeFormat(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("H:mm:ss");
    // The short time format carries no seconds; put them after the minutes.
    QString f = locale.timeFormat(QLocale::ShortFormat);
    if (f.contains(QLatin1Char('s')))
        return f;
    const qsizetype mm = f.indexOf(QLatin1String("mm"));
    if (mm < 0)
        return f + QStringLiteral(":ss");
    return f.insert(mm + 2, QStringLiteral(":ss"));
}

QString shortTimeFormat(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("H:mm");
    return locale.timeFormat(QLocale::ShortFormat);
}

} // namespace logging
