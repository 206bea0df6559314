// Objects of the switch and their operations. An operation becomes a command
// model filled from the selected record and the object's restriction; the
// parameter entry completes it when the operator has something to enter; the
// text leaves through the owner window (WM_USER+1410).
#include <QObject>

#include <algorithm>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "UiService.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/MmlText.h"
#include "hostlibs/ObjDescText.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

namespace {
ICmdParamEditor*& Editor() {
    static ICmdParamEditor* editor = nullptr;
    return editor;
}
}  // namespace

void SetCmdParamEditor(ICmdParamEditor* editor) { Editor() = editor; }
ICmdParamEditor* GetCmdParamEditor() { return Editor(); }

CComObj::CComObj(const CComObj& other) { *this = other; }

CComObj& CComObj::operator=(const CComObj& other) {
    if (this == &other) return *this;
    m_desc = other.m_desc;
    m_hOwner = other.m_hOwner;
    m_restrict = other.m_restrict;
    m_strUpdateCmd = other.m_strUpdateCmd;
    m_pSwitchCmd = other.m_pSwitchCmd ? std::make_unique<SSwitchCmd>(*other.m_pSwitchCmd) : nullptr;
    m_bValid = other.m_bValid;
    // m_pData stays: it is the record store of the data set that owns this object.
    return *this;
}

void CComObj::Init(DWORD type, const SComObj& desc, HWND owner, CDynData* data) {
    m_desc = desc;
    m_desc.type = type;
    m_hOwner = owner;
    m_pData = data;
    m_strUpdateCmd.clear();
    m_pSwitchCmd.reset();
    m_bValid = desc.type != 0 && !desc.commands.empty();
}

BOOL CComObj::CreateEx(DWORD type, const SComObj& desc, HWND owner) {
    Init(type, desc, owner, nullptr);
    return m_bValid ? TRUE : FALSE;
}

int CComObj::EnumAllCmds(std::vector<DWORD>& codes, std::vector<std::string>& names) const {
    codes.clear();
    names.clear();
    for (const auto& [id, op] : m_desc.operations) {
        codes.push_back(id);
        names.push_back(op.cmdName);
    }
    return static_cast<int>(codes.size());
}

BOOL CComObj::GetCmdByOpID(CCmd& cmd, DWORD op) const {
    auto it = m_desc.commands.find(op);
    if (it == m_desc.commands.end()) return FALSE;
    cmd = it->second;
    cmd.SetOpID(op);
    std::vector<std::string> keys;
    for (const SAttributeItem& a : m_desc.attributes)
        if (a.key) keys.push_back(a.name);
    cmd.MarkInstanceKeys(keys);
    return TRUE;
}

DWORD CComObj::GetOpIDByCmdName(const std::string& name) const {
    for (const auto& [id, op] : m_desc.operations)
        if (op.cmdName == name) return id;
    return OPID_NONE;
}

DWORD CComObj::GetOpIDByActionType(WORD actType) const {
    for (const auto& [id, op] : m_desc.operations)
        if (op.actType == actType) return id;
    return OPID_NONE;
}

std::string CComObj::GetKeyString() const {
    CCmd cmd;
    if (!GetCmdByOpID(cmd, 0)) return {};
    // The restriction, in its own order, is the whole condition.
    std::string text = cmd.GetMMLCommand() + ":";
    bool first = true;
    for (const auto& [name, value] : m_restrict.Entries()) {
        text += (first ? " " : ", ") + name + "=" + MmlQuoteIfNeeded(value);
        first = false;
    }
    return text + ";";
}

LRESULT CComObj::SendMML(const std::string& text) {
    if (m_hOwner == nullptr) return 0;
    return ::SendMessage(m_hOwner, msg::WM_SENDMMLMSG, ToWParam(this), ToLParam(text.c_str()));
}

BOOL CComObj::InvokeUpdate() {
    const std::string text = m_strUpdateCmd.empty() ? GetKeyString() : m_strUpdateCmd;
    if (text.empty()) return FALSE;
    return SendMML(text) ? TRUE : FALSE;
}

