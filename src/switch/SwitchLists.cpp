// The switch simulator: lists, paged queries, details and live statistics.
#include <algorithm>

#include "CatalogueHelpers.h"
#include "Numbers.h"
#include "HostStrings.h"
#include "ResultCache.h"
#include "Switch.h"
#include "TextHelpers.h"
#include "Values.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

namespace {

std::string SortParamName() {
    std::string k = HostString(HS_SORT_KEYWORD);
    if (!k.empty() && k.back() == '=') k.pop_back();
    return platform::ToUpper(k);
}

bool IsRestriction(const SComObj& obj, const std::string& name) {
    return std::find(obj.restrictParams.begin(), obj.restrictParams.end(), name) != obj.restrictParams.end();
}

void And(std::string& where, const std::string& term) { where += (where.empty() ? "" : " AND ") + term; }

}  // namespace

void CSwitch::WriteRecord(CReportWriter& w, const SComObj& obj, const std::string& block, int64_t rid) {
    auto s = m_db.Prepared("SELECT * FROM " + Table(obj.type) + " WHERE rid = ?");
    s->Bind(1, rid);
    if (!s->Step()) return;
    w.BeginObject(block);
    for (size_t i = 0; i < obj.attributes.size(); ++i)
        w.Add(obj.attributes[i].name,
              obj.attributes[i].secret ? std::string_view("******") : s->Text(static_cast<int>(i) + 1));
}

bool CSwitch::ListSql(const SMmlCommand& cmd, const SComObj& obj, SListSql& sql, Failure& fail) const {
    std::string rangeFrom, rangeTo;
    const std::string sortName = SortParamName();
    for (const SMmlParam& p : cmd.params) {
        if (p.name == sortName) {
            const size_t dash = p.value.rfind('-');
            const SAttributeItem* a = dash == std::string::npos ? nullptr : Attr(obj, p.value.substr(0, dash));
            const std::string dir = dash == std::string::npos ? "" : platform::ToUpper(p.value.substr(dash + 1));
            if (!a || (dir != "ASC" && dir != "DESC"))
                return fail = {RC_BAD_VALUE, "(sort by ATTRIBUTE-ASC or ATTRIBUTE-DESC)"}, false;
            if (a->secret) return fail = {RC_SECRET, "(" + a->name + ")"}, false;
            int keys = 0;
            for (const SAttributeItem& k : obj.attributes) keys += k.key;
            // The only key is unique: it needs no tie-break, and its index
            // then gives the order without sorting.
            sql.order = QuoteIdent(a->name) + " " + dir + (a->key && keys == 1 ? "" : ", rid " + dir);
            sql.columns.push_back(a->name);
        } else if (platform::EqualsNoCase(p.name, obj.rangeFrom)) {
            rangeFrom = p.value;
        } else if (platform::EqualsNoCase(p.name, obj.rangeTo)) {
            rangeTo = p.value;
        } else if (obj.type == kOplogType && OplogBound(p, sql, fail)) {
            if (fail.code != RC_OK) return false;
        } else if (const SAttributeItem* a = Attr(obj, p.name)) {
            if (a->secret) return fail = {RC_SECRET, "(" + a->name + ")"}, false;
            const std::string col = QuoteIdent(a->name);
            std::string why, v;
            sql.columns.push_back(a->name);
            const std::string value = std::string(platform::TrimBlanksView(p.value));
            if (!value.empty() && value.back() == '*') {
                // A trailing "*" asks for every value that starts with the rest.
                std::string prefix = value.substr(0, value.size() - 1);
                if (!CheckPrefix(a->para, prefix, why)) return fail = {RC_BAD_VALUE, "(" + a->name + ": " + why + ")"}, false;
                if (IsDirectoryNumber(a->name)) prefix = NumberPrefix(prefix);
                And(sql.where, col + " >= ? AND " + col + " < ?");
                sql.binds.push_back(prefix);
                sql.binds.push_back(prefix + "\xff");
                continue;
            }
            if (!StoredValue(a->para, value, v, why)) return fail = {RC_BAD_VALUE, "(" + a->name + ": " + why + ")"}, false;
            if (v.empty()) {
                And(sql.where, "(" + col + " IS NULL OR " + col + " = '')");
            } else {
                And(sql.where, col + " = ?");
                sql.binds.push_back(v);
            }
        } else if (!IsRestriction(obj, p.name)) {
            return fail = {RC_UNKNOWN_PARAM, "(" + ShownValue(p.name) + ")"}, false;
        }
    }
    int64_t lo = 0, hi = 0;
    if (!rangeFrom.empty() || !rangeTo.empty()) {
        if (!ParseInt(platform::TrimBlanksView(rangeFrom), lo) || !ParseInt(platform::TrimBlanksView(rangeTo), hi) ||
            lo > hi)
            return fail = {RC_BAD_VALUE, "(" + obj.rangeFrom + " and " + obj.rangeTo + ": numbers, the first not after the last)"}, false;
        if (lo != 0 || hi != 0) {
            const SAttributeItem* ra = Attr(obj, obj.rangeAttr);
            const std::string col = ra->para.kind == PK_NUMBER ? QuoteIdent(ra->name)
                                                               : "CAST(" + QuoteIdent(ra->name) + " AS INTEGER)";
            And(sql.where, col + " BETWEEN " + std::to_string(lo) + " AND " + std::to_string(hi));
            sql.columns.push_back(ra->name);
        }
    }
    if (sql.order.empty() && obj.type == kOplogType) sql.order = "rid DESC";  // newest first
    if (sql.order.empty()) {
        // Key order: the key's index answers it without a sort or a read of
        // the records themselves.
        for (const SAttributeItem& a : obj.attributes)
            if (a.key) sql.order += (sql.order.empty() ? "" : ", ") + QuoteIdent(a.name);
        if (sql.order.empty()) sql.order = "rid";
    }
    return true;
}

