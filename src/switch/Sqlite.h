// A thin RAII layer over SQLite: a connection, prepared statements that are
// reset when their use ends, and transactions that roll back unless
// committed. Failures of the store throw CStoreError, so that no caller can
// mistake a locked or broken database for an empty answer.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mmlsw {

class CStoreError : public std::runtime_error {
public:
    CStoreError(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    int Code() const { return m_code; }
    // Another connection holds the lock the statement needed.
    bool Busy() const { return (m_code & 0xff) == SQLITE_BUSY || (m_code & 0xff) == SQLITE_LOCKED; }
    bool Constraint() const { return (m_code & 0xff) == SQLITE_CONSTRAINT; }

private:
    int m_code;
};

class CStatement {
public:
    CStatement() = default;
    // Throws CStoreError when the text does not prepare.
    CStatement(sqlite3* db, std::string_view sql);
    CStatement(CStatement&&) noexcept = default;
    CStatement& operator=(CStatement&&) noexcept = default;

    void Reset();
    CStatement& Bind(int index, std::string_view text);
    CStatement& Bind(int index, int64_t value);
    CStatement& BindNull(int index);
    // true while a row is available, false when done; throws on failure.
    bool Step();
    // Runs to completion; throws on failure.
    void Exec();
    int64_t Int(int col) const { return sqlite3_column_int64(m_stmt.get(), col); }
    std::string_view Text(int col) const;
    bool IsNull(int col) const { return sqlite3_column_type(m_stmt.get(), col) == SQLITE_NULL; }

private:
    struct Finalize {
        void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
    };
    std::unique_ptr<sqlite3_stmt, Finalize> m_stmt;
};

class CDatabase {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // ":memory:" for a database in memory. False with a reason when the file
    // cannot be opened or is not a database.
    bool Open(const std::string& path, Mode mode, int busyTimeoutMs, std::string& error);
    sqlite3* Handle() const { return m_db.get(); }
    // No transaction is open on the connection.
    bool AutoCommit() const;
    // Throws CStoreError on failure.
    void Exec(std::string_view sql);
    bool TryExec(std::string_view sql);
    std::string Error() const;
    void SetBusyTimeout(int ms);
    // Full synchronous commits (the default of a file opened to write): a
    // committed transaction survives a power loss. Normal ones may lose the
    // last transactions then (never the file's integrity). Throws CStoreError.
    void SetFullSync(bool full);
    // Changes whenever another connection commits (PRAGMA data_version).
    int64_t DataVersion();
    // Copies the write-ahead log into the database as far as readers allow
    // (truncate: waits for them and empties the log). The pages the log
    // held, or -1 when the checkpoint could not run.
    int64_t Checkpoint(bool truncate);

    // A cached statement for one use: reset, and reset again when the use
    // ends, so that no finished read keeps a snapshot of the log open.
    class CUse {
    public:
        explicit CUse(CStatement& s) : m_s(&s) {}
        CUse(CUse&& o) noexcept : m_s(o.m_s) { o.m_s = nullptr; }
        CUse(const CUse&) = delete;
        CUse& operator=(const CUse&) = delete;
        CUse& operator=(CUse&&) = delete;
        ~CUse() {
            if (m_s) m_s->Reset();
        }
        CStatement* operator->() const { return m_s; }
        CStatement& operator*() const { return *m_s; }

    private:
        CStatement* m_s;
    };
    // Throws CStoreError when the text does not prepare.
    CUse Prepared(const std::string& sql);

private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    // Declared first, destroyed last: statements finalize before the close.
    std::unique_ptr<sqlite3, Close> m_db;
    std::unordered_map<std::string, CStatement> m_cache;
};

// BEGIN IMMEDIATE now (throws CStoreError when another writer holds the
// lock past the busy timeout), ROLLBACK at scope exit unless committed.
// Inside a transaction already open it is a savepoint of it: its commit
// keeps its changes for the outer one, its end without a commit takes back
// only its own.
class CTransaction {
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    // Throws CStoreError when the commit fails.
    void Commit();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

private:
    CDatabase& m_db;
    bool m_nested;
    bool m_open = false;
};

// One snapshot for many reads: BEGIN now, COMMIT at scope exit. A command
// that reads a page of 500 records locks the file once, not 500 times.
// Inside a transaction already open it reads that one's snapshot.
class CReadTransaction {
public:
    explicit CReadTransaction(CDatabase& db);
    ~CReadTransaction();
    CReadTransaction(const CReadTransaction&) = delete;
    CReadTransaction& operator=(const CReadTransaction&) = delete;

private:
    CDatabase& m_db;
    bool m_own;
};

// "name" quoted as an SQL identifier.
std::string QuoteIdent(std::string_view name);

}  // namespace mmlsw
