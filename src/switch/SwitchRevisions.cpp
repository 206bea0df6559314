// The switch simulator: record revisions. A record's revision rises once in
// every command that changes it; which attributes changed at each revision
// is kept for the last kKeptRevisions revisions of the record, so that a
// change refused for a stale revision can say what changed since.
#include <algorithm>

#include "CatalogueHelpers.h"
#include "Switch.h"
#include "TextHelpers.h"
#include "hostlibs/MmlText.h"

namespace mmlsw {

namespace {

constexpr int64_t kKeptRevisions = 64;

const SAttributeItem* RevisionAttr(const SComObj& obj) {
    for (const SAttributeItem& a : obj.attributes)
        if (a.revision) return &a;
    return nullptr;
}

}  // namespace

void CSwitch::CreateRevisions() {
    m_db.Exec("CREATE TABLE IF NOT EXISTS revisions (tbl INTEGER, rid INTEGER, rev INTEGER, attr TEXT)");
    m_db.Exec("CREATE INDEX IF NOT EXISTS revisions_rec ON revisions (tbl, rid, rev)");
}

void CSwitch::Revise(const SComObj& obj, int64_t rid, const std::string& attr) {
    const SAttributeItem* rev = RevisionAttr(obj);
    // A V5 line's maintenance record shows its subscriber's revision.
    if (!rev || attr == rev->name || obj.type == kV5MaintenanceType) return;
    const std::string t = Table(obj.type);
    if (m_revised.insert({obj.type, rid}).second) {
        auto up = m_db.Prepared("UPDATE " + t + " SET " + QuoteIdent(rev->name) + " = " + QuoteIdent(rev->name) +
                                " + 1 WHERE rid = ?");
        up->Bind(1, rid);
        Touch(obj.type, rev->name);
        up->Exec();
        auto old = m_db.Prepared("DELETE FROM revisions WHERE tbl = ? AND rid = ? AND rev <= (SELECT " +
                                 QuoteIdent(rev->name) + " FROM " + t + " WHERE rid = ?) - ?");
        old->Bind(1, static_cast<int64_t>(obj.type)).Bind(2, rid).Bind(3, rid).Bind(4, kKeptRevisions);
        old->Exec();
        if (PortTypeOf(obj.type)) MirrorLineRevision(obj, rid);
    }
    auto log = m_db.Prepared("INSERT INTO revisions (tbl, rid, rev, attr) SELECT ?, rid, " + QuoteIdent(rev->name) +
                             ", ? FROM " + t + " WHERE rid = ?");
    log->Bind(1, static_cast<int64_t>(obj.type)).Bind(2, attr).Bind(3, rid);
    log->Exec();
}

void CSwitch::MirrorLineRevision(const SComObj& sub, int64_t subRid) {
    const SComObj& line = *m_cat.Find(kV5MaintenanceType);
    const SAttributeItem* rev = RevisionAttr(line);
    const SAttributeItem* subRev = RevisionAttr(sub);
    if (!rev || !subRev) return;
    const Values row = Record(sub, subRid);
    const int64_t lineRid = FindByKey(line, {{"DN", row.at("DN")}});
    if (lineRid && RecordValue(line, lineRid, rev->name) != row.at(subRev->name))
        SetValue(line, lineRid, rev->name, row.at(subRev->name));
}

void CSwitch::MirrorLineRevisions() {
    const SComObj& line = *m_cat.Find(kV5MaintenanceType);
    const SAttributeItem* rev = RevisionAttr(line);
    if (!rev) return;
    const std::string r = QuoteIdent(rev->name), t = Table(line.type);
    std::string now;
    for (DWORD type : {kV5Type, SubscriberTypeOfPort(334)})
        now += "(SELECT " + r + " FROM " + Table(type) + " s WHERE s.DN = " + t + ".DN), ";
    m_db.Exec("UPDATE " + t + " SET " + r + " = COALESCE(" + now + r + ")");
}

bool CSwitch::CheckRevision(const SComObj& obj, int64_t rid, const Values& values,
                            const std::set<std::string>* touches, Failure& fail) {
    const SAttributeItem* rev = RevisionAttr(obj);
    const auto given = rev ? values.find(rev->name) : values.end();
    if (given == values.end() || given->second.empty()) return true;  // no revision: as ever
    const Values now = Record(obj, rid);
    const std::string current = now.at(rev->name);
    if (given->second == current) return true;
    // What changed since the revision the change was made on, when that
    // is still known; then the record as it is, in command form.
    std::vector<std::string> changed;
    int64_t from = 0, to = 0;
    ParseInt(given->second, from);
    ParseInt(current, to);
    const bool known = from <= to && to - from <= kKeptRevisions;
    {
        auto s = m_db.Prepared("SELECT DISTINCT attr FROM revisions WHERE tbl = ? AND rid = ? AND rev > ?");
        s->Bind(1, static_cast<int64_t>(obj.type)).Bind(2, rid).Bind(3, from);
        while (s->Step()) changed.emplace_back(s->Text(0));
    }
    // Changes of other attributes meanwhile are no conflict.
    if (known && touches &&
        std::none_of(changed.begin(), changed.end(), [&](const std::string& a) { return touches->count(a) > 0; }))
        return true;
    std::string names;
    for (const SAttributeItem& a : obj.attributes)
        if (std::find(changed.begin(), changed.end(), a.name) != changed.end())
            names += (names.empty() ? "" : ", ") + a.name;
    std::string record;
    for (const SAttributeItem& a : obj.attributes) {
        if (a.secret) continue;  // never repeated
        const std::string& v = now.at(a.name);
        record += (record.empty() ? "" : ", ") + a.name + "=" + (v.empty() ? "\"\"" : MmlQuoteIfNeeded(v));
    }
    fail = {RC_STALE, "Changed since " + rev->name + "=" + given->second + ": " +
                          (known && !names.empty() ? names : std::string("not known")) + ". Now: " + record};
    return false;
}

}  // namespace mmlsw