CCmd CComObj::PrepareCmd(DWORD op, const CInstData* record, bool fromRecord) const {
    CCmd cmd;
    GetCmdByOpID(cmd, op);
    // Restriction parameters name the parent; they are always filled in.
    for (const auto& [name, value] : m_restrict.Entries())
        if (CParaItem* p = cmd.FindPara(name)) p->SetValueText(value);
    if (fromRecord && record != nullptr && m_pData != nullptr) {
        m_pData->FillPara(cmd, {}, record);
        // A modification sends what the operator changes, not the record
        // back as it was read.
        if (cmd.GetActType() == ACT_MODIFY) cmd.TakeAsRead();
    }
    return cmd;
}

BOOL CComObj::EditAndSend(CCmd& cmd, bool alwaysAsk) {
    bool entered = false;
    if (alwaysAsk || !cmd.IsMustGiveParaReady()) {
        if (ICmdParamEditor* editor = GetCmdParamEditor()) {
            if (editor->EditCommand(cmd, m_hOwner) != IDOK) return FALSE;
            entered = true;
        }
    }
    if (!cmd.IsMustGiveParaReady()) {
        platform::Ui().MessageBox(nullptr, HostString(796), cmd.GetCmdDisplayName(),
                                  MB_OK | MB_ICONWARNING);
        return FALSE;
    }
    return SendKept(cmd, entered);
}

namespace {
// The revision the command carries back; empty when it carries none.
const CParaItem* RevisionOf(const CCmd& cmd, const SComObj& desc) {
    for (const SAttributeItem& a : desc.attributes)
        if (a.revision)
            for (const CParaItem& p : cmd.GetParaArray())
                if (p.GetMMLName() == a.name && p.HasValue()) return &p;
    return nullptr;
}

// The record's revision now, as a refusal for a stale one gives it: the
// last ", REV=n" of its text (the record in command form ends with it).
std::string CurrentRevision(const std::string& text, const CParaItem& rev) {
    const std::string lead = ", " + rev.GetMMLName() + "=";
    const size_t at = text.rfind(lead);
    if (at == std::string::npos) return {};
    size_t end = at + lead.size();
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return text.substr(at + lead.size(), end - at - lead.size());
}
}  // namespace

BOOL CComObj::SendKept(const CCmd& cmd, bool entered) {
    const std::string text = cmd.Format();
    const bool keep = entered || RevisionOf(cmd, m_desc) != nullptr;
    if (keep) m_mapEntered[text] = {cmd, entered, {}};
    if (SendMML(text)) return TRUE;
    m_mapEntered.erase(text);
    return FALSE;
}

bool CComObj::TakeRefusal(const std::string& sent, int code, const std::string& text) {
    auto it = m_mapEntered.find(sent);
    const CParaItem* rev = it == m_mapEntered.end() ? nullptr : RevisionOf(it->second.cmd, m_desc);
    // Without the record's revision now the operator's values cannot be
    // applied: the refusal is the window's to show.
    if (code != RC_STALE_REVISION || !rev || m_hOwner == nullptr || CurrentRevision(text, *rev).empty())
        return false;
    it->second.conflict = text;
    return true;
}

void CComObj::CommandEnded(const std::string& sent, bool refused) {
    auto it = m_mapEntered.find(sent);
    if (it == m_mapEntered.end()) return;
    SKeptCmd kept = std::move(it->second);
    m_mapEntered.erase(it);
    if (!refused || m_hOwner == nullptr || (!kept.entered && kept.conflict.empty())) return;
    // Posted: the window finishes the report (and its refusal message)
    // before the operator is asked again; a window or object gone by then
    // drops it.
    QMetaObject::invokeMethod(
        m_hOwner,
        [this, alive = std::weak_ptr<char>(m_pAlive), kept]() mutable {
            if (alive.expired()) return;
            if (!kept.conflict.empty())
                ResolveConflict(std::move(kept.cmd), kept.conflict, kept.entered);
            else
                EditAndSend(kept.cmd, true);
        },
        Qt::QueuedConnection);
}

