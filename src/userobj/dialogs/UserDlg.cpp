// The subscriber dialog base.
#include "UserDlg.h"

#include "ObjListCtrl.h"
#include "Trace.h"
#include "UserObjWnd.h"
#include "userobj/Messages.h"

CUserDlg::CUserDlg(QWidget* parent, CObjListCtrl* defaultList)
    : CWndT(parent), m_pActiveListCtrl(defaultList), m_pDefaultList(defaultList) {
    setWindowFlags(Qt::Widget);
}

BOOL CUserDlg::SetActiveListCtrl(CObjListCtrl* list) {
    if (!list) {
        m_pActiveListCtrl = nullptr;
        if (m_pFrame) m_pFrame->UpdateToolBar();
        return FALSE;
    }
    list->setFocus();
    m_pActiveListCtrl = list;
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
        return FALSE;
    }
    m_pFrame->InitCombo();
    return TRUE;
}

void CUserDlg::ActivateDlg() {
    if (m_pFrame) m_pFrame->m_pActiveDlg = this;
    SetActiveListCtrl(m_pDefaultList);
}

void CUserDlg::ShowActiveDetail() {
    if (!m_pActiveListCtrl || !m_pActiveListCtrl->m_obj) return;
    SDetailSelection sel{m_pActiveListCtrl->m_obj->GetComObj(), m_pActiveListCtrl->m_obj->GetDynData(), -1};
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
    } else if (!m_pFrame->m_pDetailView) {
        W2L_FAIL("m_pFrame->m_pDetailView is NULL!");
    } else {
        SendMessage(m_pFrame->m_pDetailView, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    }
}

void CUserDlg::OnTabKey() {
    auto it = m_mapNextList.find(m_pActiveListCtrl);
    if (it != m_mapNextList.end() && it->second && it->second->GetItemCount() > 0) m_pActiveListCtrl = it->second;
    if (m_pFrame) m_pFrame->UpdateToolBar();  // the combo keeps its entries: Tab does not refill it
    if (!m_pActiveListCtrl) return;
    if (m_pActiveListCtrl->SelectedCount() == 0) m_pActiveListCtrl->SelectRow(0);
    ShowActiveDetail();
    m_pActiveListCtrl->setFocus();
}
