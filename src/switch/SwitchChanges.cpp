// The switch simulator: commands that change data, the maintenance
// operations of single objects, and the row access they share.
#include <algorithm>
#include <random>

#include "CatalogueHelpers.h"
#include "Numbers.h"
#include "ResultCache.h"
#include "Switch.h"
#include "TextHelpers.h"
#include "Values.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

namespace {

// The number after dn, keeping its width ("0099" -> "0100").
std::string NextNumber(const std::string& dn, int64_t step) {
    int64_t n = 0;
    ParseInt(dn, n);
    std::string s = std::to_string(n + step);
    if (s.size() < dn.size()) s.insert(0, dn.size() - s.size(), '0');
    return s;
}

bool IsRestriction(const SComObj& obj, const std::string& name) {
    return std::find(obj.restrictParams.begin(), obj.restrictParams.end(), name) != obj.restrictParams.end();
}

std::string RandomSecret() {
    std::random_device rd;
    static const char* const hex = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 16; ++i) s += hex[rd() % 16];
    return s;
}

// Values of the attributes a batch-added subscriber must have but the batch
// does not give, each a value of its kind.
std::string BatchValue(const SParaDesc& d, const std::string& dn) {
    if (d.mmlName == "URI") return "sip:" + dn + "@batch.invalid";
    if (d.mmlName == "PASSWORD") return RandomSecret();
    if (d.mmlName == "EID") return "aaln/1@" + dn + ".batch.invalid";
    if (!d.defaultValue.empty()) return d.defaultValue;
    if (!d.choices.empty()) return d.choices.front().value;
    if (d.kind == PK_NUMBER) return std::to_string(std::max<long long>(d.minValue, 0));
    return "batch-" + dn;
}

}  // namespace

// ---- parameters -------------------------------------------------------

bool CSwitch::CheckParams(const SMmlCommand& cmd, const SCmd& op, const SComObj& obj, Values& values,
                          Failure& fail) const {
    for (const SMmlParam& p : cmd.params) {
        const SParaDesc* desc = nullptr;
        for (const SParaDesc& d : op.params)
            if (platform::EqualsNoCase(d.mmlName, p.name)) desc = &d;
        if (!desc) return fail = {RC_UNKNOWN_PARAM, "(" + ShownValue(p.name) + ")"}, false;
        std::string stored, why;
        if (!StoredValue(*desc, p.value, stored, why)) {
            const SAttributeItem* a = Attr(obj, desc->mmlName);
            // The text never repeats a secret.
            const std::string shown = a && a->secret ? desc->mmlName : desc->mmlName + "=" + ShownValue(p.value);
            return fail = {RC_BAD_VALUE, "(" + shown + ": " + why + ")"}, false;
        }
        values[desc->mmlName] = stored;
    }
    for (const SParaDesc& d : op.params) {
        auto it = values.find(d.mmlName);
        if (d.required && (it == values.end() || it->second.empty())) return fail = {RC_MISSING, d.mmlName}, false;
    }
    return true;
}

std::optional<CSwitch::Reports> CSwitch::CheckOp(const std::string& echo, const SMmlCommand& cmd,
                                                 const SComObj& obj, DWORD op, Values& values) const {
    const SCmd* c = OpOf(obj, op);
    if (!c) return Fail(echo, RC_UNKNOWN_VERB);
    Failure fail;
    if (!CheckParams(cmd, *c, obj, values, fail)) return Fail(echo, fail);
    return std::nullopt;
}

// ---- rows ---------------------------------------------------------------

bool CSwitch::ChildCondition(const SComObj& child, const SComObj& parent, int64_t rid, SCondition& c) {
    c = {};
    for (const std::string& r : child.restrictParams) {
        if (!Attr(child, r) || !Attr(parent, r)) continue;
        c.where += (c.where.empty() ? "" : " AND ") + QuoteIdent(r) + " = ?";
        c.binds.push_back(RecordValue(parent, rid, r));
    }
    return !c.where.empty();
}

