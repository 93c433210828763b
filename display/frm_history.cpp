#include "display/frm_history.h"

#include "base/geometry.h"
#include "display/day_report.h"
#include "display/trend_chart.h"
#include "logging/manifest.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
QString title()
{
    return QCoreApplication::translate("frmHistory", "記録表示");
}
constexpr qint64 kMinSpanMs = 60000;
} // namespace

// One load, shared with its thread: what it read, how far it is, whether to stop.
struct frmHistory::Job {
    std::unique_ptr<history::WindHistory> record;
    QString error;
    bool ok = false;
    std::atomic<qint64> done{0}, total{1};
    std::atomic_bool cancelled{false};
};

frmHistory::frmHistory(Services services, QWidget *parent)
    : QWidget(parent, Qt::Window), m_svc(std::move(services)),
      m_record(std::make_unique<history::WindHistory>(m_svc.settings.site))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(title());
    setAttribute(Qt::WA_QuitOnClose, false);

    auto *bar = new QMenuBar(this);
    QMenu *file = bar->addMenu(QCoreApplication::translate("frmHistory", "ﾌｧｲﾙ(&F)"));
    file->setObjectName(QStringLiteral("mnuHist"));
    auto item = [&](QMenu *menu, const char *name, const QString &text, QKeySequence key,
                    void (frmHistory::*slot)(), bool needsRecord) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        if (needsRecord)
            connect(this, &frmHistory::loaded, a, [this, a] { a->setEnabled(!m_record->empty()); });
        a->setEnabled(!needsRecord);
        return a;
    };
    item(file, "mnuHistOpen", QCoreApplication::translate("frmHistory", "開く(&O)..."),
         QKeySequence::Open, &frmHistory::mnuHistOpen_Click, false);
    item(file, "mnuHistRegister", QCoreApplication::translate("frmHistory", "点検記録簿(&B)..."),
         QKeySequence(), &frmHistory::mnuHistRegister_Click, false);
    item(file, "mnuHistReport", QCoreApplication::translate("frmHistory", "日報 PDF(&R)..."),
         QKeySequence(Qt::CTRL | Qt::Key_P), &frmHistory::mnuHistReport_Click, true);
    item(file, "mnuHistExport",
         QCoreApplication::translate("frmHistory", "表示期間を CSV に書き出し(&E)..."), {},
         &frmHistory::mnuHistExport_Click, true);
    file->addSeparator();
    QAction *close = file->addAction(QCoreApplication::translate("frmHistory", "閉じる(&C)"));
    close->setObjectName(QStringLiteral("mnuHistClose"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);

    auto button = [&](const char *name, const QString &text, auto slot) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, slot);
        m_needRecord << b;
        return b;
    };
    auto *top = new QHBoxLayout;
    top->addWidget(button("cmdZoomIn", QCoreApplication::translate("frmHistory", "拡大"),
                          [this] { zoom(0.5, (m_from + m_to) / 2); }));
    top->addWidget(button("cmdZoomOut", QCoreApplication::translate("frmHistory", "縮小"),
                          [this] { zoom(2.0, (m_from + m_to) / 2); }));
    top->addWidget(
        button("cmdAll", QCoreApplication::translate("frmHistory", "全体"), [this] { showAll(); }));
    top->addWidget(button("cmdLeft", QStringLiteral("◀"), [this] { pan(-0.5); }));
    top->addWidget(button("cmdRight", QStringLiteral("▶"), [this] { pan(0.5); }));
    m_lblSpan = new QLabel(this);
    m_lblSpan->setObjectName(QStringLiteral("lblSpan"));
    top->addWidget(m_lblSpan, 1);
    m_prgLoad = new QProgressBar(this);
    m_prgLoad->setObjectName(QStringLiteral("prgLoad"));
    m_prgLoad->setRange(0, 1000);
    m_prgLoad->setMaximumWidth(200);
    m_prgLoad->hide();
    top->addWidget(m_prgLoad);

    m_chart = new TrendChart(this);
    m_chart->installEventFilter(this);
    m_chart->setCursor(Qt::OpenHandCursor);

    m_lblFigures = new QLabel(this);
    m_lblFigures->setObjectName(QStringLiteral("lblFigures"));
    m_lblFigures->setTextFormat(Qt::RichText);
    m_lblFigures->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_lblFigures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblFigures->setWordWrap(true); // a long note or value takes another line
    // The figures whole; the events' list takes what height is left.
    m_lblFigures->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_lstEvents = new QTreeWidget(this);
    m_lstEvents->setObjectName(QStringLiteral("lstEvents"));
    m_lstEvents->setRootIsDecorated(false);
    m_lstEvents->setHeaderLabels({QCoreApplication::translate("frmHistory", "時刻"),
                                  QCoreApplication::translate("frmHistory", "事象"),
                                  QCoreApplication::translate("frmHistory", "判定平均"),
                                  QCoreApplication::translate("frmHistory", "最大瞬間"),
                                  QCoreApplication::translate("frmHistory", "瞬間")});
    // Whole columns, each as wide as its texts; the list scrolls sideways where they are wider.
    m_lstEvents->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_lstEvents->header()->setStretchLastSection(false);
    m_lstEvents->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_lstEvents->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    auto *side = new QVBoxLayout;
    side->addWidget(m_lblFigures);
    side->addWidget(m_lstEvents, 1);
    auto *sideBox = new QWidget(this);
    sideBox->setLayout(side);
    sideBox->setFixedWidth(qRound(basSubMain::twipsToPixelsX(this, 5400)));

    auto *middle = new QHBoxLayout;
    middle->addWidget(m_chart, 1);
    middle->addWidget(sideBox);
    m_lblStatus = new QLabel(
        QCoreApplication::translate("frmHistory", "ﾌｧｲﾙ → 開く で記録を開きます。"), this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(m_lblStatus);
    resize(qRound(basSubMain::twipsToPixelsX(this, 16000)),
           qRound(basSubMain::twipsToPixelsY(this, 8000)));

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_job)
            m_prgLoad->setValue(int(m_job->done * 1000 / std::max<qint64>(1, m_job->total)));
    });
    refresh();
}

