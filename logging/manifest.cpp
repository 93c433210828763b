#include "logging/manifest.h"

#include "logging/csv_format.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

namespace logging {

namespace {

constexpr qint64 kMaxManifestBytes = 16LL << 20; // some 100,000 days of lines
constexpr qint64 kMaxRecordBytes = 256LL << 20;

QByteArray header()
{
    return toCp932(QStringLiteral("年月日,ﾌｧｲﾙ,ﾊﾞｲﾄ数,SHA-256,前の行のSHA-256\r\n"));
}

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A file's size and SHA-256, read in pieces; false when it cannot be read.
bool digest(const QString &path, qint64 *size, QByteArray *hash)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > kMaxRecordBytes)
        return false;
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f))
        return false;
    *size = f.size();
    *hash = h.result().toHex();
    return true;
}

struct Line {
    QByteArray raw; // as written, without its line end
    QDate day;
    QString name;
    qint64 size = -1;
    QByteArray hash, previous;
    bool parsed = false;
};

// The manifest's lines after its header; the header itself in *head.
QList<Line> readManifest(const QString &path, QByteArray *head, bool *readable)
{
    QList<Line> out;
    QFile f(path);
    *readable = f.open(QIODevice::ReadOnly) && f.size() <= kMaxManifestBytes;
    if (!*readable)
        return out;
    QList<QByteArray> lines = f.readAll().split('\n');
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return out;
    *head = lines.takeFirst();
    for (const QByteArray &raw : lines) {
        Line l;
        l.raw = raw;
        const QList<QByteArray> f = raw.split(',');
        if (f.size() == 5) {
            l.day = QDate::fromString(QString::fromLatin1(f[0]), QStringLiteral("yyyy/MM/dd"));
            l.name = fromCp932(f[1]);
            bool ok = false;
            l.size = f[2].toLongLong(&ok);
            l.hash = f[3];
            l.previous = f[4];
            l.parsed = ok && l.day.isValid() && !l.name.isEmpty() && l.hash.size() == 64 &&
                       l.previous.size() == 64;
        }
        out.append(l);
    }
    return out;
}

// The sealed records of a folder: base name, and day of each file that has one.
const QRegularExpression &recordName()
{
    static const QRegularExpression re(QStringLiteral("^(.+)_(events|rule)_(\\d{8})\\.csv$"));
    return re;
}

// Copies a file into the folder under its name: a temporary name, then renamed.
// replace: an older copy is replaced (the manifest, which only grows); otherwise one
// that is there is left as it is.
bool copyInto(const QString &from, const QString &folder, bool replace, QString *problem)
{
    const QString to = QDir(folder).filePath(QFileInfo(from).fileName());
    if (!replace && QFileInfo::exists(to))
        return true;
    QFile in(from);
    QSaveFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) ||
        out.write(in.readAll()) != in.size() || !out.commit()) {
        *problem = QCoreApplication::translate("manifest", "保管先に「%1」を写せません: %2")
                       .arg(QDir::toNativeSeparators(to), out.errorString());
        return false;
    }
    return true;
}

} // namespace

QString manifestPath(const QString &base)
{
    return base + QStringLiteral("_manifest.csv");
}

QStringList dayFiles(const QString &base, const QDate &day)
{
    const QString stamp = day.toString(QStringLiteral("yyyyMMdd"));
    return {base + QStringLiteral("_events_") + stamp + QStringLiteral(".csv"),
            base + QStringLiteral("_rule_") + stamp + QStringLiteral(".csv")};
}

