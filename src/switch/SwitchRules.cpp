// The switch simulator: rules that tie rows of different objects together.
// A number belongs to one subscriber of one kind and, inside a segment, to
// the number table, whose rows the segment's USED counts; V5 subscribers
// sit on free L3 addresses of a port of their interface; ports and segments
// are ranges that never overlap.
#include "CatalogueHelpers.h"
#include "ResultCache.h"
#include "Switch.h"

namespace mmlsw {

DWORD CSwitch::HolderOf(const std::string& dn) {
    for (const auto& [type, name] : SubscriberTypes())
        if (FindByKey(*m_cat.Find(type), {{"DN", dn}})) return type;
    return 0;
}

bool CSwitch::CheckRules(const SComObj& obj, const Values& row, Failure& fail) {
    if (SubscriberTypes().count(obj.type)) {
        const DWORD holder = HolderOf(row.at("DN"));
        if (holder && holder != obj.type)
            return fail = {RC_DUPLICATE, "(number " + row.at("DN") + " is held by a subscriber of kind " +
                                             SubscriberTypes().at(holder) + ")"},
                   false;
    }
    if (const DWORD port = PortTypeOf(obj.type)) {
        auto on = m_db.Prepared("SELECT 1 FROM " + Table(port) +
                                " WHERE V5IID = ?1 AND BGNL3ADDR <= ?2 AND ENDL3ADDR >= ?2 LIMIT 1");
        on->Bind(1, row.at("V5IID")).Bind(2, row.at("L3ADDR"));
        if (!on->Step())
            return fail = {RC_BAD_VALUE, "(no port of interface " + row.at("V5IID") + " has L3 address " +
                                             row.at("L3ADDR") + ")"},
                   false;
        auto taken = m_db.Prepared("SELECT DN FROM " + Table(obj.type) + " WHERE V5IID = ? AND L3ADDR = ? LIMIT 1");
        taken->Bind(1, row.at("V5IID")).Bind(2, row.at("L3ADDR"));
        if (taken->Step())
            return fail = {RC_DUPLICATE, "(L3 address " + row.at("L3ADDR") + " of interface " + row.at("V5IID") +
                                             " belongs to " + std::string(taken->Text(0)) + ")"},
                   false;
    }
    const bool ports = SubscriberTypeOfPort(obj.type) != 0;
    if (ports || obj.type == kSegmentType) {
        const char* lo = ports ? "BGNL3ADDR" : "BGNDN";
        const char* hi = ports ? "ENDL3ADDR" : "ENDDN";
        int64_t first = 0, last = 0;
        if (!ParseInt(row.at(lo), first) || !ParseInt(row.at(hi), last) || first > last)
            return fail = {RC_BAD_VALUE, std::string("(") + lo + " not after " + hi + ")"}, false;
        const std::string l = ports ? lo : "CAST(BGNDN AS INTEGER)", h = ports ? hi : "CAST(ENDDN AS INTEGER)";
        auto overlap = m_db.Prepared("SELECT " + std::string(lo) + ", " + hi + " FROM " + Table(obj.type) + " WHERE " +
                                     (ports ? "V5IID = ?3 AND " : "") + l + " <= ?2 AND " + h + " >= ?1 LIMIT 1");
        overlap->Bind(1, first).Bind(2, last);
        if (ports) overlap->Bind(3, row.at("V5IID"));
        if (overlap->Step())
            return fail = {RC_DUPLICATE, "(overlaps " + std::string(ports ? "port " : "segment ") +
                                             std::string(overlap->Text(0)) + "-" + std::string(overlap->Text(1)) + ")"},
                   false;
    }
    return true;
}

bool CSwitch::CheckRemoveRules(const SComObj& obj, int64_t rid, Failure& fail) {
    const DWORD subs = SubscriberTypeOfPort(obj.type);
    if (!subs) return true;
    const Values port = Record(obj, rid);
    auto on = m_db.Prepared("SELECT COUNT(*) FROM " + Table(subs) + " WHERE V5IID = ? AND L3ADDR BETWEEN ? AND ?");
    on->Bind(1, port.at("V5IID")).Bind(2, port.at("BGNL3ADDR")).Bind(3, port.at("ENDL3ADDR"));
    if (on->Step() && on->Int(0) > 0)
        return fail = {RC_IN_USE, "(" + std::to_string(on->Int(0)) + " " + m_cat.Find(subs)->displayName +
                                      " on its addresses)"},
               false;
    return true;
}

void CSwitch::RecordAdded(const SComObj& obj, const Values& row) {
    if (SubscriberTypes().count(obj.type)) NumberAdded(obj.type, row.at("DN"), row.count("CSC") ? row.at("CSC") : "");
    if (obj.type != kSegmentType) return;
    // A new segment takes in the numbers already in use within it.
    int64_t first = 0, last = 0;
    ParseInt(row.at("BGNDN"), first);
    ParseInt(row.at("ENDDN"), last);
    for (const auto& [type, name] : SubscriberTypes()) {
        std::vector<std::pair<std::string, std::string>> numbers;
        {
            const SComObj& o = *m_cat.Find(type);
            auto s = m_db.Prepared("SELECT DN, " + std::string(Attr(o, "CSC") ? "CSC" : "''") + " FROM " + Table(type) +
                                   " WHERE CAST(DN AS INTEGER) BETWEEN ? AND ?");
            s->Bind(1, first).Bind(2, last);
            while (s->Step()) numbers.emplace_back(s->Text(0), s->Text(1));
        }
        for (const auto& [dn, csc] : numbers) NumberAdded(type, dn, csc);
    }
}

void CSwitch::RecordRemoved(const SComObj& obj, const Values& row) {
    if (SubscriberTypes().count(obj.type)) NumberRemoved(obj.type, row.at("DN"));
}

void CSwitch::AddUsed(int64_t segIdx, int delta) {
    auto s = m_db.Prepared("UPDATE " + Table(kSegmentType) +
                           " SET USED = MAX(COALESCE(USED, 0) + ?, 0) WHERE SEGIDX = ?");
    s->Bind(1, int64_t{delta}).Bind(2, segIdx);
    Touch(kSegmentType, "USED");
    s->Exec();
}

void CSwitch::NumberAdded(DWORD type, const std::string& dn, const std::string& csc) {
    int64_t n = 0;
    if (!ParseInt(dn, n)) return;
    int64_t segIdx = 0;
    {
        auto seg = m_db.Prepared("SELECT SEGIDX FROM " + Table(kSegmentType) +
                                 " WHERE CAST(BGNDN AS INTEGER) <= ?1 AND CAST(ENDDN AS INTEGER) >= ?1 LIMIT 1");
        seg->Bind(1, n);
        if (!seg->Step()) return;  // a number outside every segment is not counted
        segIdx = seg->Int(0);
    }
    // A row some other program left for the number gives way, with its count.
    std::vector<std::pair<int64_t, int64_t>> stale;
    {
        auto old = m_db.Prepared("SELECT rid, SEGIDX FROM " + Table(kNumberType) + " WHERE DN = ?");
        old->Bind(1, dn);
        while (old->Step()) stale.emplace_back(old->Int(0), old->Int(1));
    }
    const SComObj& numbers = *m_cat.Find(kNumberType);
    for (const auto& [rid, seg] : stale) {
        DeleteWhere(numbers, {"rid = ?", {std::to_string(rid)}});
        AddUsed(seg, -1);
    }
    InsertRaw(numbers, {{"DN", dn}, {"SEGIDX", std::to_string(segIdx)}, {"SUBTYPE", SubscriberTypes().at(type)},
                        {"STATUS", "IDLE"}, {"CSC", csc.empty() ? "0" : csc}, {"DESC", ""}});
    AddUsed(segIdx, +1);
}

void CSwitch::NumberRemoved(DWORD type, const std::string& dn) {
    // Only the kind's own row: a row of another kind is not this number's.
    std::vector<std::pair<int64_t, int64_t>> rows;
    {
        auto s = m_db.Prepared("SELECT rid, SEGIDX FROM " + Table(kNumberType) + " WHERE DN = ? AND SUBTYPE = ?");
        s->Bind(1, dn).Bind(2, SubscriberTypes().at(type));
        while (s->Step()) rows.emplace_back(s->Int(0), s->Int(1));
    }
    for (const auto& [rid, seg] : rows) {
        DeleteWhere(*m_cat.Find(kNumberType), {"rid = ?", {std::to_string(rid)}});
        AddUsed(seg, -1);
    }
}

}  // namespace mmlsw
