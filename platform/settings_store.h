// Per-user settings store: text values addressed by group and key.
#pragma once

#include <QSettings>
#include <QString>
#include <optional>

namespace platform {

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The text the store holds for group/key, or nothing when the key is absent.
    virtual std::optional<QString> text(const QString &group, const QString &key) const = 0;
    virtual void setText(const QString &group, const QString &key, const QString &value) = 0;
    // Writes pending changes out; false when the store could not be written.
    virtual bool sync() = 0;
    // Where the store lives, for messages to the user.
    virtual QString location() const = 0;
};

// The INI file $XDG_CONFIG_HOME/QV475_XP/QV475_XP.ini (or an explicit file).
class IniSettingsStore : public SettingsStore
{
public:
    IniSettingsStore();
    explicit IniSettingsStore(const QString &fileName);

    std::optional<QString> text(const QString &group, const QString &key) const override;
    void setText(const QString &group, const QString &key, const QString &value) override;
    bool sync() override;
    QString location() const override;

private:
    mutable QSettings m_settings;
};

} // namespace platform