Sealed sealClosedDays(const QString &base, const QDate &today, const QString &archive)
{
    Sealed out;
    const QString path = manifestPath(base);
    const QDir dir = QFileInfo(base).dir();
    const QString prefix = QFileInfo(base).fileName();
    QByteArray head = header().chopped(2);
    bool readable = true;
    const QList<Line> lines =
        QFileInfo::exists(path) ? readManifest(path, &head, &readable) : QList<Line>();
    if (!readable) {
        out.problems << QCoreApplication::translate("manifest", "封印の目録「%1」を読めません。")
                            .arg(QDir::toNativeSeparators(path));
        return out;
    }
    QSet<QString> sealed;
    for (const Line &l : lines)
        sealed.insert(l.name);
    // The closed days' records not sealed yet, day by day.
    QMap<QString, QString> due; // "yyyyMMdd name" -> name
    for (const QString &name : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = recordName().match(name);
        if (!m.hasMatch() || m.captured(1) != prefix || sealed.contains(name))
            continue;
        const QDate day = QDate::fromString(m.captured(3), QStringLiteral("yyyyMMdd"));
        if (day.isValid() && day < today)
            due.insert(m.captured(3) + QLatin1Char(' ') + name, name);
    }
    QByteArray previous = lines.isEmpty() ? head : lines.last().raw, text;
    for (auto it = due.cbegin(); it != due.cend(); ++it) {
        qint64 size = 0;
        QByteArray hash;
        if (!digest(dir.filePath(it.value()), &size, &hash)) {
            out.problems << QCoreApplication::translate("manifest",
                                                        "「%1」を封印のために読めません。")
                                .arg(it.value());
            continue;
        }
        const QDate day = QDate::fromString(it.key().left(8), QStringLiteral("yyyyMMdd"));
        const QByteArray line = day.toString(QStringLiteral("yyyy/MM/dd")).toLatin1() + ',' +
                                toCp932(it.value()) + ',' + QByteArray::number(size) + ',' + hash +
                                ',' + sha256(previous);
        text += line + "\r\n";
        previous = line;
        ++out.files;
    }
    if (!text.isEmpty()) {
        QFile f(path);
        const bool fresh = !f.exists() || f.size() == 0;
        if (!f.open(QIODevice::Append) || (fresh && f.write(header()) < 0) ||
            f.write(text) != text.size() || !f.flush()) {
            out.problems << QCoreApplication::translate("manifest",
                                                        "封印の目録「%1」に書けません: %2")
                                .arg(QDir::toNativeSeparators(path), f.errorString());
            out.files = 0;
            return out;
        }
    }
    if (archive.isEmpty() || !QFileInfo::exists(path))
        return out;
    // The copy elsewhere: every sealed file not there yet, then the manifest.
    if (!QFileInfo(archive).isDir()) {
        out.problems << QCoreApplication::translate(
                            "manifest", "保管先「%1」がありません。次の機会に写します。")
                            .arg(QDir::toNativeSeparators(archive));
        return out;
    }
    QString problem;
    bool copied = true;
    for (const Line &l : readManifest(path, &head, &readable))
        if (!copyInto(dir.filePath(l.name), archive, false, &problem)) {
            copied = false;
            break;
        }
    if (!copied || !copyInto(path, archive, true, &problem))
        out.problems << problem;
    return out;
}

