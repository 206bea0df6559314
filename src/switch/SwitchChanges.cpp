// The switch simulator: commands that change data, and the maintenance
// operations of single objects.
#include <set>

#include "HostStrings.h"
#include "Switch.h"
#include "TextHelpers.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

using platform::EqualsNoCase;

namespace {

// Subscriber tables and the type name their numbers carry in the number table.
const std::map<DWORD, std::string>& SubscriberTypes() {
    static const std::map<DWORD, std::string> types = {
        {308, "MGCP"}, {319, "H248"}, {311, "SIP"}, {312, "H323"},
        {313, "BRA"},  {317, "IPN"},  {327, "V5"},  {335, "V5BRA"}};
    return types;
}

const SAttributeItem* Attr(const SComObj& obj, const std::string& name) {
    for (const SAttributeItem& a : obj.attributes)
        if (EqualsNoCase(a.name, name)) return &a;
    return nullptr;
}

const SCmd* OpOf(const SComObj& obj, DWORD id) {
    auto it = obj.commands.find(id);
    return it == obj.commands.end() ? nullptr : &it->second;
}

bool ToInt(const std::string& s, int64_t& v) {
    if (s.empty() || s.size() > 18) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    v = std::stoll(s);
    return true;
}

// The number after dn, keeping its width ("0099" -> "0100").
std::string NextNumber(const std::string& dn, int64_t step) {
    std::string n = std::to_string(std::stoll(dn) + step);
    if (n.size() < dn.size()) n.insert(0, dn.size() - n.size(), '0');
    return n;
}

}  // namespace

bool CSwitch::CheckParams(const SMmlCommand& cmd, const SCmd& op,
                          std::map<std::string, std::string>& values, Failure& fail) const {
    for (const SMmlParam& p : cmd.params) {
        const SParaDesc* desc = nullptr;
        for (const SParaDesc& d : op.params)
            if (EqualsNoCase(d.mmlName, p.name)) desc = &d;
        if (!desc) return fail = {RC_UNKNOWN_PARAM, p.name}, false;
        std::string stored;
        if (!StoredValue(*desc, p.value, stored))
            return fail = {RC_BAD_VALUE, "(" + p.name + "=" + p.value + ")"}, false;
        if (!stored.empty()) values[desc->mmlName] = stored;
    }
    for (const SParaDesc& d : op.params)
        if (d.required && !values.count(d.mmlName)) return fail = {RC_MISSING, d.mmlName}, false;
    return true;
}

std::optional<CSwitch::Reports> CSwitch::CheckOp(const std::string& echo, const SMmlCommand& cmd,
                                                 const SComObj& obj, DWORD op,
                                                 std::map<std::string, std::string>& values) const {
    const SCmd* c = OpOf(obj, op);
    if (!c) return Fail(echo, RC_UNKNOWN_VERB);
    Failure fail;
    if (!CheckParams(cmd, *c, values, fail)) return Fail(echo, fail.code, fail.detail);
    return std::nullopt;
}

bool CSwitch::ChildCondition(const SComObj& child, const SComObj& parent, int64_t rid, SCondition& c) {
    c = {};
    for (const std::string& r : child.restrictParams) {
        if (!Attr(child, r) || !Attr(parent, r)) continue;
        c.where += (c.where.empty() ? "" : " AND ") + QuoteIdent(r) + " = ?";
        c.binds.push_back(RecordValue(parent, rid, r));
    }
    return !c.where.empty();
}

void BindAll(CStatement& s, const std::vector<std::string>& binds) {
    for (size_t i = 0; i < binds.size(); ++i) s.Bind(static_cast<int>(i) + 1, binds[i]);
}

int64_t CSwitch::FindByKey(const SComObj& obj, const std::map<std::string, std::string>& values) {
    std::string where;
    std::vector<std::string> binds;
    for (const SAttributeItem& a : obj.attributes) {
        if (!a.key) continue;
        auto it = values.find(a.name);
        if (it == values.end()) return 0;
        where += (where.empty() ? "" : " AND ") + QuoteIdent(a.name) + " = ?";
        binds.push_back(it->second);
    }
    if (where.empty()) return 0;
    CStatement& s = m_db.Prepared("SELECT rid FROM " + Table(obj.type) + " WHERE " + where);
    BindAll(s, binds);
    return s.Step() ? s.Int(0) : 0;
}

