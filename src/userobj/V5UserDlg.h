// The V5 and V5 BRA subscriber dialogs: interfaces, their L3 ports, and the
// subscribers of the picked interface or port.
#pragma once

#include "ObjListCtrl.h"
#include "UserDlg.h"
#include "V5PortL3Tree.h"
#include "hostlibs/ObjData.h"

class CV5DialogBase : public CUserDlg {
    Q_OBJECT
public:
    explicit CV5DialogBase(QWidget* parent = nullptr);
    CObjDescData* GetMainObjDesc() override { return m_dataSub.IsCreated() ? &m_dataSub : nullptr; }
    CV5PortL3Tree* GetPortTree() { return &m_treePort; }
    CObjListCtrl* GetSubscriberList() { return &m_listSub; }
    CObjDescData& SubscriberData() { return m_dataSub; }

protected:
    CV5PortL3Tree m_treePort;
    CObjListCtrl m_listSub;
    CObjDescData m_dataSub;
};

class CV5UserDlg : public CV5DialogBase {
    Q_OBJECT
public:
    using CV5DialogBase::CV5DialogBase;
};

class CV5BRAUserDlg : public CV5DialogBase {
    Q_OBJECT
public:
    using CV5DialogBase::CV5DialogBase;
};