void CComObj::ResolveConflict(CCmd cmd, const std::string& text, bool entered) {
    // The switch names what changed and gives the record as it is now, in
    // the form of command parameters: "... Now: DN=8001, CODEC=G729, REV=7".
    static const std::string kNow = "Now: ";
    static const std::string kChanged = "Changed since ";
    SMmlCommand now;
    std::string error;
    const size_t at = text.find(kNow);
    if (at == std::string::npos || !ParseMml("MOD X: " + text.substr(at + kNow.size()) + ";", now, error))
        now = {};
    std::vector<std::string> changed;
    if (const size_t c = text.find(kChanged); c != std::string::npos && c < at) {
        const size_t colon = text.find(": ", c);
        const size_t end = text.find('.', colon == std::string::npos ? c : colon);
        if (colon != std::string::npos && colon < at)
            for (const std::string& n : platform::Split(text.substr(colon + 2, end - colon - 2), ','))
                changed.push_back(platform::Trim(n));
    }
    // The rows: what the operator changed and what changed meanwhile.
    std::vector<ICmdParamEditor::SConflictRow> rows;
    for (const CParaItem& p : cmd.GetParaArray()) {
        if (p.IsConstant()) continue;
        const bool theirs = std::find(changed.begin(), changed.end(), p.GetMMLName()) != changed.end();
        const bool mine = cmd.IsTakenAsRead() && p.IsChanged();
        if (!theirs && !mine) continue;
        const SMmlParam* cur = now.Find(p.GetMMLName());
        rows.push_back({p.GetDisplayName(), mine ? p.GetValueText() : std::string(),
                        cur ? p.GetReplaceValue(cur->value) : std::string()});
    }
    // What changed meanwhile that the command does not carry (a state).
    for (const SAttributeItem& a : m_desc.attributes) {
        if (std::find(changed.begin(), changed.end(), a.name) == changed.end() || cmd.FindPara(a.name)) continue;
        const SMmlParam* cur = now.Find(a.name);
        rows.push_back({a.displayName, std::string(), cur ? ShownValue(m_desc, a.name, cur->value) : std::string()});
    }
    const CParaItem* rev = RevisionOf(cmd, m_desc);
    const std::string current = rev ? CurrentRevision(text, *rev) : std::string();
    ICmdParamEditor* editor = GetCmdParamEditor();
    if (current.empty() || !editor) return;
    const std::string question = HostString(HS_CONFLICT_QUESTION);
    if (editor->ResolveConflict(cmd.GetCmdDisplayName(), question, rows, m_hOwner) != IDOK) return;
    // Applied to the record as it is now: only what the operator changed
    // goes out (a modification carries nothing else), with the record's
    // revision.
    cmd.SetParaValue(rev->GetMMLName(), current);
    SendKept(cmd, entered);
}

std::string CComObj::RemoveQuestion(const std::vector<DWORD>& ids) const {
    // The operator confirms what goes by name: the key values of each record.
    constexpr size_t kNamed = 10;
    std::string names;
    size_t named = 0;
    for (DWORD id : ids) {
        const CInstData* rec = m_pData->FindInst(id);
        if (!rec || named == kNamed) continue;
        std::string key;
        for (const SAttributeItem& a : m_desc.attributes) {
            const int col = a.key ? m_pData->ColumnOf(a.name) : -1;
            if (col >= 0) key += (key.empty() ? "" : " / ") + rec->GetFieldText(col);
        }
        if (key.empty()) continue;
        names += (named++ ? ", " : "") + key;
    }
    std::string q = "Remove " + (ids.size() == 1 ? std::string("the ") : std::to_string(ids.size()) + " ") +
                    m_desc.displayName + (ids.size() == 1 ? "" : " instances");
    if (!names.empty()) {
        q += " " + names;
        if (ids.size() > named) q += " and " + std::to_string(ids.size() - named) + " more";
    }
    return q + "?";
}

