#include "platform/cp932.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

namespace platform {

QByteArray toCp932(const QString &text)
{
#ifdef Q_OS_WIN
    // Code page 932 whatever the system's own code page (Windows' Qt has no ICU).
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int n = WideCharToMultiByte(932, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    QByteArray out(n, Qt::Uninitialized);
    WideCharToMultiByte(932, 0, wide, int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
#else
    QStringEncoder encoder("windows-31j");
    if (!encoder.isValid())
        return text.toLocal8Bit();
    return encoder.encode(text);
#endif
}

QString fromCp932(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    const int n = MultiByteToWideChar(932, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    QString out(n, Qt::Uninitialized);
    MultiByteToWideChar(932, 0, bytes.constData(), int(bytes.size()),
                        reinterpret_cast<wchar_t *>(out.data()), n);
    return out;
#else
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid())
        return QString::fromLocal8Bit(bytes);
    return decoder.decode(bytes);
#endif
}

} // namespace platform