std::shared_ptr<const CRecordIds> CSwitch::ListIds(const SComObj& obj, const SListSql& sql) {
    const std::string text = "SELECT rid FROM " + Table(obj.type) + (sql.where.empty() ? "" : " WHERE " + sql.where) +
                             " ORDER BY " + sql.order;
    std::string key = text;
    for (const std::string& b : sql.binds) key += '\x1f' + b;
    if (auto hit = Results().Find(key)) return hit;
    // The stamp is taken before the read begins (see ResultCache.h).
    const CResultCache::SStamp stamp = Results().Stamp(obj.type, sql.columns);
    if (auto first = FirstPageAlone(obj, sql, text, key, stamp)) {
        first->SetCondition(sql.where, sql.binds);
        return first;  // shared once its order is finished
    }
    auto ids = std::make_shared<CRecordIds>();
    {
        auto s = m_db.Prepared(text);
        BindAll(*s, sql.binds);
        while (s->Step()) ids->Push(s->Int(0));
    }
    ids->ShrinkToFit();
    ids->SetCondition(sql.where, sql.binds);
    if (obj.paged && static_cast<int64_t>(ids->size()) > kPageRecords) Results().Store(key, stamp, ids);
    return ids;
}

CSwitch::Reports CSwitch::List(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj,
                               SessionId session) {
    if (obj.type == kStatisticsType) return Statistics(echo, cmd, obj.mmlName, false);
    SListSql sql;
    Failure fail;
    if (!ListSql(cmd, obj, sql, fail)) return Fail(echo, fail);
    const std::shared_ptr<const CRecordIds> ids = ListIds(obj, sql);
    const int64_t total = static_cast<int64_t>(ids->size());

    if (obj.paged && total > kPageRecords) {
        const std::string qid = Queries().Open(session, obj.type, ids, Now());
        if (qid.empty())
            return Fail(echo, RC_TOO_MANY, "(open queries hold " + std::to_string(Queries().HeldRecords()) +
                                               " records; this list has " + std::to_string(total) + ")");
        CReportWriter w(echo, RC_OK, ResultText(RC_OK));
        w.BeginObject(HostString(HS_QUERY_HEAD));
        w.Add(HostString(HS_QID), qid);
        w.Add(HostString(HS_TOTAL_RECS), std::to_string(total));
        return {w.Finish()};
    }
    if (total > kMaxUnpaged)
        return Fail(echo, RC_TOO_MANY, "(" + std::to_string(total) + " records, at most " +
                                           std::to_string(kMaxUnpaged) + " in one answer)");
    // Short lists whole; long lists of objects that are not paged in
    // reports of kPageRecords each, all but the last marked to continue.
    Reports out;
    int64_t i = 0;
    do {
        const int64_t end = std::min(total, i + kPageRecords);
        CReportWriter w(echo, RC_OK, ResultText(RC_OK), end < total);
        for (; i < end; ++i) WriteRecord(w, obj, obj.mmlName, (*ids)[static_cast<size_t>(i)]);
        out.push_back(w.Finish());
    } while (i < total);
    return out;
}

