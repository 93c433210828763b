#include "history/register.h"

#include "link/tenths.h"
#include "logging/csv_format.h"
#include "logging/event_words.h"
#include "logging/manifest.h"
#include "site/wind_rule.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace history {

namespace {

namespace words = logging::words;

// The register's walk over the events in time order, day after day.
class Walker
{
public:
    explicit Walker(int cautionMinutes) : m_cautionMs(qint64(cautionMinutes) * 60000) {}

    void event(const EventRow &e)
    {
        using site::Change;
        const QString what = e.what;
        const bool leavesStop = what == site::changeCaption(Change::StopEnds) ||
                                what == QString::fromUtf16(site::kOldStopEndsCaption) ||
                                what == site::changeCaption(Change::Normal) ||
                                what == site::changeCaption(Change::Caution) ||
                                what == site::changeCaption(Change::Undecided);
        if (m_stop) {
            m_stopMean = std::max(m_stopMean, tenths(e.mean));
            if (leavesStop)
                endStop(e.ms);
        }
        if (m_caution && what != site::changeCaption(Change::Caution) &&
            (leavesStop || what == site::changeCaption(Change::StopBegins)))
            endCaution(e.ms);
        if (what == site::changeCaption(Change::StopBegins) && !m_stop) {
            m_stop = e.ms;
            m_stopMean = tenths(e.mean);
        } else if (what == site::changeCaption(Change::Caution) && !m_caution) {
            m_caution = e.ms;
        } else if (what == site::changeCaption(Change::Storm)) {
            add({RegisterItem::Kind::Storm, e.ms, 0, false, e.gust, {}, {}, false, false});
            m_openCrane.append(items.size() - 1);
        } else if (what == site::changeCaption(Change::Scaffold)) {
            add({RegisterItem::Kind::ScaffoldDue, e.ms, 0, true, {}, {}, {}, false, false});
            m_openScaffold.append(items.size() - 1);
        } else if (what == site::changeCaption(Change::Acknowledged) ||
                   what == site::changeCaption(Change::OutOfService)) {
            sign(e);
        } else if (what == words::word(words::kMonitorEnd)) {
            m_monitorEnd = e.ms;
        } else if (what == words::word(words::kMonitorStart)) {
            if (m_monitorEnd)
                add({RegisterItem::Kind::Gap, m_monitorEnd, e.ms, false, {}, {}, {}, false, false});
            m_monitorEnd = 0;
        } else if (what == words::word(words::kLinkLost)) {
            if (!m_linkLost)
                m_linkLost = e.ms;
        } else if (what == words::word(words::kLinkBack)) {
            if (m_linkLost && e.ms - m_linkLost > 10 * 60000)
                add({RegisterItem::Kind::Gap, m_linkLost, e.ms, false, {}, {}, {}, false, false});
            m_linkLost = 0;
        }
    }

    // What is still running or due at the period's end.
    void finish(qint64 endMs)
    {
        if (m_stop)
            endStop(endMs);
        if (m_caution)
            endCaution(endMs);
        QList<RegisterItem> open;
        for (const QList<qsizetype> *list : {&m_openCrane, &m_openScaffold})
            for (qsizetype i : *list) {
                RegisterItem item = items[i];
                item.kind = RegisterItem::Kind::Open;
                open.append(item);
            }
        items = open + items;
    }

    QList<RegisterItem> items;

private:
    static int tenths(const QString &text)
    {
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? qRound(v * 10) : -1;
    }
    void add(const RegisterItem &item) { items.append(item); }
    void endStop(qint64 ms)
    {
        add({RegisterItem::Kind::Stop,
             m_stop,
             ms,
             false,
             meterlink::formatTenthsOrEmpty(m_stopMean),
             {},
             {},
             false,
             false});
        m_stop = 0;
    }
    void endCaution(qint64 ms)
    {
        if (ms - m_caution >= m_cautionMs)
            add({RegisterItem::Kind::Caution, m_caution, ms, false, {}, {}, {}, false, false});
        m_caution = 0;
    }
    void sign(const EventRow &e)
    {
        RegisterItem item{RegisterItem::Kind::Inspection,
                          e.ms,
                          0,
                          false,
                          {},
                          {},
                          {},
                          false,
                          e.what == site::changeCaption(site::Change::OutOfService)};
        const words::InspectionFields fields = words::readInspectionDetail(e.detail);
        item.by = fields.by;
        item.result = fields.result;
        item.scaffold = fields.scaffold;
        item.forced = fields.forced;
        add(item);
        // A pass answers every cause of its latch; a fault leaves them due.
        if (!item.fault)
            (item.scaffold ? m_openScaffold : m_openCrane).clear();
    }

    qint64 m_cautionMs;
    qint64 m_stop = 0, m_caution = 0, m_monitorEnd = 0, m_linkLost = 0;
    int m_stopMean = -1;
    QList<qsizetype> m_openCrane, m_openScaffold;
};

} // namespace