bool CSwitch::ParentExists(const SComObj& obj, const std::map<std::string, std::string>& values) {
    const SComObj* parent = m_cat.Find(obj.parentType);
    if (!parent) return true;
    std::string where;
    std::vector<std::string> binds;
    for (const std::string& r : obj.restrictParams) {
        auto it = values.find(r);
        if (r == obj.rangeFrom || r == obj.rangeTo || it == values.end() || !Attr(*parent, r)) continue;
        where += (where.empty() ? "" : " AND ") + QuoteIdent(r) + " = ?";
        binds.push_back(it->second);
    }
    if (where.empty()) return true;
    CStatement& s = m_db.Prepared("SELECT 1 FROM " + Table(parent->type) + " WHERE " + where + " LIMIT 1");
    BindAll(s, binds);
    return s.Step();
}

bool CSwitch::InsertRaw(const SComObj& obj, const std::map<std::string, std::string>& values) {
    std::string cols, marks;
    for (const SAttributeItem& a : obj.attributes) {
        cols += (cols.empty() ? "" : ", ") + QuoteIdent(a.name);
        marks += marks.empty() ? "?" : ", ?";
    }
    CStatement& s = m_db.Prepared("INSERT INTO " + Table(obj.type) + " (" + cols + ") VALUES (" + marks + ")");
    int i = 1;
    for (const SAttributeItem& a : obj.attributes) {
        auto it = values.find(a.name);
        if (it != values.end()) {
            s.Bind(i++, it->second);
        } else {
            s.BindNull(i++);
        }
    }
    return s.Exec() == SQLITE_DONE;
}

bool CSwitch::SetValue(const SComObj& obj, int64_t rid, const std::string& attr, const std::string& value) {
    CStatement& s = m_db.Prepared("UPDATE " + Table(obj.type) + " SET " + QuoteIdent(attr) + " = ? WHERE rid = ?");
    s.Bind(1, value).Bind(2, rid);
    return s.Exec() == SQLITE_DONE;
}

void CSwitch::NumberAdded(DWORD type, const std::string& dn, const std::string& csc) {
    auto sub = SubscriberTypes().find(type);
    int64_t n = 0;
    if (sub == SubscriberTypes().end() || !ToInt(dn, n)) return;
    CStatement& seg = m_db.Prepared(
        "SELECT SEGIDX FROM o305 WHERE CAST(BGNDN AS INTEGER) <= ?1 AND CAST(ENDDN AS INTEGER) >= ?1 LIMIT 1");
    seg.Bind(1, n);
    if (!seg.Step()) return;  // a number outside every segment is not counted
    const int64_t segIdx = seg.Int(0);
    CStatement& ins = m_db.Prepared(
        "INSERT OR REPLACE INTO o316 (DN, SEGIDX, SUBTYPE, STATUS, CSC, DESC) VALUES (?, ?, ?, 'IDLE', ?, '')");
    ins.Bind(1, dn).Bind(2, segIdx).Bind(3, sub->second).Bind(4, csc.empty() ? "0" : csc);
    ins.Exec();
    CStatement& used = m_db.Prepared("UPDATE o305 SET USED = COALESCE(USED, 0) + 1 WHERE SEGIDX = ?");
    used.Bind(1, segIdx).Exec();
}

void CSwitch::NumberRemoved(DWORD type, const std::string& dn) {
    if (!SubscriberTypes().count(type)) return;
    CStatement& seg = m_db.Prepared("SELECT SEGIDX FROM o316 WHERE DN = ?");
    seg.Bind(1, dn);
    if (!seg.Step()) return;
    const int64_t segIdx = seg.Int(0);
    m_db.Prepared("DELETE FROM o316 WHERE DN = ?").Bind(1, dn).Exec();
    m_db.Prepared("UPDATE o305 SET USED = MAX(COALESCE(USED, 0) - 1, 0) WHERE SEGIDX = ?").Bind(1, segIdx).Exec();
}