CSwitch::Reports CSwitch::Page(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj,
                               SessionId session) {
    const SMmlParam* qid = cmd.Find(HostString(HS_QID));
    const SMmlParam* b = cmd.Find(HostString(HS_PAGE_BEGIN));
    const SMmlParam* e = cmd.Find(HostString(HS_PAGE_END));
    for (const SMmlParam& p : cmd.params)
        if (&p != qid && &p != b && &p != e) return Fail(echo, RC_UNKNOWN_PARAM, "(" + ShownValue(p.name) + ")");
    if (!b || !e) return Fail(echo, RC_MISSING, b ? HostString(HS_PAGE_END) : HostString(HS_PAGE_BEGIN));
    const auto ids = Queries().Use(session, qid->value, obj.type, Now());
    if (!ids) return Fail(echo, RC_NO_QUERY, "(" + ShownValue(qid->value) + ")");
    int64_t begin = 0, end = 0;
    const int64_t total = static_cast<int64_t>(ids->size());
    if (!ParseInt(platform::TrimBlanksView(b->value), begin) || !ParseInt(platform::TrimBlanksView(e->value), end) ||
        begin < 0 || begin > end || begin >= total || end - begin + 1 > kMaxPage)
        return Fail(echo, RC_BAD_VALUE, "(records 0 to " + std::to_string(total - 1) + ", at most " +
                                            std::to_string(kMaxPage) + " at once)");
    end = std::min(end, total - 1);
    if (end >= static_cast<int64_t>(ids->Known())) {
        FinishSorts(ids.get());  // read here when this switch read its head
        // A reader that read it reads the rest right after its answer.
        if (!ids->AwaitFinished())
            return Fail(echo, RC_NO_QUERY, "(" + ShownValue(qid->value) + ": the rest of its order could not be read)");
    }
    // Positions stand as the head counted them. A record removed since, or
    // changed so that it no longer meets the list's conditions, keeps its
    // place as an object whose every property is empty.
    std::vector<std::string> records;
    int64_t gone = 0;
    {
        auto s = m_db.Prepared("SELECT * FROM " + Table(obj.type) + " WHERE rid = ?" +
                               (ids->Where().empty() ? "" : " AND (" + ids->Where() + ")"));
        for (int64_t i = begin; i <= end; ++i) {
            s->Reset();
            s->Bind(1, (*ids)[static_cast<size_t>(i)]);
            for (size_t k = 0; k < ids->Binds().size(); ++k) s->Bind(static_cast<int>(k) + 2, ids->Binds()[k]);
            const bool there = s->Step();
            gone += !there;
            for (size_t a = 0; a < obj.attributes.size(); ++a)
                records.emplace_back(!there ? std::string_view() : obj.attributes[a].secret ? std::string_view("******")
                                                                                         : s->Text(static_cast<int>(a) + 1));
        }
    }
    std::string text = ResultText(RC_OK);
    if (gone)
        text += " " + std::to_string(gone) + " of these records were removed or changed since the query ran" +
                " and are shown empty.";
    CReportWriter w(echo, RC_OK, text);
    for (size_t r = 0; r < records.size(); r += obj.attributes.size()) {
        w.BeginObject(obj.mmlName);
        for (size_t a = 0; a < obj.attributes.size(); ++a) w.Add(obj.attributes[a].name, records[r + a]);
    }
    return {w.Finish()};
}

CSwitch::Reports CSwitch::Release(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj,
                                  SessionId session) {
    const SMmlParam* qid = cmd.Find(HostString(HS_QID));
    if (!qid) return Fail(echo, RC_MISSING, HostString(HS_QID));
    if (cmd.params.size() != 1) return Fail(echo, RC_UNKNOWN_PARAM);
    if (!Queries().Release(session, qid->value, obj.type))
        return Fail(echo, RC_NO_QUERY, "(" + ShownValue(qid->value) + ")");
    return Ok(echo);
}