int64_t CSwitch::FindByKey(const SComObj& obj, const Values& values) {
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
    auto s = m_db.Prepared("SELECT rid FROM " + Table(obj.type) + " WHERE " + where);
    BindAll(*s, binds);
    return s->Step() ? s->Int(0) : 0;
}

bool CSwitch::ParentExists(const SComObj& obj, const Values& values) {
    const SComObj* parent = m_cat.Find(obj.parentType);
    if (!parent) return true;
    std::string where;
    std::vector<std::string> binds;
    for (const std::string& r : obj.restrictParams) {
        auto it = values.find(r);
        if (r == obj.rangeFrom || r == obj.rangeTo || it == values.end() || it->second.empty() || !Attr(*parent, r))
            continue;
        where += (where.empty() ? "" : " AND ") + QuoteIdent(r) + " = ?";
        binds.push_back(it->second);
    }
    if (where.empty()) return true;
    auto s = m_db.Prepared("SELECT 1 FROM " + Table(parent->type) + " WHERE " + where + " LIMIT 1");
    BindAll(*s, binds);
    return s->Step();
}

CSwitch::Values CSwitch::Record(const SComObj& obj, int64_t rid) {
    auto s = m_db.Prepared("SELECT * FROM " + Table(obj.type) + " WHERE rid = ?");
    s->Bind(1, rid);
    Values row;
    if (s->Step())
        for (size_t i = 0; i < obj.attributes.size(); ++i)
            row[obj.attributes[i].name] = std::string(s->Text(static_cast<int>(i) + 1));
    return row;
}

std::string CSwitch::RecordValue(const SComObj& obj, int64_t rid, const std::string& attr) {
    auto s = m_db.Prepared("SELECT " + QuoteIdent(attr) + " FROM " + Table(obj.type) + " WHERE rid = ?");
    s->Bind(1, rid);
    return s->Step() ? std::string(s->Text(0)) : std::string();
}

void CSwitch::InsertRaw(const SComObj& obj, const Values& values) {
    std::string cols, marks;
    for (const SAttributeItem& a : obj.attributes) {
        cols += (cols.empty() ? "" : ", ") + QuoteIdent(a.name);
        marks += marks.empty() ? "?" : ", ?";
    }
    auto s = m_db.Prepared("INSERT INTO " + Table(obj.type) + " (" + cols + ") VALUES (" + marks + ")");
    int i = 1;
    for (const SAttributeItem& a : obj.attributes) {
        auto it = values.find(a.name);
        if (a.revision)
            s->Bind(i++, "1");  // a record comes in at its first revision
        else if (it != values.end())
            s->Bind(i++, it->second);
        else
            s->BindNull(i++);
    }
    Touch(obj.type);
    s->Exec();
    NoteRecord(obj, values, 'A');
}

void CSwitch::DeleteWhere(const SComObj& obj, const SCondition& c) {
    NoteRecords(obj, c, 'R');
    auto s = m_db.Prepared("DELETE FROM " + Table(obj.type) + " WHERE " + c.where);
    BindAll(*s, c.binds);
    Touch(obj.type);
    s->Exec();
}

void CSwitch::SetValue(const SComObj& obj, int64_t rid, const std::string& attr, const std::string& value) {
    auto s = m_db.Prepared("UPDATE " + Table(obj.type) + " SET " + QuoteIdent(attr) + " = ? WHERE rid = ?");
    s->Bind(1, value).Bind(2, rid);
    Touch(obj.type, attr);
    s->Exec();
    NoteRecords(obj, {"rid = ?", {std::to_string(rid)}}, 'M');
    Revise(obj, rid, attr);
}

