// The MML switch simulator: executes the dialect of docs/mml.md over an
// SQLite database with one table per catalogue object, and answers each
// command with its result reports. Long lists of paged objects are kept as
// server-side queries (the record ids in result order), so that any page
// costs the same few point lookups wherever it lies.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Sqlite.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/MmlText.h"

class CReportWriter;

namespace mmlsw {

enum RetCode : int {
    RC_OK = 0,
    RC_UNKNOWN_VERB = 1001,
    RC_UNKNOWN_OBJECT = 1002,
    RC_SYNTAX = 1003,
    RC_MISSING = 1004,
    RC_BAD_VALUE = 1005,
    RC_UNKNOWN_PARAM = 1006,
    RC_DUPLICATE = 1007,
    RC_NOT_FOUND = 1008,
    RC_IN_USE = 1009,
    RC_NO_PARENT = 1010,
    RC_NO_QUERY = 1011,
    RC_TOO_LONG = 1012,
    RC_INTERNAL = 1013,
};

inline constexpr size_t kMaxCommand = 64 * 1024;  // longer commands are refused
inline constexpr int64_t kPageRecords = 500;       // records per report
inline constexpr int64_t kMaxPage = 1000;          // largest page one fetch may ask for
inline constexpr size_t kMaxQueries = 32;          // open paged queries kept

class CSwitch {
public:
    using Clock = std::function<int64_t()>;  // milliseconds, monotonic

    explicit CSwitch(const CFrmDatabase& catalogue, Clock clock = {});

    // Opens (and creates the tables of) a database file, or ":memory:".
    bool Open(const std::string& path, std::string& error);
    // The reports answering one command; never empty.
    std::vector<std::string> Execute(std::string_view command);
    // The answer to a command longer than kMaxCommand, given its start.
    std::vector<std::string> RefuseTooLong(std::string_view start) const;

    void SetQueryTtl(int64_t ms) { m_queryTtl = ms; }
    // Frees queries unused for longer than the time to live; how many.
    size_t ExpireQueries();
    size_t OpenQueries() const { return m_queries.size(); }

    int64_t Count(DWORD type);
    CDatabase& Db() { return m_db; }
    const CFrmDatabase& Catalogue() const { return m_cat; }
    static std::string Table(DWORD type) { return "o" + std::to_string(type); }

    // Inserts one instance with stored-form values by attribute name, without
    // checks (demo data); the number table follows subscribers.
    bool InsertRaw(const SComObj& obj, const std::map<std::string, std::string>& values);

private:
    struct Query {
        DWORD type;
        std::vector<int64_t> rids;
        int64_t lastUse;
    };
    struct Failure {
        int code;
        std::string detail;
    };
    using Reports = std::vector<std::string>;

    Reports Fail(const std::string& echo, int code, const std::string& detail = {}) const;
    Reports Ok(const std::string& echo, const std::string& text = {}) const;
    std::string ResultText(int code) const;

    Reports List(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Page(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Release(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Display(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Add(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Remove(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Modify(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports AddBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports RemoveBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Custom(const std::string& echo, const SMmlCommand& cmd, const SComObj& owner,
                   const SCmd& op);

    // Checks the parameters against an operation: unknown names, missing
    // required ones, values that break their kind. Gives stored-form values.
    bool CheckParams(const SMmlCommand& cmd, const SCmd& op, std::map<std::string, std::string>& values,
                     Failure& fail) const;
    // The parameters of the object's standard operation op, checked; the
    // failure's reports when they do not pass.
    std::optional<Reports> CheckOp(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj,
                                   DWORD op, std::map<std::string, std::string>& values) const;
    // The condition that selects the sub-objects of kind child of one
    // instance; false when the child names its parent by nothing the parent has.
    struct SCondition {
        std::string where;
        std::vector<std::string> binds;
    };
    bool ChildCondition(const SComObj& child, const SComObj& parent, int64_t rid, SCondition& c);
    // The instance named by the key attributes among the values; 0 if none.
    int64_t FindByKey(const SComObj& obj, const std::map<std::string, std::string>& values);
    bool ParentExists(const SComObj& obj, const std::map<std::string, std::string>& values);
    void WriteRecord(CReportWriter& w, const SComObj& obj, const std::string& block, int64_t rid);
    void NumberAdded(DWORD type, const std::string& dn, const std::string& csc);
    void NumberRemoved(DWORD type, const std::string& dn);
    std::string RecordValue(const SComObj& obj, int64_t rid, const std::string& attr);
    bool SetValue(const SComObj& obj, int64_t rid, const std::string& attr, const std::string& value);
    void CreateTables();
    int64_t Now() const { return m_clock(); }

    const CFrmDatabase& m_cat;
    Clock m_clock;
    CDatabase m_db;
    std::map<std::string, Query> m_queries;
    int64_t m_nextQid = 1;
    int64_t m_queryTtl = 300000;
    // Command words of operations that are no standard verb on their object.
    std::map<std::string, std::pair<DWORD, DWORD>> m_custom;
};

// Binds the texts to a statement's parameters 1, 2, ...
void BindAll(CStatement& s, const std::vector<std::string>& binds);

// Stored form of a value: what the tables hold and reports carry. False when
// the value breaks the parameter's kind or limits.
bool StoredValue(const SParaDesc& desc, const std::string& value, std::string& stored);

}  // namespace mmlsw
