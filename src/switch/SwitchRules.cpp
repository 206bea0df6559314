// The switch simulator: rules that tie rows of different objects together.
// A number (see Numbers.h) belongs to one owner — a subscriber of one kind,
// or an ISDN BRA subscriber as one of its MSNs — and, inside a segment, to
// the number table, whose rows the segment's USED counts and which follows
// every change of its owner; V5 subscribers
// sit on free L3 addresses of a port of their interface; ports and segments
// are ranges that never overlap.
#include "CatalogueHelpers.h"
#include "ResultCache.h"
#include "Switch.h"

namespace mmlsw {

CSwitch::SOwner CSwitch::OwnerOf(const std::string& number) {
    for (const auto& [type, name] : SubscriberTypes()) {
        auto s = m_db.Prepared("SELECT DN, CSC, STATUS FROM " + Table(type) + " WHERE DN = ?");
        s->Bind(1, number);
        if (s->Step()) return {type, std::string(s->Text(0)), std::string(s->Text(1)), std::string(s->Text(2))};
    }
    auto msn = m_db.Prepared("SELECT m.DN, m.CSC, b.STATUS FROM " + Table(kMsnType) + " m JOIN " + Table(kBraType) +
                             " b ON b.DN = m.DN WHERE m.MSN = ? LIMIT 1");
    msn->Bind(1, number);
    if (msn->Step()) return {kBraType, std::string(msn->Text(0)), std::string(msn->Text(1)), std::string(msn->Text(2))};
    return {};
}

bool CSwitch::CheckRules(const SComObj& obj, const Values& row, Failure& fail) {
    // One number, one owner: a subscriber's number and an MSN alike.
    const bool subscriber = SubscriberTypes().count(obj.type) != 0;
    if (subscriber || obj.type == kMsnType) {
        const std::string& number = row.at(subscriber ? "DN" : "MSN");
        const SOwner owner = OwnerOf(number);
        const bool own = obj.type == kMsnType && owner.type == kBraType && owner.dn == row.at("DN");
        if (owner.type && !own)
            return fail = {RC_DUPLICATE, "(number " + number + " is held by " +
                                             (owner.dn == number ? "a subscriber of kind " + SubscriberTypes().at(owner.type)
                                                                 : "BRA subscriber " + owner.dn + " as an MSN") +
                                             ")"},
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
    if (!CheckReferences(obj, Record(obj, rid), fail)) return false;
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

std::vector<std::string> CSwitch::NumbersOf(const SComObj& obj, const Values& row) {
    if (obj.type == kMsnType) return {row.at("MSN")};
    if (!SubscriberTypes().count(obj.type)) return {};
    std::vector<std::string> numbers{row.at("DN")};
    if (obj.type == kBraType) {
        auto s = m_db.Prepared("SELECT MSN FROM " + Table(kMsnType) + " WHERE DN = ? AND MSN <> DN");
        s->Bind(1, row.at("DN"));
        while (s->Step()) numbers.emplace_back(s->Text(0));
    }
    return numbers;
}

void CSwitch::RecordAdded(const SComObj& obj, const Values& row) {
    SyncNumbers(NumbersOf(obj, row));
    if (obj.type != kSegmentType) return;
    // A new segment takes in the numbers already in use within it.
    int64_t first = 0, last = 0;
    ParseInt(row.at("BGNDN"), first);
    ParseInt(row.at("ENDDN"), last);
    std::vector<std::string> numbers;
    for (const auto& [type, name] : SubscriberTypes()) {
        auto s = m_db.Prepared("SELECT DN FROM " + Table(type) + " WHERE CAST(DN AS INTEGER) BETWEEN ? AND ?");
        s->Bind(1, first).Bind(2, last);
        while (s->Step()) numbers.emplace_back(s->Text(0));
    }
    auto msn = m_db.Prepared("SELECT MSN FROM " + Table(kMsnType) + " WHERE MSN <> DN AND CAST(MSN AS INTEGER) BETWEEN ? AND ?");
    msn->Bind(1, first).Bind(2, last);
    while (msn->Step()) numbers.emplace_back(msn->Text(0));
    SyncNumbers(numbers);
}

void CSwitch::AddUsed(int64_t segIdx, int delta) {
    auto s = m_db.Prepared("UPDATE " + Table(kSegmentType) +
                           " SET USED = MAX(COALESCE(USED, 0) + ?, 0) WHERE SEGIDX = ?");
    s->Bind(1, int64_t{delta}).Bind(2, segIdx);
    Touch(kSegmentType, "USED");
    s->Exec();
    NoteRecords(*m_cat.Find(kSegmentType), {"SEGIDX = ?", {std::to_string(segIdx)}}, 'M');
}

void CSwitch::SyncNumbers(const std::vector<std::string>& numbers) {
    for (const std::string& n : numbers) SyncNumber(n);
}

void CSwitch::SyncNumber(const std::string& number) {
    // What the row should be: the owner's, inside the segment that holds it.
    const SOwner owner = OwnerOf(number);
    int64_t segIdx = -1, n = 0;
    if (owner.type && ParseInt(number, n)) {
        auto seg = m_db.Prepared("SELECT SEGIDX FROM " + Table(kSegmentType) +
                                 " WHERE CAST(BGNDN AS INTEGER) <= ?1 AND CAST(ENDDN AS INTEGER) >= ?1 LIMIT 1");
        seg->Bind(1, n);
        if (seg->Step()) segIdx = seg->Int(0);
    }
    const SComObj& table = *m_cat.Find(kNumberType);
    const SAttributeItem* st = Attr(table, "STATUS");
    std::string status = st->para.choices.front().value;  // a state the number table has no name for: idle
    for (const SChoice& c : st->para.choices)
        if (c.value == owner.status) status = c.value;
    const std::string kind = owner.type ? SubscriberTypes().at(owner.type) : "";
    const std::string csc = owner.csc.empty() ? "0" : owner.csc;

    struct SRow {
        int64_t rid, seg;
        std::string kind, status, csc;
    };
    std::vector<SRow> rows;
    {
        auto s = m_db.Prepared("SELECT rid, SEGIDX, SUBTYPE, STATUS, CSC FROM " + Table(kNumberType) + " WHERE DN = ?");
        s->Bind(1, number);
        while (s->Step())
            rows.push_back({s->Int(0), s->Int(1), std::string(s->Text(2)), std::string(s->Text(3)), std::string(s->Text(4))});
    }
    if (segIdx >= 0 && rows.size() == 1 && rows[0].seg == segIdx && rows[0].kind == kind) {
        // The same number of the same owner: its state and call source follow.
        if (rows[0].status != status) SetValue(table, rows[0].rid, "STATUS", status);
        if (rows[0].csc != csc) SetValue(table, rows[0].rid, "CSC", csc);
        return;
    }
    for (const SRow& r : rows) {
        DeleteWhere(table, {"rid = ?", {std::to_string(r.rid)}});
        AddUsed(r.seg, -1);
    }
    if (segIdx < 0) return;  // nobody's, or outside every segment: not in the table
    InsertRaw(table, {{"DN", number}, {"SEGIDX", std::to_string(segIdx)}, {"SUBTYPE", kind}, {"STATUS", status},
                      {"CSC", csc}, {"DESC", ""}});
    AddUsed(segIdx, +1);
}

}  // namespace mmlsw
