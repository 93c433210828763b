#include "publish/notify.h"

#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

namespace publish {

namespace {
const QString kGroup = QStringLiteral("Notify");

QString text(const platform::SettingsStore &store, const QString &key)
{
    return store.text(kGroup, key).value_or(QString()).trimmed();
}

// The contents of a JSON string: quotes, backslashes and controls escaped; the rest as
// it is (UTF-8 in the body).
QString jsonEscaped(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

// A line break or another control character (a tab is a blank).
bool hasControl(const QString &s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) {
        return c.unicode() < 0x20 ? c != QLatin1Char('\t') : c.unicode() == 0x7f;
    });
}

QString number(const std::optional<double> &v)
{
    return v ? QString::number(*v, 'f', 1) : QString();
}
} // namespace

bool NotifySettings::jsonBody() const
{
    return target.contentType.contains(QStringLiteral("json"), Qt::CaseInsensitive);
}

QStringList notifyCodes()
{
    return {
        QStringLiteral("caution"),        QStringLiteral("stop"),       QStringLiteral("stop_end"),
        QStringLiteral("normal"),         QStringLiteral("undecided"),  QStringLiteral("storm"),
        QStringLiteral("inspection"),     QStringLiteral("link_lost"),  QStringLiteral("link_back"),
        QStringLiteral("write_failed"),   QStringLiteral("stalled"),    QStringLiteral("test"),
        QStringLiteral("out_of_service"), QStringLiteral("scaffold"),   QStringLiteral("no_answer"),
        QStringLiteral("monitor_start"),  QStringLiteral("monitor_end")};
}

QStringList defaultNotifyCodes()
{
    return {QStringLiteral("stop"),          QStringLiteral("stop_end"),
            QStringLiteral("storm"),         QStringLiteral("inspection"),
            QStringLiteral("link_lost"),     QStringLiteral("link_back"),
            QStringLiteral("write_failed"),  QStringLiteral("out_of_service"),
            QStringLiteral("scaffold"),      QStringLiteral("no_answer"),
            QStringLiteral("monitor_start"), QStringLiteral("monitor_end")};
}

