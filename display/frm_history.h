// The history window: past logs opened as one chart (the trend's drawing, for any length
// of time, zoomed with the wheel or the buttons and moved by dragging), the figures of the
// span shown and its events beside it; the daily report as PDF and the span as CSV. The
// files are read in a helper thread, with progress, while the window stays usable.
#pragma once

#include "base/settings.h"
#include "history/wind_history.h"

#include <QWidget>
#include <atomic>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class TrendChart;

namespace platform {
class FileDialog;
class MessageBox;
} // namespace platform

class frmHistory : public QWidget
{
    Q_OBJECT
public:
    struct Services {
        platform::FileDialog *fileDialog = nullptr;
        platform::MessageBox *messageBox = nullptr;
        history::FileReader read;
        std::function<bool(const QString &, const QByteArray &, QString *)> write;
        basSubMain::Settings settings; // the rule, the site's name and the port
        QString recordsBase;           // where the site's records lie, for the register
        // The register's period, asked of the user from the days proposed (a dialog when
        // not given).
        std::function<std::optional<std::pair<QDate, QDate>>(QWidget *, QDate, QDate)> period;
    };
    explicit frmHistory(Services services, QWidget *parent = nullptr);
    ~frmHistory() override;

    // Reads the files in the helper thread; the chart shows them when done.
    void open(const QStringList &paths);
    bool loading() const { return bool(m_job); }
    const history::WindHistory &record() const { return *m_record; }
    qint64 spanFrom() const { return m_from; }
    qint64 spanTo() const { return m_to; }
    // The span shown, kept within the record, at least a minute.
    void setSpan(qint64 fromMs, qint64 toMs);
    // Zooms by factor (below 1: in) keeping the time at `around` in its place.
    void zoom(double factor, qint64 around);
    void pan(double fraction);
    void showAll();

    TrendChart *chart() const { return m_chart; }

    // The commands of the menu.
    void mnuHistOpen_Click();
    void mnuHistReport_Click();
    void mnuHistRegister_Click();
    void mnuHistExport_Click();

signals:
    // A load ended: shown, or refused with a message.
    void loaded(bool ok);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Job;
    void finishLoad();
    void refresh();
    QString suggested(const QString &ext) const;
    // Writes the file; false after a message box that says why.
    bool save(const QString &path, const QByteArray &bytes, const QString &failed);

    Services m_svc;
    std::unique_ptr<history::WindHistory> m_record;
    std::shared_ptr<Job> m_job;
    QThread *m_thread = nullptr;
    qint64 m_from = 0, m_to = 0;
    qint64 m_dragMs = -1;
    int m_dragX = 0;

    TrendChart *m_chart = nullptr;
    QLabel *m_lblSpan = nullptr;
    QLabel *m_lblFigures = nullptr;
    QLabel *m_lblStatus = nullptr;
    QTreeWidget *m_lstEvents = nullptr;
    QProgressBar *m_prgLoad = nullptr;
    QTimer *m_progressTimer = nullptr;
    QList<QWidget *> m_needRecord; // enabled only with a record shown
};