void CSwitch::NoteRecords(const SComObj& obj, const SCondition& c, char what) {
    if (!m_notices.Any()) return;
    std::string cols;
    for (const SAttributeItem& a : obj.attributes)
        if (a.key) cols += (cols.empty() ? "" : ", ") + QuoteIdent(a.name);
    if (cols.empty()) return m_touchedRecords.push_back({obj.type, {}, what});
    auto s = m_db.Prepared("SELECT " + cols + " FROM " + Table(obj.type) + " WHERE " + c.where);
    BindAll(*s, c.binds);
    while (s->Step()) {
        CNoticeBoard::Keys keys;
        int i = 0;
        for (const SAttributeItem& a : obj.attributes)
            if (a.key) keys.emplace_back(a.name, std::string(s->Text(i++)));
        m_touchedRecords.push_back({obj.type, std::move(keys), what});
    }
}

void CSwitch::NoteRecord(const SComObj& obj, const Values& row, char what) {
    if (!m_notices.Any()) return;
    CNoticeBoard::Keys keys;
    for (const SAttributeItem& a : obj.attributes)
        if (a.key) keys.emplace_back(a.name, row.count(a.name) ? row.at(a.name) : std::string());
    m_touchedRecords.push_back({obj.type, std::move(keys), what});
}

// ---- one instance in, one instance out ----------------------------------------

