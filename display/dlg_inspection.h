// The acknowledgement of an inspection, signed: the inspector's name (required) and the
// result (異常なし, or 異常あり with a note). Nothing is chosen beforehand and the default
// button cancels, so that a key pressed by mistake records nothing.
#pragma once

#include "base/settings.h"
#include "model/snapshot.h"
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

// What the dialog is asked to sign: a row per latch that waits (its cause in words, and
// the fault found when it is out of service), and why nothing may be signed now (empty:
// it may).
struct InspectionRequest {
    QList<std::pair<site::Latch, QString>> latches;
    QString refusal;
};

class dlgInspection : public QDialog
{
    Q_OBJECT
public:
    explicit dlgInspection(const InspectionRequest &request, QWidget *parent = nullptr);
    QString inspector() const;
    // "異常なし", or "異常あり" with ": note".
    QString result() const;
    // The latch chosen (the only one, when one waits).
    std::optional<site::Latch> latch() const;

private:
    void update();

    QList<std::pair<site::Latch, QRadioButton *>> m_latches;
    QLineEdit *txtInspector;
    QRadioButton *optNoFault, *optFault;
    QLineEdit *txtNote;
    QLabel *lblLimit = nullptr;
    QLabel *lblRefusal;
    QPushButton *cmdOK, *cmdCancel;
    bool m_refused = false;
};

// The cause of each latch that waits, in words: a storm and when, a state file that could
// not be read, the scaffolds after a stop and its span, and a fault found.
InspectionRequest inspectionRequest(const session::Session &session);
// The question asked before an inspection is recorded while a caution holds or the
// instantaneous wind is at or above the caution threshold; empty otherwise.
QString strongWindQuestion(const session::Snapshot &now, const basSubMain::SiteSettings &rule);

// The signed acknowledgement: given what waits, the inspector, the result and the latch,
// or nothing when cancelled (the dialog above, or a test's stand-in).
using Inspector = std::function<std::optional<site::Inspection>(QWidget *owner,
                                                                const InspectionRequest &request)>;
// The whole acknowledgement, when something waits for one: the dialog (that refuses while
// work is stopped or a storm blows), the strong wind's question (No is the default), then
// the session records it, marked as signed under a strong wind when it was.
void acknowledgeInspection(QWidget *owner, session::Session &session, const Inspector &inspect,
                           platform::MessageBox &box);
