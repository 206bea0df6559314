// The object list follows the changes other operators make, as the switch
// tells of them: a modified record's row is read again in place; records
// that came or went make the list ask for itself again, keeping what the
// operator looks at (the view, the selection, the current row). A list
// whose query the switch forgot (a new session) asks anew the same way.
#include <QScrollBar>

#include <algorithm>

#include "CentrexDlg.h"
#include "FormViews.h"
#include "ModuleState.h"
#include "ObjListCtrl.h"
#include "Trace.h"
#include "UserDlg.h"
#include "UserObjWnd.h"
#include "hostlibs/MmlText.h"
#include "hostlibs/ObjArray.h"
#include "userobj/Messages.h"

namespace {

constexpr int kFollowDelayMs = 150;  // a burst of notices asks once
constexpr int kFollowRetryMs = 100;  // while the window waits for the switch

// The first record of a report as the values the switch holds for it.
CDetailData RecordOf(const CObjArray& report) {
    CDetailData values;
    if (report.GetObjectCount() < 1) return values;
    const std::string name(report.GetObjectName(0));
    for (int k = 0; k < report.GetPropertyCount(0); ++k) {
        const CMapStringToStringArray* p = report.GetProperty(0, k);
        if (!p) break;
        const std::string key(p->GetKeyValue(0));
        if (p->GetNumOfValue() < 2) {
            values.Insert(name, key, std::make_shared<CSinglePropValue>(std::string(p->GetValue(0))));
            continue;
        }
        auto multi = std::make_shared<CExtMultiPropValue>();
        multi->AddColumn(key);
        for (int v = 0; v < p->GetNumOfValue(); ++v) multi->AddRowValue(v, 0, std::string(p->GetValue(v)));
        values.Insert(name, key, multi);
    }
    return values;
}

}  // namespace

std::vector<std::string> CObjListCtrl::RecordKey(DWORD id) const {
    std::vector<std::string> key;
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    const CInstData* rec = data ? data->FindInst(id) : nullptr;
    if (!rec) return key;
    for (const SAttributeItem& a : m_obj->GetComObj()->GetDesc().attributes)
        if (const int c = a.key ? data->ColumnOf(a.name) : -1; c >= 0) key.push_back(rec->GetFieldText(c));
    // An object that names no key: the record is all its values.
    if (key.empty())
        for (int f = 0; f < rec->GetSize(); ++f) key.push_back(rec->GetFieldText(f));
    return key;
}

DWORD CObjListCtrl::FindByKeys(const Keys& keys) const {
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    if (!data || keys.empty()) return 0;
    for (const CInstData& rec : data->GetData()) {
        bool all = true;
        for (const auto& [name, value] : keys) {
            const int col = data->ColumnOf(name);
            all = all && col >= 0 && rec.GetFieldText(col) == value;
        }
        if (all) return rec.GetInstID();
    }
    return 0;
}

bool CObjListCtrl::IsActiveList() const {
    const CUserObjWnd* w = ObjectWindow();
    if (!w) return false;
    if (w->m_pActiveDlg && w->m_pActiveDlg->GetActiveListCtrl() == this) return true;
    return w->m_pCentrexView && w->m_pCentrexView->m_pCentrexDlg &&
           w->m_pCentrexView->m_pCentrexDlg->GetActiveListCtrl() == this;
}

void CObjListCtrl::FollowModified(const Keys& keys, const std::string& revision) {
    CUserObjWnd* w = ObjectWindow();
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    const DWORD id = FindByKeys(keys);
    if (!w || !data || !id) return;  // not loaded: the page that loads it will show it as it is
    const SComObj& desc = m_obj->GetComObj()->GetDesc();
    for (const SAttributeItem& a : desc.attributes)
        if (a.revision && !revision.empty() && data->FindInst(id)->GetFieldText(data->ColumnOf(a.name)) == revision)
            return;  // the row has that revision already
    // The panel shows this record: it is read as the panel reads it, and
    // both follow.
    const bool panelShows = w->m_pActiveDlg && w->m_pActiveDlg->GetActiveListCtrl() == this &&
                            data->GetDetailInst() == id && currentIndex().isValid() &&
                            m_model.ItemData(currentIndex().row()) == id;
    if (panelShows) {
        m_obj->GetComObj()->InvokeConfigDetailView(id, 1, 0, 1, -1);
        return;
    }
    std::string lookup = "LST " + desc.mmlName + ":";
    for (size_t i = 0; i < keys.size(); ++i)
        lookup += (i ? ", " : " ") + keys[i].first + "=" + MmlQuoteIfNeeded(keys[i].second);
    lookup += ";";
    QPointer<CObjListCtrl> self(this);
    w->SendTapped(lookup, [self, keys](const CObjArray* report) {
        if (!self || !self->m_obj || !report || report->GetRetCode() != 0) return;
        // Found again by its key: the rows may have been rebuilt meanwhile.
        if (const DWORD again = self->FindByKeys(keys)) self->m_obj->FollowRecord(again, RecordOf(*report));
    });
}

