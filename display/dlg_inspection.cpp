#include "display/dlg_inspection.h"

#include "display/status_texts.h"
#include "link/tenths.h"
#include "platform/message_box.h"
#include "session/session.h"
#include "site/wind_rule.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

dlgInspection::dlgInspection(const InspectionRequest &request, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgInspection"));
    setWindowTitle(QCoreApplication::translate("dlgInspection", "点検確認"));
    auto *intro =
        new QLabel(QCoreApplication::translate(
                       "dlgInspection", "点検を行った人の名前と結果を、点検ごとに記録します。"
                                        "作業を再開するかどうかは、記録した人が判断します。"),
                   this);
    intro->setObjectName(QStringLiteral("lblInspectionIntro"));
    intro->setWordWrap(true);
    // A row per latch that waits, with its cause; none chosen beforehand when two wait.
    auto *latches = new QVBoxLayout;
    auto *latchGroup = new QButtonGroup(this);
    for (const auto &[latch, cause] : request.latches) {
        auto *row = new QRadioButton(cause, this);
        row->setObjectName(latch == site::Latch::Crane ? QStringLiteral("optLatchCrane")
                                                       : QStringLiteral("optLatchScaffold"));
        latchGroup->addButton(row);
        latches->addWidget(row);
        m_latches.append({latch, row});
    }
    txtInspector = new QLineEdit(this);
    txtInspector->setObjectName(QStringLiteral("txtInspector"));
    optNoFault = new QRadioButton(QCoreApplication::translate("dlgInspection", "異常なし"), this);
    optNoFault->setObjectName(QStringLiteral("optNoFault"));
    optFault = new QRadioButton(QCoreApplication::translate("dlgInspection", "異常あり"), this);
    optFault->setObjectName(QStringLiteral("optFault"));
    auto *group = new QButtonGroup(this);
    group->addButton(optNoFault);
    group->addButton(optFault);
    txtNote = new QLineEdit(this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setPlaceholderText(QCoreApplication::translate("dlgInspection", "異常の内容"));
    // Why nothing may be signed now, beside the button it disables.
    m_refused = !request.refusal.isEmpty();
    // A name or a note too long is said, never cut.
    lblLimit = new QLabel(
        QCoreApplication::translate("dlgInspection", "点検者名と結果は %1 文字までです。")
            .arg(site::kMaxFieldChars),
        this);
    lblLimit->setObjectName(QStringLiteral("lblLimit"));
    lblLimit->setStyleSheet(QStringLiteral("color: #c00000"));
    lblLimit->setVisible(false);
    lblRefusal = new QLabel(request.refusal, this);
    lblRefusal->setObjectName(QStringLiteral("lblRefusal"));
    lblRefusal->setWordWrap(true);
    lblRefusal->setStyleSheet(QStringLiteral("color: #c00000"));
    lblRefusal->setVisible(m_refused);
    cmdOK = new QPushButton(QCoreApplication::translate("dlgInspection", "記録"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setAutoDefault(false);
    cmdCancel = new QPushButton(QCoreApplication::translate("dlgInspection", "ｷｬﾝｾﾙ"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setDefault(true);

    auto *results = new QHBoxLayout;
    results->addWidget(optNoFault);
    results->addWidget(optFault);
    results->addWidget(txtNote, 1);
    auto *form = new QFormLayout;
    form->addRow(QCoreApplication::translate("dlgInspection", "点検:"), latches);
    form->addRow(QCoreApplication::translate("dlgInspection", "点検者:"), txtInspector);
    form->addRow(QCoreApplication::translate("dlgInspection", "結果:"), results);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblRefusal, 1);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *all = new QVBoxLayout(this);
    all->addWidget(intro);
    all->addLayout(form);
    all->addWidget(lblLimit);
    all->addLayout(buttons);
    resize(520, sizeHint().height());

    connect(txtInspector, &QLineEdit::textChanged, this, &dlgInspection::update);
    connect(txtNote, &QLineEdit::textChanged, this, &dlgInspection::update);
    connect(optNoFault, &QRadioButton::toggled, this, &dlgInspection::update);
    connect(optFault, &QRadioButton::toggled, this, &dlgInspection::update);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    if (m_latches.size() == 1)
        m_latches.first().second->setChecked(true);
    for (const auto &[latch, row] : m_latches)
        connect(row, &QRadioButton::toggled, this, &dlgInspection::update);
    update();
}

void dlgInspection::update()
{
    txtNote->setEnabled(optFault->isChecked());
    const bool tooLong = site::fieldTooLong(txtInspector->text()) || site::fieldTooLong(result());
    lblLimit->setVisible(tooLong);
    cmdOK->setEnabled(!m_refused && !tooLong && latch() &&
                      !site::cleanField(txtInspector->text()).isEmpty() &&
                      (optNoFault->isChecked() || optFault->isChecked()));
}

QString dlgInspection::inspector() const
{
    return site::cleanField(txtInspector->text());
}

QString dlgInspection::result() const
{
    return site::inspectionResult(optFault->isChecked(), txtNote->text());
}

std::optional<site::Latch> dlgInspection::latch() const
{
    for (const auto &[latch, row] : m_latches)
        if (row->isChecked())
            return latch;
    return std::nullopt;
}

namespace {
QString shortTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("M/d H:mm"));
}

// "使用停止: 点検で異常あり: NOTE — NAME 14:08"
QString faultText(const site::Inspection &fault)
{
    return QCoreApplication::translate("frmMain", "使用停止: 点検で%1 — %2 %3")
        .arg(fault.result, fault.by, shortTime(fault.ms));
}
} // namespace

InspectionRequest inspectionRequest(const session::Session &session)
{
    const session::SiteState &site = session.snapshot().site;
    InspectionRequest r;
    if (site.latched) {
        QString cause =
            site.stateUnreadable
                ? QCoreApplication::translate("frmMain", "暴風の後の点検 (状態ﾌｧｲﾙを読めません)")
                : QCoreApplication::translate("frmMain", "暴風 %1 m/s (%2) の後のｸﾚｰﾝの点検")
                      .arg(site.storm.tenths < 0 ? QStringLiteral("---")
                                                 : meterlink::formatTenths(site.storm.tenths),
                           shortTime(site.storm.ms));
        if (site.craneFault.ms)
            cause += QStringLiteral("\n") + faultText(site.craneFault);
        r.latches.append({site::Latch::Crane, cause});
    }
    if (site.scaffoldMs) {
        QString cause = QCoreApplication::translate("frmMain", "作業中止 (%1〜%2) の後の足場の点検")
                            .arg(shortTime(site.scaffoldFromMs), shortTime(site.scaffoldMs));
        if (site.scaffoldFault.ms)
            cause += QStringLiteral("\n") + faultText(site.scaffoldFault);
        r.latches.append({site::Latch::Scaffold, cause});
    }
    switch (session.mayAcknowledge(true)) {
    case session::Acknowledgement::StillStopped:
        r.refusal = QCoreApplication::translate(
            "frmMain", "作業中止の間は記録できません。点検は強風がおさまった後に行います。");
        break;
    case session::Acknowledgement::StormBlowing:
        r.refusal = QCoreApplication::translate(
            "frmMain", "瞬間風速が暴風の基準をこえています。風がおさまってから記録してください。");
        break;
    default: break;
    }
    return r;
}

QString strongWindQuestion(const session::Snapshot &now, const basSubMain::SiteSettings &rule)
{
    const int instant = now.tenths[0];
    const bool windy = now.receiving && instant >= rule.caution;
    if (!windy && now.site.work != site::Work::Caution)
        return {};
    if (!windy)
        return QCoreApplication::translate("frmMain", "注意の状態が続いています。\n"
                                                      "風が強いまま点検確認を記録しますか?");
    return QCoreApplication::translate("frmMain",
                                       "瞬間風速が %1 m/s で、注意の基準 %2 m/s 以上です。\n"
                                       "風が強いまま点検確認を記録しますか?")
        .arg(meterlink::formatTenths(instant), meterlink::formatTenths(rule.caution));
}

void acknowledgeInspection(QWidget *owner, session::Session &session, const Inspector &inspect,
                           platform::MessageBox &box)
{
    const session::Snapshot &now = session.snapshot();
    if (!(now.site.latched || now.site.scaffoldMs) || !inspect)
        return;
    const auto inspection = inspect(owner, inspectionRequest(session));
    if (!inspection)
        return;
    // A caution or a wind still above its threshold is said before anything is recorded;
    // a Yes marks the signature as given under a strong wind.
    const QString question = strongWindQuestion(session.snapshot(), session.settings().site);
    const bool force = !question.isEmpty() &&
                       session.mayAcknowledge(false) == session::Acknowledgement::NeedsForce;
    if (force &&
        box.show(owner, question, texts::programTitle(), platform::MessageBox::Icon::Exclamation,
                 platform::MessageBox::Buttons::NoYes) != platform::MessageBox::Answer::Yes)
        return;
    session.acknowledgeInspection(inspection->by, inspection->result, inspection->latch, force);
}
