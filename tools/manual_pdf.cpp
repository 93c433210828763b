// The manual as a printable PDF: pandoc's HTML laid out by Qt's text engine on A4 pages in
// the IPA gothic face, the pictures beside the Markdown found through the base folder.
// Usage: qv475-manual-pdf BODY.html BASE-FOLDER OUT.pdf TITLE (the body as pandoc writes it
// without its page: the screen's styles in pixels would print tiny).
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: qv475-manual-pdf BODY.html BASE-FOLDER OUT.pdf TITLE\n");
        return 1;
    }
    QFile in(args[1]);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QTextDocument doc;
    doc.setBaseUrl(QUrl::fromLocalFile(args[2] + QLatin1Char('/')));
    QFont face(QStringLiteral("IPAPGothic"), 10);
    face.setStyleHint(QFont::SansSerif);
    doc.setDefaultFont(face);
    doc.setDefaultStyleSheet(QStringLiteral(
        "h1 { font-size: 16pt; margin-top: 14pt; } table { border-collapse: collapse; } "
        "td, th { border: 1px solid #888; padding: 3px; } pre { font-size: 9pt; }"));
    // The pictures, each at most a column wide.
    // A figure as a paragraph of its own, its caption under the picture (Qt's text engine
    // knows no <figure>).
    QString html = QString::fromUtf8(in.readAll());
    html.replace(QStringLiteral("<figure>"), QStringLiteral("<p align=\"center\">"))
        .replace(QStringLiteral("</figure>"), QStringLiteral("</p>"))
        .replace(QStringLiteral("<figcaption>"), QStringLiteral("<br/><small>"))
        .replace(QStringLiteral("</figcaption>"), QStringLiteral("</small>"));
    static const QRegularExpression source(QStringLiteral("<img src=\"([^\"]+)\""));
    for (auto it = source.globalMatch(html); it.hasNext();) {
        const QString name = it.next().captured(1);
        QImage image(QDir(args[2]).filePath(name));
        if (image.isNull()) {
            std::fprintf(stderr, "no picture %s\n", qPrintable(name));
            return 1;
        }
        if (image.width() > 420)
            image = image.scaledToWidth(420, Qt::SmoothTransformation);
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    }
    doc.setHtml(QStringLiteral("<p style=\"font-size: 20pt; font-weight: bold\">%1</p>")
                    .arg(args[4].toHtmlEscaped()) +
                html);
    QPdfWriter pdf(args[3]);
    pdf.setTitle(args[4]);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter);
    doc.print(&pdf);
    return QFile::exists(args[3]) ? 0 : 1;
}