void CObjListCtrl::FollowSwitch() {
    if (!m_pFollowTimer) {
        m_pFollowTimer = new QTimer(this);
        m_pFollowTimer->setSingleShot(true);
        connect(m_pFollowTimer, &QTimer::timeout, this, &CObjListCtrl::AskAgainInPlace);
    }
    if (!m_pFollowTimer->isActive()) m_pFollowTimer->start(kFollowDelayMs);
}

void CObjListCtrl::AskAgainInPlace() {
    CUserObjWnd* w = ObjectWindow();
    if (!w || !m_obj) return;
    if (g_nListLock > 0 || w->IsBusy()) {
        // Its own command first: the answer it waits for is the operator's.
        m_pFollowTimer->start(kFollowRetryMs);
        return;
    }
    if (!AskAnewKeepingPlace()) W2L_FAIL("%s: could not ask for the list again", m_strListKey.c_str());
}

bool CObjListCtrl::AskAnewKeepingPlace() {
    if (!m_obj) return false;
    m_follow = {};
    m_follow.top = verticalScrollBar()->value();
    m_follow.left = horizontalScrollBar()->value();
    if (const int shown = rowAt(0); shown >= 0)
        if (const DWORD id = m_model.ItemData(shown)) m_follow.topRecord = RecordKey(id);
    for (DWORD id : SelectedIds()) m_follow.selected.push_back(RecordKey(id));
    if (currentIndex().isValid())
        if (const DWORD id = m_model.ItemData(currentIndex().row())) m_follow.current = RecordKey(id);
    if (const CDynData* data = m_obj->GetDynData(); data && data->GetDetailInst())
        m_follow.panel = RecordKey(data->GetDetailInst());
    const bool paged = IsPaged();
    if (paged) {
        // The head fetches the page in view again, and the rows stay put.
        m_bRenewingQuery = true;
        m_nPageDirection = PAGE_VIEW;
        m_nViewTop = m_follow.top;
    }
    m_follow.pending = true;
    if (AskQueryAgain()) return true;
    m_follow.pending = false;
    if (paged) m_bRenewingQuery = false;
    return false;
}

void CObjListCtrl::RestoreFollowedView() {
    if (!m_follow.pending) return;
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    if (!data) return;
    m_follow.pending = false;
    if (!IsPaged()) verticalScrollBar()->setValue(m_follow.top);
    horizontalScrollBar()->setValue(m_follow.left);
    // The rows of the records that were selected, where they are loaded;
    // the record that was shown first is again, when records came or went
    // above it.
    QItemSelection selection;
    int current = -1, first = -1;
    bool panelRecordThere = m_follow.panel.empty();
    for (const CInstData& rec : data->GetData()) {
        const std::vector<std::string> key = RecordKey(rec.GetInstID());
        panelRecordThere = panelRecordThere || key == m_follow.panel;
        const int row = m_model.FindRow(rec.GetInstID());
        if (row < 0) continue;
        if (!m_follow.topRecord.empty() && key == m_follow.topRecord) first = row;
        if (std::find(m_follow.selected.begin(), m_follow.selected.end(), key) != m_follow.selected.end())
            selection.select(m_model.index(row, 0), m_model.index(row, m_model.columnCount() - 1));
        if (!m_follow.current.empty() && key == m_follow.current) current = row;
    }
    if (first >= 0 && rowAt(0) != first) verticalScrollBar()->setValue(verticalScrollBar()->value() + first - rowAt(0));
    // The panel showed a record that went: it shows the list instead, as
    // after the operator's own removal.
    if (!panelRecordThere && IsActiveList()) m_obj->GetDynData()->DropDetail();
    if (current < 0 && selection.isEmpty()) return;
    if (current >= 0) selectionModel()->setCurrentIndex(m_model.index(current, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    UpdateMenuState(-1);
    NotifyParent(msg::WM_SELECTION_CHANGED);
}
