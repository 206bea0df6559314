// The switch simulator: relations between records that the catalogue and
// the operators' rules set. A Centrex member is a subscriber's number in
// one group, with a short number of its own there, and a group takes no
// more than MAXMEM members; a group's night service number is a
// subscriber's or an MSN, and neither is removed while a group uses it; an
// ISDN BRA subscriber holds no more MSNs than its MAXMSN; a value that the catalogue's relations make required
// (HOTLINE=YES needs HOTDN) is there; a V5 subscriber's line maintenance
// row belongs to a live V5 subscriber and goes with it.
#include <algorithm>

#include "CatalogueHelpers.h"
#include "Switch.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

bool CSwitch::LeaveOutDisabled(const SComObj& obj, Values& row, const Values& given, Failure& fail) {
    // As the client's parameter dialog does: the parameters after a
    // controlling one that its value's clause does not enable are left out.
    const SCmd* add = OpOf(obj, 3);
    if (!add) return true;
    for (const SParaDesc& control : add->params) {
        auto value = row.find(control.mmlName);
        if (control.relation.empty() || value == row.end() || value->second.empty()) continue;
        std::vector<std::string> enabled, required;
        const bool found = RelationClause(*add, control, value->second, enabled, required);
        for (const SParaDesc& d : add->params) {
            if (d.number <= control.number || (found && std::count(enabled.begin(), enabled.end(), d.mmlName)))
                continue;
            if (auto g = given.find(d.mmlName); g != given.end() && !g->second.empty())
                return fail = {RC_BAD_VALUE, "(" + d.mmlName + ": " + control.mmlName + "=" + value->second +
                                                 " leaves it out)"},
                       false;
            if (auto it = row.find(d.mmlName); it != row.end()) it->second.clear();
        }
    }
    return true;
}

