// The MML switch simulator: executes the dialect of docs/mml.md over an
// SQLite database with one table per catalogue object, and answers each
// command with its result reports. Long lists of paged objects are kept as
// server-side queries (the record ids in result order), so that any page
// costs the same few point lookups wherever it lies.
//
// Commands run in a session: the TCP server gives each connection its own,
// the embedded switch runs everything in the default one. Paged queries
// belong to their session. One CSwitch is used by one thread at a time; a
// reader (OpenReader) is a second switch on the same file for another
// thread, sharing the queries and the list results.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Notices.h"
#include "Queries.h"
#include "ResultCache.h"
#include "Sessions.h"
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
    RC_BUSY = 1014,         // the store is locked by another writer: nothing changed, try again
    RC_TOO_MANY = 1015,     // the answer would hold or send too many records
    RC_KEY_FIXED = 1016,    // a modification would change which record it addresses
    RC_SECRET = 1017,       // a secret attribute in a condition or a sort
    RC_STALE = 1018,        // a change carried a revision the record no longer has
    RC_LOG_IN = 1019,       // the session has not logged in
    RC_LOGIN_FAILED = 1020, // unknown operator or wrong password (never told apart)
    RC_LOCKED = 1021,       // too many failed logins of the name
    RC_ROLE = 1022,         // the session's role may not run the command
};

inline constexpr size_t kMaxCommand = 64 * 1024;  // longer commands are refused
inline constexpr int64_t kPageRecords = 500;       // records per report
inline constexpr int64_t kMaxPage = 1000;          // largest page one fetch may ask for
inline constexpr int64_t kMaxUnpaged = 50000;      // records of one list of an object that is not paged
inline constexpr int64_t kMaxSubObjects = 100;     // sub-objects of each kind a display shows
inline constexpr int kDefaultBusyMs = 1000;        // how long a change waits for another writer
inline constexpr SessionId kDefaultSession = 0;
inline constexpr int kLockAfterFailures = 5;                  // failed logins in a row that lock a name
inline constexpr int64_t kLockMs = 15 * 60 * 1000;            // for this long
inline constexpr int64_t kDefaultLoginDelayMs = 1000;         // a failed login's answer waits this, times its failures

class CResultCache;

class CSwitch {
public:
    using Clock = std::function<int64_t()>;  // milliseconds, monotonic
    using Reports = std::vector<std::string>;

    explicit CSwitch(const CFrmDatabase& catalogue, Clock clock = {});
    ~CSwitch();
    CSwitch(const CSwitch&) = delete;
    CSwitch& operator=(const CSwitch&) = delete;

    // Opens (and creates the tables of) a database file, or ":memory:".
    // False with a reason when the file cannot be used.
    bool Open(const std::string& path, std::string& error);
    // A second switch on the same file with its own read-only connection,
    // for long reads on another thread; it shares this switch's queries and
    // list results. Null (with a reason) for a database in memory.
    std::unique_ptr<CSwitch> OpenReader(std::string& error) const;
    // From now on this reader answers a long head with its first records
    // and its count, and keeps the snapshot it read them from until
    // FinishSorts has read the rest of their order, which its caller then
    // calls as soon as the answer is on its way. Otherwise a reader reads
    // its results whole.
    void AnswerHeadsFirst() { m_headsFirst = true; }
    // Opens an existing database file read-only and as it is, to check it:
    // no table is made and none converted. False with a reason when there
    // is no such file or it is no store of this switch (a table missing).
    bool OpenToCheck(const std::string& path, std::string& error);

    // The reports answering one command; never empty.
    Reports Execute(std::string_view command) { return Execute(command, kDefaultSession); }
    Reports Execute(std::string_view command, SessionId session);
    // As Execute, but without waiting for another program that holds the
    // store locked: then nothing changed and there is no answer; the command
    // may be tried again (or refused with RefuseBusy).
    std::optional<Reports> TryExecute(std::string_view command, SessionId session);
    // The answer to a command that found the store locked for the whole busy
    // timeout: 1014, nothing changed.
    Reports RefuseBusy(std::string_view command) const;
    // The answer to a connection beyond the most the server takes.
    Reports RefuseConnection(int most) const;
    // Commands that read much and change nothing (list heads, whole lists,
    // live counts): a reader may answer them. A list whose condition names
    // every key attribute with a whole value finds at most one record at
    // once and is none.
    bool IsLongRead(std::string_view command) const;
    // Commands that only read (LST, DSP, RLS, and SUB and USB NOTICE, which
    // change no data): nobody needs them carried out
    // for a connection that closed.
    static bool IsRead(std::string_view command);
    // Releases the session's queries and ends its subscriptions.
    void CloseSession(SessionId session);
    // The notices the changes since the last call left for subscribed
    // sessions (Notices.h), to be carried to them.
    std::vector<SNotice> TakeNotices() { return m_notices.Take(); }
    std::set<DWORD> Subscriptions(SessionId session) const { return m_notices.Subscriptions(session); }