CSwitch::Reports CSwitch::Add(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::map<std::string, std::string> values;
    if (auto failed = CheckOp(echo, cmd, obj, 3, values)) return *failed;
    if (obj.parentType && !ParentExists(obj, values)) return Fail(echo, RC_NO_PARENT);
    CTransaction tx(m_db);
    if (FindByKey(obj, values)) return Fail(echo, RC_DUPLICATE);
    std::map<std::string, std::string> row;
    for (const SAttributeItem& a : obj.attributes) {
        auto it = values.find(a.name);
        std::string v;
        if (it != values.end()) {
            v = it->second;
        } else if (!a.para.defaultValue.empty()) {
            StoredValue(a.para, a.para.defaultValue, v);
        } else if (a.para.kind == PK_ENUMFIXED && !a.para.choices.empty()) {
            v = a.para.choices.front().value;  // a state the switch keeps: its first value
        } else if (a.para.kind == PK_NUMBER && a.name == "USED") {
            v = "0";
        }
        row[a.name] = v;
    }
    if (!InsertRaw(obj, row)) return Fail(echo, RC_DUPLICATE);
    if (row.count("DN")) NumberAdded(obj.type, row["DN"], row.count("CSC") ? row["CSC"] : "");
    if (!tx.Commit()) return Fail(echo, RC_INTERNAL, m_db.Error());
    return Ok(echo);
}

CSwitch::Reports CSwitch::Remove(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::map<std::string, std::string> values;
    if (auto failed = CheckOp(echo, cmd, obj, 4, values)) return *failed;
    CTransaction tx(m_db);
    const int64_t rid = FindByKey(obj, values);
    if (!rid) return Fail(echo, RC_NOT_FOUND);
    // Sub-objects: those that live with their parent go with it; any other
    // kind of sub-object keeps the instance alive.
    for (DWORD t : m_cat.Types()) {
        const SComObj& child = *m_cat.Find(t);
        SCondition c;
        if (child.parentType != obj.type || !ChildCondition(child, obj, rid, c)) continue;
        if (child.cascade) {
            CStatement& del = m_db.Prepared("DELETE FROM " + Table(t) + " WHERE " + c.where);
            BindAll(del, c.binds);
            del.Exec();
            continue;
        }
        CStatement& cnt = m_db.Prepared("SELECT COUNT(*) FROM " + Table(t) + " WHERE " + c.where);
        BindAll(cnt, c.binds);
        if (cnt.Step() && cnt.Int(0) > 0)
            return Fail(echo, RC_IN_USE, "(" + std::to_string(cnt.Int(0)) + " " + child.displayName + ")");
    }
    const std::string dn = Attr(obj, "DN") ? RecordValue(obj, rid, "DN") : std::string();
    m_db.Prepared("DELETE FROM " + Table(obj.type) + " WHERE rid = ?").Bind(1, rid).Exec();
    if (!dn.empty()) NumberRemoved(obj.type, dn);
    if (!tx.Commit()) return Fail(echo, RC_INTERNAL, m_db.Error());
    return Ok(echo);
}

CSwitch::Reports CSwitch::Modify(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::map<std::string, std::string> values;
    if (auto failed = CheckOp(echo, cmd, obj, 5, values)) return *failed;
    CTransaction tx(m_db);
    const int64_t rid = FindByKey(obj, values);
    if (!rid) return Fail(echo, RC_NOT_FOUND);
    for (const auto& [name, value] : values) {
        const SAttributeItem* a = Attr(obj, name);
        if (a && !a->key) SetValue(obj, rid, a->name, value);
    }
    if (!tx.Commit()) return Fail(echo, RC_INTERNAL, m_db.Error());
    return Ok(echo);
}