bool CSwitch::CheckRelations(const SComObj& obj, const Values& row, const Values& given, int64_t rid,
                             Failure& fail) {
    if (const SCmd* add = OpOf(obj, 3)) {
        for (const SParaDesc& d : add->params) {
            auto control = row.find(d.mmlName);
            if (d.relation.empty() || control == row.end()) continue;
            for (const std::string& name : RequiredByRelation(*add, d, control->second)) {
                auto it = row.find(name);
                if (it == row.end() || it->second.empty())
                    return fail = {RC_MISSING, "(" + name + ": " + d.mmlName + "=" + control->second + " requires it)"},
                           false;
            }
        }
    }
    if (obj.type == kMemberType) {
        const std::string& cgno = row.at("CGNO");
        auto grp = m_db.Prepared("SELECT CGNAME, MAXMEM FROM " + Table(kGroupType) + " WHERE CGNO = ?");
        grp->Bind(1, cgno);
        if (!grp->Step()) return fail = {RC_NO_PARENT, "(there is no Centrex group " + cgno + ")"}, false;
        const std::string name(grp->Text(0));
        const int64_t maxMembers = grp->Int(1);
        if (auto g = given.find("CGNAME"); g != given.end() && !g->second.empty() && g->second != name)
            return fail = {RC_NO_PARENT, "(Centrex group " + cgno + " is named \"" + name + "\", not \"" + g->second +
                                             "\")"},
                   false;
        if (!rid && !OwnerOf(row.at("DN")).type)
            return fail = {RC_NO_PARENT, "(number " + row.at("DN") + " belongs to no subscriber)"}, false;
        auto count = m_db.Prepared("SELECT COUNT(*) FROM " + Table(kMemberType) + " WHERE CGNO = ?");
        count->Bind(1, cgno);
        if (!rid && count->Step() && count->Int(0) >= maxMembers)
            return fail = {RC_BAD_VALUE, "(Centrex group " + cgno + " has its " + std::to_string(maxMembers) +
                                             " members, MAXMEM)"},
                   false;
        auto shortNo = m_db.Prepared("SELECT DN FROM " + Table(kMemberType) +
                                     " WHERE CGNO = ? AND SHORTNO = ? AND rid <> ? LIMIT 1");
        shortNo->Bind(1, cgno).Bind(2, row.at("SHORTNO")).Bind(3, rid);
        if (shortNo->Step())
            return fail = {RC_DUPLICATE, "(short number " + row.at("SHORTNO") + " of Centrex group " + cgno +
                                             " belongs to " + std::string(shortNo->Text(0)) + ")"},
                   false;
    }
    if (obj.type == kGroupType) {
        const std::string& night = row.at("NIGHTDN");
        if (!night.empty() && !OwnerOf(night).type)
            return fail = {RC_NO_PARENT, "(night service number " + night + " belongs to no subscriber)"}, false;
        auto count = m_db.Prepared("SELECT COUNT(*) FROM " + Table(kMemberType) + " WHERE CGNO = ?");
        count->Bind(1, row.at("CGNO"));
        int64_t maxMembers = 0;
        ParseInt(row.at("MAXMEM"), maxMembers);
        if (rid && count->Step() && count->Int(0) > maxMembers)
            return fail = {RC_BAD_VALUE, "(MAXMEM=" + row.at("MAXMEM") + ": the group has " +
                                             std::to_string(count->Int(0)) + " members)"},
                   false;
    }
    if (obj.type == kBraType && rid) {
        // MAXMSN never drops below the MSNs the subscriber holds.
        int64_t maxMsns = 0;
        ParseInt(row.at("MAXMSN"), maxMsns);
        auto count = m_db.Prepared("SELECT COUNT(*) FROM " + Table(kMsnType) + " WHERE DN = ?");
        count->Bind(1, row.at("DN"));
        if (count->Step() && count->Int(0) > maxMsns)
            return fail = {RC_BAD_VALUE, "(MAXMSN=" + row.at("MAXMSN") + ": the subscriber has " +
                                             std::to_string(count->Int(0)) + " MSNs)"},
                   false;
    }
    if (obj.type == kMsnType && !rid) {
        auto sub = m_db.Prepared("SELECT MAXMSN FROM " + Table(kBraType) + " WHERE DN = ?");
        sub->Bind(1, row.at("DN"));
        auto count = m_db.Prepared("SELECT COUNT(*) FROM " + Table(kMsnType) + " WHERE DN = ?");
        count->Bind(1, row.at("DN"));
        if (sub->Step() && count->Step() && count->Int(0) >= sub->Int(0))
            return fail = {RC_BAD_VALUE, "(subscriber " + row.at("DN") + " has its " + std::to_string(sub->Int(0)) +
                                             " MSNs, MAXMSN)"},
                   false;
    }
    if (PortTypeOf(obj.type) && !rid) {
        // Added from a window on an L3 address range: the address lies in it.
        int64_t lo = 0, hi = 0, addr = 0;
        auto from = given.find(obj.rangeFrom), to = given.find(obj.rangeTo);
        if (from != given.end() && to != given.end() && ParseInt(from->second, lo) && ParseInt(to->second, hi) &&
            (lo || hi) && ParseInt(row.at("L3ADDR"), addr) && (addr < lo || addr > hi))
            return fail = {RC_BAD_VALUE, "(L3ADDR=" + row.at("L3ADDR") + " lies outside " + obj.rangeFrom + "-" +
                                             obj.rangeTo + " " + from->second + "-" + to->second + ")"},
                   false;
    }
    return true;
}

std::string CSwitch::DuplicateText(const SComObj& obj, const Values& row) {
    if (obj.type == kMemberType) {
        auto s = m_db.Prepared("SELECT CGNO FROM " + Table(kMemberType) + " WHERE DN = ?");
        s->Bind(1, row.at("DN"));
        if (s->Step())
            return "(number " + row.at("DN") + " is a member of Centrex group " + std::string(s->Text(0)) + ")";
    }
    std::string key;
    for (const SAttributeItem& a : obj.attributes)
        if (a.key) key += (key.empty() ? "" : ", ") + a.name + "=" + row.at(a.name);
    return "(" + obj.displayName + " " + key + ")";
}

