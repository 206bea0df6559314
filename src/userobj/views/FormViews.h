// The views of the object window's panes: the form views that host the
// subscriber dialogs on tab pages (left pane of types 1 to 7 and 12). The
// command-object configurations have views of their own (CmdObjListView,
// CmdListView).
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QWidget>

#include <memory>
#include <vector>

#include "MsgTarget.h"
#include "SheetsWnd.h"

class CCentrexDlg;
class CComObj;
class CDnSegDlg;
class CObjDescData;
class CHostLink;
class CUserDlg;
class CUserObjWnd;

// What every form view is given by the object window before it is shown.
class CFormViewBase : public CWndT<QWidget> {
    Q_OBJECT
public:
    explicit CFormViewBase(QWidget* parent = nullptr);
    CHostLink* m_pMainFrame = nullptr;
    QWidget* m_pPropertyDisplayWnd = nullptr;
    CUserObjWnd* m_pFrame = nullptr;
    // Creates the view's pages once the links above are set.
    virtual void OnInitialUpdate() = 0;
    CSheetsDialog& Sheets() { return m_wndSheets; }

protected:
    // A page was chosen: the detail view shows the hosted dialog's data.
    LRESULT ShowPageDetail(CObjDescData* data);
    CSheetsDialog m_wndSheets;
};

// Number segments (configuration type 1).
class CUserView : public CFormViewBase {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    using CFormViewBase::CFormViewBase;
    void OnInitialUpdate() override;
    BOOL InitAllObject();
    LRESULT OnTabPageChange(WPARAM, LPARAM);
    CDnSegDlg* m_pDnSegDlg = nullptr;
};

// Centrex (configuration type 2).
class CCentrexView : public CFormViewBase {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CCentrexView(QWidget* parent = nullptr);
    ~CCentrexView() override;
    void OnInitialUpdate() override;
    BOOL InitAllObject();
    LRESULT OnTabPageChange(WPARAM, LPARAM);
    CCentrexDlg* m_pCentrexDlg = nullptr;
};

// The subscriber dialogs of one configuration kind (types 3 to 7 and 12).
class CConfigView : public CFormViewBase {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CConfigView(QWidget* parent = nullptr);
    ~CConfigView() override;
    void OnInitialUpdate() override;
    BOOL InitConfigObj();
    LRESULT OnTabPageChange(WPARAM, LPARAM);
    const std::vector<CUserDlg*>& Dialogs() const { return m_dialogs; }
    // Brings a dialog's page to the front as a tab click would.
    void ShowPage(CUserDlg* page);

    int m_nCfgKind = 0;

private:
    std::vector<CUserDlg*> m_dialogs;  // children of the view, in table order
};
