#include "app/resources.h"

#include <QtGlobal>

static void initIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace basSubMain {
void initResources()
{
    static const bool done = (initIcons(), true);
    Q_UNUSED(done);
}

QIcon programIcon(const QString &name)
{
    initResources();
#ifdef Q_OS_WIN
    return QIcon(QStringLiteral(":/icons/%1.png").arg(name));
#else
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
#endif
}
} // namespace basSubMain
