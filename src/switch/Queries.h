// The open paged queries of every session (a TCP connection, or the one
// link of the embedded switch). A query belongs to the session that opened
// it: no other session can page through it or release it, and its limits
// are that session's. Thread-safe: list heads may be answered on another
// thread than the pages that follow them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "RecordIds.h"
#include "userobj/WinTypes.h"

namespace mmlsw {

using SessionId = uint64_t;

struct SQueryLimits {
    size_t perSession = 16;             // open queries of one session
    int64_t heldRecords = 50'000'000;   // record ids of every open query together
    int64_t idleMs = 300000;            // a query unused this long expires
};

class CQueryRegistry {
public:
    using Ids = std::shared_ptr<const CRecordIds>;

    void SetLimits(const SQueryLimits& limits);
    SQueryLimits Limits() const;

    // Opens a query over the ids; its identifier, or an empty text when the
    // ids would take the held records past their limit. A session at its
    // limit gives up its least recently used query first.
    std::string Open(SessionId session, DWORD type, Ids ids, int64_t now);
    // The ids of a query of this session and object; null when there is none.
    Ids Use(SessionId session, const std::string& qid, DWORD type, int64_t now);
    // The ids of a query, whoever opened it, without counting as a use.
    Ids Peek(const std::string& qid) const;
    bool Release(SessionId session, const std::string& qid, DWORD type);
    // Releases every query of the session; how many.
    size_t CloseSession(SessionId session);
    // Releases the queries unused for longer than the idle limit; how many.
    size_t Expire(int64_t now);
    // Everything goes, as when the data is replaced.
    void Clear();

    size_t Count() const;
    size_t Count(SessionId session) const;
    // Record ids held; results shared by several queries count once.
    int64_t HeldRecords() const;

private:
    struct SQuery {
        SessionId session;
        DWORD type;
        Ids ids;
        int64_t lastUse;
    };
    using Map = std::map<std::string, SQuery>;
    Map::iterator Erase(Map::iterator it);
    size_t ExpireLocked(int64_t now);

    mutable std::mutex m_mutex;
    SQueryLimits m_limits;
    Map m_queries;
    std::map<const CRecordIds*, int> m_refs;  // queries per distinct result
    int64_t m_held = 0;
    uint64_t m_next = 1;
};

}  // namespace mmlsw