frmHistory::~frmHistory()
{
    // A load still running stops at its next megabyte.
    if (m_thread) {
        m_job->cancelled = true;
        m_thread->wait();
    }
}

void frmHistory::open(const QStringList &paths)
{
    if (m_job || paths.isEmpty())
        return;
    m_job = std::make_shared<Job>();
    m_job->record = std::make_unique<history::WindHistory>(m_svc.settings.site);
    m_prgLoad->setValue(0);
    m_prgLoad->show();
    // One load at a time.
    findChild<QAction *>(QStringLiteral("mnuHistOpen"))->setEnabled(false);
    m_lblStatus->setText(QCoreApplication::translate("frmHistory", "読み込み中: %1")
                             .arg(QFileInfo(paths.first()).fileName()));
    std::shared_ptr<Job> job = m_job;
    const history::FileReader read = m_svc.read;
    m_thread = QThread::create([job, paths, read] {
        job->ok = job->record->load(
            paths, read, &job->error,
            [&job](qint64 done, qint64 total) {
                job->total = total;
                job->done = done;
            },
            &job->cancelled);
    });
    connect(m_thread, &QThread::finished, this, &frmHistory::finishLoad);
    m_progressTimer->start();
    m_thread->start();
}

void frmHistory::finishLoad()
{
    m_progressTimer->stop();
    m_prgLoad->hide();
    findChild<QAction *>(QStringLiteral("mnuHistOpen"))->setEnabled(true);
    m_thread->wait();
    delete std::exchange(m_thread, nullptr);
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    if (!job->ok) {
        m_lblStatus->setText(QCoreApplication::translate("frmHistory", "読み込めませんでした。"));
        m_svc.messageBox->show(this, job->error, title(), platform::MessageBox::Icon::Exclamation,
                               platform::MessageBox::Buttons::Ok);
        emit loaded(false);
        return;
    }
    m_record = std::move(job->record);
    QStringList names, warnings;
    for (const history::FileInfo &f : m_record->files()) {
        names << QFileInfo(f.path).fileName();
        // The records beside the logs are said in the figures, for the span they cover.
        if (f.kind == history::Kind::Data)
            for (const QString &w : f.warnings)
                warnings << QFileInfo(f.path).fileName() + QStringLiteral(": ") + w;
    }
    m_lblStatus->setText(QCoreApplication::translate("frmHistory", "%1 行 (%2)")
                             .arg(m_record->rows().size())
                             .arg(names.join(QCoreApplication::translate("frmHistory", "、"))));
    setWindowTitle(title() + QStringLiteral(" - ") + names.value(0));
    for (QWidget *w : m_needRecord)
        w->setEnabled(!m_record->empty());
    showAll();
    emit loaded(true);
    if (m_record->empty())
        m_svc.messageBox->show(
            this, QCoreApplication::translate("frmHistory", "ﾌｧｲﾙに記録の行がありません。"),
            title(), platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::Ok);
    else if (!warnings.isEmpty())
        m_svc.messageBox->show(this, warnings.join(QLatin1Char('\n')), title(),
                               platform::MessageBox::Icon::None, platform::MessageBox::Buttons::Ok);
}