    // Operators and the operation log (Accounts.cpp, OperationLog.cpp).
    // A TCP client's session at its address: while the store holds an
    // account, it logs in (LGI) before anything else. Sessions never opened
    // are local ones, worked by the system user as admin.
    void OpenSession(SessionId session, const std::string& address);
    // Forgets the session's operator once the connection is done with.
    void ForgetSession(SessionId session);
    // What the server does with the answer it just got for the session.
    SAnswerHint TakeAnswerHint(SessionId session);
    // The delay of a failed login's answer per failure of the name in a row.
    void SetLoginDelay(int64_t ms);
    // Operation-log rows older than this many days go (0: all are kept).
    void SetOplogKeepDays(int days);
    bool HasAccounts();
    // A login's password check costs a tenth of a second: a server runs it
    // on a worker. The hash an LGI's password is checked against (a decoy
    // for an unknown name) and the password; nothing when the command is no
    // LGI that gets that far.
    struct SLoginCheck {
        std::string hash, password;
    };
    std::optional<SLoginCheck> LoginCheck(std::string_view command);
    // The worker's verdict, for the session's next LGI on the same hash.
    void SetLoginVerdict(SessionId session, const std::string& hash, bool match);
    // Logs a change the program made on the store itself (--seed), as the
    // system user's.
    void LogProgramChange(std::string_view what, int64_t records);
    // The answer to a command longer than kMaxCommand, given its start.
    Reports RefuseTooLong(std::string_view start) const;

    void SetQueryTtl(int64_t ms);
    void SetQueryLimits(const SQueryLimits& limits);
    SQueryLimits QueryLimits() const;
    void SetBusyTimeout(int ms);
    int BusyTimeout() const;
    // Full synchronous commits (the default): an acknowledged change
    // survives a power loss. Without, a crash of the machine may lose the
    // last changes, never the file.
    void SetFullSync(bool full);
    bool FullSync() const;
    // Frees queries unused for longer than the time to live; how many.
    size_t ExpireQueries();
    size_t OpenQueries() const;
    size_t OpenQueries(SessionId session) const;
    int64_t HeldRecords() const;

    int64_t Count(DWORD type);
    // At least one record of the type (without counting a million).
    bool HasRecords(DWORD type);
    CDatabase& Db() { return m_db; }
    const CFrmDatabase& Catalogue() const { return m_cat; }
    static std::string Table(DWORD type) { return "o" + std::to_string(type); }
    // To be called after the tables were changed through Db(): open queries
    // and shared results no longer stand for the data.
    void DataReplaced();
    // Results whose first page alone was read at their head (long, or
    // sorted by a column no index orders): the rest of their order is read
    // before a page past it, before any change, or here, when the caller
    // has time (SwitchSorts.cpp).
    bool HasUnfinishedSorts() const { return !m_unfinished.empty(); }
    // Every one of them (which also ends the snapshot of a reader that
    // answers heads first), or only that one.
    void FinishSorts(const CRecordIds* only = nullptr);
    // Copies the write-ahead log into the database as far as readers allow
    // (truncate: waits for them and empties it); the pages it held, or -1.
    int64_t Checkpoint(bool truncate);

private:
    struct SShared;
    struct Failure {
        int code = RC_OK;
        std::string detail;
    };
    using Values = std::map<std::string, std::string>;
    struct SCondition {
        std::string where;
        std::vector<std::string> binds;
    };
    // A list command read into SQL.
    struct SListSql {
        std::string where, order;
        std::vector<std::string> binds;
        std::vector<std::string> columns;  // attributes the result depends on
    };