bool CSwitch::AddRecord(const SComObj& obj, const Values& given, Failure& fail) {
    // A Centrex member's group is named in its relations' own words.
    if (obj.parentType && obj.type != kMemberType && !ParentExists(obj, given)) return fail = {RC_NO_PARENT, {}}, false;
    Values row;
    for (const SAttributeItem& a : obj.attributes) {
        auto it = given.find(a.name);
        std::string v;
        if (it != given.end() && !it->second.empty()) {
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
    if (FindByKey(obj, row)) return fail = {RC_DUPLICATE, DuplicateText(obj, row)}, false;
    if (!LeaveOutDisabled(obj, row, given, fail) || !CheckRules(obj, row, fail) ||
        !CheckRelations(obj, row, given, 0, fail))
        return false;
    InsertRaw(obj, row);
    RecordAdded(obj, row);
    return true;
}

bool CSwitch::RemoveRecord(const SComObj& obj, int64_t rid, Failure& fail) {
    if (!CheckRemoveRules(obj, rid, fail)) return false;
    // Sub-objects: those that live with their parent go with it; any other
    // kind of sub-object keeps the instance alive.
    std::vector<std::pair<const SComObj*, SCondition>> dependent;
    for (DWORD t : m_cat.Types()) {
        const SComObj& child = *m_cat.Find(t);
        SCondition c;
        if (child.parentType != obj.type || !ChildCondition(child, obj, rid, c)) continue;
        if (child.cascade) {
            dependent.emplace_back(&child, std::move(c));
            continue;
        }
        auto cnt = m_db.Prepared("SELECT COUNT(*) FROM " + Table(t) + " WHERE " + c.where);
        BindAll(*cnt, c.binds);
        if (cnt->Step() && cnt->Int(0) > 0)
            return fail = {RC_IN_USE, "(" + std::to_string(cnt->Int(0)) + " " + child.displayName + ")"}, false;
    }
    const Values row = Record(obj, rid);
    const std::vector<std::string> numbers = NumbersOf(obj, row);
    for (const auto& [child, c] : dependent) DeleteWhere(*child, c);
    RemoveDependents(obj, row);
    DeleteWhere(obj, {"rid = ?", {std::to_string(rid)}});
    SyncNumbers(numbers);
    return true;
}

// ---- standard verbs -----------------------------------------------------

CSwitch::Reports CSwitch::Add(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    Values values;
    if (auto failed = CheckOp(echo, cmd, obj, 3, values)) return *failed;
    CTransaction tx(m_db);
    Failure fail;
    if (!AddRecord(obj, values, fail)) return Fail(echo, fail);
    tx.Commit();
    return Ok(echo);
}

CSwitch::Reports CSwitch::Remove(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    Values values;
    if (auto failed = CheckOp(echo, cmd, obj, 4, values)) return *failed;
    CTransaction tx(m_db);
    const int64_t rid = FindByKey(obj, values);
    if (!rid) return Fail(echo, RC_NOT_FOUND);
    Failure fail;
    if (!CheckRevision(obj, rid, values, nullptr, fail) || !RemoveRecord(obj, rid, fail)) return Fail(echo, fail);
    tx.Commit();
    return Ok(echo);
}

CSwitch::Reports CSwitch::Modify(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    Values values;
    if (auto failed = CheckOp(echo, cmd, obj, 5, values)) return *failed;
    CTransaction tx(m_db);
    // The key attributes name the record; nothing a modification carries may
    // then make it another record: neither a key nor an attribute that ties
    // it to its parent changes here.
    const int64_t rid = FindByKey(obj, values);
    if (!rid) return Fail(echo, RC_NOT_FOUND);
    std::set<std::string> sets;  // what the modification changes
    for (const auto& [name, value] : values) {
        const SAttributeItem* a = Attr(obj, name);
        if (a && !a->key && !a->revision && !IsRestriction(obj, a->name) && a->name != obj.rangeAttr)
            sets.insert(a->name);
    }
    if (Failure stale; !CheckRevision(obj, rid, values, &sets, stale)) return Fail(echo, stale);
    const Values current = Record(obj, rid);
    for (const auto& [name, value] : values) {
        const SAttributeItem* a = Attr(obj, name);
        const bool identity = a && (a->key || IsRestriction(obj, a->name) || a->name == obj.rangeAttr);
        if (identity && !value.empty() && value != current.at(a->name))
            return Fail(echo, RC_KEY_FIXED, "(" + a->name + " of this instance is " + current.at(a->name) +
                                                 "; remove it and add it anew to change that)");
    }
    const SCmd* add = OpOf(obj, 3);
    Values after = current;
    for (const auto& [name, given] : values) {
        const SAttributeItem* a = Attr(obj, name);
        if (!a || a->key || a->revision || IsRestriction(obj, a->name) || a->name == obj.rangeAttr) continue;
        std::string value = given;
        if (value.empty()) {
            // An empty value clears an optional attribute, or sets it back
            // to its default; what an instance cannot be without stays.
            const bool required = add && std::any_of(add->params.begin(), add->params.end(), [&](const SParaDesc& d) {
                                      return d.mmlName == a->name && d.required;
                                  });
            if (required) return Fail(echo, RC_BAD_VALUE, "(" + a->name + " cannot be empty)");
            StoredValue(a->para, a->para.defaultValue, value);
        }
        after[a->name] = value;
    }
    Failure fail;
    if (!LeaveOutDisabled(obj, after, values, fail) || !CheckRelations(obj, after, values, rid, fail))
        return Fail(echo, fail);
    for (const auto& [name, value] : after)
        if (value != current.at(name)) SetValue(obj, rid, name, value);
    SyncNumbers(NumbersOf(obj, after));
    tx.Commit();
    return Ok(echo);
}

CSwitch::Reports CSwitch::AddBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    Values values;
    if (auto failed = CheckOp(echo, cmd, obj, 6, values)) return *failed;
    int64_t from = 0, to = 0, first = 0;
    if (!ParseInt(values[obj.rangeFrom], from) || !ParseInt(values[obj.rangeTo], to) || from > to ||
        to - from >= 10000 || !ParseInt(values["BGNDN"], first))
        return Fail(echo, RC_BAD_VALUE, "(at most 10000 numbers, first not after last)");
    CTransaction tx(m_db);
    for (int64_t i = 0; i <= to - from; ++i) {
        const std::string dn = NextNumber(values["BGNDN"], i);
        Failure fail;
        if (!AddRecord(obj, {{"DN", dn}, {"V5IID", values["V5IID"]}, {obj.rangeAttr, std::to_string(from + i)},
                             {"CSC", values["CSC"]}},
                       fail))
            return FailAt(echo, dn, fail);
    }
    tx.Commit();
    return Ok(echo, std::to_string(to - from + 1) + " subscribers added.");
}

CSwitch::Reports CSwitch::RemoveBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    Values values;
    if (auto failed = CheckOp(echo, cmd, obj, 7, values)) return *failed;
    int64_t from = 0, to = 0;
    if (!ParseInt(values[obj.rangeFrom], from) || !ParseInt(values[obj.rangeTo], to) || from > to)
        return Fail(echo, RC_BAD_VALUE, "(first not after last)");
    CTransaction tx(m_db);
    std::vector<int64_t> rids;
    {
        auto sel = m_db.Prepared("SELECT rid FROM " + Table(obj.type) + " WHERE V5IID = ? AND " +
                                 QuoteIdent(obj.rangeAttr) + " BETWEEN ? AND ?");
        sel->Bind(1, values["V5IID"]).Bind(2, from).Bind(3, to);
        while (sel->Step()) rids.push_back(sel->Int(0));
    }
    if (rids.empty()) return Fail(echo, RC_NOT_FOUND);
    for (int64_t rid : rids) {
        Failure fail;
        if (!RemoveRecord(obj, rid, fail)) return FailAt(echo, RecordValue(obj, rid, "DN"), fail);
    }
    tx.Commit();
    return Ok(echo, std::to_string(rids.size()) + " subscribers removed.");
}