CSwitch::Reports CSwitch::AddBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::map<std::string, std::string> values;
    if (auto failed = CheckOp(echo, cmd, obj, 6, values)) return *failed;
    int64_t from = 0, to = 0, first = 0;
    if (!ToInt(values[obj.rangeFrom], from) || !ToInt(values[obj.rangeTo], to) || from > to ||
        to - from >= 10000 || !ToInt(values["BGNDN"], first))
        return Fail(echo, RC_BAD_VALUE, "(at most 10000 numbers, first not after last)");
    if (!ParentExists(obj, values)) return Fail(echo, RC_NO_PARENT);
    CTransaction tx(m_db);
    for (int64_t i = 0; i <= to - from; ++i) {
        std::map<std::string, std::string> row = {
            {"DN", NextNumber(values["BGNDN"], i)}, {"V5IID", values["V5IID"]},
            {obj.rangeAttr, std::to_string(from + i)}, {"CSC", values.count("CSC") ? values["CSC"] : "0"}};
        for (const SAttributeItem& a : obj.attributes)
            if (!row.count(a.name) && a.para.kind == PK_ENUMFIXED) row[a.name] = a.para.choices.front().value;
        if (FindByKey(obj, row) || !InsertRaw(obj, row))
            return Fail(echo, RC_DUPLICATE, "(" + row["DN"] + ")");
        NumberAdded(obj.type, row["DN"], row["CSC"]);
    }
    if (!tx.Commit()) return Fail(echo, RC_INTERNAL, m_db.Error());
    return Ok(echo, std::to_string(to - from + 1) + " subscribers added.");
}

CSwitch::Reports CSwitch::RemoveBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::map<std::string, std::string> values;
    if (auto failed = CheckOp(echo, cmd, obj, 7, values)) return *failed;
    int64_t from = 0, to = 0;
    if (!ToInt(values[obj.rangeFrom], from) || !ToInt(values[obj.rangeTo], to) || from > to)
        return Fail(echo, RC_BAD_VALUE, "(first not after last)");
    CTransaction tx(m_db);
    const std::string where = " WHERE V5IID = ? AND " + QuoteIdent(obj.rangeAttr) + " BETWEEN ? AND ?";
    CStatement& sel = m_db.Prepared("SELECT DN FROM " + Table(obj.type) + where);
    sel.Bind(1, values["V5IID"]).Bind(2, from).Bind(3, to);
    std::vector<std::string> dns;
    while (sel.Step()) dns.emplace_back(sel.Text(0));
    if (dns.empty()) return Fail(echo, RC_NOT_FOUND);
    m_db.Prepared("DELETE FROM " + Table(obj.type) + where).Bind(1, values["V5IID"]).Bind(2, from).Bind(3, to).Exec();
    for (const std::string& dn : dns) NumberRemoved(obj.type, dn);
    if (!tx.Commit()) return Fail(echo, RC_INTERNAL, m_db.Error());
    return Ok(echo, std::to_string(dns.size()) + " subscribers removed.");
}

