#include "base/resources.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtGlobal>

static void initIcons()
{
    Q_INIT_RESOURCE(png_icons);
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
    // Read as PNG by name: a picture recognised by its contents would have Qt load every
    // image plugin it has first, at the start of the program.
    QIcon icon;
    for (const char *file : {":/icons/%1.png", ":/icons/%1@2x.png"}) {
        QImageReader reader(QString::fromLatin1(file).arg(name), "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
} // namespace basSubMain