std::optional<NotifySettings> loadNotifySettings(const platform::SettingsStore &store)
{
    if (!store.hasGroup(kGroup))
        return std::nullopt;
    NotifySettings s;
    platform::NotifyTarget &t = s.target;
    t.url = text(store, QStringLiteral("Url"));
    if (!t.url.isEmpty()) {
        const QUrl url(t.url, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() ||
            (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https"))) {
            s.problems << QCoreApplication::translate(
                              "output", "Url= が http または https のｱﾄﾞﾚｽではありません: %1")
                              .arg(platform::shownUrl(t.url));
            t.url.clear();
        }
    }
    s.body = store.text(kGroup, QStringLiteral("Body")).value_or(QString());
    t.contentType = text(store, QStringLiteral("ContentType"));
    if (hasControl(t.contentType)) {
        // A line break in a header's value would start a header of its own.
        s.problems << QCoreApplication::translate("output",
                                                  "ContentType= に改行か制御文字があります");
        t.contentType.clear();
    }
    if (t.contentType.isEmpty())
        t.contentType = QStringLiteral("application/json");
    for (int i = 1; i <= 4; ++i) {
        const QString key = QStringLiteral("Header%1").arg(i);
        const QString h = text(store, key);
        if (h.isEmpty())
            continue;
        const qsizetype colon = h.indexOf(QLatin1Char(':'));
        const QString name = h.left(colon).trimmed();
        // A header's name is a token; its value one line.
        const bool good = colon > 0 && !name.contains(QLatin1Char(' ')) && !hasControl(h);
        if (!good) {
            s.problems << QCoreApplication::translate("output",
                                                      "%1= が \"名前: 値\" の形ではありません")
                              .arg(key);
            continue;
        }
        t.headers.append({name.toLatin1(), h.mid(colon + 1).trimmed().toUtf8()});
    }
    t.caFile = text(store, QStringLiteral("CaFile"));
    if (!t.caFile.isEmpty()) {
        const QFileInfo ca(t.caFile);
        if (!ca.isFile() || ca.size() > platform::NotifySender::kCaFileBytes) {
            s.problems << QCoreApplication::translate(
                              "output", "CaFile= が 1 MiB 以下のﾌｧｲﾙではありません: %1")
                              .arg(t.caFile);
            t.caFile.clear();
        }
    }
    t.command = text(store, QStringLiteral("Command"));
    const QString events = text(store, QStringLiteral("Events"));
    if (events.isEmpty()) {
        s.events = defaultNotifyCodes();
    } else {
        for (const QString &code : events.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString c = code.trimmed().toLower();
            if (notifyCodes().contains(c))
                s.events << c;
            else
                s.problems << QCoreApplication::translate(
                                  "output", "Events= の \"%1\" という出来事はありません")
                                  .arg(code.trimmed());
        }
    }
    s.events << QStringLiteral("test"); // a test is always sent
    bool ok = false;
    const int repeat = text(store, QStringLiteral("Repeat")).toInt(&ok);
    if (ok && repeat >= 0 && repeat <= 1440)
        s.repeatMinutes = repeat;
    else if (!text(store, QStringLiteral("Repeat")).isEmpty())
        s.problems << QCoreApplication::translate(
            "output", "Repeat= が 0 から 1440 までの分数ではありません");
    s.source = QFileInfo(store.location()).completeBaseName();
    if (t.url.isEmpty() && t.command.isEmpty())
        s.problems << QCoreApplication::translate("output",
                                                  "[Notify] に Url= も Command= もありません");
    return s;
}

QByteArray noticeJson(const Notice &n)
{
    auto str = [](const QString &s) {
        return QLatin1Char('"') + jsonEscaped(s) + QLatin1Char('"');
    };
    auto num = [](const std::optional<double> &v) {
        return v ? QString::number(*v, 'f', 1) : QStringLiteral("null");
    };
    QString out = QStringLiteral("{\"event\":%1,\"text\":%2,\"time\":%3,\"site\":%4,\"source\":%5,"
                                 "\"mean\":%6,\"gust\":%7,\"instant\":%8,\"work\":%9,")
                      .arg(str(n.code), str(n.text), str(n.time), str(n.site), str(n.source),
                           num(n.mean), num(n.gust), num(n.instant),
                           n.work.isEmpty() ? QStringLiteral("null") : str(n.work));
    out += QStringLiteral("\"storm\":%1")
               .arg(n.storm ? QStringLiteral("true") : QStringLiteral("false"));
    // Only while it holds: the bodies of a site without a fault stay as they were.
    if (n.outOfService)
        out += QStringLiteral(",\"out_of_service\":true");
    if (!n.detail.isEmpty())
        out += QStringLiteral(",\"detail\":") + str(n.detail);
    out += QLatin1Char('}');
    return out.toUtf8();
}

QByteArray fillTemplate(const QString &tmpl, const Notice &n, bool json)
{
    // A value and whether it is a number (written bare in a JSON value's place).
    struct Value {
        const char *name;
        QString text;
        bool numeric;
    };
    const Value values[] = {
        {"{event}", n.code, false},       {"{text}", n.text, false},
        {"{time}", n.time, false},        {"{site}", n.site, false},
        {"{source}", n.source, false},    {"{mean}", number(n.mean), true},
        {"{gust}", number(n.gust), true}, {"{instant}", number(n.instant), true},
        {"{work}", n.work, false},        {"{detail}", n.detail, false}};
    // One pass, so that a value holding a placeholder's name stays as it is. In JSON, a
    // placeholder inside a string gets the value's escaped text (empty when unknown); one
    // that stands as a value of its own gets a number, a string, or null when unknown.
    QString out;
    bool inString = false;
    for (qsizetype i = 0; i < tmpl.size();) {
        const QChar c = tmpl[i];
        if (json && c == QLatin1Char('"')) {
            inString = !inString;
        } else if (json && inString && c == QLatin1Char('\\') && i + 1 < tmpl.size()) {
            out += c;
            out += tmpl[i + 1];
            i += 2;
            continue;
        }
        bool replaced = false;
        if (c == QLatin1Char('{'))
            for (const Value &v : values) {
                const QLatin1StringView key(v.name);
                if (!QStringView(tmpl).mid(i).startsWith(key))
                    continue;
                if (!json || inString)
                    out += json ? jsonEscaped(v.text) : v.text;
                else if (v.text.isEmpty())
                    out += QStringLiteral("null");
                else
                    out += v.numeric ? v.text
                                     : QLatin1Char('"') + jsonEscaped(v.text) + QLatin1Char('"');
                i += key.size();
                replaced = true;
                break;
            }
        if (!replaced)
            out += tmpl[i++];
    }
    return out.toUtf8();
}

QList<std::pair<QString, QString>> noticeEnvironment(const Notice &n)
{
    return {{QStringLiteral("QV475_EVENT"), n.code},
            {QStringLiteral("QV475_TEXT"), n.text},
            {QStringLiteral("QV475_TIME"), n.time},
            {QStringLiteral("QV475_SITE"), n.site},
            {QStringLiteral("QV475_SOURCE"), n.source},
            {QStringLiteral("QV475_MEAN"), number(n.mean)},
            {QStringLiteral("QV475_GUST"), number(n.gust)},
            {QStringLiteral("QV475_INSTANT"), number(n.instant)},
            {QStringLiteral("QV475_WORK"), n.work},
            {QStringLiteral("QV475_STORM"), n.storm ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("QV475_OUT_OF_SERVICE"),
             n.outOfService ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("QV475_DETAIL"), n.detail}};
}

platform::Delivery delivery(const Notice &n, const NotifySettings &s)
{
    return {n.code, n.time,
            s.body.isEmpty() ? noticeJson(n) : fillTemplate(s.body, n, s.jsonBody()),
            noticeEnvironment(n)};
}

} // namespace publish
