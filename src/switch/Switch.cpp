// The switch simulator: command dispatch, lists, paged queries and details.
#include "Switch.h"

#include <chrono>
#include <set>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "hostlibs/Cmd.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

using platform::EqualsNoCase;

bool StoredValue(const SParaDesc& descIn, const std::string& value, std::string& stored) {
    SParaDesc desc = descIn;
    desc.defaultValue.clear();
    CParaItem p(desc);
    if (!p.SetValueText(value)) return false;
    switch (desc.kind) {
        case PK_ENUMFIXED:
        case PK_ENUM:
        case PK_HEX:
            stored = p.GetMMLValue();
            break;
        default:
            stored = p.GetValueText();
    }
    return true;
}

namespace {

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const SAttributeItem* Attr(const SComObj& obj, const std::string& name) {
    for (const SAttributeItem& a : obj.attributes)
        if (EqualsNoCase(a.name, name)) return &a;
    return nullptr;
}

std::string SortParamName() {
    std::string k = HostString(HS_SORT_KEYWORD);
    if (!k.empty() && k.back() == '=') k.pop_back();
    return platform::ToUpper(k);
}

bool ParseInt(const std::string& s, int64_t& v) {
    if (s.empty() || s.size() > 18) return false;
    for (size_t i = (s[0] == '-' ? 1 : 0); i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    if (s == "-") return false;
    v = std::stoll(s);
    return true;
}

}  // namespace

CSwitch::CSwitch(const CFrmDatabase& catalogue, Clock clock)
    : m_cat(catalogue), m_clock(clock ? std::move(clock) : Clock(SteadyMs)) {
    // Standard operations (list, detail, add, remove, modify, batches, filter,
    // paging, release) run on their own object's table; every other command
    // word belongs to the operation that declares it.
    static const std::set<DWORD> standardOps = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10};
    std::set<std::string> standardWords;
    for (DWORD type : m_cat.Types())
        for (const auto& [id, c] : m_cat.Find(type)->commands)
            if (standardOps.count(id)) standardWords.insert(MmlCommandWord(c.mml + ":"));
    for (DWORD type : m_cat.Types())
        for (const auto& [id, c] : m_cat.Find(type)->commands) {
            const std::string word = MmlCommandWord(c.mml + ":");
            if (!standardWords.count(word) && !m_custom.count(word)) m_custom[word] = {type, id};
        }
}

bool CSwitch::Open(const std::string& path, std::string& error) {
    m_queries.clear();
    if (!m_db.Open(path)) {
        error = path + ": " + m_db.Error();
        return false;
    }
    CreateTables();
    if (!m_db.Exec("SELECT 1")) {
        error = path + ": " + m_db.Error();
        return false;
    }
    return true;
}

void CSwitch::CreateTables() {
    for (DWORD type : m_cat.Types()) {
        const SComObj& o = *m_cat.Find(type);
        const std::string t = Table(type);
        std::string sql = "CREATE TABLE IF NOT EXISTS " + t + " (rid INTEGER PRIMARY KEY";
        for (const SAttributeItem& a : o.attributes)
            sql += ", " + QuoteIdent(a.name) + (a.para.kind == PK_NUMBER ? " INTEGER" : " TEXT");
        m_db.Exec(sql + ")");
        std::string keys, parent;
        for (const SAttributeItem& a : o.attributes)
            if (a.key) keys += (keys.empty() ? "" : ", ") + QuoteIdent(a.name);
        for (const std::string& r : o.restrictParams)
            if (Attr(o, r)) parent += (parent.empty() ? "" : ", ") + QuoteIdent(r);
        if (!o.rangeAttr.empty()) parent += (parent.empty() ? "" : ", ") + QuoteIdent(o.rangeAttr);
        if (!keys.empty())
            m_db.Exec("CREATE UNIQUE INDEX IF NOT EXISTS " + t + "_key ON " + t + " (" + keys + ")");
        if (!parent.empty())
            m_db.Exec("CREATE INDEX IF NOT EXISTS " + t + "_parent ON " + t + " (" + parent + ")");
    }
}

int64_t CSwitch::Count(DWORD type) {
    CStatement& s = m_db.Prepared("SELECT COUNT(*) FROM " + Table(type));
    return s.Step() ? s.Int(0) : 0;
}

