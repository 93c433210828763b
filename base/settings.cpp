#include "base/settings.h"

#include "base/globals.h"
#include "link/tenths.h"
#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace basSubMain {

namespace {
const QString kGroup = QStringLiteral("Settings");

qint16 loadInt(const platform::SettingsStore &store, const QString &key, qint16 fallback)
{
    if (const auto text = store.text(kGroup, key))
        if (const auto v = parseInt16(*text))
            return *v;
    return fallback;
}

const QString kSiteGroup = QStringLiteral("Site");
const QString kSiteName = QStringLiteral("Name");
const char *const kSiteKeys[6] = {"Enabled", "Minutes", "Caution", "Stop", "Storm", "HoldMinutes"};
const QString kScaffold = QStringLiteral("ScaffoldInspection");

SiteSettings readSite(const platform::SettingsStore &store)
{
    SiteSettings s;
    auto key = [&](int i) { return store.text(kSiteGroup, QString::fromLatin1(kSiteKeys[i])); };
    s.enabled = key(0).value_or(QString()).trimmed() == QStringLiteral("1");
    auto minutes = [&](int i, int fallback, int low, int high) {
        const auto v = parseInt16(key(i).value_or(QString()).trimmed());
        return v && *v >= low && *v <= high ? int(*v) : fallback;
    };
    auto speed = [&](int i, int fallback) {
        return parseSpeed(key(i).value_or(QString()).trimmed()).value_or(fallback);
    };
    s.minutes = minutes(1, s.minutes, SiteSettings::kMinMinutes, SiteSettings::kMaxMinutes);
    s.caution = speed(2, s.caution);
    s.stop = speed(3, s.stop);
    s.storm = speed(4, s.storm);
    s.holdMinutes = minutes(5, s.holdMinutes, 0, SiteSettings::kMaxHoldMinutes);
    s.name = store.text(kSiteGroup, kSiteName).value_or(QString()).trimmed();
    s.scaffold =
        store.text(kSiteGroup, kScaffold).value_or(QString()).trimmed() == QStringLiteral("1");
    // Shown only: one line each, as a report's field takes it.
    auto identity = [&](const char *name) {
        return site::cleanField(
            store.text(kSiteGroup, QString::fromLatin1(name)).value_or(QString()));
    };
    s.position = identity("Position");
    s.height = identity("Height");
    s.serial = identity("Serial");
    s.archive = store.text(kSiteGroup, QStringLiteral("Archive")).value_or(QString()).trimmed();
    return s;
}

void writeSite(const SiteSettings &s, platform::SettingsStore &store)
{
    // The site's name is the reports' whether the rule is on or not.
    if (!s.name.isEmpty() || store.text(kSiteGroup, kSiteName))
        store.setText(kSiteGroup, kSiteName, s.name);
    if (!s.enabled && !store.text(kSiteGroup, QString::fromLatin1(kSiteKeys[0])))
        return;
    const QString values[6] = {s.enabled ? QStringLiteral("1") : QStringLiteral("0"),
                               QString::number(s.minutes),
                               meterlink::formatTenths(s.caution),
                               meterlink::formatTenths(s.stop),
                               meterlink::formatTenths(s.storm),
                               QString::number(s.holdMinutes)};
    for (int i = 0; i < 6; ++i)
        store.setText(kSiteGroup, QString::fromLatin1(kSiteKeys[i]), values[i]);
    if (s.scaffold || store.text(kSiteGroup, kScaffold))
        store.setText(kSiteGroup, kScaffold,
                      s.scaffold ? QStringLiteral("1") : QStringLiteral("0"));
}
} // namespace

std::optional<int> parseSpeed(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^([0-9]{1,3})(?:\\.([0-9]))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int tenths =
        m.captured(1).toInt() * 10 + (m.captured(2).isEmpty() ? 0 : m.captured(2).toInt());
    if (tenths < SiteSettings::kMinSpeed || tenths > SiteSettings::kMaxSpeed)
        return std::nullopt;
    return tenths;
}

QString siteSettingsError(const SiteSettings &site)
{
    if (site.caution >= site.stop || site.stop >= site.storm)
        return QCoreApplication::translate(
            "settings", "注意 < 作業中止 < 暴風 の順に大きな値を設定してください。");
    return {};
}

QString siteFileError(const platform::SettingsStore &store)
{
    const SiteSettings s = readSite(store);
    if (!s.enabled)
        return {};
    auto key = [&](int i) { return store.text(kSiteGroup, QString::fromLatin1(kSiteKeys[i])); };
    auto bad = [&](int i, const QString &why) {
        return QStringLiteral("[Site] %1=%2: %3")
            .arg(QLatin1String(kSiteKeys[i]), key(i).value_or(QString()).trimmed(), why);
    };
    const struct {
        int low, high;
    } minuteRange[6] = {{}, {SiteSettings::kMinMinutes, SiteSettings::kMaxMinutes},
                        {}, {},
                        {}, {0, SiteSettings::kMaxHoldMinutes}};
    for (int i : {1, 5}) {
        if (!key(i))
            continue;
        const auto v = parseInt16(key(i)->trimmed());
        if (!v || *v < minuteRange[i].low || *v > minuteRange[i].high)
            return bad(i, QCoreApplication::translate("settings",
                                                      "%1 から %2 までの分数を指定してください。")
                              .arg(minuteRange[i].low)
                              .arg(minuteRange[i].high));
    }
    for (int i : {2, 3, 4})
        if (key(i) && !parseSpeed(key(i)->trimmed()))
            return bad(i, QCoreApplication::translate(
                              "settings", "0.1 から 999.9 までの風速 (m/s) を指定してください。"));
    if (s.caution >= s.stop)
        return bad(2, siteSettingsError(s));
    if (s.stop >= s.storm)
        return bad(3, siteSettingsError(s));
    return {};
}

