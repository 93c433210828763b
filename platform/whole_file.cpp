#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

bool readWholeFile(const QString &path, QByteArray *bytes, QDateTime *modified, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("「%1」を開けません。\n%2").arg(path, f.errorString());
        return false;
    }
    *bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        *error = QStringLiteral("「%1」を読めません。\n%2").arg(path, f.errorString());
        return false;
    }
    *modified = QFileInfo(f).lastModified();
    return true;
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString() + QLatin1Char('\n') + path;
        return false;
    }
    return true;
}

} // namespace platform
