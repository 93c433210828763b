// The inquiry window: the maker's inquiry page in an embedded web view.
#pragma once

#include "platform/browser_view.h"

#include <QDialog>
#include <memory>

class frmBrowser : public QDialog
{
    Q_OBJECT
public:
    frmBrowser(const platform::BrowserFactory &makeView, QWidget *owner = nullptr);
    ~frmBrowser() override;

    void Form_Load();
    // The page: "http://" + the maker's host + "/form1003.html".
    static QUrl pageAddress();

    platform::BrowserView *brwWebBrowser() const { return m_view.get(); }

private:
    std::unique_ptr<platform::BrowserView> m_view;
};
