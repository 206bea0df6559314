// The object list: the right-button menu of the object's operations,
// grouped by action type, its enabling rules, and the routing of a choice.
#include <QContextMenuEvent>

#include "ControlIds.h"
#include "FindDlg.h"
#include "HostStrings.h"
#include "ListTools.h"
#include "ModuleState.h"
#include "ObjListCtrl.h"
#include "RoleGate.h"
#include "Trace.h"
#include "UserDlg.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/SwitchCmdHandles.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

namespace {

bool Has(const std::string& text, int hostString) {
    const std::string& s = HostString(hostString);
    return !s.empty() && text.find(s) != std::string::npos;
}

QAction* AddItem(QMenu* menu, int id, const std::string& text) {
    QAction* a = menu->addAction(QString::fromStdString(text));
    a->setData(id);
    return a;
}

void CopyItems(QMenu* from, QMenu* to) {
    for (QAction* a : from->actions()) AddItem(to, a->data().toInt(), a->text().toStdString());
}

}  // namespace

void CObjListCtrl::BuildMenu() {
    setSelectionBehavior(QAbstractItemView::SelectRows);  // full rows
    m_wndHeader->setSectionsMovable(true);                 // columns reorder by dragging
    if (!m_obj) return;
    m_pMenuMain = std::make_unique<QMenu>(this);
    m_pMenuJump = std::make_unique<QMenu>(QString::fromStdString(HostString(10051)));
    m_pMenuSpecial = std::make_unique<QMenu>(QString::fromStdString(HostString(10112)));
    m_pMenuExport = std::make_unique<QMenu>(QString::fromStdString(HostString(10249)));
    QMenu other, type3, type6, type4, type7, type5, type8, type2, special[4];

    CComObj* obj = m_obj->GetComObj();
    for (const SJump& j : obj->GetJumps()) AddItem(m_pMenuJump.get(), 6000 + static_cast<int>(j.id), j.name);

    std::vector<DWORD> codes;
    std::vector<std::string> names;
    obj->EnumAllCmds(codes, names);
    const std::string suffix = HostString(10114);
    int specialCount = 0;
    for (size_t i = codes.size(); i-- > 0;) {
        auto it = obj->GetOpTable().find(codes[i]);
        if (it == obj->GetOpTable().end()) continue;
        const tagOPERATION& op = it->second;
        const int id = 3000 + static_cast<int>(codes[i]);
        const std::string& name = names[i];
        bool ordinary = !Has(op.cmdName, HS_LIST_CMD) && !Has(op.cmdName, HS_PAGE_CMD) && !Has(op.cmdName, HS_RELEASE_CMD);
        if (Has(op.label, 10112)) {
            ordinary = false;
            const int group = Has(op.label, 10115) ? 0 : Has(op.label, 10116) ? 1 : !Has(op.label, 10281) ? 3 : 2;
            AddItem(&special[group], id, group == 3 ? name : name + suffix);
            ++specialCount;
        }
        switch (op.actType) {
            case 3: if (ordinary) AddItem(&type3, id, name + suffix); break;
            case 6:
                if (Has(op.cmdName, 10012)) AddItem(&type6, id, name + suffix);
                else if (Has(op.cmdName, 10001)) AddItem(&type3, id, name + suffix);
                break;
            case 4: if (ordinary) AddItem(&type4, id, name); break;
            case 7: if (ordinary) AddItem(&type7, id, name + suffix); break;
            case 5: AddItem(&type5, id, name + suffix); break;
            case 8: AddItem(&type8, id, name + suffix); break;
            case 2: if (ordinary) AddItem(&type2, id, name); break;
            case 11: if (ordinary) AddItem(&other, 500 + static_cast<int>(codes[i]), name); break;
            default: if (ordinary) AddItem(&other, id, name); break;
        }
    }
    QMenu* main = m_pMenuMain.get();
    for (QMenu* g : {&type3, &type6, &type4, &type7, &type5, &type8}) CopyItems(g, main);
    // A separator only between items: a group that comes first has none.
    auto section = [&](QMenu* group) {
        if (!main->isEmpty() && !group->isEmpty()) main->addSeparator();
        CopyItems(group, main);
    };
    section(&other);
    section(&type2);
    if (!main->isEmpty() && !m_pMenuJump->isEmpty()) {
        main->addSeparator();
        main->addMenu(m_pMenuJump.get());
    }
    if (!main->isEmpty() && specialCount > 0) {
        for (QMenu& g : special)
            if (!g.isEmpty()) {
                QAction* first = g.actions().front();
                AddItem(m_pMenuSpecial.get(), first->data().toInt(), first->text().toStdString());
            }
        main->addSeparator();
        main->addMenu(m_pMenuSpecial.get());
    }
    AddItem(m_pMenuExport.get(), ids::ID_EXPORT_TXT, HostString(10248));
    AddItem(m_pMenuExport.get(), ids::ID_EXPORT_XLS, HostString(10247));
    main->addMenu(m_pMenuExport.get());
    AddItem(main, ids::ID_FIND, HostString(ids::ID_FIND) + "                  Ctrl+F");
    AddItem(main, ids::ID_REFRESH_LIST, HostString(10050) + "                       F5");
    connect(main, &QMenu::triggered, this, [this](QAction* a) {
        if (a->data().isValid()) OnCommand(a->data().toInt());
    });
}

