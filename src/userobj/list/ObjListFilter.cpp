// The object list: its filter state and the filter tool bar's commands as
// the list carries them out. Each list keeps a filter of its own, so two
// windows of one list can show two filters side by side; the saved filters
// of a key are shared by all its lists.
#include <QApplication>
#include <QComboBox>

#include "CmdText.h"
#include "CustomizeFilterDlg.h"
#include "Filter.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UiService.h"
#include "UserDlg.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"

namespace {

// The object window the list stands in, found through its parents: it
// holds the filter box even before the list is bound to an object.
CUserObjWnd* WindowAbove(const QWidget* w) {
    for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (auto* wnd = dynamic_cast<CUserObjWnd*>(p)) return wnd;
    return nullptr;
}

}  // namespace

void CObjListCtrl::SetFilterState(bool active) {
    m_bFilterActive = active ? TRUE : FALSE;
    m_bUnfiltered = active ? FALSE : TRUE;
    // A sort belonged to the records before: its arrow goes with it.
    m_nSortColumn = -1;
    m_wndHeader->SetSortArrow(m_nSortColumn, m_bSortAscending);
    if (CUserObjWnd* w = ObjectWindow()) w->UpdateToolBar();
}

bool CObjListCtrl::HasFilters() const {
    const CFilter::FilterMap* filters = FilterTable().Section(m_strListKey);
    return filters && !filters->empty();
}

std::string CObjListCtrl::FilterName() const {
    if (!m_bFilterActive) return {};
    if (const CFilter::FilterMap* filters = FilterTable().Section(m_strListKey))
        for (const auto& [name, text] : *filters)
            if (text == m_strFilterCommand) return name;
    // A filter the operator entered, or the records a jump named.
    const size_t colon = m_strFilterCommand.find(':');
    std::string conditions = colon == std::string::npos
                                 ? std::string()
                                 : platform::Trim(m_strFilterCommand.substr(colon + 1));
    if (!conditions.empty() && conditions.back() == ';')
        conditions = platform::Trim(conditions.substr(0, conditions.size() - 1));
    return conditions.empty() ? HostString(HS_FILTER_LABEL) : conditions;
}

LRESULT CObjListCtrl::OnFilterChosen(WPARAM, LPARAM index) {
    const CUserObjWnd* w = WindowAbove(this);
    const QComboBox* box = w ? w->m_pCbxFilter : nullptr;
    const std::string name = box && index >= 0 && index < box->count()
                                 ? box->itemText(static_cast<int>(index)).toStdString()
                                 : std::string();
    const CFilter::FilterMap* filters = FilterTable().Section(m_strListKey);
    if (!filters) {
        W2L_FAIL("pMapCmd == NULL!");
        return 0;
    }
    const auto it = filters->find(name);
    if (it == filters->end()) {
        W2L_FAIL("Can not Lookup strName!");
        return 0;
    }
    const std::string command = it->second;
    if (command == m_strFilterCommand) return 1;  // in force already: nothing to ask the switch
    if (!m_obj) {
        W2L_FAIL("m_obj is NULL!");
        return 0;
    }
    if (!ApplyFilter(command)) {
        // Nothing left: a filter text edited by hand into no command at all.
        platform::Ui().MessageBox(
            this,
            platform::Format(HostString(HS_FILTER_NOT_SENT).c_str(), name.c_str(), command.c_str()),
            m_strListKey, MB_OK | MB_ICONWARNING);
        return 0;
    }
    return 1;
}

bool CObjListCtrl::ApplyFilter(const std::string& command) {
    CUserObjWnd* w = ObjectWindow();
    if (!m_obj || !w || !w->ExecuteCmd(command, m_obj->GetComObj())) return false;
    m_strFilterCommand = command;
    // A sort on the filtered records keeps the filter's conditions.
    m_strSortCommand = command;
    SetFilterState(true);
    return true;
}