void frmHistory::setSpan(qint64 fromMs, qint64 toMs)
{
    const qint64 first = m_record->firstMs(),
                 last = std::max(m_record->lastMs(), first + kMinSpanMs);
    qint64 span = std::clamp<qint64>(toMs - fromMs, kMinSpanMs, last - first);
    fromMs = std::clamp<qint64>(fromMs, first, last - span);
    m_from = fromMs;
    m_to = fromMs + span;
    refresh();
}

void frmHistory::zoom(double factor, qint64 around)
{
    const double left = double(around - m_from), right = double(m_to - around);
    setSpan(around - qint64(left * factor), around + qint64(right * factor));
}

void frmHistory::pan(double fraction)
{
    const qint64 by = qint64(double(m_to - m_from) * fraction);
    setSpan(m_from + by, m_to + by);
}

void frmHistory::showAll()
{
    setSpan(m_record->firstMs(), m_record->lastMs());
}

void frmHistory::refresh()
{
    if (m_record->empty()) {
        m_chart->setData({}, 1000, 0, 1);
        m_lblFigures->clear();
        m_lblSpan->clear();
        m_lstEvents->clear();
        return;
    }
    report::fillChart(m_chart, *m_record, m_from, m_to, m_chart->width());
    const QDate day = QDateTime::fromMSecsSinceEpoch(m_from).date();
    const QString dateFormat = QStringLiteral("yyyy/MM/dd H:mm:ss");
    m_lblSpan->setText(QCoreApplication::translate("frmHistory", "%1 〜 %2")
                           .arg(QDateTime::fromMSecsSinceEpoch(m_from).toString(dateFormat),
                                QDateTime::fromMSecsSinceEpoch(m_to).toString(dateFormat)));
    const history::Figures f = m_record->figures(m_from, m_to);
    QString html;
    if (!f.notes.isEmpty()) {
        html += QStringLiteral("<p style=\"color:#c00000\"><b>%1</b>")
                    .arg(QCoreApplication::translate("frmHistory", "読めなかった記録"));
        for (const QString &note : f.notes)
            html += QStringLiteral("<br>") + note.toHtmlEscaped();
        html += QStringLiteral("</p>");
    }
    html += QCoreApplication::translate("frmHistory", "<b>表示期間の数字</b><table cellspacing=2>");
    for (const auto &[label, value] : history::figureLines(f, m_record->site(), day))
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                    .arg(label.toHtmlEscaped(), value.toHtmlEscaped());
    bool computed = false;
    const QList<history::EventRow> events = m_record->eventsIn(m_from, m_to, &computed);
    // Where no event log lies beside the files, the events are the rule's on the rows.
    m_lblFigures->setText(
        html + QCoreApplication::translate("frmHistory", "</table><br><b>事象</b> %1")
                   .arg(computed ? QCoreApplication::translate("frmHistory", "(記録の風速から算出)")
                                 : QCoreApplication::translate("frmHistory", "(事象記録より)")));
    m_lstEvents->clear();
    QList<QTreeWidgetItem *> items;
    for (const history::EventRow &e : events)
        items << new QTreeWidgetItem(QStringList{history::timeOf(e.ms, day), history::eventText(e),
                                                 e.mean, e.gust, e.instant});
    m_lstEvents->addTopLevelItems(items);
}

