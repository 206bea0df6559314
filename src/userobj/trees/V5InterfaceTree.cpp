// The V5 interface tree.
#include "V5InterfaceTree.h"

#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "TreeFollow.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

CV5InterfaceTree::CV5InterfaceTree(QWidget* parent, int controlId)
    : CV5TreeBase(parent, controlId, 300) {}

int& CV5InterfaceTree::s_nBusy() {
    static int busy = 0;  // shared by every interface tree of the module
    return busy;
}

DWORD CV5InterfaceTree::FirstInstanceOf(const std::string& key) const {
    auto it = std::find_if(m_aV5.begin(), m_aV5.end(), [&](const V5& r) { return r.key == key; });
    return it == m_aV5.end() ? 0 : it->instance;
}

LRESULT CV5InterfaceTree::OnDataInit(WPARAM, LPARAM) {
    const CTreePlace place = TakePlace();
    clear();
    m_aV5.clear();
    m_aGroups.clear();
    if (!m_obj) {
        W2L_FAIL("OnDataInit Fail! m_obj is NULL!");
        return 0;
    }
    Analyse();
    Build();
    const QTreeWidgetItem* announced = currentItem();
    place.Restore(*this);
    // The port tree goes with the interface the operator had picked.
    if (currentItem() != announced && ItemKind(currentItem()) == kInterface &&
        ItemNumber(currentItem()) < m_aV5.size()) {
        std::string key = m_aV5[ItemNumber(currentItem())].key;
        NotifyParent(msg::WM_V5INTERFACE_CHOSEN, ToWParam(&key), 1);
    }
    NotifyParent(msg::WM_REBUILT, ToWParam(this), 1);
    CTreeFollower::Rebuilt(*this);
    return 1;
}

void CV5InterfaceTree::Analyse() {
    const CDynData* data = m_obj->GetDynData();
    if (!data) return;
    for (const CInstData& inst : data->GetData()) {
        // Decimal digits up to the first other character; none give group 0.
        const auto group = static_cast<WORD>(std::atoi(inst.GetFieldText(2).c_str()));
        if (std::find(m_aGroups.begin(), m_aGroups.end(), group) == m_aGroups.end())
            m_aGroups.push_back(group);
        m_aV5.push_back({group, inst.GetFieldText(0), inst.GetInstID()});
    }
}

void CV5InterfaceTree::Build() {
    QTreeWidgetItem* root =
        AddItem(nullptr, QString::fromStdString(HostString(10129)), MakeItemData(kRoot, 0), true);
    std::string empty;
    NotifyParent(msg::WM_V5INTERFACE_CHOSEN, ToWParam(&empty), 1);
    const std::string format = HostString(10025);
    for (WORD g : m_aGroups)
        AddItem(root, QString::fromStdString(platform::Format(format.c_str(), static_cast<int>(g))),
                MakeItemData(kGroup, g), true);
    const QString prefix = QString::fromStdString(HostString(10075));
    QTreeWidgetItem* announced = nullptr;
    for (size_t i = 0; i < m_aV5.size(); ++i) {
        QTreeWidgetItem* group = nullptr;
        for (int c = 0; c < root->childCount() && !group; ++c)
            if (ItemNumber(root->child(c)) == m_aV5[i].group) group = root->child(c);
        if (!group) continue;
        announced = AddItem(group, prefix + QString::fromStdString(m_aV5[i].key),
                            MakeItemData(kInterface, static_cast<WORD>(i)), false);
        std::string key = m_aV5[i].key;
        NotifyParent(msg::WM_V5INTERFACE_CHOSEN, ToWParam(&key), 1);
    }
    // The port tree is bound to the interface announced last: it is the
    // one selected, so that the panes agree.
    if (announced) setCurrentItem(announced);
}

void CV5InterfaceTree::mouseDoubleClickEvent(QMouseEvent* e) {
    CV5TreeBase::mouseDoubleClickEvent(e);
    if (BusyCount() > 0 || !m_obj) return;
    QTreeWidgetItem* item = HitTest(e->position().toPoint());
    if (ItemKind(item) != kInterface) return;
    const size_t i = ItemNumber(item);
    if (i >= m_aV5.size()) return;
    m_obj->GetComObj()->InvokeConfigDetailView(FirstInstanceOf(m_aV5[i].key), 1, 1, 1, -1);
}
