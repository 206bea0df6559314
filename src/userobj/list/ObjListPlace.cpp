// The object list asks its query anew when the switch has forgotten it (a
// new session) and keeps the operator's place: the page, the view's top row
// and the rows picked, found again by their records' keys.
#include <QScrollBar>

#include "ObjListCtrl.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

std::string CObjListCtrl::RecordKey(DWORD id) const {
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    const CInstData* record = data ? data->FindInst(id) : nullptr;
    if (!record) return {};
    std::string key;
    for (const SAttributeItem& a : m_obj->GetComObj()->GetDesc().attributes) {
        if (!a.key) continue;
        if (const int c = data->ColumnOf(a.name); c >= 0) key += record->GetFieldText(c) + '\x1f';
    }
    if (key.empty())
        for (int f = 0; f < record->GetSize(); ++f) key += record->GetFieldText(f) + '\x1f';
    return key;
}

bool CObjListCtrl::AskAnewKeepingPlace() {
    if (!m_obj) return false;
    SKeptPlace place;
    place.top = TopRow();
    for (DWORD id : SelectedIds()) place.picked.insert(RecordKey(id));
    if (const QModelIndex c = currentIndex(); c.isValid())
        if (const DWORD id = m_model.ItemData(c.row())) place.current = RecordKey(id);
    m_keptPlace = std::move(place);
    // A paged list's head fetches the page it was on, and the view stays.
    const bool paged = IsPaged();
    if (paged) {
        m_bRenewingQuery = true;
        m_nViewTop = m_keptPlace->top;
        m_nPageDirection = PAGE_VIEW;
    }
    if (AskQueryAgain()) return true;
    m_keptPlace.reset();
    if (paged) m_bRenewingQuery = false;
    return false;
}

void CObjListCtrl::RestorePlace() {
    const std::optional<SKeptPlace> place = std::exchange(m_keptPlace, std::nullopt);
    if (!place) return;
    verticalScrollBar()->setValue(place->top);
    if (place->picked.empty()) return;
    QItemSelection rows;
    int current = -1;
    const int last = m_model.columnCount() - 1;
    for (int r = 0; r < m_model.rowCount(); ++r) {
        const DWORD id = m_model.ItemData(r);
        if (!id) continue;
        const std::string key = RecordKey(id);
        if (place->picked.count(key)) rows.select(m_model.index(r, 0), m_model.index(r, std::max(0, last)));
        if (key == place->current) current = r;
    }
    if (rows.isEmpty()) return;  // the records picked are gone
    if (current >= 0) selectionModel()->setCurrentIndex(m_model.index(current, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    UpdateMenuState();
    NotifyParent(msg::WM_SELECTION_CHANGED);
}
