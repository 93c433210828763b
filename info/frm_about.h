// The version dialog: title, version, copyright, the version history on request and a
// button that starts the system-information tool.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace platform {
class Registry;
class Launcher;
class MessageBox;
} // namespace platform

// Reads a registry value's text; true when it could be read. A string value becomes the
// text; a 32-bit number its decimal text; any other type leaves the text as it was.
bool GetKeyValue(platform::Registry &registry, quintptr root, const QString &keyName,
                 const QString &valueName, QString &value);

// "ﾊﾞｰｼﾞｮﾝ " and the program's version, major.minor.revision.
QString versionLabelText();

class frmAbout : public QDialog
{
    Q_OBJECT
public:
    frmAbout(platform::Registry *registry, platform::Launcher *launcher,
             platform::MessageBox *messageBox, QWidget *owner = nullptr);

    void Form_Load();
    void cndVer_Click();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QPushButton *cndVer = nullptr;
    QListWidget *lstVer = nullptr;

private:
    platform::Registry *m_registry;
    platform::Launcher *m_launcher;
    platform::MessageBox *m_messageBox;
};