std::string CSwitch::ResultText(int code) const {
    for (const auto& rc : m_cat.ReturnCodes())
        if (rc.code == code) return rc.text;
    return code == RC_OK ? "Operation succeeded." : "Failed.";
}

CSwitch::Reports CSwitch::Fail(const std::string& echo, int code, const std::string& detail) const {
    std::string text = ResultText(code);
    if (!detail.empty()) text += " " + detail;
    return {CReportWriter(echo, code, text).Finish()};
}

CSwitch::Reports CSwitch::Ok(const std::string& echo, const std::string& text) const {
    return {CReportWriter(echo, RC_OK, text.empty() ? ResultText(RC_OK) : text).Finish()};
}

CSwitch::Reports CSwitch::RefuseTooLong(std::string_view start) const {
    std::string echo(start.substr(0, 64));
    for (char& c : echo)
        if (c == '\n' || c == '\r' || c == '\0' || c == '%') c = ' ';
    return Fail(echo + "...", RC_TOO_LONG);
}

size_t CSwitch::ExpireQueries() {
    const int64_t now = Now();
    size_t freed = 0;
    for (auto it = m_queries.begin(); it != m_queries.end();) {
        if (now - it->second.lastUse > m_queryTtl) {
            it = m_queries.erase(it);
            ++freed;
        } else {
            ++it;
        }
    }
    return freed;
}

CSwitch::Reports CSwitch::Execute(std::string_view command) {
    std::string echo(platform::TrimView(command));
    for (char& c : echo)
        if (c == '\n' || c == '\r' || c == '\0') c = ' ';
    if (echo.size() > kMaxCommand) return RefuseTooLong(echo);
    ExpireQueries();

    SMmlCommand cmd;
    std::string error;
    if (!ParseMml(echo, cmd, error)) return Fail(echo, RC_SYNTAX, "(" + error + ")");
    const std::string word = cmd.Word();
    if (auto it = m_custom.find(word); it != m_custom.end()) {
        const SComObj& owner = *m_cat.Find(it->second.first);
        return Custom(echo, cmd, owner, owner.commands.at(it->second.second));
    }
    const SComObj* obj = m_cat.FindByMml(cmd.object);
    static const std::set<std::string> verbs = {"LST", "DSP", "ADD", "RMV", "MOD", "RLS", "ADB", "RVB",
                                                "BLK", "UBL", "RST", "TST"};
    if (!obj) return Fail(echo, verbs.count(cmd.verb) ? RC_UNKNOWN_OBJECT : RC_UNKNOWN_VERB, cmd.object);
    auto has = [&](const char* verb) {
        for (const auto& [id, c] : obj->commands)
            if (MmlCommandWord(c.mml + ":") == std::string(verb) + " " + cmd.object) return true;
        return false;
    };
    try {
        if (cmd.verb == "LST" && has("LST")) {
            if (cmd.Find(HostString(HS_QID))) return Page(echo, cmd, *obj);
            return List(echo, cmd, *obj);
        }
        if (cmd.verb == "RLS" && obj->paged) return Release(echo, cmd, *obj);
        if (cmd.verb == "DSP" && has("DSP")) return Display(echo, cmd, *obj);
        if (cmd.verb == "ADD" && has("ADD")) return Add(echo, cmd, *obj);
        if (cmd.verb == "RMV" && has("RMV")) return Remove(echo, cmd, *obj);
        if (cmd.verb == "MOD" && has("MOD")) return Modify(echo, cmd, *obj);
        if (cmd.verb == "ADB" && has("ADB")) return AddBatch(echo, cmd, *obj);
        if (cmd.verb == "RVB" && has("RVB")) return RemoveBatch(echo, cmd, *obj);
    } catch (const std::exception& e) {
        return Fail(echo, RC_INTERNAL, e.what());
    }
    return Fail(echo, RC_UNKNOWN_VERB, cmd.verb + " is no command of " + obj->mmlName);
}

void CSwitch::WriteRecord(CReportWriter& w, const SComObj& obj, const std::string& block, int64_t rid) {
    CStatement& s = m_db.Prepared("SELECT * FROM " + Table(obj.type) + " WHERE rid = ?");
    s.Bind(1, rid);
    if (!s.Step()) return;
    w.BeginObject(block);
    for (size_t i = 0; i < obj.attributes.size(); ++i)
        w.Add(obj.attributes[i].name, obj.attributes[i].secret ? std::string_view("******") : s.Text(static_cast<int>(i) + 1));
}