BOOL CComObj::InvokeOperation(DWORD op, const std::vector<DWORD>& ids) {
    auto it = m_desc.operations.find(op);
    if (!m_bValid || it == m_desc.operations.end()) return FALSE;
    const WORD act = it->second.actType;
    const CInstData* first = (m_pData && !ids.empty()) ? m_pData->FindInst(ids.front()) : nullptr;

    // An object without records (the objects of a command-object window)
    // has no instance to pick: the operator names it in the parameter entry.
    if (m_pData == nullptr && ids.empty() && (act == ACT_DETAIL || act == ACT_REMOVE || act == ACT_MODIFY)) {
        CCmd cmd = PrepareCmd(op, nullptr, false);
        cmd.MarkInstanceKeys({});
        return EditAndSend(cmd, true);
    }

    switch (act) {
        case ACT_BROWSER:
            return InvokeUpdate();
        case ACT_DETAIL:
            if (ids.size() != 1) return FALSE;
            return InvokeConfigDetailView(ids.front(), 1, 1, 1, static_cast<int>(op));
        case ACT_REMOVE: {
            if (ids.empty() || m_pData == nullptr) return FALSE;
            const std::string question = RemoveQuestion(ids);
            if (platform::Ui().MessageBox(nullptr, question, it->second.cmdName,
                                          MB_YESNO | MB_ICONQUESTION) != IDYES)
                return FALSE;
            BOOL sent = FALSE;
            for (DWORD id : ids) {
                const CInstData* rec = m_pData->FindInst(id);
                if (!rec) continue;
                CCmd cmd = PrepareCmd(op, rec, true);
                if (cmd.IsMustGiveParaReady() && SendKept(cmd, false)) sent = TRUE;
            }
            return sent;
        }
        case ACT_SWITCHWND: {
            auto cmdIt = m_desc.commands.find(op);
            if (cmdIt == m_desc.commands.end() || cmdIt->second.target == 0) return FALSE;
            auto sw = std::make_unique<SSwitchCmd>();
            sw->objType = cmdIt->second.target;
            CCmd cmd = PrepareCmd(op, first, true);
            for (const CParaItem& p : cmd.GetParaArray())
                if (p.HasValue()) sw->restrict.Add(p.GetMMLName(), p.GetValueText());
            sw->command = cmd.Format();
            m_pSwitchCmd = std::move(sw);
            return TRUE;
        }
        default: {
            // Adds start empty; every other operation starts from the record.
            const bool fromRecord = act != ACT_ADD && act != ACT_BATCHADD;
            CCmd cmd = PrepareCmd(op, first, fromRecord);
            const bool ask = act == ACT_ADD || act == ACT_MODIFY || act == ACT_BATCHADD ||
                             act == ACT_BATCHREMOVE || act == ACT_BATCHMODIFY;
            return EditAndSend(cmd, ask);
        }
    }
}

BOOL CComObj::InvokeOperationByActType(WORD actType, const std::vector<DWORD>& ids, int) {
    const DWORD op = GetOpIDByActionType(actType);
    return op == OPID_NONE ? FALSE : InvokeOperation(op, ids);
}

BOOL CComObj::InvokeJump(DWORD jump, DWORD id) {
    auto it = std::find_if(m_desc.jumps.begin(), m_desc.jumps.end(),
                           [&](const SJump& j) { return j.id == jump; });
    if (it == m_desc.jumps.end() || m_hOwner == nullptr || m_pData == nullptr) return FALSE;
    const CInstData* rec = m_pData->FindInst(id);
    if (!rec) return FALSE;
    // The target learns its parent from the restriction, packed as text.
    std::string restriction;
    for (const std::string& key : m_desc.restrictKeys) {
        const int col = m_pData->ColumnOf(key);
        if (col < 0) continue;
        restriction += (restriction.empty() ? "" : ", ") + key + "=" +
                       MmlQuoteIfNeeded(rec->GetFieldText(col));
    }
    SObjWndIdentity ident{static_cast<WORD>(it->targetType), it->name.c_str()};
    SObjWndValue value{restriction.c_str(), static_cast<LPARAM>(id)};
    return ::SendMessage(m_hOwner, msg::WM_CREATEORACTIVEOBJWND, ToWParam(&ident),
                         ToLParam(&value)) != 0;
}

BOOL CComObj::InvokeConfigDetailView(DWORD id, int query, int show, int, int op) {
    if (m_pData == nullptr) return FALSE;
    const CInstData* rec = m_pData->FindInst(id);
    if (!rec) return FALSE;
    m_pData->m_detailInst = id;
    m_pData->m_detail.RemoveAll();
    if (show && m_pData->GetDetailWnd()) {
        SDetailSelection sel{this, m_pData, m_pData->IndexOf(id)};
        ::SendMessage(m_pData->GetDetailWnd(), msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    }
    if (!query) return TRUE;
    const DWORD detailOp = op < 0 ? GetOpIDByActionType(ACT_DETAIL) : static_cast<DWORD>(op);
    if (detailOp == OPID_NONE || !m_desc.commands.count(detailOp)) return TRUE;
    CCmd cmd = PrepareCmd(detailOp, rec, true);
    if (!cmd.IsMustGiveParaReady()) return FALSE;
    return SendMML(cmd.Format()) ? TRUE : FALSE;
}
