// Data sets: an object and its records bound to the window that shows them.
// Results of list queries replace the records; results of changes are
// applied to the records from the command's own parameters, so the list
// follows an add, removal or modification without asking the switch again.
#include <algorithm>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/MmlText.h"
#include "hostlibs/ObjData.h"
#include "hostlibs/ObjDescText.h"
#include "userobj/Messages.h"

BOOL InitObjDataDLL() { return HostDatabase().Types().empty() ? FALSE : TRUE; }

CObjDescData::CObjDescData()
    : m_pObj(std::make_unique<CComObj>()), m_pData(std::make_unique<CDynData>()) {
    m_pData->m_pObj = m_pObj.get();
}

CObjDescData::~CObjDescData() = default;

CObjDescData::CObjDescData(const CObjDescData& other) : CObjDescData() { *this = other; }

CObjDescData& CObjDescData::operator=(const CObjDescData& other) {
    if (this == &other) return *this;
    *m_pObj = *other.m_pObj;
    *m_pData = *other.m_pData;
    m_pObj->m_pData = other.m_pObj->m_pData ? m_pData.get() : nullptr;
    m_pData->m_pObj = m_pObj.get();
    m_strText = other.m_strText;
    m_bCreated = other.m_bCreated;
    return *this;
}

BOOL CObjDescData::Create(DWORD type, const SComObj& desc, HWND objWnd, HWND bound, HWND detail,
                          int /*flag*/, const char* text, const CPackageStream* package) {
    m_bCreated = false;
    CRestrictInfo restrict;
    if (package && !package->Unpack(restrict)) return FALSE;
    if (desc.type == 0 || !desc.commands.count(0)) return FALSE;
    m_pData->Reset(bound, detail);
    m_pData->m_restrict = restrict;
    m_pObj->Init(type, desc, objWnd, m_pData.get());
    m_pObj->m_restrict = restrict;
    if (text && *text) {
        m_strText = text;
        m_pObj->SetUpdateCommand(m_strText);
    }
    m_bCreated = true;
    InvokeUpdate();
    return TRUE;
}

BOOL CObjDescData::InvokeUpdate() { return m_bCreated ? m_pObj->InvokeUpdate() : FALSE; }

BOOL CObjDescData::NotifyWndInit(HWND wnd) {
    if (!m_bCreated || wnd == nullptr) return FALSE;
    m_pData->m_hWnd = wnd;
    SendMessage(wnd, msg::WM_DATA_INIT);
    return TRUE;
}

CRestrictInfo CObjDescData::GetRestrictInfo(DWORD id) const {
    CRestrictInfo info;
    const CInstData* rec = m_pData->FindInst(id);
    if (!rec) return info;
    for (const std::string& key : m_pObj->GetDesc().restrictKeys) {
        const int col = m_pData->ColumnOf(key);
        if (col >= 0) info.Add(key, rec->GetFieldText(col));
    }
    return info;
}

BOOL CObjDescData::GetOpIDAndActID(const std::string& cmd, DWORD& opId, WORD& actType) const {
    const SComObj& desc = m_pObj->GetDesc();
    const std::string word = MmlCommandWord(cmd);
    if (word.empty()) return FALSE;
    // Every list-type command of the object (list, filter, sort, page fetch)
    // delivers records, whatever its operation's own action type says.
    if (word == "LST " + platform::ToUpper(desc.mmlName) && desc.operations.count(0)) {
        opId = 0;
        actType = ACT_BROWSER;
        return TRUE;
    }
    for (const auto& [id, c] : desc.commands) {
        if (platform::ToUpper(c.mml) != word) continue;
        opId = id;
        actType = desc.operations.at(id).actType;
        return TRUE;
    }
    return FALSE;
}

BOOL CObjDescData::GetCmdReportBlockName(DWORD opId, std::string& name) const {
    const auto& cmds = m_pObj->GetDesc().commands;
    auto it = cmds.find(opId);
    if (it == cmds.end() || it->second.block.empty()) return FALSE;
    name = it->second.block;
    return TRUE;
}

BOOL CObjDescData::GetListCmdReportBlockName(DWORD opId, std::string& name) const {
    return GetCmdReportBlockName(opId, name);
}

void CObjDescData::KillCmd(const std::string& cmd) {
    m_pData->RemoveOpInfo(cmd);
    m_pObj->CommandEnded(cmd, false);
}

BOOL CObjDescData::ProcessCmdRslt(const std::string& cmd, BOOL ok,
                                  const std::vector<std::string>& header,
                                  const CDataTable& table) {
    m_pData->RemoveOpInfo(cmd);
    m_pObj->CommandEnded(cmd, !ok);
    DWORD op = 0;
    WORD act = ACT_NONE;
    if (!GetOpIDAndActID(cmd, op, act)) return FALSE;
    if (!ok) return TRUE;  // the object window has told the operator
    switch (act) {
        case ACT_BROWSER:
            // Bound to another parent meanwhile: the rows are not this set's,
            // neither to show nor to keep.
            if (!AnswersRestriction(cmd)) return TRUE;
            m_pData->SetRecords(header, table, m_pObj->GetDesc());
            if (m_pData->m_hWnd) SendMessage(m_pData->m_hWnd, msg::WM_DATA_INIT);
            return TRUE;
        case ACT_ADD:
        case ACT_REMOVE:
        case ACT_MODIFY:
            return ApplyChange(cmd, act) ? TRUE : FALSE;
        case ACT_BATCHADD:
        case ACT_BATCHREMOVE:
        case ACT_BATCHMODIFY:
            // Which instances a batch touched is the switch's to say: list again.
            return InvokeUpdate();
        case ACT_SHOWREPORT:
        case ACT_COMMAND:
            RereadInstance(cmd);
            return TRUE;
        default:
            return TRUE;
    }
}