CSwitch::Reports CSwitch::Custom(const std::string& echo, const SMmlCommand& cmd, const SComObj& owner,
                                 const SCmd& op) {
    std::map<std::string, std::string> values;
    Failure fail;
    if (!CheckParams(cmd, op, values, fail)) return Fail(echo, fail.code, fail.detail);
    bool keyed = false;
    for (const SAttributeItem& a : owner.attributes) keyed = keyed || (a.key && values.count(a.name));
    const int64_t rid = keyed ? FindByKey(owner, values) : 0;
    if (keyed && !rid) return Fail(echo, RC_NOT_FOUND);
    CTransaction tx(m_db);
    std::string text = ResultText(RC_OK);

    if (cmd.verb == "BLK" || cmd.verb == "UBL") {
        const bool block = cmd.verb == "BLK";
        if (const SAttributeItem* st = Attr(owner, "STATUS"))
            SetValue(owner, rid, st->name, block ? "BLOCKED" : st->para.choices.front().value);
        if (Attr(owner, "BLOCKED")) SetValue(owner, rid, "BLOCKED", block ? "YES" : "NO");
        text = block ? "Blocked." : "Unblocked.";
    } else if (cmd.verb == "TST") {
        text = "Test passed: loop 412 ohm, insulation above 20 Mohm, ringer present.";
        if (Attr(owner, "TESTRESULT")) SetValue(owner, rid, "TESTRESULT", "Passed");
    } else if (cmd.verb == "RST") {
        text = "Reset completed.";
    } else if (cmd.verb == "DSP" && owner.type == 341) {
        // Live counts of every subscriber kind.
        CReportWriter w(echo, RC_OK, text);
        for (const auto& [type, name] : SubscriberTypes()) {
            w.BeginObject(cmd.object);
            w.Add("SUBTYPE", name);
            const SComObj& o = *m_cat.Find(type);
            w.Add("TOTAL", std::to_string(Count(type)));
            for (const char* state : {"IDLE", "BUSY", "BLOCKED", "FAULT"}) {
                int64_t n = 0;
                if (Attr(o, "STATUS")) {
                    CStatement& s = m_db.Prepared("SELECT COUNT(*) FROM " + Table(type) + " WHERE STATUS = ?");
                    s.Bind(1, std::string(state));
                    n = s.Step() ? s.Int(0) : 0;
                }
                w.Add(state, std::to_string(n));
            }
        }
        return {w.Finish()};
    } else if (cmd.verb == "DSP") {
        CReportWriter w(echo, RC_OK, text);
        if (rid) {
            WriteRecord(w, owner, cmd.object, rid);
        } else {
            CStatement& s = m_db.Prepared("SELECT rid FROM " + Table(owner.type) + " ORDER BY rid LIMIT 500");
            std::vector<int64_t> rids;
            while (s.Step()) rids.push_back(s.Int(0));
            for (int64_t r : rids) WriteRecord(w, owner, cmd.object, r);
        }
        return {w.Finish()};
    } else if (owner.type == 340 && (cmd.verb == "ADD" || cmd.verb == "RMV")) {
        // Batch jobs run at once here; the job stays listed with its result.
        int64_t first = 0, last = 0;
        if (!ToInt(values["BGNDN"], first) || !ToInt(values["ENDDN"], last) || first > last ||
            last - first >= 10000)
            return Fail(echo, RC_BAD_VALUE, "(at most 10000 numbers, first not after last)");
        static const std::map<std::string, DWORD> byType = {{"MGCP", 308}, {"H248", 319}, {"SIP", 311}};
        int64_t done = 0;
        for (int64_t i = 0; i <= last - first; ++i) {
            const std::string dn = NextNumber(values["BGNDN"], i);
            for (const auto& [name, type] : byType) {
                if (cmd.verb == "ADD" && name != values["SUBTYPE"]) continue;
                const SComObj& o = *m_cat.Find(type);
                const int64_t existing = FindByKey(o, {{"DN", dn}});
                if (cmd.verb == "RMV" && existing) {
                    m_db.Prepared("DELETE FROM " + Table(type) + " WHERE rid = ?").Bind(1, existing).Exec();
                    NumberRemoved(type, dn);
                    ++done;
                } else if (cmd.verb == "ADD" && !existing) {
                    std::map<std::string, std::string> row{{"DN", dn}, {"CSC", values.count("CSC") ? values["CSC"] : "0"}};
                    for (const SAttributeItem& a : o.attributes) {
                        if (row.count(a.name)) continue;
                        if (!a.para.defaultValue.empty()) StoredValue(a.para, a.para.defaultValue, row[a.name]);
                        else if (!a.para.choices.empty()) row[a.name] = a.para.choices.front().value;
                        else if (a.para.kind == PK_NUMBER) row[a.name] = std::to_string(std::max<long long>(a.para.minValue, 0));
                        else row[a.name] = "batch-" + dn;
                    }
                    if (InsertRaw(o, row)) {
                        NumberAdded(type, dn, row["CSC"]);
                        ++done;
                    }
                }
            }
        }
        CStatement& next = m_db.Prepared("SELECT COALESCE(MAX(JOBID), 0) + 1 FROM o340");
        const std::string job = next.Step() ? std::to_string(next.Int(0)) : "1";
        InsertRaw(owner, {{"JOBID", job}, {"KIND", cmd.verb}, {"BGNDN", values["BGNDN"]},
                          {"ENDDN", values["ENDDN"]}, {"STATE", "DONE"}});
        text = "Job " + job + ": " + std::to_string(done) + " subscribers " +
               (cmd.verb == "ADD" ? "added." : "removed.");
    }
    if (!tx.Commit()) return Fail(echo, RC_INTERNAL, m_db.Error());
    return Ok(echo, text);
}

}  // namespace mmlsw