bool CObjListCtrl::RoleAllows(int id) const {
    if (!m_obj) return false;
    if (id >= 3000 && id <= 3149) return RoleAllowsOp(this, *m_obj->GetComObj(), static_cast<DWORD>(id - 3000));
    if (id >= 500 && id <= 599) return RoleAllowsOp(this, *m_obj->GetComObj(), static_cast<DWORD>(id - 500));
    return true;
}

void CObjListCtrl::UpdateMenuState(int selectionCount) {
    if (!m_pMenuMain || !m_obj) return;
    const int real = SelectedCount();
    const int n = selectionCount < 0 ? real : selectionCount;
    const bool rows = GetItemCount() > 0;
    for (QAction* a : m_pMenuMain->actions()) {
        if (a->isSeparator()) continue;
        if (QMenu* sub = a->menu()) {
            if (sub == m_pMenuExport.get())
                for (QAction* e : sub->actions()) e->setEnabled(rows);
            else if (sub == m_pMenuSpecial.get())
                for (QAction* e : sub->actions()) e->setEnabled(real == 1 && RoleAllows(e->data().toInt()));
            continue;  // the jump submenu stays as it is
        }
        const int id = a->data().toInt();
        if (id == ids::ID_FIND) {
            a->setEnabled(rows);
            continue;
        }
        if (id == ids::ID_REFRESH_LIST) {
            a->setEnabled(true);
            continue;
        }
        auto op = m_obj->GetComObj()->GetOpTable().find(static_cast<DWORD>(id >= 3000 ? id - 3000 : id - 500));
        const WORD t = op == m_obj->GetComObj()->GetOpTable().end() ? WORD{ACT_NONE} : op->second.actType;
        if (t == 1 || t == 3 || t == 6) a->setEnabled(true);
        else if (t == 4) a->setEnabled(real >= 1);
        else if (t == 7 || t == 8) a->setEnabled(rows);
        else a->setEnabled(n == 1);
        // What the operator's role may not run stays grey.
        if (a->isEnabled() && !RoleAllows(id)) a->setEnabled(false);
    }
}

BOOL CObjListCtrl::IsOperationAllowed(WORD t, int k) {
    if (t == 1) return TRUE;
    if (!m_obj) {
        W2L_FAIL("m_obj is NULL!");
        return FALSE;
    }
    if (m_obj->GetComObj()->GetOpIDByActionType(t) == OPID_NONE) return FALSE;
    if (t == 3 || t == 6) return TRUE;
    if (t == 2 || t == 5 || t == 7 || t == 8) return k == 1;
    return k != 0;
}

void CObjListCtrl::contextMenuEvent(QContextMenuEvent* e) {
    if (g_nListLock > 0) return;
    UpdateMenuState(-1);
    if (m_obj && m_pMenuMain) m_pMenuMain->popup(e->globalPos());
}

BOOL CObjListCtrl::OnCommand(int id) {
    if (g_nListLock > 0) return TRUE;
    if (!m_obj) return FALSE;
    if (!RoleAllows(id)) return TRUE;
    const std::vector<DWORD> ids = SelectedIds();
    CComObj* obj = m_obj->GetComObj();
    auto* dlg = dynamic_cast<CUserDlg*>(parentWidget());
    if (id >= 3000 && id <= 3149) {
        if (m_bPassContext && dlg) dlg->TakeQueryContext(m_obj->GetRestriction());
        return obj->InvokeOperation(static_cast<DWORD>(id - 3000), ids) ? TRUE : FALSE;
    }
    if (id >= 500 && id <= 599) {
        if (!obj->InvokeOperation(static_cast<DWORD>(id - 500), ids)) return FALSE;
        std::unique_ptr<SSwitchCmd> sw = obj->TakeSwitchCmd();
        if (!sw) return FALSE;
        if (!dlg) {
            W2L_FAIL("pUserDlg == NULL!");
            return FALSE;
        }
        CUserObjWnd* w = ObjectWindow();
        if (!w || !w->HostLink()) return FALSE;
        auto block = std::make_unique<SIdentityBlock>();
        std::memset(block.get(), 0, sizeof(SIdentityBlock));
        block->objId = static_cast<WORD>(sw->objType & 0xFFFF);
        CopyField(block->text1, "Default");
        block->value = HandOverSwitchCmd(std::move(sw));
        // The host keeps the switch command when it answers nonzero; else it
        // comes back here and goes.
        if (!w->HostLink()->Send(msg::WM_OBJIDENTITY, ToWParam(block.get()), msg::IDENT_OPEN_OTHER))
            TakeSwitchCmd(block->value);
        return TRUE;
    }
    switch (id) {
        case ids::ID_EXPORT_TXT: ListTools().ExportText(*this, obj->GetDesc().displayName); return TRUE;
        case ids::ID_EXPORT_XLS: ListTools().ExportWorkbook(*this, obj->GetDesc().displayName); return TRUE;
        case ids::ID_REFRESH_LIST: Refresh(); return TRUE;
        case ids::ID_FIND: CFindDlg::Run(this); return TRUE;
        default: break;
    }
    if (id >= 6000 && id <= 7000) {
        if (ids.empty()) return FALSE;  // a jump starts from a row
        return obj->InvokeJump(static_cast<DWORD>(id - 6000), ids.front()) ? TRUE : FALSE;
    }
    return FALSE;
}
