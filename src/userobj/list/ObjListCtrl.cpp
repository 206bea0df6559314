// The object list: data messages, columns and rows.
#include "ObjListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <cmath>

#include "ControlIds.h"
#include "HostStrings.h"
#include "CentrexDlg.h"
#include "ListCellDelegate.h"
#include "ModuleState.h"
#include "SortTable.h"
#include "UserObjWnd.h"
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
        ON_MESSAGE(msg::WM_FILTER_CHOSEN, &CObjListCtrl::OnFilterChosen),
        ON_MESSAGE(msg::WM_PREDEFINED_QUERY, &CObjListCtrl::OnPredefinedQuery),
        ON_MESSAGE(msg::WM_CUSTOMIZE_FILTER, &CObjListCtrl::OnCustomizeFilter),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CObjListCtrl::CObjListCtrl(QWidget* parent, int controlId)
    : CWndT(parent), m_wndHeader(new CSortHeaderCtrl(this)), m_nControlId(controlId) {
    setHorizontalHeader(m_wndHeader);
    setModel(&m_model);
    setItemDelegate(new CListCellDelegate(this));
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);  // the scroll position is the top row
    connect(m_wndHeader, &QHeaderView::sectionClicked, this, &CObjListCtrl::OnHeaderClick);
    ConnectColumnSizing();
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove) return;  // tracking: the tip only
        PageCheckScroll(action, verticalScrollBar()->sliderPosition());
    });
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, &CObjListCtrl::OnThumbTrack);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!verticalScrollBar()->isSliderDown()) ScheduleShownPageCheck();  // a drag fetches on release
    });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &CObjListCtrl::OnThumbReleased);
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
    // The list's grey ground, by palette: a style sheet would route every
    // cell and scroll bar of the list through the slower style-sheet style.
    QPalette ground = palette();
    ground.setColor(QPalette::Base, QColor(217, 222, 223));
    setPalette(ground);
}

CObjListCtrl::~CObjListCtrl() = default;

void CObjListCtrl::NotifyParent(UINT message) {
    if (QWidget* p = parentWidget()) SendMessage(p, message, ToWParam(this), 1);
}

int CObjListCtrl::SelectedCount() const {
    // A placeholder row of a paged result is no instance: only rows holding
    // a record count, so a count of one always has an id to go with it.
    return static_cast<int>(SelectedIds().size());
}

