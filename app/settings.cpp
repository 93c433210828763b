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

void LoadSettings(const platform::SettingsStore &store)
{
    gPort = loadInt(store, QStringLiteral("Port"), kDefaultPort);
    gComSt = store.text(kGroup, QStringLiteral("ComSt")).value_or(kDefaultComSt);
    gFName = store.text(kGroup, QStringLiteral("fName")).value_or(QString());
    gFOut = loadInt(store, QStringLiteral("fOut"), kDefaultFOut);
    gFTime = loadInt(store, QStringLiteral("fTime"), kDefaultFTime);
    gReconnect = store.text(kGroup, QStringLiteral("Reconnect")) == QStringLiteral("1");
    gSound = store.text(kGroup, QStringLiteral("Sound")) != QStringLiteral("0");
}

void SaveSettings(platform::SettingsStore &store)
{
    store.setText(kGroup, QStringLiteral("Port"), QString::number(gPort));
    store.setText(kGroup, QStringLiteral("ComSt"), gComSt);
    store.setText(kGroup, QStringLiteral("fName"), gFName);
    store.setText(kGroup, QStringLiteral("fOut"), QString::number(gFOut));
    store.setText(kGroup, QStringLiteral("fTime"), QString::number(gFTime));
    // Files that never had the key keep the five keys they had while it stays off.
    if (gReconnect || store.text(kGroup, QStringLiteral("Reconnect")))
        store.setText(kGroup, QStringLiteral("Reconnect"),
                      gReconnect ? QStringLiteral("1") : QStringLiteral("0"));
    if (!gSound || store.text(kGroup, QStringLiteral("Sound")))
        store.setText(kGroup, QStringLiteral("Sound"),
                      gSound ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace basSubMain
