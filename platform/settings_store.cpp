#include "platform/settings_store.h"

#include <QStringList>

namespace platform {

IniSettingsStore::IniSettingsStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("QV475_XP"),
                 QStringLiteral("QV475_XP"))
{
    // Only the program's own file: a key it lacks takes its default, never a value from
    // an organisation-wide or system-wide file.
    m_settings.setFallbacksEnabled(false);
}

IniSettingsStore::IniSettingsStore(const QString &fileName)
    : m_settings(fileName, QSettings::IniFormat)
{
    m_settings.setFallbacksEnabled(false);
}

std::optional<QString> IniSettingsStore::text(const QString &group, const QString &key) const
{
    const QString path = group + QLatin1Char('/') + key;
    if (!m_settings.contains(path))
        return std::nullopt;
    const QVariant v = m_settings.value(path);
    // A hand-written "ComSt=9600,n,8,1" comes back as a list; give back the file's text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    if (v.canConvert<QString>())
        return v.toString();
    return QString();
}

void IniSettingsStore::setText(const QString &group, const QString &key, const QString &value)
{
    m_settings.setValue(group + QLatin1Char('/') + key, value);
}

bool IniSettingsStore::sync()
{
    m_settings.sync();
    // A FormatError comes from reading a damaged file and stays in status(); only an
    // access error means the settings were not written.
    return m_settings.status() != QSettings::AccessError;
}

QString IniSettingsStore::location() const
{
    return m_settings.fileName();
}

} // namespace platform
