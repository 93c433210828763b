// The settings dialog: the communication page (port, speed) and the file-output page
// (file name, interval, columns), with OK, Cancel and Apply.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace platform {
class FileDialog;
}

class frmOptions : public QDialog
{
    Q_OBJECT
public:
    // devicePath gives the device a COM number names, shown as each port's tool tip.
    frmOptions(platform::FileDialog *fileDialog, std::function<QString(int)> devicePath,
               QWidget *owner = nullptr);

    void Form_Load();
    void LoadCommPage();
    void LoadOutputPage();
    void tbsOptions_Click();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void chkFile_Click();
    void chkFile_LostFocus();
    void cmdDirFile_Click();

    // The dialog's remembered state: the text of the field last entered and the working
    // column mask. Both outlive a single opening.
    static QString mFocusText;
    static qint16 mColumnMask;
    static void resetState();

    QComboBox *cmbPort = nullptr;
    QComboBox *cmbSpeed = nullptr;
    QCheckBox *chkReconnect = nullptr;
    QComboBox *cmbTime = nullptr;
    QLineEdit *txtFileName = nullptr;
    QPushButton *cmdDirFile = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;
    QTabWidget *tbsOptions = nullptr;
    std::array<QWidget *, 2> picOptions{};
    // chkFile(1), (2), (4), (8), (16) in that order.
    std::array<QCheckBox *, 5> chkFile{};
    QCheckBox *chkFileOf(int index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void moveFocus(QWidget *target);

    platform::FileDialog *m_fileDialog;
    std::function<QString(int)> m_devicePath;
    QString m_dlgInitialFolder; // dlgCom's initial folder, kept while the dialog is open
    bool m_loaded = false;
};