Verification verifyFolder(const QString &folder)
{
    Verification out;
    const QDir dir(folder);
    const QStringList manifests =
        dir.entryList({QStringLiteral("*_manifest.csv")}, QDir::Files, QDir::Name);
    if (manifests.isEmpty()) {
        out.problems << QCoreApplication::translate(
                            "manifest", "「%1」に封印の目録 (*_manifest.csv) がありません。")
                            .arg(QDir::toNativeSeparators(dir.absolutePath()));
        return out;
    }
    const QStringList files = dir.entryList(QDir::Files);
    for (const QString &manifest : manifests) {
        const QString prefix = manifest.chopped(int(QStringLiteral("_manifest.csv").size()));
        QByteArray head;
        bool readable = true;
        const QList<Line> lines = readManifest(dir.filePath(manifest), &head, &readable);
        if (!readable) {
            out.problems
                << QCoreApplication::translate("manifest", "「%1」を読めません。").arg(manifest);
            continue;
        }
        QByteArray previous = head;
        QSet<QString> listed;
        QDate lastDay;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const Line &l = lines[i];
            const qsizetype lineNo = i + 2;
            if (!l.parsed) {
                out.problems << QCoreApplication::translate("manifest",
                                                            "「%1」の %2 行目が読めません。")
                                    .arg(manifest)
                                    .arg(lineNo);
                previous = l.raw;
                continue;
            }
            if (l.previous != sha256(previous))
                out.problems << QCoreApplication::translate(
                                    "manifest", "「%1」の %2 行目の前が書き換えられています "
                                                "(行の鎖がつながりません)。")
                                    .arg(manifest)
                                    .arg(lineNo);
            previous = l.raw;
            listed.insert(l.name);
            lastDay = std::max(lastDay, l.day);
            ++out.checked;
            qint64 size = 0;
            QByteArray hash;
            if (!QFileInfo::exists(dir.filePath(l.name)))
                out.problems << QCoreApplication::translate(
                                    "manifest", "「%1」がありません (封印の後に消されています)。")
                                    .arg(l.name);
            else if (!digest(dir.filePath(l.name), &size, &hash) || size != l.size ||
                     hash != l.hash)
                out.problems << QCoreApplication::translate("manifest",
                                                            "「%1」は封印の後に変更されています。")
                                    .arg(l.name);
        }
        // A record of a sealed day that the manifest does not name came afterwards.
        for (const QString &name : files) {
            const QRegularExpressionMatch m = recordName().match(name);
            if (!m.hasMatch() || m.captured(1) != prefix || listed.contains(name))
                continue;
            const QDate day = QDate::fromString(m.captured(3), QStringLiteral("yyyyMMdd"));
            if (day.isValid() && lastDay.isValid() && day <= lastDay)
                out.problems << QCoreApplication::translate("manifest",
                                                            "「%1」は封印の後に加えられています。")
                                    .arg(name);
        }
    }
    return out;
}

QString verificationSummary(const QString &folder)
{
    const Verification v = verifyFolder(folder);
    return QCoreApplication::translate("manifest", "記録の検証: ") +
           (v.ok() ? QCoreApplication::translate("manifest", "一致")
                   : v.problems.join(QCoreApplication::translate("manifest", "、")));
}

std::pair<QDate, QDate> recordedDays(const QString &base)
{
    const QFileInfo info(base);
    QDate first, last;
    for (const QString &file : info.dir().entryList(QDir::Files)) {
        const QRegularExpressionMatch m = recordName().match(file);
        if (!m.hasMatch() || m.captured(1) != info.fileName())
            continue;
        const QDate d = QDate::fromString(m.captured(3), QStringLiteral("yyyyMMdd"));
        if (!d.isValid())
            continue;
        first = first.isValid() ? std::min(first, d) : d;
        last = last.isValid() ? std::max(last, d) : d;
    }
    return {first, last};
}

QString verificationLine(const QStringList &files)
{
    QStringList problems;
    int matching = 0, unsealed = 0;
    QMap<QString, QList<Line>> manifests; // by path
    for (const QString &file : files) {
        const QFileInfo info(file);
        const QRegularExpressionMatch m = recordName().match(info.fileName());
        if (!m.hasMatch())
            continue;
        const QString path = manifestPath(info.dir().filePath(m.captured(1)));
        if (!manifests.contains(path)) {
            QByteArray head;
            bool readable = true;
            manifests.insert(path, QFileInfo::exists(path) ? readManifest(path, &head, &readable)
                                                           : QList<Line>());
        }
        const QList<Line> &lines = manifests[path];
        const auto it = std::find_if(lines.begin(), lines.end(),
                                     [&](const Line &l) { return l.name == info.fileName(); });
        if (it == lines.end()) {
            ++unsealed;
            continue;
        }
        qint64 size = 0;
        QByteArray hash;
        if (digest(file, &size, &hash) && size == it->size && hash == it->hash)
            ++matching;
        else
            problems << QCoreApplication::translate("manifest",
                                                    "「%1」は封印の後に変更されています")
                            .arg(info.fileName());
    }
    const QString title = QCoreApplication::translate("manifest", "記録の検証: ");
    if (!problems.isEmpty())
        return title + problems.join(QCoreApplication::translate("manifest", "、"));
    if (matching == 0)
        return title + QCoreApplication::translate("manifest", "未封印 (日が終わると封印されます)");
    return title + (unsealed ? QCoreApplication::translate("manifest", "一致 (一部は未封印)")
                             : QCoreApplication::translate("manifest", "一致"));
}

} // namespace logging