bool CObjDescData::FollowRecord(DWORD id, const CDetailData& values) {
    if (!m_pData->UpdateFromDetail(id, values)) return false;
    if (m_pData->m_hWnd) SendMessage(m_pData->m_hWnd, msg::WM_DATA_MODIFIED, id);
    return true;
}

bool CObjDescData::AnswersRestriction(const std::string& cmd) const {
    SMmlCommand parsed;
    std::string error;
    if (!ParseMml(cmd, parsed, error)) return true;
    for (const auto& [name, value] : m_pData->m_restrict.Entries()) {
        const SMmlParam* p = parsed.Find(name);
        if (p && p->value != value) return false;
    }
    return true;
}

DWORD CObjDescData::FindRecord(const SMmlCommand& parsed) const {
    const CDynData& data = *m_pData;
    auto matches = [&](const CInstData& rec) {
        bool anyKey = false;
        for (const SAttributeItem& a : m_pObj->GetDesc().attributes) {
            if (!a.key) continue;
            const SMmlParam* p = parsed.Find(a.name);
            const int col = data.ColumnOf(a.name);
            if (!p || col < 0) continue;
            anyKey = true;
            if (rec.GetFieldText(col) != p->value) return false;
        }
        return anyKey;
    };
    for (const CInstData& rec : data.m_data)
        if (matches(rec)) return rec.GetInstID();
    return 0;
}

bool CObjDescData::IsRevision(const std::string& name) const {
    for (const SAttributeItem& a : m_pObj->GetDesc().attributes)
        if (a.revision && platform::EqualsNoCase(a.name, name)) return true;
    return false;
}

bool CObjDescData::HasRevision() const {
    for (const SAttributeItem& a : m_pObj->GetDesc().attributes)
        if (a.revision && m_pData->ColumnOf(a.name) >= 0) return true;
    return false;
}

bool CObjDescData::RereadInstance(const std::string& cmd) {
    // A maintenance command changes what the switch reports about the
    // instance it names (its state): the list reads that instance again.
    const std::string word = MmlCommandWord(cmd);
    const std::string verb = word.substr(0, word.find(' '));
    if (verb == "LST" || verb == "DSP" || verb == "RLS") return false;
    SMmlCommand parsed;
    std::string error;
    if (!ParseMml(cmd, parsed, error)) return false;
    const DWORD id = FindRecord(parsed);
    return id && m_pObj->InvokeConfigDetailView(id, 1, 0, 1, -1);
}

bool CObjDescData::ApplyChange(const std::string& cmd, WORD act) {
    SMmlCommand parsed;
    std::string error;
    if (!ParseMml(cmd, parsed, error)) return false;
    CDynData& data = *m_pData;
    const SComObj& desc = m_pObj->GetDesc();
    // Records of a list that was never filled have no columns to follow.
    if (data.m_header.empty()) return act != ACT_ADD ? true : InvokeUpdate() != 0;

    auto findRecord = [&] { return FindRecord(parsed); };
    // A value as the records hold it: choices by their texts.
    auto shown = [&](const SMmlParam& p) { return ShownValue(desc, p.name, p.value); };
    const HWND wnd = data.m_hWnd;

    if (act == ACT_REMOVE) {
        const DWORD id = findRecord();
        if (!id) return true;
        data.RemoveRecord(id);
        if (data.m_detailInst == id) data.DropDetail();
        if (wnd) SendMessage(wnd, msg::WM_DATA_REMOVED, id);
        return true;
    }
    if (act == ACT_MODIFY) {
        const DWORD id = findRecord();
        if (!id) return true;
        CInstData& rec = data.m_data[data.m_index[id]];
        for (const SMmlParam& p : parsed.params) {
            const int col = data.ColumnOf(p.name);
            if (col >= 0 && col < rec.GetSize() && !IsRevision(p.name))
                rec.Fields()[static_cast<size_t>(col)] = {shown(p)};
        }
        if (wnd) SendMessage(wnd, msg::WM_DATA_MODIFIED, id);
        // The record's new revision (and what else the switch made of the
        // change) is read from the switch.
        if (HasRevision()) RereadInstance(cmd);
        return true;
    }
    // Add: a record in the columns of the list, from the command's values
    // and the attributes' defaults.
    std::vector<std::vector<std::string>> fields(data.m_header.size());
    for (size_t c = 0; c < data.m_header.size(); ++c) {
        if (const SMmlParam* p = parsed.Find(data.m_header[c])) {
            fields[c] = {shown(*p)};
            continue;
        }
        for (const auto& [name, value] : data.m_restrict.Entries())
            if (platform::EqualsNoCase(name, data.m_header[c])) fields[c] = {value};
    }
    // A record comes in at its first revision.
    for (size_t c = 0; c < data.m_header.size(); ++c)
        if (IsRevision(data.m_header[c])) fields[c] = {"1"};
    if (const DWORD old = findRecord()) data.RemoveRecord(old);
    const DWORD id = data.AddRecord(std::move(fields));
    if (wnd) SendMessage(wnd, msg::WM_DATA_ADDED, id);
    return true;
}
