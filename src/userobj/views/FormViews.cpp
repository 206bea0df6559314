// The views of the object window's panes.
#include "FormViews.h"

#include "CentrexDlg.h"
#include "DnSegDlg.h"
#include "HostLink.h"
#include "HostStrings.h"
#include "SubscriberDlgs.h"
#include "Trace.h"
#include "UserObjWnd.h"
#include "V5UserDlg.h"
#include "userobj/Messages.h"

#include "hostlibs/ObjData.h"

CFormViewBase::CFormViewBase(QWidget* parent) : CWndT(parent) {
    setAutoFillBackground(true);
}

// ---- number segments and Centrex: one page each ----

LRESULT CFormViewBase::ShowPageDetail(CObjDescData* data) {
    if (m_pPropertyDisplayWnd) {
        SDetailSelection sel{data ? data->GetComObj() : nullptr, data ? data->GetDynData() : nullptr, -1};
        SendMessage(m_pPropertyDisplayWnd, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    }
    return 1;
}

const MsgMap* CUserView::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(msg::WM_TABPAGECHANGE, &CUserView::OnTabPageChange)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

void CUserView::OnInitialUpdate() {
    m_wndSheets.Create(this, palette().button().color());
    m_pDnSegDlg = new CDnSegDlg(this);
    m_wndSheets.raise();
    m_wndSheets.LayoutParent();
    if (!InitAllObject()) W2L_FAIL("InitAllObject Fail!");
    m_pDnSegDlg->show();
}

BOOL CUserView::InitAllObject() {
    if (!m_pMainFrame) {
        W2L_FAIL("InitAllObject Fail! m_pMainFrame is NULL!");
        return FALSE;
    }
    return m_pDnSegDlg->InitObj(m_pFrame, m_pMainFrame->GetDatabase());
}

LRESULT CUserView::OnTabPageChange(WPARAM, LPARAM) {
    return ShowPageDetail(m_pDnSegDlg ? &m_pDnSegDlg->SegmentData() : nullptr);
}

const MsgMap* CCentrexView::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(msg::WM_TABPAGECHANGE, &CCentrexView::OnTabPageChange)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CCentrexView::CCentrexView(QWidget* parent) : CFormViewBase(parent) {}
CCentrexView::~CCentrexView() = default;

void CCentrexView::OnInitialUpdate() {
    m_wndSheets.Create(this, palette().button().color());
    m_pCentrexDlg = new CCentrexDlg(this);
    m_wndSheets.raise();
    m_wndSheets.LayoutParent();
    if (!InitAllObject()) W2L_FAIL("InitAllObject Fail!");
    m_pCentrexDlg->show();
}

BOOL CCentrexView::InitAllObject() {
    if (!m_pMainFrame) return FALSE;
    return m_pCentrexDlg->InitObj(m_pFrame, m_pMainFrame->GetDatabase());
}

LRESULT CCentrexView::OnTabPageChange(WPARAM, LPARAM) {
    return ShowPageDetail(m_pCentrexDlg ? &m_pCentrexDlg->GroupData() : nullptr);
}

// ---- the subscriber dialogs ----

const MsgMap* CConfigView::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(msg::WM_TABPAGECHANGE, &CConfigView::OnTabPageChange)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CConfigView::CConfigView(QWidget* parent) : CFormViewBase(parent) {}
CConfigView::~CConfigView() = default;

void CConfigView::OnInitialUpdate() {
    m_wndSheets.Create(this, palette().button().color());
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
        return;
    }
    switch (m_nCfgKind) {
        case 1: m_dialogs = {new CMgcpUserDlg(this), new CH248UserDlg(this)}; break;
        case 2: m_dialogs = {new CV5UserDlg(this)}; break;
        case 3: m_dialogs = {new CSipUserDlg(this), new CH323UserDlg(this)}; break;
        case 4: m_dialogs = {new CIpnUserDlg(this)}; break;
        case 5: m_dialogs = {new CBraDlg(this)}; break;
        case 7: m_dialogs = {new COplogDlg(this)}; break;
        default: m_dialogs = {new CV5BRAUserDlg(this)}; break;
    }
    m_wndSheets.raise();
    m_wndSheets.LayoutParent();
    for (size_t i = 0; i < m_dialogs.size(); ++i) m_dialogs[i]->setVisible(i == 0);
    m_pFrame->m_pActiveDlg = m_dialogs.front();
    if (!InitConfigObj()) W2L_FAIL("InitConfigObj Fail!");
}

BOOL CConfigView::InitConfigObj() {
    if (!m_pMainFrame) {
        W2L_FAIL("m_pMainFrame is NULL!");
        return FALSE;
    }
    if (m_nCfgKind < 1 || m_nCfgKind > 7) return FALSE;
    BOOL all = TRUE;
    for (CUserDlg* d : m_dialogs) {
        d->m_pFrame = m_pFrame;
        IFrmDatabase* db = m_pMainFrame->GetDatabase();
        if (auto* s = dynamic_cast<CSubscriberDlg*>(d)) {
            if (!s->InitObj(m_pFrame, db)) all = FALSE;
        } else if (auto* v5 = dynamic_cast<CV5DialogBase*>(d)) {
            if (!v5->InitObj(m_pFrame, db)) all = FALSE;
        } else {
            all = FALSE;
        }
    }
    return all;
}

void CConfigView::ShowPage(CUserDlg* page) {
    QWidget* active = m_wndSheets.GetActiveSheet();
    if (!page || page == active) return;
    page->show();
    if (active) active->hide();
    m_wndSheets.update();
    SendMessage(this, msg::WM_TABPAGECHANGE, 0, 0);
}

LRESULT CConfigView::OnTabPageChange(WPARAM, LPARAM) {
    auto* page = dynamic_cast<CUserDlg*>(m_wndSheets.GetActiveSheet());
    if (!page) {
        W2L_FAIL("pUserDlg is NULL!");
        return 0;
    }
    page->ActivateDlg();
    if (m_pPropertyDisplayWnd) {
        if (!m_pFrame) {
            W2L_FAIL("m_pFrame is NULL!");
            return 0;
        }
        if (!m_pFrame->m_pActiveDlg) {
            W2L_FAIL("m_pFrame->m_pActiveDlg is NULL!");
            return 0;
        }
        m_pFrame->m_pActiveDlg->ShowActiveDetail();
    }
    return 1;
}