bool frmHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_chart || m_record->empty())
        return QWidget::eventFilter(watched, event);
    auto timeAt = [this](double x) {
        return m_from + qint64(x / std::max(1, m_chart->width()) * double(m_to - m_from));
    };
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *w = static_cast<QWheelEvent *>(event);
        if (w->angleDelta().y() != 0)
            zoom(w->angleDelta().y() > 0 ? 0.8 : 1.25, timeAt(w->position().x()));
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *m = static_cast<QMouseEvent *>(event);
        m_dragMs = m_from;
        m_dragX = int(m->position().x());
        m_chart->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        auto *m = static_cast<QMouseEvent *>(event);
        if (m_dragMs >= 0) {
            const qint64 span = m_to - m_from;
            const qint64 by = qint64(double(m_dragX - m->position().x()) /
                                     std::max(1, m_chart->width()) * double(span));
            setSpan(m_dragMs + by, m_dragMs + by + span);
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_dragMs = -1;
        m_chart->setCursor(Qt::OpenHandCursor);
        return true;
    case QEvent::Resize: refresh(); break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmHistory::keyPressEvent(QKeyEvent *event)
{
    if (m_record->empty())
        return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Plus: zoom(0.5, (m_from + m_to) / 2); break;
    case Qt::Key_Minus: zoom(2.0, (m_from + m_to) / 2); break;
    case Qt::Key_Left: pan(-0.25); break;
    case Qt::Key_Right: pan(0.25); break;
    case Qt::Key_Home: showAll(); break;
    default: QWidget::keyPressEvent(event); return;
    }
}

void frmHistory::mnuHistOpen_Click()
{
    const std::optional<QStringList> paths = m_svc.fileDialog->getOpenFileNames(
        this, QCoreApplication::translate("frmHistory", "記録を開く"),
        {QCoreApplication::translate("frmHistory", "記録ﾌｧｲﾙ (*.csv)"),
         QCoreApplication::translate("frmHistory", "すべてのﾌｧｲﾙ (*)")},
        QFileInfo(m_svc.settings.fName).absolutePath());
    if (paths)
        open(*paths);
}

QString frmHistory::suggested(const QString &ext) const
{
    const QString folder = m_record->files().isEmpty()
                               ? QString()
                               : QFileInfo(m_record->files().first().path).absolutePath();
    return QFileInfo(folder + QStringLiteral("/wind_") +
                     QDateTime::fromMSecsSinceEpoch(m_from).toString(QStringLiteral("yyyyMMdd")) +
                     ext)
        .absoluteFilePath();
}

void frmHistory::mnuHistReport_Click()
{
    const std::optional<QString> path = m_svc.fileDialog->getSaveFileName(
        this, QCoreApplication::translate("frmHistory", "日報 PDF の保存"),
        {QStringLiteral("PDF (*.pdf)")}, suggested(QStringLiteral("_report.pdf")));
    if (!path)
        return;
    QList<QDate> days;
    for (const QDate &d : m_record->days()) {
        const auto [from, to] = report::dayBounds(d);
        if (to > m_from && from <= m_to)
            days << d;
    }
    if (save(*path,
             report::dayReport(*m_record, {m_svc.settings.site.name, m_svc.settings.port}, days),
             QCoreApplication::translate("frmHistory", "日報を保存できません。")))
        m_lblStatus->setText(
            QCoreApplication::translate("frmHistory", "日報を保存しました: %1 (%2 日)")
                .arg(*path)
                .arg(days.size()));
}

