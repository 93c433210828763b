#include "platform/settings_store.h"

#include "platform/cp932.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>

namespace platform {

namespace {
QString defaultPath()
{
    // QSettings knows where a user's INI file lives on each system (the XDG folder here,
    // %APPDATA% on Windows); the file itself is read and written below.
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("QV475_XP"),
                     QStringLiteral("QV475_XP"))
        .fileName();
}
} // namespace

IniSettingsStore::IniSettingsStore() : m_path(defaultPath())
{
    load();
}

QString IniSettingsStore::defaultLocation()
{
    return QDir::toNativeSeparators(defaultPath());
}

IniSettingsStore::IniSettingsStore(const QString &fileName) : m_path(fileName)
{
    load();
}

QString IniSettingsStore::decodeValue(const QString &raw)
{
    if (raw.size() < 2 || !raw.startsWith(QLatin1Char('"')) || !raw.endsWith(QLatin1Char('"')))
        return raw;
    QString out;
    for (qsizetype i = 1; i < raw.size() - 1; ++i) {
        QChar c = raw[i];
        if (c == QLatin1Char('"'))
            return raw; // a quote inside: not one quoted value, so read as written
        if (c == QLatin1Char('\\') && i + 1 < raw.size() - 1) {
            // Only the escapes a save writes; any other backslash is kept, so that a
            // quoted Windows path reads as it was typed.
            const QChar next = raw[i + 1];
            if (next == QLatin1Char('n'))
                c = QLatin1Char('\n');
            else if (next == QLatin1Char('r'))
                c = QLatin1Char('\r');
            else if (next == QLatin1Char('t'))
                c = QLatin1Char('\t');
            else if (next == QLatin1Char('"') || next == QLatin1Char('\\'))
                c = next;
            else
                --i; // kept as written
            ++i;
        }
        out += c;
    }
    return out;
}

QString IniSettingsStore::encodeValue(const QString &value)
{
    bool quote = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace() ||
                                      value.front() == QLatin1Char('"'));
    for (QChar c : value)
        quote = quote || c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\\') ||
                c == QLatin1Char('#') || c.unicode() < 0x20;
    if (!quote)
        return value;
    QString out = QStringLiteral("\"");
    for (QChar c : value) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

void IniSettingsStore::load()
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return; // no file yet: nothing to keep
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_bom = bytes.left(3);
        bytes.remove(0, 3);
    }
    m_crlf = bytes.contains("\r\n");
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString group;
    for (const QByteArray &rawLine : std::as_const(lines)) {
        // Each line on its own: one in another encoding (a password typed in Latin-1) is
        // read as well as it can be and written back as it was.
        // A line that is not UTF-8 is code page 932: what an editor on a Japanese
        // Windows saves, and what the settings files of earlier versions were.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString raw = utf8(rawLine);
        if (utf8.hasError()) {
            // Cleanly code page 932, not some other encoding: it goes back to the same
            // bytes, and no byte stood for a private or a replacement character (Windows
            // maps the bytes code page 932 leaves unused to private ones).
            const QString sjis = fromCp932(rawLine);
            const bool clean = std::none_of(sjis.begin(), sjis.end(), [](QChar c) {
                return c.unicode() == 0xFFFD || (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF);
            });
            if (clean && toCp932(sjis) == rawLine)
                raw = sjis;
        }
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        const QString t = raw.trimmed();
        Line line{Line::Other, raw, rawLine, {}, {}, {}};
        if (t.isEmpty()) {
            line.kind = Line::Blank;
        } else if (t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'))) {
            line.kind = Line::Comment;
        } else if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            line.kind = Line::Group;
            line.name = group = t.mid(1, t.size() - 2).trimmed();
        } else if (const qsizetype eq = t.indexOf(QLatin1Char('=')); eq > 0 && !group.isEmpty()) {
            line.kind = Line::Key;
            line.name = t.left(eq).trimmed();
            line.value = decodeValue(t.mid(eq + 1).trimmed());
            line.group = group;
        } else {
            m_clean = false; // neither a group, a key nor a comment
        }
        m_lines.append(line);
    }
}

qsizetype IniSettingsStore::findKey(const QString &group, const QString &key) const
{
    // The last of a key given twice counts, as in QSettings.
    for (qsizetype i = m_lines.size() - 1; i >= 0; --i)
        if (m_lines[i].kind == Line::Key && m_lines[i].group == group && m_lines[i].name == key)
            return i;
    return -1;
}

std::optional<QString> IniSettingsStore::text(const QString &group, const QString &key) const
{
    const qsizetype i = findKey(group, key);
    if (i < 0)
        return std::nullopt;
    return m_lines[i].value;
}

bool IniSettingsStore::hasGroup(const QString &group) const
{
    return std::any_of(m_lines.begin(), m_lines.end(), [&](const auto &line) {
        return line.kind == Line::Group && line.name == group;
    });
}

void IniSettingsStore::setText(const QString &group, const QString &key, const QString &value)
{
    const QString lineText = key + QLatin1Char('=') + encodeValue(value);
    if (const qsizetype i = findKey(group, key); i >= 0) {
        if (m_lines[i].value == value)
            return; // the line stays as it was written

        m_lines[i].text = lineText;
        m_lines[i].raw.clear();
        m_lines[i].value = value;
        m_dirty = true;
        return;
    }
    // A new key goes after the last key line of its group, or into a new group at the end.
    qsizetype at = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if ((m_lines[i].kind == Line::Group && m_lines[i].name == group) ||
            (m_lines[i].kind == Line::Key && m_lines[i].group == group))
            at = i + 1;
    if (at < 0) {
        if (!m_lines.isEmpty() && m_lines.last().kind != Line::Blank)
            m_lines.append({Line::Blank, QString(), {}, {}, {}, {}});
        m_lines.append(
            {Line::Group, QLatin1Char('[') + group + QLatin1Char(']'), {}, group, {}, {}});
        at = m_lines.size();
    }
    m_lines.insert(at, {Line::Key, lineText, {}, key, value, group});
    m_dirty = true;
}

bool IniSettingsStore::sync()
{
    if (!m_dirty)
        return true;
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    // A file that could not be read cleanly is kept as it was before it is replaced.
    if (!m_clean && info.exists()) {
        const QString backup = m_path + QStringLiteral(".bak");
        QFile::remove(backup);
        if (!QFile::copy(m_path, backup))
            return false;
        m_backup = backup;
    }
    // Lines read are written back as their bytes; the lines set or added as UTF-8.
    QByteArray out = m_bom;
    const QByteArray eol = m_crlf ? "\r\n" : "\n";
    for (const Line &line : std::as_const(m_lines)) {
        if (line.kind == Line::Other)
            continue; // what was not INI stays in the copy only
        out += line.raw.isNull() ? line.text.toUtf8() + eol : line.raw + '\n';
    }
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) < 0 || !f.commit())
        return false;
    m_lines.removeIf([](const Line &l) { return l.kind == Line::Other; });
    m_clean = true;
    m_dirty = false;
    return true;
}

} // namespace platform