void CObjListCtrl::SelectRow(int row) {
    if (row < 0 || row >= m_model.rowCount()) return;
    const QModelIndex i = m_model.index(row, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

CUserObjWnd* CObjListCtrl::ObjectWindow() const {
    if (!m_obj) return nullptr;
    return dynamic_cast<CUserObjWnd*>(m_obj->GetComObj()->GetOwner());
}

void CObjListCtrl::SetListKey(const std::string& key) {
    m_strListKey = key;
    setProperty("listKey", QString::fromStdString(key));
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

void CObjListCtrl::DisplayAllData() {
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    m_model.SetData(data);
    if (!data) return;
    std::vector<DWORD> ids;
    ids.reserve(data->GetData().size());
    for (const CInstData& r : data->GetData()) ids.push_back(r.GetInstID());
    if (!IsPaged()) {
        const int n = static_cast<int>(ids.size());
        m_nTotalRecords = n;  // a whole result: its count is its size
        m_model.SetRows(n, 0, std::move(ids));
        updateGeometries();
        return;
    }
    const int rows = m_fRowScale <= 1.0f ? std::max(m_nTotalRecords, 0) : kMaxRows;
    int offset = RowOfPageRecord(0);
    offset = std::max(0, std::min(offset, rows));
    if (offset + static_cast<int>(ids.size()) > rows) ids.resize(static_cast<size_t>(rows - offset));
    m_model.SetRows(rows, offset, std::move(ids));
    // The scroll range must follow now: the page is placed right after this.
    updateGeometries();
}

LRESULT CObjListCtrl::OnDataInit(WPARAM, LPARAM) {
    m_bRenewingQuery = m_bQueryRenewed = false;  // records came: a later loss may be renewed again
    m_model.RemoveAllRows();
    m_bSizingColumns = true;  // the header's sections go and come: no width of the operator's
    m_model.RemoveAllColumns();
    BuildColumns();
    DisplayAllData();
    if (m_bOwnQueryResult) m_nUnfilteredTotal = m_nTotalRecords;
    UpdateMenuState(0);
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_REBUILT);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    if (m_nTotalRecords > kPageSize && IsPaged()) PlacePage();
    RestoreFollowedView();
    ScheduleShownPageCheck();
    return 1;
}

LRESULT CObjListCtrl::OnDataUpdate(WPARAM, LPARAM) {
    m_model.RemoveAllRows();
    DisplayAllData();
    if (m_bOwnQueryResult) m_nUnfilteredTotal = m_nTotalRecords;
    UpdateMenuState(0);
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_REBUILT);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    if (m_nPageDirection == PAGE_VIEW && IsPaged()) PlacePage();
    ScheduleShownPageCheck();
    return 1;
}

LRESULT CObjListCtrl::OnDataAdd(WPARAM id, LPARAM) {
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    if (!data || !data->FindInst(static_cast<DWORD>(id))) {
        m_model.AppendRow(0);  // stays empty: the record cannot be found
        return 0;
    }
    m_model.SetData(data);
    // A whole result grows at its end. Where the new record stands in a
    // paged result is the switch's to say (it sorts): until the next page
    // it is shown where the operator works, below the current row of the
    // loaded page, rather than after thousands of rows not loaded.
    int row = m_model.rowCount();
    if (IsPaged() && m_model.PageRowCount() > 0 &&
        row > m_model.PageFirstRow() + m_model.PageRowCount()) {
        const int current = currentIndex().isValid() ? currentIndex().row() : -1;
        const int first = m_model.PageFirstRow(), last = first + m_model.PageRowCount() - 1;
        row = current >= first && current <= last ? current + 1 : first;
        m_model.InsertRow(row, static_cast<DWORD>(id));
    } else {
        m_model.AppendRow(static_cast<DWORD>(id));
    }
    if (m_nTotalRecords >= 0) ++m_nTotalRecords;
    if (m_nUnfilteredTotal >= 0) ++m_nUnfilteredTotal;  // on the switch, whatever the filter
    NotifyParent(msg::WM_COUNT_CHANGED);
    NotifyParent(msg::WM_SELECTION_CHANGED);
    // The new row is picked, as a click picks it (its dialog shows what
    // belongs to it), and in view: the operator sees what was added.
    SelectRow(row);
    scrollTo(m_model.index(row, 0));
    emit clicked(m_model.index(row, 0));
    return 1;
}

LRESULT CObjListCtrl::OnDataDel(WPARAM id, LPARAM) {
    const int row = m_model.FindRow(static_cast<DWORD>(id));
    if (row >= 0 && !m_model.RemoveRow(row)) return 0;
    if (m_nTotalRecords > 0) --m_nTotalRecords;
    if (m_nUnfilteredTotal > 0) --m_nUnfilteredTotal;
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
    // The view may have moved while the list waited for the switch.
    if (g_nListLock == 0) ScheduleShownPageCheck();
    return 1;
}

// ---- keys, clicks and the operations they start ----

void CObjListCtrl::keyPressEvent(QKeyEvent* e) {
    if (g_nListLock > 0) return;  // a command is outstanding: keys wait
    const int key = e->key();
    if (key == Qt::Key_F5) {
        Refresh();
        return;
    }
    if (e->matches(QKeySequence::Find)) {
        OnCommand(ids::ID_FIND);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OnEnterKey();
    } else if (key == Qt::Key_Insert) {
        OnInsertKey();
    } else if (key == Qt::Key_Delete) {
        OnDeleteKey();
    } else if (key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
               key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Up || key == Qt::Key_Down ||
               key == Qt::Key_Left || key == Qt::Key_Right) {
        // The list moves the view first; the page it then needs is fetched.
        QTableView::keyPressEvent(e);
        PageCheckKey(key);
    } else {
        // Anything else belongs to the main window (its accelerators).
        e->ignore();
        return;
    }
    UpdateMenuState(-1);
}

QModelIndex CObjListCtrl::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome && m_model.rowCount() > 0) return m_model.index(0, 0);
    if (action == MoveEnd && m_model.rowCount() > 0) return m_model.index(m_model.rowCount() - 1, 0);
    return QTableView::moveCursor(action, modifiers);
}

void CObjListCtrl::OnEnterKey() {
    const std::vector<DWORD> ids = SelectedIds();
    if (m_obj && !ids.empty()) m_obj->GetComObj()->InvokeConfigDetailView(ids.front(), 1, 1, 1, -1);
}

void CObjListCtrl::OnInsertKey() {
    if (m_obj && RoleAllows(3000 + 3)) m_obj->GetComObj()->InvokeOperation(3, SelectedIds());
}

void CObjListCtrl::OnDeleteKey() {
    if (!m_obj || GetItemCount() == 0) return;
    const DWORD op = m_obj->GetComObj()->GetOpIDByActionType(ACT_REMOVE);
    if (op == OPID_NONE || !RoleAllows(3000 + static_cast<int>(op))) return;
    const int focused = currentIndex().row();
    if (m_obj->GetComObj()->InvokeOperation(op, SelectedIds())) SelectRow(focused + 1);
}

