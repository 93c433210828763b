// The settings dialog: the communication page (port, speed), the file-output page (file
// name, interval, columns) and the site page (the work rule), with OK, Cancel and Apply.
#pragma once

#include "base/settings.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QDoubleSpinBox;
class QTabWidget;

namespace platform {
class FileDialog;
}

class frmOptions : public QDialog
{
    Q_OBJECT
public:
    // Edits a copy of the settings; devicePath gives the device a COM number names, shown
    // as each port's tool tip.
    frmOptions(const basSubMain::Settings &settings, platform::FileDialog *fileDialog,
               std::function<QString(int)> devicePath, QWidget *owner = nullptr);
    // The settings as Apply or OK left them (as given when neither was pressed).
    const basSubMain::Settings &settings() const { return m_settings; }

    void Form_Load();
    void LoadCommPage();
    void LoadOutputPage();
    void LoadSitePage();
    void LoadViewPage();
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
    std::array<QWidget *, 4> picOptions{};
    // The site page: the rule on or off, the mean's window, the thresholds, the hold.
    QCheckBox *chkSite = nullptr;
    QCheckBox *chkScaffold = nullptr;
    QSpinBox *spnSiteMinutes = nullptr;
    QDoubleSpinBox *spnCaution = nullptr;
    QDoubleSpinBox *spnStop = nullptr;
    QDoubleSpinBox *spnStorm = nullptr;
    QSpinBox *spnHold = nullptr;
    QLabel *lblSiteError = nullptr;
    QComboBox *cmbLanguage = nullptr;
    QCheckBox *chkBilingual = nullptr;
    // chkFile(1), (2), (4), (8), (16) in that order.
    std::array<QCheckBox *, 5> chkFile{};
    QCheckBox *chkFileOf(int index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void buildSitePage(QWidget *page);
    basSubMain::SiteSettings siteFromPage() const;
    void siteChanged();
    void moveFocus(QWidget *target);

    basSubMain::Settings m_settings;
    platform::FileDialog *m_fileDialog;
    std::function<QString(int)> m_devicePath;
    QString m_dlgInitialFolder; // dlgCom's initial folder, kept while the dialog is open
    bool m_loaded = false;
    int m_loadedLanguage = 0; // cmbLanguage's item as loaded or last applied
};
