// The RAII layer over SQLite.
#include "Sqlite.h"

namespace mmlsw {

namespace {

[[noreturn]] void Throw(sqlite3* db, int code) {
    throw CStoreError(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

}  // namespace

CStatement::CStatement(sqlite3* db, std::string_view sql) {
    sqlite3_stmt* s = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s, nullptr);
    if (rc != SQLITE_OK) Throw(db, rc);
    m_stmt.reset(s);
}

void CStatement::Reset() {
    if (!m_stmt) return;
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

CStatement& CStatement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(m_stmt.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

CStatement& CStatement::Bind(int index, int64_t value) {
    sqlite3_bind_int64(m_stmt.get(), index, value);
    return *this;
}

CStatement& CStatement::BindNull(int index) {
    sqlite3_bind_null(m_stmt.get(), index);
    return *this;
}

bool CStatement::Step() {
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(m_stmt.get());
    const int code = sqlite3_extended_errcode(db);
    const std::string what = sqlite3_errmsg(db);
    // A failed statement must not keep its read or write open.
    sqlite3_reset(m_stmt.get());
    throw CStoreError(code, what);
}

void CStatement::Exec() {
    while (Step()) {
    }
}

std::string_view CStatement::Text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), col));
    if (!p) return {};
    return std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt.get(), col)));
}

bool CDatabase::Open(const std::string& path, Mode mode, int busyTimeoutMs, std::string& error) {
    // Memory statistics cost a global lock on every allocation, which every
    // reader thread would wait on; nothing here reads them. Only possible
    // before the library's first use, and harmless after it.
    static const bool quiet = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)quiet;
    m_cache.clear();
    m_db.reset();
    sqlite3* db = nullptr;
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    m_db.reset(db);
    if (rc != SQLITE_OK) {
        error = path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        m_db.reset();
        return false;
    }
    SetBusyTimeout(busyTimeoutMs);
    // The file is read here for the first time: anything that is not a
    // database fails now, not at the first command.
    if (!TryExec("SELECT COUNT(*) FROM sqlite_master")) {
        error = path + ": " + Error();
        m_db.reset();
        return false;
    }
    if (mode == Mode::ReadWrite) {
        // A commit is on the disk when it is acknowledged, so that not even
        // a power loss takes it back (SetFullSync may trade that for speed).
        // The log is checkpointed every 1000 pages and cut back to 16 MiB
        // after each complete checkpoint, so it cannot grow without end.
        if (!TryExec("PRAGMA journal_mode=WAL") || !TryExec("PRAGMA synchronous=FULL") ||
            !TryExec("PRAGMA wal_autocheckpoint=1000") || !TryExec("PRAGMA journal_size_limit=16777216")) {
            error = path + ": " + Error();
            m_db.reset();
            return false;
        }
    }
    TryExec("PRAGMA foreign_keys=OFF");
    // Records are read through a mapping of the file rather than a read
    // call each: a page of 500 records would otherwise be hundreds of calls.
    TryExec("PRAGMA mmap_size=1073741824");
    return true;
}

void CDatabase::Exec(std::string_view sql) {
    const int rc = sqlite3_exec(m_db.get(), std::string(sql).c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Throw(m_db.get(), sqlite3_extended_errcode(m_db.get()));
}

bool CDatabase::TryExec(std::string_view sql) {
    return sqlite3_exec(m_db.get(), std::string(sql).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string CDatabase::Error() const { return m_db ? sqlite3_errmsg(m_db.get()) : "no database"; }

void CDatabase::SetBusyTimeout(int ms) {
    if (m_db) sqlite3_busy_timeout(m_db.get(), ms);
}

void CDatabase::SetFullSync(bool full) { Exec(full ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL"); }

int64_t CDatabase::DataVersion() {
    auto s = Prepared("PRAGMA data_version");
    return s->Step() ? s->Int(0) : 0;
}

int64_t CDatabase::Checkpoint(bool truncate) {
    int logged = 0, done = 0;
    const int mode = truncate ? SQLITE_CHECKPOINT_TRUNCATE : SQLITE_CHECKPOINT_PASSIVE;
    if (sqlite3_wal_checkpoint_v2(m_db.get(), nullptr, mode, &logged, &done) != SQLITE_OK) return -1;
    return logged;
}

CDatabase::CUse CDatabase::Prepared(const std::string& sql) {
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) it = m_cache.emplace(sql, CStatement(m_db.get(), sql)).first;
    it->second.Reset();
    return CUse(it->second);
}

CTransaction::CTransaction(CDatabase& db) : m_db(db), m_nested(!sqlite3_get_autocommit(db.Handle())) {
    m_db.Exec(m_nested ? "SAVEPOINT inner_change" : "BEGIN IMMEDIATE");
    m_open = true;
}

CTransaction::~CTransaction() {
    if (!m_open) return;
    if (m_nested) {
        m_db.TryExec("ROLLBACK TO inner_change");
        m_db.TryExec("RELEASE inner_change");
    } else {
        m_db.TryExec("ROLLBACK");
    }
}

void CTransaction::Commit() {
    m_db.Exec(m_nested ? "RELEASE inner_change" : "COMMIT");
    m_open = false;
}

bool CDatabase::AutoCommit() const { return sqlite3_get_autocommit(m_db.get()) != 0; }

CReadTransaction::CReadTransaction(CDatabase& db) : m_db(db), m_own(sqlite3_get_autocommit(db.Handle()) != 0) {
    if (m_own) m_db.Exec("BEGIN");
}

CReadTransaction::~CReadTransaction() {
    if (m_own) m_db.TryExec("COMMIT");
}

std::string QuoteIdent(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace mmlsw
