// The V5 subscriber dialogs.
#include "V5UserDlg.h"

CV5DialogBase::CV5DialogBase(QWidget* parent)
    : CUserDlg(parent), m_treePort(this), m_listSub(this, 10183) {
    m_pDefaultList = nullptr;  // the trees come first; no list is active at start
    m_pActiveListCtrl = nullptr;
}