void CObjListCtrl::mousePressEvent(QMouseEvent* e) {
    // The lock stops what would start an operation: the right button's
    // menu. A left click still picks a row.
    if (g_nListLock > 0 && e->button() == Qt::RightButton) return;
    QTableView::mousePressEvent(e);
}

void CObjListCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (g_nListLock > 0 || !m_obj) return;
    QTableView::mouseDoubleClickEvent(e);
    OnDoubleClick();
}

void CObjListCtrl::OnDoubleClick() {
    const std::vector<DWORD> ids = SelectedIds();
    if (!m_obj || ids.empty()) return;
    auto* centrex = dynamic_cast<CCentrexDlg*>(parentWidget());
    if (centrex && centrex->GetFirstList() == this) {
        // Centrex members open the detail command of their kind.
        int column = -1;
        for (size_t c = 0; c < m_model.Titles().size(); ++c)
            if (platform::EqualsNoCase(m_model.Titles()[c], HostString(10276))) column = static_cast<int>(c);
        const std::string kindText = platform::Trim(m_model.CellText(m_model.FindRow(ids.front()), column));
        int kind = -1;
        for (int k = 0; k < 8 && kind < 0; ++k)
            if (platform::EqualsNoCase(kindText, HostString(10268 + k))) kind = k;
        static const int commandOfKind[] = {10142, 10142, 10143, 10143, 10143, 10277, 10278, 10279};
        if (kind >= 0) {
            const DWORD op = m_obj->GetComObj()->GetOpIDByCmdName(HostString(commandOfKind[kind]));
            m_obj->GetComObj()->InvokeConfigDetailView(ids.front(), 1, 1, 1, static_cast<int>(op));
        }
    } else {
        m_obj->GetComObj()->InvokeConfigDetailView(ids.front(), 1, 1, 1, -1);
    }
    UpdateMenuState(-1);
}

void CObjListCtrl::Refresh() {
    if (!m_obj) return;
    const bool own = ShowsOwnQuery();
    AskQueryAgain();
    if (own) {
        m_nCursorRecord = 0;
        m_strFilterCommand.clear();
    }
}

bool CObjListCtrl::ShowsOwnQuery() const { return (m_nSortColumn == -1 || !parentWidget()) && !m_bFilterActive; }

std::string CObjListCtrl::QueryCommand() const {
    if (!m_obj) return {};
    if (ShowsOwnQuery()) return OwnQueryCommand();
    return m_nSortColumn != -1 && parentWidget() ? m_strSortCommand : m_strFilterCommand;
}

bool CObjListCtrl::AskQueryAgain() {
    if (!m_obj) return false;
    if (ShowsOwnQuery()) return m_obj->InvokeUpdate();
    CUserObjWnd* w = ObjectWindow();
    return w && w->ExecuteCmd(QueryCommand(), m_obj->GetComObj());
}

void CObjListCtrl::resizeEvent(QResizeEvent* e) {
    QTableView::resizeEvent(e);
    viewport()->update();
    ScheduleShownPageCheck();
}

// ---- sorting on the switch ----

void CObjListCtrl::OnHeaderClick(int column) {
    if (!(QApplication::mouseButtons() == Qt::NoButton || QApplication::mouseButtons() == Qt::LeftButton)) return;
    const std::string title = m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
    if (!SortTable().IsSortable(m_strListKey, title)) return;
    m_bSortAscending = column == m_nSortColumn ? !m_bSortAscending : TRUE;
    m_nSortColumn = column;
    m_wndHeader->SetSortArrow(column, m_bSortAscending);
    GetSortCommand(title);
}

BOOL CObjListCtrl::GetSortCommand(const std::string& title) {
    if (!m_obj) return 0;
    const std::string* v = SortTable().SortValue(m_strListKey, title, m_bSortAscending);
    if (!v) return 0;
    if (m_strSortCommand.empty()) m_strSortCommand = m_obj->GetComObj()->GetKeyString();
    const std::string& k = HostString(HS_SORT_KEYWORD);
    const size_t at = m_strSortCommand.find(k);
    if (at != std::string::npos) {
        m_strSortCommand.erase(at + k.size());
    } else {
        if (!m_strSortCommand.empty()) m_strSortCommand.pop_back();  // the ";"
        if (m_strSortCommand.empty() || m_strSortCommand.back() != ':') m_strSortCommand += ",";
        m_strSortCommand += k;
    }
    m_strSortCommand += *v + ";";
    CUserObjWnd* w = ObjectWindow();
    return w && w->ExecuteCmd(m_strSortCommand, m_obj->GetComObj()) ? TRUE : FALSE;
}