namespace {

// The register's first and last day, from the ones proposed.
std::optional<std::pair<QDate, QDate>> askPeriod(QWidget *owner, QDate from, QDate to)
{
    QDialog d(owner);
    d.setWindowTitle(QCoreApplication::translate("frmHistory", "点検記録簿"));
    auto *dtpFrom = new QDateEdit(from, &d);
    auto *dtpTo = new QDateEdit(to, &d);
    dtpFrom->setObjectName(QStringLiteral("dtpFrom"));
    dtpTo->setObjectName(QStringLiteral("dtpTo"));
    for (QDateEdit *e : {dtpFrom, dtpTo}) {
        e->setCalendarPopup(true);
        e->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto *form = new QFormLayout(&d);
    form->addRow(QCoreApplication::translate("frmHistory", "最初の日:"), dtpFrom);
    form->addRow(QCoreApplication::translate("frmHistory", "最後の日:"), dtpTo);
    form->addRow(buttons);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::pair{std::min(dtpFrom->date(), dtpTo->date()),
                     std::max(dtpFrom->date(), dtpTo->date())};
}

} // namespace

void frmHistory::mnuHistRegister_Click()
{
    const auto [first, last] = logging::recordedDays(m_svc.recordsBase);
    const QDate to = last.isValid() ? last : QDate::currentDate();
    const auto period =
        (m_svc.period ? m_svc.period : askPeriod)(this, first.isValid() ? first : to, to);
    if (!period)
        return;
    const std::optional<QString> path = m_svc.fileDialog->getSaveFileName(
        this, QCoreApplication::translate("frmHistory", "点検記録簿の保存"),
        {QStringLiteral("PDF (*.pdf)"), QStringLiteral("CSV (*.csv)")},
        m_svc.recordsBase + QStringLiteral("_register.pdf"));
    if (!path)
        return;
    const history::Register r =
        history::buildRegister({m_svc.recordsBase, period->first, period->second, 10}, m_svc.read);
    const QByteArray bytes =
        path->endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)
            ? history::registerCsv(r)
            : report::registerReport(
                  r, {m_svc.settings.site.name, m_svc.settings.port}, m_svc.settings.site,
                  logging::verificationSummary(QFileInfo(m_svc.recordsBase).absolutePath()));
    if (save(*path, bytes,
             QCoreApplication::translate("frmHistory", "点検記録簿を保存できません。")))
        m_lblStatus->setText(
            QCoreApplication::translate("frmHistory", "点検記録簿を保存しました: %1 (%2 件)")
                .arg(*path)
                .arg(r.items.size()));
}

void frmHistory::mnuHistExport_Click()
{
    const std::optional<QString> path = m_svc.fileDialog->getSaveFileName(
        this, QCoreApplication::translate("frmHistory", "CSV に書き出し"),
        {QCoreApplication::translate("frmHistory", "記録ﾌｧｲﾙ (*.csv)")},
        suggested(QStringLiteral("_export.csv")));
    if (path && save(*path, m_record->exportCsv(m_from, m_to),
                     QCoreApplication::translate("frmHistory", "書き出せません。")))
        m_lblStatus->setText(
            QCoreApplication::translate("frmHistory", "書き出しました: %1").arg(*path));
}

bool frmHistory::save(const QString &path, const QByteArray &bytes, const QString &failed)
{
    QString error;
    if (m_svc.write(path, bytes, &error))
        return true;
    m_svc.messageBox->show(this, failed + QLatin1Char('\n') + error, title(),
                           platform::MessageBox::Icon::Exclamation,
                           platform::MessageBox::Buttons::Ok);
    return false;
}
