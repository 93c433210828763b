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

} // namespace platform
