// The RAII layer over SQLite.
#include "Sqlite.h"

namespace mmlsw {

CStatement::CStatement(sqlite3* db, std::string_view sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s, nullptr) == SQLITE_OK)
        m_stmt.reset(s);
}

void CStatement::Reset() {
    if (!m_stmt) return;
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

CStatement& CStatement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(m_stmt.get(), index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
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
    if (!m_stmt) return false;
    m_last = sqlite3_step(m_stmt.get());
    return m_last == SQLITE_ROW;
}

int CStatement::Exec() {
    while (Step()) {
    }
    return m_last;
}

std::string_view CStatement::Text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), col));
    if (!p) return {};
    return std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt.get(), col)));
}

bool CDatabase::Open(const std::string& path) {
    m_cache.clear();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    m_db.reset(db);
    if (rc != SQLITE_OK) return false;
    // The switch is the only writer; a crash may lose the last transaction
    // but never corrupts the file.
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    Exec("PRAGMA foreign_keys=OFF");
    return true;
}

bool CDatabase::Exec(std::string_view sql) {
    return sqlite3_exec(m_db.get(), std::string(sql).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

CStatement& CDatabase::Prepared(const std::string& sql) {
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) it = m_cache.emplace(sql, CStatement(m_db.get(), sql)).first;
    it->second.Reset();
    return it->second;
}

std::string CDatabase::Error() const {
    return m_db ? sqlite3_errmsg(m_db.get()) : "no database";
}

CTransaction::CTransaction(CDatabase& db) : m_db(db) { m_db.Exec("BEGIN IMMEDIATE"); }

CTransaction::~CTransaction() {
    if (!m_done) m_db.Exec("ROLLBACK");
}

bool CTransaction::Commit() {
    m_done = m_db.Exec("COMMIT");
    return m_done;
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
