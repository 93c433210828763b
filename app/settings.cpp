#include "app/settings.h"

#include "app/globals.h"
#include "platform/settings_store.h"

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
} // namespace

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

void SaveSettings(platform::SettingsStore &store, const Settings &settings)
{
    mirrorSettings(settings);
    writeSettings(settings, store);
}

} // namespace basSubMain
