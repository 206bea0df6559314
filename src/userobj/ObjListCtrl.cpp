// The object list: data messages, columns and rows.
#include "ObjListCtrl.h"

#include <QHeaderView>

#include <cmath>

#include "HostStrings.h"
#include "ModuleState.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "hostlibs/HostStringIds.h"
#include "userobj/Messages.h"

const MsgMap* CObjListCtrl::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_DATA_INIT, &CObjListCtrl::OnDataInit),
        ON_MESSAGE(msg::WM_DATA_ADDED, &CObjListCtrl::OnDataAdd),
        ON_MESSAGE(msg::WM_DATA_REMOVED, &CObjListCtrl::OnDataDel),
        ON_MESSAGE(msg::WM_DATA_MODIFIED, &CObjListCtrl::OnDataMod),
        ON_MESSAGE(msg::WM_DATA_UPDATED, &CObjListCtrl::OnDataUpdate),
        ON_MESSAGE(msg::WM_BUSYLOCK, &CObjListCtrl::OnListLock),
        ON_MESSAGE(msg::WM_LIST_IGNORED_2110, &CObjListCtrl::OnIgnored),
        ON_MESSAGE(msg::WM_LIST_IGNORED_2112, &CObjListCtrl::OnIgnored),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CObjListCtrl::CObjListCtrl(QWidget* parent, int controlId) : CWndT(parent), m_nControlId(controlId) {
    setModel(&m_model);
    setObjectName(QStringLiteral("ctl%1").arg(controlId));
    setProperty("controlId", controlId);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    setStyleSheet(QStringLiteral("QTableView { background: rgb(217,222,223); }"));
}

void CObjListCtrl::NotifyParent(UINT message) {
    if (QWidget* p = parentWidget()) SendMessage(p, message, ToWParam(this), 1);
}

std::vector<DWORD> CObjListCtrl::SelectedIds() const {
    std::vector<DWORD> ids;
    if (!selectionModel()) return ids;
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& r : rows)
        if (DWORD id = m_model.ItemData(r.row())) ids.push_back(id);
    return ids;
}

bool CObjListCtrl::IsPaged() const {
    auto it = m_mapQueryInfo.find(HostString(HS_QID));
    return it != m_mapQueryInfo.end() && !it->second.empty();
}

int CObjListCtrl::RowOfPageRecord(int i) const {
    if (m_fRowScale <= 1.0f) return m_nPageBegin + i;
    const double b = m_nPageBegin / static_cast<double>(m_fRowScale);
    if (b + kPageSize <= kMaxRows) return static_cast<int>(b) + i;
    return static_cast<int>(m_nPageEnd / m_fRowScale) - (kPageSize - 1) + i;
}

void CObjListCtrl::BuildColumns() {
    std::vector<std::string> titles;
    std::vector<int> fields, widths;
    const QFontMetrics fm(font());
    auto extent = [&](const std::string& t) { return fm.horizontalAdvance(QString::fromStdString(t)); };
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    if (data && !data->GetData().empty()) {
        const auto& header = data->GetDisplayHeader();
        for (size_t i = 0; i < header.size(); ++i) {
            titles.push_back(header[i]);
            fields.push_back(static_cast<int>(i));
            widths.push_back(extent(header[i]) + 10);
        }
    } else if (m_obj) {
        // No records yet: the attributes marked for lists, each title once.
        const auto& attrs = m_obj->GetComObj()->GetDesc().attributes;
        for (size_t i = 0; i < attrs.size(); ++i) {
            const SAttributeItem& a = attrs[i];
            if (!a.listFlag || a.listWidth <= 0) continue;
            bool seen = false;
            for (const std::string& t : titles) seen = seen || platform::EqualsNoCase(t, a.GetDisplayName());
            if (seen) continue;
            titles.push_back(a.GetDisplayName());
            fields.push_back(static_cast<int>(i));
            widths.push_back(extent(a.GetDisplayName()) + 30);
        }
    }
    m_model.SetColumns(titles, fields, widths);
    for (size_t c = 0; c < widths.size(); ++c)
        setColumnWidth(static_cast<int>(c), std::max(widths[c], 60));
}

void CObjListCtrl::DisplayAllData() {
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    m_model.SetData(data);
    if (!data) return;
    std::vector<DWORD> ids;
    ids.reserve(data->GetData().size());
    for (const CInstData& r : data->GetData()) ids.push_back(r.GetInstID());
    if (!IsPaged()) {
        const int n = static_cast<int>(ids.size());
        m_model.SetRows(n, 0, std::move(ids));
        return;
    }
    const int rows = m_fRowScale <= 1.0f ? std::max(m_nTotalRecords, 0) : kMaxRows;
    int offset = RowOfPageRecord(0);
    offset = std::max(0, std::min(offset, rows));
    if (offset + static_cast<int>(ids.size()) > rows) ids.resize(static_cast<size_t>(rows - offset));
    m_model.SetRows(rows, offset, std::move(ids));
}

LRESULT CObjListCtrl::OnDataInit(WPARAM, LPARAM) {
    m_model.RemoveAllRows();
    m_model.RemoveAllColumns();
    BuildColumns();
    DisplayAllData();
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_REBUILT);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    if (m_nTotalRecords > kPageSize && IsPaged()) scrollTo(m_model.index(RowOfPageRecord(0), 0), PositionAtTop);
    return 1;
}

LRESULT CObjListCtrl::OnDataUpdate(WPARAM, LPARAM) {
    m_model.RemoveAllRows();
    DisplayAllData();
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_REBUILT);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    return 1;
}

LRESULT CObjListCtrl::OnDataAdd(WPARAM id, LPARAM) {
    m_model.AppendRow(0);  // stays empty when the record cannot be found
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    if (!data || !data->FindInst(static_cast<DWORD>(id))) return 0;
    m_model.SetData(data);
    m_model.SetItemData(m_model.rowCount() - 1, static_cast<DWORD>(id));
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    return 1;
}

LRESULT CObjListCtrl::OnDataDel(WPARAM id, LPARAM) {
    const int row = m_model.FindRow(static_cast<DWORD>(id));
    if (row >= 0 && !m_model.RemoveRow(row)) return 0;
    if (m_nTotalRecords > 0) --m_nTotalRecords;
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    return 1;
}

LRESULT CObjListCtrl::OnDataMod(WPARAM id, LPARAM) {
    if (!m_obj) return 0;
    const int row = m_model.FindRow(static_cast<DWORD>(id));
    if (row < 0) return 0;
    if (!m_obj->GetDynData()->FindInst(static_cast<DWORD>(id))) return 0;
    m_model.RowChanged(row);
    QWidget* parent = parentWidget();
    if (parent) {
        if (QWidget* grand = parent->parentWidget())
            PostMessage(grand, msg::WM_INSTANCE_MODIFIED, id, ToLParam(m_obj->GetDynData()));
        else
            return 1;
        SendMessage(parent, msg::WM_SELECTION_CHANGED, ToWParam(this), 1);
    }
    return 1;
}

LRESULT CObjListCtrl::OnListLock(WPARAM count, LPARAM) {
    g_nListLock = static_cast<int>(count);
    return 1;
}
