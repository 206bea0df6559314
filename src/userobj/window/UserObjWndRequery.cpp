// The object window when the switch has forgotten this client's queries (the
// link came back with a new session): every list and tree asks anew.
#include <vector>

#include "ObjListCtrl.h"
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
        else
            desc->InvokeUpdate();  // a tree: as its F5 does
    }
}