CSwitch::Reports CSwitch::List(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::string where, order = "rid";
    std::vector<std::string> binds;
    std::string rangeFrom, rangeTo;
    const std::string sortName = SortParamName();
    for (const SMmlParam& p : cmd.params) {
        if (p.name == sortName) {
            const size_t dash = p.value.rfind('-');
            const SAttributeItem* a = dash == std::string::npos ? nullptr : Attr(obj, p.value.substr(0, dash));
            const std::string dir = dash == std::string::npos ? "" : platform::ToUpper(p.value.substr(dash + 1));
            if (!a || (dir != "ASC" && dir != "DESC"))
                return Fail(echo, RC_BAD_VALUE, "(sort by ATTRIBUTE-ASC or ATTRIBUTE-DESC)");
            order = QuoteIdent(a->name) + " " + dir + ", rid " + dir;
        } else if (EqualsNoCase(p.name, obj.rangeFrom)) {
            rangeFrom = p.value;
        } else if (EqualsNoCase(p.name, obj.rangeTo)) {
            rangeTo = p.value;
        } else if (const SAttributeItem* a = Attr(obj, p.name)) {
            std::string v;
            const std::string col = QuoteIdent(a->name);
            if (!p.value.empty() && p.value.back() == '*') {
                // A trailing "*" asks for every value that starts with the rest.
                std::string prefix = p.value.substr(0, p.value.size() - 1);
                where += (where.empty() ? "" : " AND ") + col + " >= ? AND " + col + " < ?";
                binds.push_back(prefix);
                binds.push_back(prefix + "\xff");
                continue;
            }
            if (!StoredValue(a->para, p.value, v))
                return Fail(echo, RC_BAD_VALUE, "(" + p.name + "=" + p.value + ")");
            where += (where.empty() ? "" : " AND ") + col + " = ?";
            binds.push_back(v);
        } else if (std::find(obj.restrictParams.begin(), obj.restrictParams.end(), p.name) ==
                   obj.restrictParams.end()) {
            return Fail(echo, RC_UNKNOWN_PARAM, p.name);
        }
    }
    int64_t lo = 0, hi = 0;
    if (!rangeFrom.empty() || !rangeTo.empty()) {
        if (!ParseInt(rangeFrom, lo) || !ParseInt(rangeTo, hi) || lo > hi)
            return Fail(echo, RC_BAD_VALUE, "(" + obj.rangeFrom + ", " + obj.rangeTo + ")");
        if (lo != 0 || hi != 0) {
            const SAttributeItem* ra = Attr(obj, obj.rangeAttr);
            const std::string col = ra->para.kind == PK_NUMBER ? QuoteIdent(ra->name)
                                                               : "CAST(" + QuoteIdent(ra->name) + " AS INTEGER)";
            where += (where.empty() ? "" : " AND ") + col + " BETWEEN " + std::to_string(lo) +
                     " AND " + std::to_string(hi);
        }
    }
    CStatement s(m_db.Handle(), "SELECT rid FROM " + Table(obj.type) +
                                    (where.empty() ? "" : " WHERE " + where) + " ORDER BY " + order);
    if (!s.Valid()) return Fail(echo, RC_INTERNAL, m_db.Error());
    BindAll(s, binds);
    std::vector<int64_t> rids;
    while (s.Step()) rids.push_back(s.Int(0));

    if (obj.paged && static_cast<int64_t>(rids.size()) > kPageRecords) {
        if (m_queries.size() >= kMaxQueries) {
            auto oldest = m_queries.begin();
            for (auto it = m_queries.begin(); it != m_queries.end(); ++it)
                if (it->second.lastUse < oldest->second.lastUse) oldest = it;
            m_queries.erase(oldest);
        }
        const std::string qid = std::to_string(m_nextQid++);
        const size_t total = rids.size();
        m_queries[qid] = {obj.type, std::move(rids), Now()};
        CReportWriter w(echo, RC_OK, ResultText(RC_OK));
        w.BeginObject(HostString(HS_QUERY_HEAD));
        w.Add(HostString(HS_QID), qid);
        w.Add(HostString(HS_TOTAL_RECS), std::to_string(total));
        return {w.Finish()};
    }
    // Short lists whole; long lists of objects that are not paged in
    // reports of kPageRecords each, all but the last marked to continue.
    Reports out;
    size_t i = 0;
    do {
        const size_t end = std::min(rids.size(), i + static_cast<size_t>(kPageRecords));
        CReportWriter w(echo, RC_OK, ResultText(RC_OK), end < rids.size());
        for (; i < end; ++i) WriteRecord(w, obj, obj.mmlName, rids[i]);
        out.push_back(w.Finish());
    } while (i < rids.size());
    return out;
}

