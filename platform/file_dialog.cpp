#include "platform/file_dialog.h"

#include <QFileDialog>

namespace platform {

std::optional<QString> QtFileDialog::getOpenFileName(QWidget *parent, const QString &title,
                                                     const QStringList &filters,
                                                     const QString &initialFolder)
{
    QFileDialog dialog(parent, title, initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The user may type the name of a file that does not exist yet.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QStringList> QtFileDialog::getOpenFileNames(QWidget *parent, const QString &title,
                                                          const QStringList &filters,
                                                          const QString &initialFolder)
{
    QFileDialog dialog(parent, title, initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> QtFileDialog::getSaveFileName(QWidget *parent, const QString &title,
                                                     const QStringList &filters,
                                                     const QString &suggested)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace platform