    // Execute; a store found locked gives no answer but `busy` when the
    // command may be deferred.
    Reports Run(std::string_view command, SessionId session, bool mayDefer, bool& busy);
    static bool IsKeyLookup(const SMmlCommand& cmd, const SComObj& obj);
    Reports Fail(const std::string& echo, int code, const std::string& detail = {}) const;
    Reports Fail(const std::string& echo, const Failure& f) const { return Fail(echo, f.code, f.detail); }
    // The failure of one record of a batch, naming it.
    Reports FailAt(const std::string& echo, const std::string& record, const Failure& f) const;
    Reports Ok(const std::string& echo, const std::string& text = {}) const;
    std::string ResultText(int code) const;
    Reports Dispatch(const std::string& echo, const SMmlCommand& cmd, SessionId session);
    // The catalogue object and operation a command names; false with the
    // failure when there is none.
    bool Resolve(const SMmlCommand& cmd, const SComObj*& obj, const SCmd*& custom, Failure& fail) const;

    // Notices (SwitchNotices.cpp): SUB NOTICE and USB NOTICE, and what a
    // successful change leaves for the sessions that subscribed.
    static bool IsNoticeCommand(const SMmlCommand& cmd);
    Reports Notices(const std::string& echo, const SMmlCommand& cmd, SessionId session);
    void NoteSideChanges(const SComObj& obj, const std::string& verb, SessionId session);
    void NoteChanges(const SMmlCommand& cmd, SessionId session, const Reports& out);

