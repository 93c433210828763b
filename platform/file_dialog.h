// The file-open dialog: title, filters, initial folder; nothing when cancelled.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace platform {

class FileDialog
{
public:
    virtual ~FileDialog() = default;
    // filters are "text (patterns)" entries; the first is selected.
    virtual std::optional<QString> getOpenFileName(QWidget *parent, const QString &title,
                                                   const QStringList &filters,
                                                   const QString &initialFolder) = 0;
};

class QtFileDialog : public FileDialog
{
public:
    std::optional<QString> getOpenFileName(QWidget *parent, const QString &title,
                                           const QStringList &filters,
                                           const QString &initialFolder) override;
};

} // namespace platform