std::optional<qint16> parseInt16(const QString &text)
{
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    qsizetype i = 0;
    const bool negative = text[0] == QLatin1Char('-');
    if (negative || text[0] == QLatin1Char('+'))
        i = 1;
    if (i == text.size())
        return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        v = v * 10 + (c.unicode() - '0');
    }
    if (negative)
        v = -v;
    if (v < INT16_MIN || v > INT16_MAX)
        return std::nullopt;
    return qint16(v);
}

Settings readSettings(const platform::SettingsStore &store)
{
    Settings s;
    s.port = loadInt(store, QStringLiteral("Port"), s.port);
    s.comSt = store.text(kGroup, QStringLiteral("ComSt")).value_or(s.comSt);
    s.fName = store.text(kGroup, QStringLiteral("fName")).value_or(QString());
    s.fOut = loadInt(store, QStringLiteral("fOut"), s.fOut);
    s.fTime = loadInt(store, QStringLiteral("fTime"), s.fTime);
    s.reconnect = store.text(kGroup, QStringLiteral("Reconnect")) == QStringLiteral("1");
    s.sound = store.text(kGroup, QStringLiteral("Sound")) != QStringLiteral("0");
    s.language = store.text(kGroup, QStringLiteral("Language")).value_or(QString());
    s.bilingual =
        store.text(kGroup, QStringLiteral("Bilingual")).value_or(QString()).trimmed() == u"1";
    s.portId = store.text(kGroup, QStringLiteral("PortId")).value_or(QString()).trimmed();
    s.site = readSite(store);
    return s;
}

void writeSettings(const Settings &s, platform::SettingsStore &store)
{
    store.setText(kGroup, QStringLiteral("Port"), QString::number(s.port));
    store.setText(kGroup, QStringLiteral("ComSt"), s.comSt);
    store.setText(kGroup, QStringLiteral("fName"), s.fName);
    store.setText(kGroup, QStringLiteral("fOut"), QString::number(s.fOut));
    store.setText(kGroup, QStringLiteral("fTime"), QString::number(s.fTime));
    // Files that never had the key keep the five keys they had while it stays off.
    if (s.reconnect || store.text(kGroup, QStringLiteral("Reconnect")))
        store.setText(kGroup, QStringLiteral("Reconnect"),
                      s.reconnect ? QStringLiteral("1") : QStringLiteral("0"));
    if (!s.sound || store.text(kGroup, QStringLiteral("Sound")))
        store.setText(kGroup, QStringLiteral("Sound"),
                      s.sound ? QStringLiteral("1") : QStringLiteral("0"));
    if (!s.language.isEmpty() || store.text(kGroup, QStringLiteral("Language")))
        store.setText(kGroup, QStringLiteral("Language"), s.language);
    if (s.bilingual || store.text(kGroup, QStringLiteral("Bilingual")))
        store.setText(kGroup, QStringLiteral("Bilingual"),
                      s.bilingual ? QStringLiteral("1") : QStringLiteral("0"));
    if (!s.portId.isEmpty() || store.text(kGroup, QStringLiteral("PortId")))
        store.setText(kGroup, QStringLiteral("PortId"), s.portId);
    writeSite(s.site, store);
}

bool keepPortId(platform::SettingsStore &store, const QString &portId)
{
    store.setText(kGroup, QStringLiteral("PortId"), portId);
    return store.sync();
}

void mirrorSettings(const Settings &s)
{
    gPort = s.port;
    gComSt = s.comSt;
    gFName = s.fName;
    gFOut = s.fOut;
    gFTime = s.fTime;
    gReconnect = s.reconnect;
    gSound = s.sound;
}

Settings LoadSettings(const platform::SettingsStore &store)
{
    const Settings s = readSettings(store);
    mirrorSettings(s);
    return s;
}

QString SaveSettingsSaying(platform::SettingsStore &store, const Settings &settings)
{
    SaveSettings(store, settings);
    if (!store.sync())
        return QCoreApplication::translate("frmMain", "設定を保存できませんでした。\n%1")
            .arg(store.location());
    if (const QString backup = store.backupMade(); !backup.isEmpty())
        return QCoreApplication::translate(
                   "frmMain",
                   "設定ﾌｧｲﾙに読み取れない行があったため、元のﾌｧｲﾙを残してから保存しました。\n%1")
            .arg(backup);
    return {};
}

void SaveSettings(platform::SettingsStore &store, const Settings &settings)
{
    mirrorSettings(settings);
    writeSettings(settings, store);
}

} // namespace basSubMain

namespace basSubMain {

site::Thresholds ruleThresholds(const SiteSettings &site)
{
    SiteSettings limits = site;
    if (!siteSettingsError(site).isEmpty()) {
        const SiteSettings defaults;
        limits.caution = defaults.caution;
        limits.stop = defaults.stop;
        limits.storm = defaults.storm;
    }
    return {limits.caution, limits.stop, limits.storm, qint64(site.holdMinutes) * 60000,
            site.scaffold};
}

} // namespace basSubMain