// ---- operations of single objects ---------------------------------------

bool CSwitch::IsBlocked(const SComObj& obj, int64_t rid) {
    if (Attr(obj, "BLOCKED")) return RecordValue(obj, rid, "BLOCKED") == "YES";
    return Attr(obj, "STATUS") && RecordValue(obj, rid, "STATUS") == "BLOCKED";
}

CSwitch::Reports CSwitch::Custom(const std::string& echo, const SMmlCommand& cmd, const SComObj& owner,
                                 const SCmd& op) {
    Values values;
    Failure fail;
    if (!CheckParams(cmd, op, owner, values, fail)) return Fail(echo, fail);
    if (cmd.verb == "DSP" && owner.type == kStatisticsType) return Statistics(echo, cmd, cmd.object, false);
    if (owner.type == kBatchJobType && (cmd.verb == "ADD" || cmd.verb == "RMV"))
        return BatchJob(echo, cmd, owner, values);
    bool keyed = false;
    for (const SAttributeItem& a : owner.attributes) keyed = keyed || (a.key && values.count(a.name));
    const bool changes = cmd.verb == "BLK" || cmd.verb == "UBL" || cmd.verb == "TST";
    std::optional<CTransaction> tx;
    if (changes) tx.emplace(m_db);
    if (cmd.object == "CXGRPCNT") return CountMembers(echo, values);
    if (owner.type == kV5MaintenanceType && changes) {
        std::string done;
        if (!MaintainV5Line(cmd.verb, values, done, fail)) return Fail(echo, fail);
        tx->Commit();
        return Ok(echo, done);
    }
    const int64_t rid = keyed ? FindByKey(owner, values) : 0;
    if (keyed && !rid) return Fail(echo, RC_NOT_FOUND);
    static const std::set<std::string> kState = {"STATUS", "BLOCKED"};  // what maintenance changes
    if (rid && !CheckRevision(owner, rid, values, (cmd.verb == "BLK" || cmd.verb == "UBL") ? &kState : nullptr, fail))
        return Fail(echo, fail);
    std::string text = ResultText(RC_OK);

    if (cmd.verb == "UBL" && !IsBlocked(owner, rid)) {
        text = kNotBlocked;  // a line in any other state keeps it
    } else if (cmd.verb == "BLK" || cmd.verb == "UBL") {
        const bool block = cmd.verb == "BLK";
        if (const SAttributeItem* st = Attr(owner, "STATUS"))
            SetValue(owner, rid, st->name, block ? "BLOCKED" : st->para.choices.front().value);
        if (Attr(owner, "BLOCKED")) SetValue(owner, rid, "BLOCKED", block ? "YES" : "NO");
        SyncNumbers(NumbersOf(owner, Record(owner, rid)));
        text = block ? "Blocked." : "Unblocked.";
    } else if (cmd.verb == "TST") {
        text = "Test passed: loop 412 ohm, insulation above 20 Mohm, ringer present.";
        if (Attr(owner, "TESTRESULT")) SetValue(owner, rid, "TESTRESULT", "Passed");
    } else if (cmd.verb == "RST") {
        text = "Reset completed.";
    } else if (cmd.verb == "DSP") {
        CReportWriter w(echo, RC_OK, text);
        if (rid) {
            WriteRecord(w, owner, cmd.object, rid);
        } else {
            std::vector<int64_t> rids;
            auto s = m_db.Prepared("SELECT rid FROM " + Table(owner.type) + " ORDER BY rid LIMIT " +
                                   std::to_string(kPageRecords));
            while (s->Step()) rids.push_back(s->Int(0));
            for (int64_t r : rids) WriteRecord(w, owner, cmd.object, r);
        }
        return {w.Finish()};
    }
    if (tx) tx->Commit();
    return Ok(echo, text);
}

