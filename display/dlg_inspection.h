// The acknowledgement of an inspection, signed: the inspector's name (required) and the
// result (異常なし, or 異常あり with a note). Nothing is chosen beforehand and the default
// button cancels, so that a key pressed by mistake records nothing.
#pragma once

#include "app/settings.h"
#include "session/snapshot.h"
#include "site/wind_rule.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLineEdit;
class QRadioButton;
class QPushButton;
class QLabel;
namespace platform {
class MessageBox;
}
namespace session {
class Session;
}

class dlgInspection : public QDialog
{
    Q_OBJECT
public:
    // what: the latch's cause in words, shown above the fields.
    explicit dlgInspection(const QString &what, QWidget *parent = nullptr);
    QString inspector() const;
    // "異常なし", or "異常あり" with ": note".
    QString result() const;

private:
    void update();

    QLineEdit *txtInspector;
    QRadioButton *optNoFault, *optFault;
    QLineEdit *txtNote;
    QPushButton *cmdOK, *cmdCancel;
};

// The latch's cause in words, above the dialog's fields: a storm and when, a state file
// that could not be read, or the scaffolds after a stop.
QString inspectionCause(const session::SiteState &site);
// The question asked before an inspection is recorded while the instantaneous wind is at
// or above the caution threshold; empty when it is below (or nothing is measured).
QString strongWindQuestion(const session::Snapshot &now, const basSubMain::SiteSettings &rule);

// The signed acknowledgement: given the latch's cause in words, the inspector and the
// result, or nothing when cancelled (the dialog above, or a test's stand-in).
using Inspector =
    std::function<std::optional<site::Inspection>(QWidget *owner, const QString &what)>;
// The whole acknowledgement, when something waits for one: the dialog, the strong wind's
// question (No is the default), then the session records it.
void acknowledgeInspection(QWidget *owner, session::Session &session, const Inspector &inspect,
                           platform::MessageBox &box);