LRESULT CObjListCtrl::OnPredefinedQuery(WPARAM, LPARAM) {
    CUserObjWnd* w = ObjectWindow();
    if (!m_obj || !parentWidget() || !w) return 0;
    // The parameter dialog opens on the filter query; the operator's
    // command becomes this list's filter there.
    if (w->ExecuteCmd(HostString(HS_FILTER_CMD), m_obj->GetComObj()) <= 0) return 0;
    m_strSortCommand = m_strFilterCommand;
    SetFilterState(true);
    return 1;
}

LRESULT CObjListCtrl::OnCustomizeFilter(WPARAM, LPARAM) {
    if (!m_obj) return 0;
    CCustomizeFilterDlg dlg(this, m_strListKey, this);
    platform::Ui().ExecDialog(dlg);
    // Every window of this list offers what the table holds now.
    ShowFilterInWindow();
    for (CObjListCtrl* peer : Peers()) peer->ShowFilterInWindow();
    return 1;
}

void CObjListCtrl::DropFilter() {
    if (!m_obj) {
        W2L_FAIL("m_obj is NULL!");
        return;
    }
    m_obj->InvokeUpdate();
    m_nCursorRecord = 0;
    m_strFilterCommand.clear();
    CUserObjWnd* w = ObjectWindow();
    if (w && w->m_pCbxFilter && w->m_pActiveDlg && w->m_pActiveDlg->GetActiveListCtrl() == this)
        w->m_pCbxFilter->setCurrentIndex(-1);
    SetFilterState(false);
    m_nSortColumn = -1;
    m_strSortCommand = m_strFilterCommand;
}

void CObjListCtrl::ShowFilterInWindow() {
    CUserObjWnd* w = ObjectWindow();
    if (!w) return;
    if (w->m_pActiveDlg && w->m_pActiveDlg->GetActiveListCtrl() == this)
        w->InitCombo();
    else
        w->UpdateToolBar();
}

std::vector<CObjListCtrl*> CObjListCtrl::Peers() const {
    std::vector<CObjListCtrl*> peers;
    const CUserObjWnd* mine = ObjectWindow();
    if (!m_obj || !mine) return peers;
    const QObject* host = mine->HostLink() ? mine->HostLink()->GetHostFrame() : nullptr;
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* list = qobject_cast<CObjListCtrl*>(widget);
        if (!list || list == this || !list->m_obj || list->m_strListKey != m_strListKey ||
            list->m_obj->GetComObj()->GetObjType() != m_obj->GetComObj()->GetObjType())
            continue;
        const CUserObjWnd* theirs = list->ObjectWindow();
        if (theirs && theirs != mine && theirs->HostLink() &&
            theirs->HostLink()->GetHostFrame() == host)
            peers.push_back(list);
    }
    return peers;
}

void CObjListCtrl::NoteResultCommand(const std::string& command) {
    m_bOwnQueryResult = IsOwnQuery(command);
}

std::string CObjListCtrl::OwnQueryCommand() const {
    if (!m_obj) return {};
    const CComObj* obj = m_obj->GetComObj();
    return obj->GetUpdateCommand().empty() ? obj->GetKeyString() : obj->GetUpdateCommand();
}

bool CObjListCtrl::IsOwnQuery(const std::string& command) const {
    if (!m_obj) return false;
    const std::string own = OwnQueryCommand();
    std::map<std::string, std::string> asked, ownParams;
    if (!ParseAssignments(command, asked) || !ParseAssignments(own, ownParams)) return false;
    // Sorted, the object's own query still counts every record.
    std::string sortName = HostString(HS_SORT_KEYWORD);
    if (!sortName.empty() && sortName.back() == '=') sortName.pop_back();
    asked.erase(sortName);
    auto word = [](const std::string& text) {
        return platform::ToUpper(platform::Trim(text.substr(0, text.find(':'))));
    };
    return word(command) == word(own) && asked == ownParams;
}
