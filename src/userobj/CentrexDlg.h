// CCentrexDlg: Centrex groups, and the members and prefixes of the picked group.
#pragma once

#include <QDialog>

#include "MsgTarget.h"
#include "ObjListCtrl.h"
#include "hostlibs/ObjData.h"

class CUserObjWnd;

class CCentrexDlg : public CWndT<QDialog> {
    Q_OBJECT
public:
    explicit CCentrexDlg(QWidget* parent = nullptr);
    CObjListCtrl* GetActiveListCtrl() const { return m_pActiveList; }
    CObjListCtrl* GetFirstList() { return &m_listGroup; }
    CObjDescData* GetMainObjDesc() { return m_dataGroup.IsCreated() ? &m_dataGroup : nullptr; }

    CUserObjWnd* m_pFrame = nullptr;

protected:
    CObjListCtrl m_listGroup;
    CObjListCtrl m_listMember;
    CObjListCtrl m_listPrefix;
    CObjListCtrl* m_pActiveList;
    CObjDescData m_dataGroup;
};