CSwitch::Reports CSwitch::BatchJob(const std::string& echo, const SMmlCommand& cmd, const SComObj& owner,
                                   Values& values) {
    // Batch jobs run at once here, whole or not at all; the job stays
    // listed with its result.
    int64_t first = 0, last = 0;
    if (!ParseInt(values["BGNDN"], first) || !ParseInt(values["ENDDN"], last) || first > last ||
        last - first >= 10000)
        return Fail(echo, RC_BAD_VALUE, "(at most 10000 numbers, first not after last)");
    static const std::map<std::string, DWORD> byType = {{"MGCP", 308}, {"H248", 319}, {"SIP", 311}};
    const bool adding = cmd.verb == "ADD";
    CTransaction tx(m_db);
    int64_t done = 0;
    for (int64_t i = 0; i <= last - first; ++i) {
        const std::string dn = NextNumber(values["BGNDN"], i);
        for (const auto& [name, type] : byType) {
            if (adding && name != values["SUBTYPE"]) continue;
            const SComObj& o = *m_cat.Find(type);
            Failure fail;
            if (adding) {
                Values row{{"DN", dn}, {"CSC", values["CSC"]}};
                for (const SParaDesc& d : OpOf(o, 3)->params) {
                    if (!d.required || row.count(d.mmlName)) continue;
                    if (!StoredValue(d, BatchValue(d, dn), row[d.mmlName]))
                        return Fail(echo, RC_INTERNAL, "(no value for " + d.mmlName + ")");
                }
                if (!AddRecord(o, row, fail))
                    return FailAt(echo, dn, fail);
                ++done;
            } else if (const int64_t rid = FindByKey(o, {{"DN", dn}})) {
                if (!RemoveRecord(o, rid, fail))
                    return FailAt(echo, dn, fail);
                ++done;
            }
        }
    }
    std::string job = "1";
    {
        auto next = m_db.Prepared("SELECT COALESCE(MAX(JOBID), 0) + 1 FROM " + Table(kBatchJobType));
        if (next->Step()) job = std::to_string(next->Int(0));
    }
    InsertRaw(owner, {{"JOBID", job}, {"KIND", cmd.verb}, {"BGNDN", values["BGNDN"]}, {"ENDDN", values["ENDDN"]},
                      {"STATE", "DONE"}, {"STARTDATE", values["STARTDATE"]}, {"STARTTIME", values["STARTTIME"]}});
    tx.Commit();
    return Ok(echo, "Job " + job + ": " + std::to_string(done) + " subscribers " + (adding ? "added." : "removed."));
}

}  // namespace mmlsw