CSwitch::Reports CSwitch::Display(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    if (obj.type == kStatisticsType) return Statistics(echo, cmd, obj.mmlName, true);
    Values values;
    if (auto failed = CheckOp(echo, cmd, obj, 1, values)) return *failed;
    const int64_t rid = FindByKey(obj, values);
    if (!rid) return Fail(echo, RC_NOT_FOUND);
    // The instance's sub-objects follow, each kind as one block, at most
    // kMaxSubObjects of each; the result text says when there are more.
    std::string text = ResultText(RC_OK);
    std::vector<std::pair<const SComObj*, std::vector<int64_t>>> kids;
    for (DWORD t : m_cat.Types()) {
        const SComObj& child = *m_cat.Find(t);
        SCondition c;
        if (child.parentType != obj.type || !ChildCondition(child, obj, rid, c)) continue;
        std::vector<int64_t> rids;
        {
            auto s = m_db.Prepared("SELECT rid FROM " + Table(t) + " WHERE " + c.where + " LIMIT " +
                                   std::to_string(kMaxSubObjects + 1));
            BindAll(*s, c.binds);
            while (s->Step()) rids.push_back(s->Int(0));
        }
        if (static_cast<int64_t>(rids.size()) > kMaxSubObjects) {
            rids.pop_back();
            auto n = m_db.Prepared("SELECT COUNT(*) FROM " + Table(t) + " WHERE " + c.where);
            BindAll(*n, c.binds);
            text += " " + std::to_string(kMaxSubObjects) + " of " + std::to_string(n->Step() ? n->Int(0) : 0) +
                    " " + child.displayName + " shown; LST " + child.mmlName + " lists them all.";
        }
        kids.emplace_back(&child, std::move(rids));
    }
    CReportWriter w(echo, RC_OK, text);
    WriteRecord(w, obj, obj.mmlName, rid);
    for (const auto& [child, rids] : kids)
        for (int64_t k : rids) WriteRecord(w, *child, child->mmlName, k);
    return {w.Finish()};
}

CSwitch::Reports CSwitch::Statistics(const std::string& echo, const SMmlCommand& cmd, const std::string& block,
                                     bool byKey) {
    const SComObj& stat = *m_cat.Find(kStatisticsType);
    Values conditions;
    if (byKey) {
        if (auto failed = CheckOp(echo, cmd, stat, 1, conditions)) return *failed;
    } else {
        SListSql sql;
        Failure fail;
        if (!ListSql(cmd, stat, sql, fail)) return Fail(echo, fail);
        for (const SMmlParam& p : cmd.params) {
            if (p.name == SortParamName()) continue;
            StoredValue(Attr(stat, p.name)->para, p.value, conditions[Attr(stat, p.name)->name]);
        }
    }
    // Counted from the subscriber tables, so that they always agree with them.
    static const char* const kStates[] = {"IDLE", "BUSY", "BLOCKED", "FAULT"};
    std::vector<Values> rows;
    for (const auto& [type, name] : SubscriberTypes()) {
        const SComObj& o = *m_cat.Find(type);
        Values row{{"SUBTYPE", name}};
        std::string sql = "SELECT COUNT(*)";
        for (const char* state : kStates)
            sql += Attr(o, "STATUS") ? std::string(", SUM(STATUS = '") + state + "')" : std::string(", 0");
        auto s = m_db.Prepared(sql + " FROM " + Table(type));
        s->Step();
        row["TOTAL"] = std::to_string(s->Int(0));
        for (int i = 0; i < 4; ++i) row[kStates[i]] = std::to_string(s->Int(i + 1));
        bool match = true;
        for (const auto& [attr, value] : conditions) match = match && row[attr] == value;
        if (match) rows.push_back(std::move(row));
    }
    if (byKey && rows.empty()) return Fail(echo, RC_NOT_FOUND);
    if (const SMmlParam* sort = cmd.Find(SortParamName()); sort && !byKey) {
        const size_t dash = sort->value.rfind('-');
        const SAttributeItem* a = Attr(stat, sort->value.substr(0, dash));
        const bool desc = platform::EqualsNoCase(sort->value.substr(dash + 1), "DESC");
        const bool numeric = a->para.kind == PK_NUMBER;
        std::stable_sort(rows.begin(), rows.end(), [&](const Values& x, const Values& y) {
            const std::string &l = x.at(a->name), &r = y.at(a->name);
            const bool less = numeric ? std::stoll(l) < std::stoll(r) : l < r;
            const bool more = numeric ? std::stoll(r) < std::stoll(l) : r < l;
            return desc ? more : less;
        });
    }
    CReportWriter w(echo, RC_OK, ResultText(RC_OK));
    for (const Values& row : rows) {
        w.BeginObject(block);
        for (const SAttributeItem& a : stat.attributes) w.Add(a.name, row.at(a.name));
    }
    return {w.Finish()};
}

}  // namespace mmlsw
