// A thin RAII layer over SQLite: a connection, prepared statements that
// reset themselves, and transactions that roll back unless committed.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mmlsw {

class CStatement {
public:
    CStatement() = default;
    CStatement(sqlite3* db, std::string_view sql);
    CStatement(CStatement&&) noexcept = default;
    CStatement& operator=(CStatement&&) noexcept = default;

    bool Valid() const { return m_stmt != nullptr; }
    void Reset();
    CStatement& Bind(int index, std::string_view text);
    CStatement& Bind(int index, int64_t value);
    CStatement& BindNull(int index);
    // true while a row is available.
    bool Step();
    // Runs to completion; the result code (SQLITE_DONE on success).
    int Exec();
    int64_t Int(int col) const { return sqlite3_column_int64(m_stmt.get(), col); }
    std::string_view Text(int col) const;
    bool IsNull(int col) const { return sqlite3_column_type(m_stmt.get(), col) == SQLITE_NULL; }
    int Columns() const { return sqlite3_column_count(m_stmt.get()); }
    int LastCode() const { return m_last; }

private:
    struct Finalize {
        void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
    };
    std::unique_ptr<sqlite3_stmt, Finalize> m_stmt;
    int m_last = SQLITE_OK;
};

class CDatabase {
public:
    // ":memory:" for a database in memory. False with Error() on failure.
    bool Open(const std::string& path);
    sqlite3* Handle() const { return m_db.get(); }
    bool Exec(std::string_view sql);
    // A cached prepared statement, reset for reuse.
    CStatement& Prepared(const std::string& sql);
    std::string Error() const;
    int64_t Changes() const { return sqlite3_changes64(m_db.get()); }

private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Close> m_db;
    std::unordered_map<std::string, CStatement> m_cache;
};

// BEGIN IMMEDIATE now, ROLLBACK at scope exit unless Commit() succeeded.
class CTransaction {
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    bool Commit();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

private:
    CDatabase& m_db;
    bool m_done = false;
};

// "name" quoted as an SQL identifier.
std::string QuoteIdent(std::string_view name);

}  // namespace mmlsw
