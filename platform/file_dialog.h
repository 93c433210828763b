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
    // Several existing files; nothing when cancelled.
    virtual std::optional<QStringList> getOpenFileNames(QWidget *, const QString &,
                                                        const QStringList &, const QString &)
    {
        return std::nullopt;
    }
    // A file to write, the suggested name given; nothing when cancelled.
    virtual std::optional<QString> getSaveFileName(QWidget *, const QString &, const QStringList &,
                                                   const QString &)
    {
        return std::nullopt;
    }
};

class QtFileDialog : public FileDialog
{
public:
    std::optional<QString> getOpenFileName(QWidget *parent, const QString &title,
                                           const QStringList &filters,
                                           const QString &initialFolder) override;
    std::optional<QStringList> getOpenFileNames(QWidget *parent, const QString &title,
                                                const QStringList &filters,
                                                const QString &initialFolder) override;
    std::optional<QString> getSaveFileName(QWidget *parent, const QString &title,
                                           const QStringList &filters,
                                           const QString &suggested) override;
};

} // namespace platform
