// The object window hears of changes other operators made: each list and
// tree of the changed object follows (a modified record in place, records that
// came or went by asking again), and a Modify dialog open on the changed
// record says that it changed. A notice that notices were lost makes every
// list ask for itself again.
#include <QApplication>
#include <QTreeWidget>

#include "CentrexDlg.h"
#include "CmdParaDlg.h"
#include "FormViews.h"
#include "ObjListCtrl.h"
#include "Trace.h"
#include "TreeFollow.h"
#include "UserObjWnd.h"
#include "hostlibs/ObjArray.h"

namespace {

struct SNotice {
    std::string verb, object, revision;
    CObjListCtrl::Keys keys;
};

// A notice reads as a report whose first line is "NOTICE" for the echo.
bool ReadNotice(const std::string& text, SNotice& out) {
    const size_t eol = text.find('\n');
    if (text.compare(0, eol, "NOTICE") != 0 || eol == std::string::npos) return false;
    CObjArray parsed;
    if (Parse("%%%%" + text.substr(eol), 1, parsed) < 0 || parsed.GetObjectCount() < 1) return false;
    for (int k = 0; k < parsed.GetPropertyCount(0); ++k) {
        const CMapStringToStringArray* p = parsed.GetProperty(0, k);
        if (!p) return false;
        const std::string key(p->GetKeyValue(0)), value(p->GetValue(0));
        if (key == "VERB")
            out.verb = value;
        else if (key == "OBJECT")
            out.object = value;
        else if (key == "REV")
            out.revision = value;
        else
            out.keys.emplace_back(key, value);
    }
    return !out.verb.empty();
}

// The parameter dialog open on that record, if one is; it says the record
// changed, or went.
CCmdParaDlg* TellOpenModify(const SNotice& n) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<CCmdParaDlg*>(w);
        if (dlg && dlg->isVisible() && dlg->NoteRecordChanged(n.object, n.keys, n.verb == "RMV")) return dlg;
    }
    return nullptr;
}

}  // namespace

void CUserObjWnd::OnNotice(const std::string& text) {
    SNotice n;
    if (!ReadNotice(text, n)) {
        W2L_FAIL("a notice that does not read: %.80s", text.c_str());
        return;
    }
    const bool everything = n.verb == "REFRESH";
    // A record named by its keys changed and is still there: in place.
    const bool inPlace = !everything && !n.keys.empty() && n.verb != "ADD" && n.verb != "RMV";
    CCmdParaDlg* editing = !everything && !n.keys.empty() && n.verb != "ADD" ? TellOpenModify(n) : nullptr;
    if (m_pCentrexView && m_pCentrexView->m_pCentrexDlg) m_pCentrexView->m_pCentrexDlg->OthersChanged(n.object, everything);
    for (const auto& [obj, desc] : m_mapObjDesc) {
        if (!desc || !desc->GetComObj() || !desc->GetDynData()) continue;
        if (!everything && desc->GetComObj()->GetDesc().mmlName != n.object) continue;
        auto* list = dynamic_cast<CObjListCtrl*>(desc->GetDynData()->GetWnd());
        if (!list) {
            // A tree reads its object anew, where its operator stands.
            if (auto* tree = dynamic_cast<QTreeWidget*>(desc->GetDynData()->GetWnd()))
                CTreeFollower::Of(*tree, *desc, *this).Follow(editing);
            continue;
        }
        if (!inPlace) {
            list->FollowSwitch();
        } else if (editing) {
            // The row under the operator's hands stays until the dialog is
            // done; then it is read as the switch has it.
            const QByteArray once = "follows" + QByteArray::number(reinterpret_cast<quintptr>(list));
            if (editing->property(once.constData()).toBool()) continue;
            editing->setProperty(once.constData(), true);
            QPointer<CObjListCtrl> l(list);
            connect(editing, &QDialog::finished, list, [l, n] {
                if (l) l->FollowModified(n.keys, {});
            }, Qt::QueuedConnection);
        } else {
            list->FollowModified(n.keys, n.revision);
        }
    }
}