Register buildRegister(const RegisterInput &in, const FileReader &read)
{
    Register out;
    out.from = in.from;
    out.to = in.to;
    Walker walker(in.cautionMinutes);
    // A day at a time: one event log in memory, whatever the period.
    for (QDate day = in.from; day.isValid() && day <= in.to; day = day.addDays(1)) {
        const QStringList files = logging::dayFiles(in.base, day);
        const bool events = QFileInfo::exists(files[0]), rule = QFileInfo::exists(files[1]);
        if (!events) {
            if (!rule) {
                const qint64 from = QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch();
                // Days in a row without a record are one item.
                if (!walker.items.isEmpty() &&
                    walker.items.last().kind == RegisterItem::Kind::NoRecord &&
                    walker.items.last().toMs == from)
                    walker.items.last().toMs =
                        QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
                else
                    walker.items.append({RegisterItem::Kind::NoRecord,
                                         from,
                                         QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch(),
                                         false,
                                         {},
                                         {},
                                         {},
                                         false,
                                         false});
            } else {
                out.notes << QCoreApplication::translate(
                                 "register", "「%1」がありません (判定の記録はあります)。")
                                 .arg(QFileInfo(files[0]).fileName());
            }
            continue;
        }
        QByteArray bytes;
        QDateTime modified;
        QString error;
        FileInfo info;
        Contents contents;
        if (!read(files[0], &bytes, &modified, &error) ||
            !readFile(files[0], bytes, modified, &info, &contents, &error)) {
            out.notes << error;
            continue;
        }
        for (const QString &w : info.warnings)
            out.notes << QFileInfo(files[0]).fileName() + QStringLiteral(": ") + w;
        for (const EventRow &e : contents.events)
            walker.event(e);
    }
    walker.finish(QDateTime(in.to.addDays(1), QTime(0, 0)).toMSecsSinceEpoch());
    out.items = walker.items;
    return out;
}

QString registerKindText(const RegisterItem &item)
{
    using K = RegisterItem::Kind;
    switch (item.kind) {
    case K::Open:
        return item.scaffold ? QCoreApplication::translate("register", "足場点検未了")
                             : QCoreApplication::translate("register", "点検未了");
    case K::Storm: return QCoreApplication::translate("register", "暴風");
    case K::ScaffoldDue: return QCoreApplication::translate("register", "足場点検要");
    case K::Stop: return QCoreApplication::translate("register", "作業中止");
    case K::Caution: return QCoreApplication::translate("register", "注意");
    case K::Inspection:
        return item.scaffold ? QCoreApplication::translate("register", "足場点検")
                             : QCoreApplication::translate("register", "点検");
    case K::Gap: return QCoreApplication::translate("register", "監視なし");
    case K::NoRecord: return QCoreApplication::translate("register", "記録なし");
    }
    return {};
}

QString registerDetail(const RegisterItem &item)
{
    using K = RegisterItem::Kind;
    switch (item.kind) {
    case K::Open:
    case K::Storm:
        return item.scaffold
                   ? QCoreApplication::translate("register", "作業中止の後の足場の点検")
                   : QCoreApplication::translate("register", "最大瞬間風速 %1 m/s").arg(item.value);
    case K::ScaffoldDue: return QCoreApplication::translate("register", "作業中止の後の足場の点検");
    case K::Stop:
        return item.value.isEmpty()
                   ? QString()
                   : QCoreApplication::translate("register", "最大平均 %1 m/s").arg(item.value);
    case K::Inspection: {
        QString t = QStringLiteral("%1 (%2)").arg(item.by, item.result);
        if (item.fault)
            t += QCoreApplication::translate("register", " 使用停止");
        if (item.forced)
            t += QCoreApplication::translate("register", " 強風下で確認");
        return t;
    }
    case K::Caution:
    case K::Gap:
    case K::NoRecord: break;
    }
    return {};
}

QByteArray registerCsv(const Register &r)
{
    auto at = [](qint64 ms) {
        return ms ? QDateTime::fromMSecsSinceEpoch(ms).toString(
                        QStringLiteral("yyyy/MM/dd H:mm:ss"))
                  : QString();
    };
    QString text = QStringLiteral("種別,開始,終了,点検,内容,点検者,結果,印\r\n");
    for (const RegisterItem &i : r.items) {
        QStringList marks;
        if (i.fault)
            marks << QStringLiteral("使用停止");
        if (i.forced)
            marks << QStringLiteral("強風下で確認");
        const bool latched =
            i.kind == RegisterItem::Kind::Open || i.kind == RegisterItem::Kind::Storm ||
            i.kind == RegisterItem::Kind::ScaffoldDue || i.kind == RegisterItem::Kind::Inspection;
        text +=
            QStringList{registerKindText(i),
                        at(i.fromMs),
                        at(i.toMs),
                        latched
                            ? (i.scaffold ? QStringLiteral("scaffold") : QStringLiteral("crane"))
                            : QString(),
                        i.kind == RegisterItem::Kind::Inspection ? QString() : registerDetail(i),
                        logging::cp932Field(i.by),
                        logging::cp932Field(i.result),
                        marks.join(QLatin1Char(' '))}
                .join(QLatin1Char(',')) +
            QStringLiteral("\r\n");
    }
    return logging::toCp932(text);
}

} // namespace history