CSwitch::Reports CSwitch::Page(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    const SMmlParam* qid = cmd.Find(HostString(HS_QID));
    const SMmlParam* b = cmd.Find(HostString(HS_PAGE_BEGIN));
    const SMmlParam* e = cmd.Find(HostString(HS_PAGE_END));
    for (const SMmlParam& p : cmd.params)
        if (&p != qid && &p != b && &p != e) return Fail(echo, RC_UNKNOWN_PARAM, p.name);
    if (!b || !e) return Fail(echo, RC_MISSING, b ? HostString(HS_PAGE_END) : HostString(HS_PAGE_BEGIN));
    auto it = m_queries.find(qid->value);
    if (it == m_queries.end() || it->second.type != obj.type) return Fail(echo, RC_NO_QUERY, qid->value);
    int64_t begin = 0, end = 0;
    const int64_t total = static_cast<int64_t>(it->second.rids.size());
    if (!ParseInt(b->value, begin) || !ParseInt(e->value, end) || begin < 0 || begin > end ||
        begin >= total || end - begin + 1 > kMaxPage)
        return Fail(echo, RC_BAD_VALUE, "(records 0 to " + std::to_string(total - 1) + ", at most " +
                                            std::to_string(kMaxPage) + " at once)");
    end = std::min(end, total - 1);
    it->second.lastUse = Now();
    CReportWriter w(echo, RC_OK, ResultText(RC_OK));
    for (int64_t i = begin; i <= end; ++i)
        WriteRecord(w, obj, obj.mmlName, it->second.rids[static_cast<size_t>(i)]);
    return {w.Finish()};
}

CSwitch::Reports CSwitch::Release(const std::string& echo, const SMmlCommand& cmd, const SComObj&) {
    const SMmlParam* qid = cmd.Find(HostString(HS_QID));
    if (!qid) return Fail(echo, RC_MISSING, HostString(HS_QID));
    if (cmd.params.size() != 1) return Fail(echo, RC_UNKNOWN_PARAM);
    if (!m_queries.erase(qid->value)) return Fail(echo, RC_NO_QUERY, qid->value);
    return Ok(echo);
}

CSwitch::Reports CSwitch::Display(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj) {
    std::map<std::string, std::string> values;
    if (auto failed = CheckOp(echo, cmd, obj, 1, values)) return *failed;
    const int64_t rid = FindByKey(obj, values);
    if (!rid) return Fail(echo, RC_NOT_FOUND);
    CReportWriter w(echo, RC_OK, ResultText(RC_OK));
    WriteRecord(w, obj, obj.mmlName, rid);
    // The instance's sub-objects follow, each kind as one block.
    for (DWORD t : m_cat.Types()) {
        const SComObj& child = *m_cat.Find(t);
        SCondition c;
        if (child.parentType != obj.type || !ChildCondition(child, obj, rid, c)) continue;
        CStatement& s = m_db.Prepared("SELECT rid FROM " + Table(t) + " WHERE " + c.where + " LIMIT 100");
        BindAll(s, c.binds);
        std::vector<int64_t> kids;
        while (s.Step()) kids.push_back(s.Int(0));
        for (int64_t k : kids) WriteRecord(w, child, child.mmlName, k);
    }
    return {w.Finish()};
}

std::string CSwitch::RecordValue(const SComObj& obj, int64_t rid, const std::string& attr) {
    CStatement& s = m_db.Prepared("SELECT " + QuoteIdent(attr) + " FROM " + Table(obj.type) + " WHERE rid = ?");
    s.Bind(1, rid);
    return s.Step() ? std::string(s.Text(0)) : std::string();
}

}  // namespace mmlsw