    // Lists, pages, details (SwitchLists.cpp).
    Reports List(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj, SessionId session);
    bool ListSql(const SMmlCommand& cmd, const SComObj& obj, SListSql& sql, Failure& fail) const;
    std::shared_ptr<const class CRecordIds> ListIds(const SComObj& obj, const SListSql& sql);
    Reports Page(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj, SessionId session);
    Reports Release(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj, SessionId session);
    Reports Display(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    // Subscriber counts by kind and state, counted from the tables.
    Reports Statistics(const std::string& echo, const SMmlCommand& cmd, const std::string& block, bool byKey);
    void WriteRecord(CReportWriter& w, const SComObj& obj, const std::string& block, int64_t rid);

    // Changes (SwitchChanges.cpp).
    Reports Add(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Remove(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Modify(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports AddBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports RemoveBatch(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj);
    Reports Custom(const std::string& echo, const SMmlCommand& cmd, const SComObj& owner, const SCmd& op);
    Reports BatchJob(const std::string& echo, const SMmlCommand& cmd, const SComObj& owner, Values& values);
    // Checks the parameters against an operation: unknown names, missing
    // required ones, values that break their kind. Gives stored-form values;
    // a parameter given empty is there with an empty value.
    bool CheckParams(const SMmlCommand& cmd, const SCmd& op, const SComObj& obj, Values& values,
                     Failure& fail) const;
    std::optional<Reports> CheckOp(const std::string& echo, const SMmlCommand& cmd, const SComObj& obj,
                                   DWORD op, Values& values) const;
    // Adds one instance with every check an ADD makes; the way every
    // instance comes in, one by one or in a batch.
    bool AddRecord(const SComObj& obj, const Values& given, Failure& fail);
    // Removes one instance, its dependent sub-objects and its number;
    // refused while other data still refers to it.
    bool RemoveRecord(const SComObj& obj, int64_t rid, Failure& fail);

    // Rules between objects (SwitchRules.cpp).
    // Who holds a number: a subscriber by its number, or the ISDN BRA
    // subscriber one of whose MSNs it is; type 0 when nobody does.
    struct SOwner {
        DWORD type = 0;
        std::string dn, csc, status;
    };
    SOwner OwnerOf(const std::string& number);
    bool CheckRules(const SComObj& obj, const Values& row, Failure& fail);
    bool CheckRemoveRules(const SComObj& obj, int64_t rid, Failure& fail);
    // The numbers whose number table rows follow the record: a subscriber's
    // number (and an ISDN BRA subscriber's MSNs), an MSN.
    std::vector<std::string> NumbersOf(const SComObj& obj, const Values& row);
    void RecordAdded(const SComObj& obj, const Values& row);
    // Makes the number table's row of each number what its owner and the
    // segments say: there, with the owner's kind, CSC and state, or gone.
    void SyncNumbers(const std::vector<std::string>& numbers);
    void SyncNumber(const std::string& number);
    void AddUsed(int64_t segIdx, int delta);

    // Relations the catalogue and the operators' rules set between records
    // (SwitchRelations.cpp). A record as it is to be after an ADD (rid 0) or
    // a MOD; given are the values the command carried.
    bool CheckRelations(const SComObj& obj, const Values& row, const Values& given, int64_t rid, Failure& fail);
    // Clears what a controlling parameter's value leaves out (HOTLINE=NO:
    // HOTDN, HOTDELAY); false with 1005 when the command gave a value for it.
    bool LeaveOutDisabled(const SComObj& obj, Values& row, const Values& given, Failure& fail);
    // What names a key that is taken already.
    std::string DuplicateText(const SComObj& obj, const Values& row);
    // Other records that still refer to the record; false with 1009 naming one.
    bool CheckReferences(const SComObj& obj, const Values& row, Failure& fail);
    // Records that go with it (a V5 subscriber's maintenance row).
    void RemoveDependents(const SComObj& obj, const Values& row);
    // Whether a record's line is blocked (BLOCKED=YES, or STATUS=BLOCKED).
    bool IsBlocked(const SComObj& obj, int64_t rid);
    // What a UBL of a line that is not blocked answers; nothing changes.
    static constexpr const char* kNotBlocked = "The line is not blocked: nothing changed.";
    // BLK, UBL and TST of a V5 subscriber's line; the result text.
    bool MaintainV5Line(const std::string& verb, const Values& values, std::string& text, Failure& fail);
    Reports CountMembers(const std::string& echo, const Values& values);

    // Rows (SwitchChanges.cpp).
    bool ChildCondition(const SComObj& child, const SComObj& parent, int64_t rid, SCondition& c);
    // The instance named by the key attributes among the values; 0 if none.
    int64_t FindByKey(const SComObj& obj, const Values& values);
    bool ParentExists(const SComObj& obj, const Values& values);
    Values Record(const SComObj& obj, int64_t rid);
    std::string RecordValue(const SComObj& obj, int64_t rid, const std::string& attr);
    void InsertRaw(const SComObj& obj, const Values& values);
    void DeleteWhere(const SComObj& obj, const SCondition& c);
    void SetValue(const SComObj& obj, int64_t rid, const std::string& attr, const std::string& value);
    // The records a command changes, by their keys, while anyone listens
    // for notices: each record changed along with the one the command
    // named gets a notice of its own. What: 'A' added, 'M' changed, 'R'
    // removed.
    struct STouchedRecord {
        DWORD type;
        CNoticeBoard::Keys keys;
        char what;
    };
    void NoteRecords(const SComObj& obj, const SCondition& c, char what);
    void NoteRecord(const SComObj& obj, const Values& row, char what);

    // Revisions (SwitchRevisions.cpp). A record's revision rises once in a
    // command that changes it, and the attributes changed at each revision
    // are kept a while, so that a stale one can be told what changed since.
    void CreateRevisions();
    void Revise(const SComObj& obj, int64_t rid, const std::string& attr);
    // A change that carries the revision (REV=n) goes through while the
    // record still has it, or when none of the attributes it sets (touches;
    // null: all of them, as for a removal) changed since; otherwise 1018
    // naming what changed and giving the record as it is now, in command form.
    bool CheckRevision(const SComObj& obj, int64_t rid, const Values& values, const std::set<std::string>* touches,
                       Failure& fail);
    // A V5 line's maintenance record carries its subscriber's revision:
    // after the subscriber's changed, and for every line of a store opened.
    void MirrorLineRevision(const SComObj& sub, int64_t subRid);
    void MirrorLineRevisions();

    // Operators (Accounts.cpp).
    CSessions& Sessions();
    int64_t LoginDelay() const;
    int OplogKeepDays() const;
    // Who works at the session now: an open switch (no account in the
    // store) has every TCP session worked by the system user as admin.
    SSessionIdentity Who(SessionId session);
    // RC_OK, or 1019 / 1022 when the session may not run the command.
    int Permission(const SMmlCommand& cmd, const SSessionIdentity& who) const;
    // LGI and LGO; `op` is the operator the log names.
    Reports SessionCommand(const std::string& command, const std::string& echo, SessionId session, std::string& op);
    Reports Login(const std::string& echo, const SMmlCommand& cmd, SessionId session, std::string& op);
    // LGI's parameters; false with the failure.
    static bool LoginParams(std::string_view command, SMmlCommand& cmd, std::string& name, Failure& fail);
    // The stored hash and role of a valid name; empty when there is none.
    std::pair<std::string, std::string> Account(const std::string& name);
    // ADD OP, MOD OP, RMV OP.
    Reports OperatorCommand(const std::string& echo, const SMmlCommand& cmd);
    bool IsLastAdmin(const std::string& name);
    // Keeps the account's LOCKED as the failed logins left it.
    void SetLocked(const std::string& name, bool locked);
    void CreateAccountTables();

    // The operation log (OperationLog.cpp).
    struct SLogged {
        std::string op, addr, object;
        SessionId session = 0;
        int64_t records = 0;
    };
    void Log(const SLogged& row, std::string_view command, const Reports& out);
    // FROM and TO of LST OPLOG as conditions (`fail` set for a bad time);
    // false when the parameter is neither.
    bool OplogBound(const SMmlParam& p, SListSql& sql, Failure& fail) const;
    // Counts the records a command changes, from SQLite's update hook.
    void WatchChanges();
    // Records the command changed; a segment's count of numbers in use is
    // bookkeeping of the subscribers' changes, not a change of its own.
    int64_t RecordsChanged(const SMmlCommand& cmd) const;

    void CreateTables();
    // Copies a table made before record ids were kept unique into one that
    // keeps them so (same ids, same values).
    void MigrateToUniqueIds(const std::string& table, const std::string& columns);
    void AddNewColumns(const SComObj& obj);
    int64_t Now() const { return m_clock(); }
    CResultCache& Results();
    CQueryRegistry& Queries();
    // Every change marks what it touched at once and again when the command
    // is over, after its commit (see ResultCache.h).
    void Touch(DWORD type, const std::string& column = {});
    void EndChanges();

public:
    // Every violation of the store's invariants, one text each; empty when
    // the data agrees with itself (SwitchCheck.cpp).
    std::vector<std::string> CheckInvariants();

private:

    const CFrmDatabase& m_cat;
    Clock m_clock;
    CDatabase m_db;
    std::shared_ptr<SShared> m_shared;
    bool m_reader = false;
    // Sorted results of this switch not finished yet (SwitchSorts.cpp).
    struct SUnfinishedSort {
        std::weak_ptr<CRecordIds> ids;
        std::string key, text;  // the result's key in the shared results, its full query
        std::vector<std::string> binds;
        CResultCache::SStamp stamp;  // taken before its head was read
    };
    std::vector<SUnfinishedSort> m_unfinished;
    // The reads of a reader that answers heads first see this snapshot,
    // which stays open until FinishSorts: the rest of a head's order is read
    // from the data it saw.
    bool m_headsFirst = false;
    std::optional<CReadTransaction> m_headSnapshot;
    // The query needs a sort of every record it selects (no index gives its order).
    bool NeedsSort(const std::string& text);
    // Reads the first page of a sorted query, or of every record of a long
    // table, and the count; null when the query is read whole (short, in an
    // index's order under a condition). The rest of the order is read later (FinishSorts).
    static constexpr int64_t kFirstPageAloneFrom = 50000;
    std::shared_ptr<CRecordIds> FirstPageAlone(const SComObj& obj, const SListSql& sql, const std::string& text,
                                                const std::string& key, const CResultCache::SStamp& stamp);
    int64_t m_dataVersion = -1;
    int64_t m_lastExpiry = 0;
    std::vector<std::pair<DWORD, std::string>> m_touched;
    std::set<std::pair<DWORD, int64_t>> m_revised;  // records the command raised the revision of
    std::vector<STouchedRecord> m_touchedRecords;
    CNoticeBoard m_notices;
    // Command words of operations that are no standard verb on their object.
    std::map<std::string, std::pair<DWORD, DWORD>> m_custom;
    // Parameters whose values the operation log masks: the password and
    // every secret attribute.
    std::set<std::string> m_secretNames;
    // Records (table, rid) the command being carried out changed.
    std::set<std::pair<DWORD, int64_t>> m_changedRows;
    bool m_counting = false;  // ... while a logged command runs
    int64_t m_lastTrim = 0;
};

// Binds the texts to a statement's parameters 1, 2, ...
void BindAll(CStatement& s, const std::vector<std::string>& binds);

}  // namespace mmlsw