bool CSwitch::CheckReferences(const SComObj& obj, const Values& row, Failure& fail) {
    // A number is not taken away from a Centrex group that uses it: the
    // member goes first, or the group's night service. The numbers are the
    // subscriber's own and its MSNs, or the MSN removed (its subscriber's
    // own number stays with the subscriber).
    if (obj.type == kMsnType && row.at("MSN") == row.at("DN")) return true;
    struct SUse {
        DWORD type;
        const char* column;
        const char* role;
    };
    static constexpr SUse kUses[] = {{kMemberType, "DN", "a member"},
                                     {kGroupType, "NIGHTDN", "the night service number"}};
    for (const std::string& number : NumbersOf(obj, row)) {
        for (const SUse& use : kUses) {
            auto found = m_db.Prepared("SELECT CGNO FROM " + Table(use.type) + " WHERE " + use.column +
                                       " = ? LIMIT 1");
            found->Bind(1, number);
            if (found->Step())
                return fail = {RC_IN_USE, "(number " + number + " is " + use.role + " of Centrex group " +
                                              std::string(found->Text(0)) + ")"},
                       false;
        }
    }
    return true;
}

void CSwitch::RemoveDependents(const SComObj& obj, const Values& row) {
    if (PortTypeOf(obj.type))
        DeleteWhere(*m_cat.Find(kV5MaintenanceType), {"DN = ?", {row.at("DN")}});
}

bool CSwitch::MaintainV5Line(const std::string& verb, const Values& values, std::string& text, Failure& fail) {
    const std::string& dn = values.at("DN");
    const SComObj* sub = nullptr;
    int64_t subRid = 0;
    for (DWORD type : {kV5Type, SubscriberTypeOfPort(334)}) {
        subRid = FindByKey(*m_cat.Find(type), {{"DN", dn}});
        if (subRid) {
            sub = m_cat.Find(type);
            break;
        }
    }
    if (!sub) return fail = {RC_NOT_FOUND, "(no V5 subscriber has number " + dn + ")"}, false;
    // The line is the subscriber's: the revision it carries is the subscriber's.
    static const std::set<std::string> kState = {"STATUS"};
    if (!CheckRevision(*sub, subRid, values, &kState, fail)) return false;
    const SComObj& line = *m_cat.Find(kV5MaintenanceType);
    int64_t rid = FindByKey(line, values);
    if (verb == "UBL" && !(rid && IsBlocked(line, rid)) && !IsBlocked(*sub, subRid)) {
        text = kNotBlocked;  // a line in any other state keeps it
        return true;
    }
    if (!rid) {
        // A line first maintained gets its row now.
        InsertRaw(line, {{"DN", dn}, {"V5IID", RecordValue(*sub, subRid, "V5IID")},
                         {"L3ADDR", RecordValue(*sub, subRid, "L3ADDR")}, {"LINESTATE", "IDLE"}, {"BLOCKED", "NO"},
                         {"TESTRESULT", ""}});
        rid = FindByKey(line, values);
        MirrorLineRevision(*sub, subRid);
    }
    if (verb == "TST") {
        SetValue(line, rid, "TESTRESULT", "Passed");
        text = "Test passed: loop 412 ohm, insulation above 20 Mohm, ringer present.";
        return true;
    }
    const bool block = verb == "BLK";
    SetValue(line, rid, "BLOCKED", block ? "YES" : "NO");
    SetValue(*sub, subRid, "STATUS", block ? "BLOCKED" : Attr(*sub, "STATUS")->para.choices.front().value);
    SyncNumber(dn);
    text = block ? "Blocked." : "Unblocked.";
    return true;
}

CSwitch::Reports CSwitch::CountMembers(const std::string& echo, const Values& values) {
    const std::string& cgno = values.at("CGNO");
    auto grp = m_db.Prepared("SELECT CGNAME, MAXMEM FROM " + Table(kGroupType) + " WHERE CGNO = ?");
    grp->Bind(1, cgno);
    if (!grp->Step()) return Fail(echo, RC_NOT_FOUND, "(there is no Centrex group " + cgno + ")");
    auto count = m_db.Prepared("SELECT COUNT(*) FROM " + Table(kMemberType) + " WHERE CGNO = ?");
    count->Bind(1, cgno);
    const std::string members = std::to_string(count->Step() ? count->Int(0) : 0);
    CReportWriter w(echo, RC_OK, "Centrex group " + cgno + " has " + members + " members of at most " +
                                     std::string(grp->Text(1)) + ".");
    w.BeginObject("CXGRPCNT");
    w.Add("CGNO", cgno);
    w.Add("CGNAME", grp->Text(0));
    w.Add("MEMBERS", members);
    w.Add("MAXMEM", grp->Text(1));
    return {w.Finish()};
}

}  // namespace mmlsw
