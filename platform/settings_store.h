// Per-user settings store: text values addressed by group and key.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The text the store holds for group/key, or nothing when the key is absent.
    virtual std::optional<QString> text(const QString &group, const QString &key) const = 0;
    virtual void setText(const QString &group, const QString &key, const QString &value) = 0;
    // Whether the store has the group, with keys or without.
    virtual bool hasGroup(const QString &group) const = 0;
    // Writes pending changes out; false when the store could not be written.
    virtual bool sync() = 0;
    // Where the store lives, for messages to the user.
    virtual QString location() const = 0;
    // Where the last sync kept the file as it was before, because it could not be read
    // cleanly; empty when it did not have to.
    virtual QString backupMade() const { return {}; }
};

// The INI file $XDG_CONFIG_HOME/QV475_XP/QV475_XP.ini (or an explicit file), edited line
// by line: a save changes the lines of the keys it sets and writes every other line
// (comments, other groups, keys it does not know, in any encoding) back byte for byte. Values are
// read as written, a ";" or "=" inside them included; a value in double quotes is unquoted (\" and
// \\), as QSettings writes them. Values that need it are written quoted, so that the file reads
// back the same.
class IniSettingsStore : public SettingsStore
{
public:
    IniSettingsStore();
    explicit IniSettingsStore(const QString &fileName);
    // Where the user's file lives on this system (the XDG folder, %APPDATA% on Windows).
    static QString defaultLocation();

    std::optional<QString> text(const QString &group, const QString &key) const override;
    void setText(const QString &group, const QString &key, const QString &value) override;
    bool hasGroup(const QString &group) const override;
    bool sync() override;
    QString location() const override { return m_path; }
    QString backupMade() const override { return m_backup; }
    // False when the file held lines that are not INI; its first save then keeps it as
    // <file>.bak (those lines are not written back).
    bool readCleanly() const { return m_clean; }

    // The value as it is written after "key=".
    static QString encodeValue(const QString &value);
    static QString decodeValue(const QString &raw);

private:
    struct Line {
        enum Kind { Other, Blank, Comment, Group, Key } kind;
        QString text;   // the line as read (or written)
        QByteArray raw; // the bytes as read, without the line feed; written back unless set
        QString name;   // group or key
        QString value;  // decoded value of a key
        QString group;  // the group a key line is in
    };
    void load();
    qsizetype findKey(const QString &group, const QString &key) const;

    QString m_path;
    QList<Line> m_lines;
    bool m_clean = true;
    bool m_dirty = false;
    bool m_crlf = false;
    QByteArray m_bom; // a byte order mark the file began with, kept
    QString m_backup;
};

} // namespace platform
