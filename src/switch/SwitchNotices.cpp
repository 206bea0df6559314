// The switch simulator: subscriptions to notices (SUB and USB NOTICE) and
// the notices a successful change leaves for the other sessions.
#include <algorithm>

#include "CatalogueHelpers.h"
#include "Switch.h"
#include "TextHelpers.h"
#include "Values.h"

namespace mmlsw {

namespace {

constexpr const char* kObjectParam = "OBJ";
// More records of one object changed along with the one a command named
// are told of as one change: the reader asks for them again.
constexpr size_t kMaxSideNotices = 100;

bool Succeeded(const CSwitch::Reports& out) {
    return !out.empty() && out.front().find("\nRETCODE = 0\n") != std::string::npos;
}

}  // namespace

bool CSwitch::IsNoticeCommand(const SMmlCommand& cmd) {
    return cmd.object == "NOTICE" && (cmd.verb == "SUB" || cmd.verb == "USB");
}

CSwitch::Reports CSwitch::Notices(const std::string& echo, const SMmlCommand& cmd, SessionId session) {
    // OBJ names the objects, joined with "&"; USB without it ends them all.
    std::vector<DWORD> types;
    bool named = false;
    for (const SMmlParam& p : cmd.params) {
        if (!platform::EqualsNoCase(p.name, kObjectParam))
            return Fail(echo, RC_UNKNOWN_PARAM, "(" + ShownValue(p.name) + ")");
        std::string rest(platform::TrimBlanksView(p.value));
        while (!rest.empty()) {
            const size_t amp = rest.find('&');
            std::string name(platform::TrimBlanksView(rest.substr(0, amp)));
            rest = amp == std::string::npos ? std::string() : rest.substr(amp + 1);
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const SComObj* obj = m_cat.FindByMml(name);
            if (!obj) return Fail(echo, RC_BAD_VALUE, "(OBJ: no object " + ShownValue(name) + ")");
            types.push_back(obj->type);
            named = true;
        }
    }
    if (cmd.verb == "SUB") {
        if (!named) return Fail(echo, RC_MISSING, "(OBJ)");
        for (DWORD t : types) m_notices.Subscribe(session, t);
        return Ok(echo, "Notices of changes other sessions make to these objects follow.");
    }
    if (!named) m_notices.Unsubscribe(session);
    for (DWORD t : types) m_notices.Unsubscribe(session, t);
    return Ok(echo);
}

void CSwitch::NoteChanges(const SMmlCommand& cmd, SessionId session, const Reports& out) {
    if (!m_notices.Any() || m_touched.empty() || !Succeeded(out)) return;
    const SComObj* named = nullptr;
    const SCmd* custom = nullptr;
    Failure fail;
    if (!Resolve(cmd, named, custom, fail)) return;
    std::set<DWORD> types;
    for (const auto& [type, column] : m_touched) types.insert(type);
    for (DWORD type : types) {
        const SComObj* obj = m_cat.Find(type);
        if (!obj) continue;
        if (obj != named) {
            NoteSideChanges(*obj, cmd.verb, session);
            continue;
        }
        std::string revision;
        const SAttributeItem* revAttr = nullptr;
        for (const SAttributeItem& a : obj->attributes)
            if (a.revision) revAttr = &a;
        auto keysOf = [&](const Values& row) {
            CNoticeBoard::Keys keys;
            for (const SAttributeItem& a : obj->attributes)
                if (a.key && row.count(a.name)) keys.emplace_back(a.name, row.at(a.name));
            return keys;
        };
        // The records the command raised the revision of, as they are now.
        bool told = false;
        for (const auto& [t, rid] : m_revised) {
            if (t != type) continue;
            const Values row = Record(*obj, rid);
            if (row.empty()) continue;
            m_notices.Changed(session, type, obj->mmlName, cmd.verb, keysOf(row),
                              revAttr ? row.at(revAttr->name) : std::string());
            told = true;
        }
        if (told) continue;
        // Else the record the command's key names: added, removed, or of an
        // object without revisions.
        Values given;
        for (const SAttributeItem& a : obj->attributes)
            if (const SMmlParam* p = a.key ? cmd.Find(a.name) : nullptr)
                given[a.name] = std::string(platform::TrimBlanksView(p->value));
        CNoticeBoard::Keys keys = keysOf(given);
        if (cmd.verb != "RMV" && !given.empty()) {
            if (const int64_t rid = FindByKey(*obj, given)) {
                const Values row = Record(*obj, rid);
                keys = keysOf(row);
                if (revAttr) revision = row.at(revAttr->name);
            }
        }
        // A batch names no one record.
        if (keys.size() != static_cast<size_t>(std::count_if(obj->attributes.begin(), obj->attributes.end(),
                                                             [](const SAttributeItem& a) { return a.key; })))
            keys.clear();
        m_notices.Changed(session, type, obj->mmlName, cmd.verb, keys, revision);
    }
}

void CSwitch::NoteSideChanges(const SComObj& obj, const std::string& verb, SessionId session) {
    // Changed along with the record the command named (a subscriber's
    // services removed with it, the number table and the segments'
    // counts following a subscriber): each record by its keys and, still
    // there, its revision now, so that a list follows it in place.
    std::vector<CNoticeBoard::Keys> order;
    std::map<CNoticeBoard::Keys, bool> added;
    bool unkeyed = false;
    for (const STouchedRecord& r : m_touchedRecords) {
        if (r.type != obj.type) continue;
        unkeyed = unkeyed || r.keys.empty();
        if (!added.count(r.keys)) order.push_back(r.keys);
        added[r.keys] = added[r.keys] || r.what == 'A';
    }
    if (unkeyed || order.empty() || order.size() > kMaxSideNotices) {
        // Which of its records is the reader's to find out.
        m_notices.Changed(session, obj.type, obj.mmlName, verb, {}, {});
        return;
    }
    const SAttributeItem* revAttr = nullptr;
    for (const SAttributeItem& a : obj.attributes)
        if (a.revision) revAttr = &a;
    for (const CNoticeBoard::Keys& keys : order) {
        const int64_t rid = FindByKey(obj, Values(keys.begin(), keys.end()));
        const std::string what = !rid ? "RMV" : added[keys] ? "ADD" : "MOD";
        const std::string revision = rid && revAttr ? RecordValue(obj, rid, revAttr->name) : std::string();
        m_notices.Changed(session, obj.type, obj.mmlName, what, keys, revision);
    }
}

}  // namespace mmlsw
