// The object window when the switch has forgotten this client's queries (the
// link came back with a new session): every list and tree asks anew.
#include <QTreeWidget>

#include <vector>

#include "ObjListCtrl.h"
#include "TreeFollow.h"
#include "UserObjWnd.h"
#include "hostlibs/ObjData.h"

void CUserObjWnd::AskAllAnew() {
    // The queries to release on close went with the old session.
    m_listQid.clear();
    std::vector<CObjDescData*> sets;
    for (const auto& [obj, desc] : m_mapObjDesc)
        if (desc && desc->GetDynData() && desc->GetDynData()->GetWnd()) sets.push_back(desc);
    for (CObjDescData* desc : sets) {
        if (auto* list = dynamic_cast<CObjListCtrl*>(desc->GetDynData()->GetWnd()))
            list->AskAnewKeepingPlace();
        else if (auto* tree = dynamic_cast<QTreeWidget*>(desc->GetDynData()->GetWnd()))
            CTreeFollower::Of(*tree, *desc, *this).Follow(nullptr);  // where its operator stands
        else
            desc->InvokeUpdate();
    }
}
