// The switch simulator: opening the store, sessions, and command dispatch.
#include "Switch.h"

#include <chrono>
#include <filesystem>
#include <set>

#include "CatalogueHelpers.h"
#include "HostStrings.h"
#include "ResultCache.h"
#include "Secrets.h"
#include "TextHelpers.h"
#include "Utf8.h"
#include "Values.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

// What a switch and its readers have in common.
struct CSwitch::SShared {
    CQueryRegistry queries;
    CResultCache results;
    std::string path;
    int busyMs = kDefaultBusyMs;
    bool fullSync = true;
    CSessions sessions;
    int64_t loginDelayMs = kDefaultLoginDelayMs;
    int oplogKeepDays = 0;
};

namespace {

// A table column of an attribute.
std::string ColumnDef(const SAttributeItem& a) {
    if (a.revision) return QuoteIdent(a.name) + " INTEGER NOT NULL DEFAULT 1";
    return QuoteIdent(a.name) + (a.para.kind == PK_NUMBER ? " INTEGER" : " TEXT");
}

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CSwitch::CSwitch(const CFrmDatabase& catalogue, Clock clock)
    : m_cat(catalogue), m_clock(clock ? std::move(clock) : Clock(SteadyMs)), m_shared(std::make_shared<SShared>()) {
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
    m_secretNames.insert(kPasswordParam);
    for (DWORD type : m_cat.Types())
        for (const SAttributeItem& a : m_cat.Find(type)->attributes)
            if (a.secret) m_secretNames.insert(platform::ToUpper(a.name));
}

CSwitch::~CSwitch() = default;

bool CSwitch::Open(const std::string& path, std::string& error) {
    m_shared->queries.Clear();
    m_shared->results.AllChanged();
    m_shared->path = path;
    m_dataVersion = -1;
    if (!m_db.Open(path, CDatabase::Mode::ReadWrite, m_shared->busyMs, error)) return false;
    try {
        m_db.SetFullSync(m_shared->fullSync);
        CreateTables();
        WatchChanges();
    } catch (const CStoreError& e) {
        error = path + ": " + e.what();
        return false;
    }
    return true;
}

std::unique_ptr<CSwitch> CSwitch::OpenReader(std::string& error) const {
    if (m_shared->path.empty() || m_shared->path == ":memory:") {
        error = "a database in memory has no second connection";
        return nullptr;
    }
    auto reader = std::make_unique<CSwitch>(m_cat, m_clock);
    reader->m_shared = m_shared;
    reader->m_reader = true;
    if (!reader->m_db.Open(m_shared->path, CDatabase::Mode::ReadOnly, m_shared->busyMs, error)) return nullptr;
    return reader;
}

bool CSwitch::OpenToCheck(const std::string& path, std::string& error) {
    DataReplaced();
    m_shared->path = path;
    m_reader = true;
    std::error_code ec;
    if (path.empty() || path == ":memory:" || !std::filesystem::is_regular_file(path, ec))
        return error = (path.empty() ? std::string("no database file") : path + ": no such database file"), false;
    if (!m_db.Open(path, CDatabase::Mode::ReadOnly, m_shared->busyMs, error)) return false;
    for (DWORD type : m_cat.Types()) {
        // Accounts and the log come with the first open for writing since
        // they exist: a store older than them is still one of this switch.
        if (type == kOperatorType || type == kOplogType) continue;
        auto s = m_db.Prepared("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
        s->Bind(1, Table(type));
        if (!s->Step())
            return error = path + ": no store of this switch (it has no table " + Table(type) + " for " +
                           m_cat.Find(type)->mmlName + ")",
                   false;
    }
    return true;
}

void CSwitch::CreateTables() {
    for (DWORD type : m_cat.Types()) {
        const SComObj& o = *m_cat.Find(type);
        const std::string t = Table(type);
        // Record ids are never used twice: a paged query holds them, and a
        // record added later must not stand in for one removed meanwhile.
        // The operation log only loses its oldest rows, so its ids grow
        // without the counter that would cost every change one more page.
        const bool log = type == kOplogType;
        std::string sql = log ? " (rid INTEGER PRIMARY KEY" : " (rid INTEGER PRIMARY KEY AUTOINCREMENT";
        for (const SAttributeItem& a : o.attributes) sql += ", " + ColumnDef(a);
        sql += ")";
        if (!log) MigrateToUniqueIds(t, sql);
        m_db.Exec("CREATE TABLE IF NOT EXISTS " + t + sql);
        AddNewColumns(o);
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
        // Numbers are looked up by their value wherever they are held.
        if (type == kMsnType) m_db.Exec("CREATE INDEX IF NOT EXISTS " + t + "_msn ON " + t + " (MSN)");
        if (type == kMemberType) m_db.Exec("CREATE INDEX IF NOT EXISTS " + t + "_short ON " + t + " (CGNO, SHORTNO)");
    }
    CreateRevisions();
    MirrorLineRevisions();
    CreateAccountTables();
}

void CSwitch::AddNewColumns(const SComObj& obj) {
    // Attributes the catalogue gained after the store was made are columns
    // added at the end (the catalogue adds them after the others); a
    // record's revision starts at 1.
    std::set<std::string> have;
    {
        auto info = m_db.Prepared("SELECT name FROM pragma_table_info(?)");
        info->Bind(1, Table(obj.type));
        while (info->Step()) have.insert(std::string(info->Text(0)));
    }
    for (const SAttributeItem& a : obj.attributes)
        if (!have.count(a.name)) m_db.Exec("ALTER TABLE " + Table(obj.type) + " ADD COLUMN " + ColumnDef(a));
}

void CSwitch::MigrateToUniqueIds(const std::string& table, const std::string& columns) {
    // A table of an older store hands out the ids of removed records again;
    // it is copied once into one that does not, ids kept.
    std::string old;
    {
        auto s = m_db.Prepared("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
        s->Bind(1, table);
        if (!s->Step()) return;
        old = std::string(s->Text(0));
    }
    if (old.find("AUTOINCREMENT") != std::string::npos) return;
    std::string common;
    {
        auto info = m_db.Prepared("SELECT name FROM pragma_table_info(?)");
        info->Bind(1, table);
        while (info->Step()) {
            const std::string name(info->Text(0));
            if (columns.find(QuoteIdent(name)) != std::string::npos || name == "rid")
                common += (common.empty() ? "" : ", ") + QuoteIdent(name);
        }
    }
    CTransaction tx(m_db);
    m_db.Exec("ALTER TABLE " + table + " RENAME TO " + table + "_old");
    m_db.Exec("CREATE TABLE " + table + columns);
    m_db.Exec("INSERT INTO " + table + " (" + common + ") SELECT " + common + " FROM " + table + "_old");
    m_db.Exec("DROP TABLE " + table + "_old");
    tx.Commit();
}

int64_t CSwitch::Count(DWORD type) {
    auto s = m_db.Prepared("SELECT COUNT(*) FROM " + Table(type));
    return s->Step() ? s->Int(0) : 0;
}

bool CSwitch::HasRecords(DWORD type) { return m_db.Prepared("SELECT 1 FROM " + Table(type) + " LIMIT 1")->Step(); }

CResultCache& CSwitch::Results() { return m_shared->results; }
CSessions& CSwitch::Sessions() { return m_shared->sessions; }
void CSwitch::SetLoginDelay(int64_t ms) { m_shared->loginDelayMs = ms; }
void CSwitch::SetOplogKeepDays(int days) { m_shared->oplogKeepDays = days; }
int64_t CSwitch::LoginDelay() const { return m_shared->loginDelayMs; }
int CSwitch::OplogKeepDays() const { return m_shared->oplogKeepDays; }
CQueryRegistry& CSwitch::Queries() { return m_shared->queries; }

void CSwitch::DataReplaced() {
    m_unfinished.clear();
    m_shared->queries.Clear();
    m_shared->results.AllChanged();
}

int64_t CSwitch::Checkpoint(bool truncate) { return m_db.Checkpoint(truncate); }

void CSwitch::SetQueryTtl(int64_t ms) {
    SQueryLimits l = m_shared->queries.Limits();
    l.idleMs = ms;
    m_shared->queries.SetLimits(l);
}

void CSwitch::SetQueryLimits(const SQueryLimits& limits) { m_shared->queries.SetLimits(limits); }
SQueryLimits CSwitch::QueryLimits() const { return m_shared->queries.Limits(); }

void CSwitch::SetFullSync(bool full) {
    m_shared->fullSync = full;
    if (m_db.Handle()) m_db.SetFullSync(full);
}

bool CSwitch::FullSync() const { return m_shared->fullSync; }

void CSwitch::SetBusyTimeout(int ms) {
    m_shared->busyMs = ms;
    m_db.SetBusyTimeout(ms);
}

size_t CSwitch::ExpireQueries() { return m_shared->queries.Expire(Now()); }
size_t CSwitch::OpenQueries() const { return m_shared->queries.Count(); }
size_t CSwitch::OpenQueries(SessionId session) const { return m_shared->queries.Count(session); }
int64_t CSwitch::HeldRecords() const { return m_shared->queries.HeldRecords(); }
void CSwitch::CloseSession(SessionId session) {
    m_shared->queries.CloseSession(session);
    m_notices.Unsubscribe(session);
}

void CSwitch::Touch(DWORD type, const std::string& column) {
    if (column.empty())
        Results().RowsChanged(type);
    else
        Results().ValueChanged(type, column);
    m_touched.emplace_back(type, column);
}

void CSwitch::EndChanges() {
    for (const auto& [type, column] : m_touched) {
        if (column.empty())
            Results().RowsChanged(type);
        else
            Results().ValueChanged(type, column);
    }
    m_touched.clear();
    m_revised.clear();
    m_touchedRecords.clear();
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

CSwitch::Reports CSwitch::FailAt(const std::string& echo, const std::string& record, const Failure& f) const {
    return Fail(echo, f.code, "(at " + record + ")" + (f.detail.empty() ? "" : " " + f.detail));
}

CSwitch::Reports CSwitch::Ok(const std::string& echo, const std::string& text) const {
    return {CReportWriter(echo, RC_OK, text.empty() ? ResultText(RC_OK) : text).Finish()};
}

CSwitch::Reports CSwitch::RefuseTooLong(std::string_view start) const {
    std::string echo = MaskSecrets(Utf8Repaired(start.substr(0, 64)), {kPasswordParam});
    for (char& c : echo)
        if (c == '\n' || c == '\r' || c == '\0' || c == '%') c = ' ';
    return Fail(echo + "...", RC_TOO_LONG);
}

bool CSwitch::Resolve(const SMmlCommand& cmd, const SComObj*& obj, const SCmd*& custom, Failure& fail) const {
    custom = nullptr;
    if (auto it = m_custom.find(cmd.Word()); it != m_custom.end()) {
        obj = m_cat.Find(it->second.first);
        custom = &obj->commands.at(it->second.second);
        return true;
    }
    obj = m_cat.FindByMml(cmd.object);
    static const std::set<std::string> verbs = {"LST", "DSP", "ADD", "RMV", "MOD", "RLS", "ADB", "RVB",
                                                "BLK", "UBL", "RST", "TST"};
    if (!obj)
        return fail = {verbs.count(cmd.verb) ? RC_UNKNOWN_OBJECT : RC_UNKNOWN_VERB, "(" + ShownValue(cmd.object) + ")"},
               false;
    return true;
}

bool CSwitch::IsLongRead(std::string_view command) const {
    SMmlCommand cmd;
    std::string error;
    const SComObj* obj = nullptr;
    const SCmd* custom = nullptr;
    Failure fail;
    if (!ParseMml(command, cmd, error) || !Resolve(cmd, obj, custom, fail)) return false;
    if (obj->type == kStatisticsType) return cmd.verb == "DSP" || cmd.verb == "LST";
    if (custom || cmd.verb != "LST") return false;
    if (const SMmlParam* qid = cmd.Find(HostString(HS_QID))) {
        // A page past the first records of an order a reader is still
        // reading waits for it on a reader, not here.
        const SMmlParam* e = cmd.Find(HostString(HS_PAGE_END));
        const auto ids = m_shared->queries.Peek(qid->value);
        int64_t end = 0;
        return ids && e && ParseInt(platform::TrimBlanksView(e->value), end) && !ids->Finished() &&
               end >= static_cast<int64_t>(ids->Known());
    }
    return !IsKeyLookup(cmd, *obj);
}

bool CSwitch::IsRead(std::string_view command) {
    const std::string word = MmlCommandWord(command);
    const std::string verb = word.substr(0, word.find(' '));
    return verb == "LST" || verb == "DSP" || verb == "RLS" || word == "SUB NOTICE" || word == "USB NOTICE";
}

bool CSwitch::IsKeyLookup(const SMmlCommand& cmd, const SComObj& obj) {
    bool keyed = false;
    for (const SAttributeItem& a : obj.attributes) {
        if (!a.key) continue;
        const SMmlParam* p = cmd.Find(a.name);
        const std::string_view v = p ? platform::TrimBlanksView(p->value) : std::string_view();
        if (v.empty() || v.back() == '*') return false;
        keyed = true;
    }
    return keyed;
}

CSwitch::Reports CSwitch::Execute(std::string_view command, SessionId session) {
    bool busy = false;
    return Run(command, session, false, busy);
}

std::optional<CSwitch::Reports> CSwitch::TryExecute(std::string_view command, SessionId session) {
    // No wait for the lock: the caller tries again and meanwhile serves others.
    m_db.SetBusyTimeout(0);
    bool busy = false;
    Reports out = Run(command, session, true, busy);
    m_db.SetBusyTimeout(m_shared->busyMs);
    if (busy) return std::nullopt;
    return out;
}

CSwitch::Reports CSwitch::RefuseBusy(std::string_view command) const {
    return Fail(MaskSecrets(command, {kPasswordParam}), RC_BUSY, "(the database is locked by another program)");
}

CSwitch::Reports CSwitch::RefuseConnection(int most) const {
    return Fail({}, RC_BUSY, "(the switch serves " + std::to_string(most) + " connections, its most: connect again later)");
}

int CSwitch::BusyTimeout() const { return m_shared->busyMs; }

CSwitch::Reports CSwitch::Run(std::string_view command, SessionId session, bool mayDefer, bool& busy) {
    // The echo is the command as it came (the report keeps it on one line),
    // but for the password.
    if (command.size() > kMaxCommand) return RefuseTooLong(command);
    const std::string echo = MaskSecrets(command, {kPasswordParam});
    if (const size_t bad = Utf8BadOffset(command); bad != std::string::npos)
        return Fail(Utf8Repaired(echo), RC_SYNTAX, "(not UTF-8 text from byte " + std::to_string(bad) + ")");
    ExpireQueries();

    const std::string word = MmlCommandWord(echo);
    const bool sessionCommand = word == "LGI" || word == "LGO";
    SMmlCommand cmd;
    std::string error;
    if (!sessionCommand && !ParseMml(command, cmd, error, ShownValue)) return Fail(echo, RC_SYNTAX, "(" + error + ")");
    // Every change, refused or not, and every login and logout enters the
    // operation log in the transaction of the change.
    const bool logged = !m_reader && (sessionCommand || !IsRead(echo));
    Reports out;
    SLogged row;
    bool thrown = false;
    try {
        // A change waits for the sorted results read before it to be whole.
        if (!IsRead(echo)) FinishSorts();
        if (!m_reader) {
            // Another program that wrote to the file invalidates shared results.
            const int64_t version = m_db.DataVersion();
            if (version != m_dataVersion && m_dataVersion >= 0) Results().AllChanged();
            m_dataVersion = version;
        }
        const SSessionIdentity who = Who(session);
        row = {who.op, who.addr, cmd.object, session, 0};
        std::optional<CTransaction> tx;
        if (logged) tx.emplace(m_db);
        m_changedRows.clear();
        m_counting = logged;
        if (sessionCommand) {
            out = SessionCommand(std::string(command), echo, session, row.op);
        } else if (const int refusal = Permission(cmd, who); refusal != RC_OK) {
            out = Fail(echo, refusal);
        } else {
            out = Dispatch(echo, cmd, session);
        }
        if (logged) {
            row.records = RecordsChanged(cmd);
            Log(row, command, out);
            tx->Commit();
        }
    } catch (const CStoreError& e) {
        thrown = true;
        if (e.Busy() && mayDefer)
            busy = true;  // each change is one transaction: nothing changed
        else if (e.Busy())
            out = RefuseBusy(echo);
        else if (e.Constraint())
            out = Fail(echo, RC_DUPLICATE, "(" + std::string(e.what()) + ")");
        else
            out = Fail(echo, RC_INTERNAL, "(" + std::string(e.what()) + ")");
    } catch (const std::exception& e) {
        thrown = true;
        out = Fail(echo, RC_INTERNAL, "(" + std::string(e.what()) + ")");
    }
    try {
        NoteChanges(cmd, session, out);
    } catch (const std::exception&) {
        // The change stands and is answered; its notices are lost, as
        // those of a subscriber that does not keep up would be.
    }
    m_counting = false;
    if (logged && thrown && !busy) {
        // The change failed as a whole and was taken back: its refusal is
        // logged on its own, when the store lets it.
        try {
            CTransaction tx(m_db);
            row.records = 0;
            Log(row, command, out);
            tx.Commit();
        } catch (const CStoreError&) {
        }
    }
    EndChanges();
    return out;
}

CSwitch::Reports CSwitch::Dispatch(const std::string& echo, const SMmlCommand& cmd, SessionId session) {
    const SComObj* obj = nullptr;
    const SCmd* custom = nullptr;
    Failure fail;
    if (IsNoticeCommand(cmd)) return Notices(echo, cmd, session);
    if (!Resolve(cmd, obj, custom, fail)) return Fail(echo, fail);
    // Accounts keep hashes, never what the command carried.
    if (obj->type == kOperatorType && (cmd.verb == "ADD" || cmd.verb == "MOD" || cmd.verb == "RMV"))
        return OperatorCommand(echo, cmd);
    // Reads see one snapshot and take the file's locks once; a reader that
    // answers heads first keeps it for FinishSorts.
    std::optional<CReadTransaction> snapshot;
    if (cmd.verb == "LST" || cmd.verb == "DSP" || cmd.verb == "RLS")
        (m_reader && m_headsFirst ? m_headSnapshot : snapshot).emplace(m_db);
    if (custom) return Custom(echo, cmd, *obj, *custom);
    auto has = [&](const char* verb) {
        for (const auto& [id, c] : obj->commands)
            if (MmlCommandWord(c.mml + ":") == std::string(verb) + " " + cmd.object) return true;
        return false;
    };
    if (cmd.verb == "LST" && has("LST")) {
        if (cmd.Find(HostString(HS_QID))) return Page(echo, cmd, *obj, session);
        return List(echo, cmd, *obj, session);
    }
    if (cmd.verb == "RLS" && obj->paged) return Release(echo, cmd, *obj, session);
    if (cmd.verb == "DSP" && has("DSP")) return Display(echo, cmd, *obj);
    if (cmd.verb == "ADD" && has("ADD")) return Add(echo, cmd, *obj);
    if (cmd.verb == "RMV" && has("RMV")) return Remove(echo, cmd, *obj);
    if (cmd.verb == "MOD" && has("MOD")) return Modify(echo, cmd, *obj);
    if (cmd.verb == "ADB" && has("ADB")) return AddBatch(echo, cmd, *obj);
    if (cmd.verb == "RVB" && has("RVB")) return RemoveBatch(echo, cmd, *obj);
    return Fail(echo, RC_UNKNOWN_VERB, "(" + ShownValue(cmd.verb) + " is no command of " + obj->mmlName + ")");
}

void BindAll(CStatement& s, const std::vector<std::string>& binds) {
    for (size_t i = 0; i < binds.size(); ++i) s.Bind(static_cast<int>(i) + 1, binds[i]);
}

}  // namespace mmlsw
