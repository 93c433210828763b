#include "display/dlg_inspection.h"

#include "display/status_texts.h"
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

dlgInspection::dlgInspection(const QString &what, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgInspection"));
    setWindowTitle(QCoreApplication::translate("dlgInspection", "点検確認"));
    auto *intro = new QLabel(
        what + QCoreApplication::translate("dlgInspection",
                                           "\n点検を行った人の名前と結果を記録します。"
                                           "作業を再開するかどうかは、記録した人が判断します。"),
        this);
    intro->setObjectName(QStringLiteral("lblInspectionIntro"));
    intro->setWordWrap(true);
    txtInspector = new QLineEdit(this);
    txtInspector->setObjectName(QStringLiteral("txtInspector"));
    txtInspector->setMaxLength(60);
    optNoFault = new QRadioButton(QCoreApplication::translate("dlgInspection", "異常なし"), this);
    optNoFault->setObjectName(QStringLiteral("optNoFault"));
    optFault = new QRadioButton(QCoreApplication::translate("dlgInspection", "異常あり"), this);
    optFault->setObjectName(QStringLiteral("optFault"));
    auto *group = new QButtonGroup(this);
    group->addButton(optNoFault);
    group->addButton(optFault);
    txtNote = new QLineEdit(this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setMaxLength(60);
    txtNote->setPlaceholderText(QCoreApplication::translate("dlgInspection", "異常の内容"));
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
    form->addRow(QCoreApplication::translate("dlgInspection", "点検者:"), txtInspector);
    form->addRow(QCoreApplication::translate("dlgInspection", "結果:"), results);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *all = new QVBoxLayout(this);
    all->addWidget(intro);
    all->addLayout(form);
    all->addLayout(buttons);
    resize(480, sizeHint().height());

    connect(txtInspector, &QLineEdit::textChanged, this, &dlgInspection::update);
    connect(txtNote, &QLineEdit::textChanged, this, &dlgInspection::update);
    connect(optNoFault, &QRadioButton::toggled, this, &dlgInspection::update);
    connect(optFault, &QRadioButton::toggled, this, &dlgInspection::update);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    update();
}

void dlgInspection::update()
{
    txtNote->setEnabled(optFault->isChecked());
    cmdOK->setEnabled(!site::cleanField(txtInspector->text()).isEmpty() &&
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

QString inspectionCause(const session::SiteState &site)
{
    if (site.latched && site.stateUnreadable)
        return QCoreApplication::translate("frmMain", "点検要: 状態ﾌｧｲﾙを読めません。");
    if (site.latched)
        return QCoreApplication::translate("frmMain", "暴風 %1 m/s (%2) の後の点検です。")
            .arg(
                basSubMain::speedText(qMax(0, site.storm.tenths)),
                QDateTime::fromMSecsSinceEpoch(site.storm.ms).toString(QStringLiteral("M/d H:mm")));
    return QCoreApplication::translate("frmMain", "作業中止の後の足場の点検です。");
}

QString strongWindQuestion(const session::Snapshot &now, const basSubMain::SiteSettings &rule)
{
    const int instant = now.tenths[0];
    if (!now.receiving || instant < rule.caution)
        return {};
    return QCoreApplication::translate("frmMain",
                                       "瞬間風速が %1 m/s で、注意の基準 %2 m/s 以上です。\n"
                                       "風が強いまま点検確認を記録しますか?")
        .arg(basSubMain::speedText(instant), basSubMain::speedText(rule.caution));
}

void acknowledgeInspection(QWidget *owner, session::Session &session, const Inspector &inspect,
                           platform::MessageBox &box)
{
    const session::Snapshot &now = session.snapshot();
    if (!(now.site.latched || now.site.scaffoldMs) || !inspect)
        return;
    const auto inspection = inspect(owner, inspectionCause(now.site));
    if (!inspection)
        return;
    // A wind still above the caution threshold is said before anything is recorded.
    const QString question = strongWindQuestion(session.snapshot(), session.settings().site);
    if (!question.isEmpty() &&
        box.show(owner, question, texts::programTitle(), platform::MessageBox::Icon::Exclamation,
                 platform::MessageBox::Buttons::NoYes) != platform::MessageBox::Answer::Yes)
        return;
    session.acknowledgeInspection(inspection->by, inspection->result);
}
