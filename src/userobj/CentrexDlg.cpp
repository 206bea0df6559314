// The Centrex dialog.
#include "CentrexDlg.h"

CCentrexDlg::CCentrexDlg(QWidget* parent)
    : CWndT(parent), m_listGroup(this, 10187), m_listMember(this, 10188), m_listPrefix(this, 10174),
      m_pActiveList(&m_listGroup) {
    setWindowFlags(Qt::Widget);
}
