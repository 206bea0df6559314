// The V5 L3 port tree.
#include "V5PortL3Tree.h"

#include "HostStrings.h"
#include "Trace.h"
#include "TreeFollow.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

CV5PortL3Tree::CV5PortL3Tree(QWidget* parent, int controlId)
    : CV5TreeBase(parent, controlId, 301) {}

int& CV5PortL3Tree::s_nBusy() {
    static int busy = 0;  // shared by every port tree of the module
    return busy;
}

LRESULT CV5PortL3Tree::OnDataInit(WPARAM, LPARAM) {
    const CTreePlace place = TakePlace();
    clear();
    m_aL3.clear();
    if (!m_obj) {
        W2L_FAIL("OnDataInit Fail! m_obj is NULL!");
        return 0;
    }
    if (!Analyse()) {
        W2L_FAIL("AnalysisData Fail! datasize < 3");
        return 0;
    }
    Build();
    place.Restore(*this);
    NotifyParent(msg::WM_REBUILT, ToWParam(this), 1);
    NotifyParent(msg::WM_SELECTION_CHANGED, ToWParam(this), 1);
    CTreeFollower::Rebuilt(*this);
    return 1;
}

bool CV5PortL3Tree::Analyse() {
    m_nPortGroupType = kNoGroup;
    const CDynData* data = m_obj->GetDynData();
    if (!data) return true;
    const std::string pstn = HostString(HS_V5_PORT_PSTN), isdn = HostString(HS_V5_PORT_ISDN);
    for (const CInstData& inst : data->GetData()) {
        m_nFieldCount = inst.GetSize();
        if (m_nFieldCount < 3) return false;
        L3 rec{inst.GetFieldText(0), inst.GetFieldText(1), inst.GetFieldText(2)};
        if (rec.type == pstn)
            m_nPortGroupType = 0;
        else if (rec.type == isdn)
            m_nPortGroupType = 1;
        m_aL3.push_back(std::move(rec));
    }
    return true;
}

void CV5PortL3Tree::Build() {
    QTreeWidgetItem* root =
        AddItem(nullptr, QString::fromStdString(HostString(10075) + m_strInterfaceKey),
                MakeItemData(kRoot, 0), true);
    if (m_nPortGroupType == 0 || m_nPortGroupType == 1) {
        const int text = m_nPortGroupType == 0 ? HS_V5_PORT_PSTN : HS_V5_PORT_ISDN;
        AddItem(root, QString::fromStdString(HostString(text)),
                MakeItemData(kTypeGroup, kGroupNumber), true);
    }
    root->setExpanded(true);
    // Without a type group the ports have no parent: they stand at the top level.
    QTreeWidgetItem* group = root->childCount() ? root->child(0) : nullptr;
    for (size_t i = 0; i < m_aL3.size(); ++i)
        AddItem(group, QString::fromStdString(m_aL3[i].value1 + "-" + m_aL3[i].value2),
                MakeItemData(kPort, static_cast<WORD>(i)), false);
}
