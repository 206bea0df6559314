// The open paged queries.
#include "Queries.h"

namespace mmlsw {

void CQueryRegistry::SetLimits(const SQueryLimits& limits) {
    std::lock_guard lock(m_mutex);
    m_limits = limits;
}

SQueryLimits CQueryRegistry::Limits() const {
    std::lock_guard lock(m_mutex);
    return m_limits;
}

CQueryRegistry::Map::iterator CQueryRegistry::Erase(Map::iterator it) {
    const CRecordIds* ids = it->second.ids.get();
    if (--m_refs[ids] == 0) {
        m_refs.erase(ids);
        m_held -= static_cast<int64_t>(ids->size());
    }
    return m_queries.erase(it);
}

size_t CQueryRegistry::ExpireLocked(int64_t now) {
    size_t freed = 0;
    for (auto it = m_queries.begin(); it != m_queries.end();) {
        if (now - it->second.lastUse > m_limits.idleMs) {
            it = Erase(it);
            ++freed;
        } else {
            ++it;
        }
    }
    return freed;
}

std::string CQueryRegistry::Open(SessionId session, DWORD type, Ids ids, int64_t now) {
    std::lock_guard lock(m_mutex);
    ExpireLocked(now);
    size_t mine = 0;
    auto oldest = m_queries.end();
    for (auto it = m_queries.begin(); it != m_queries.end(); ++it) {
        if (it->second.session != session) continue;
        ++mine;
        if (oldest == m_queries.end() || it->second.lastUse < oldest->second.lastUse) oldest = it;
    }
    const int64_t size = static_cast<int64_t>(ids->size());
    if (!m_refs.count(ids.get()) && m_held + size > m_limits.heldRecords) return {};
    if (mine >= m_limits.perSession && oldest != m_queries.end()) Erase(oldest);
    // Counted once, however many queries share it (the one just given up may have been its last).
    if (m_refs[ids.get()]++ == 0) m_held += size;
    std::string qid = std::to_string(m_next++);
    m_queries[qid] = {session, type, std::move(ids), now};
    return qid;
}

CQueryRegistry::Ids CQueryRegistry::Use(SessionId session, const std::string& qid, DWORD type, int64_t now) {
    std::lock_guard lock(m_mutex);
    auto it = m_queries.find(qid);
    if (it == m_queries.end() || it->second.session != session || it->second.type != type) return nullptr;
    if (now - it->second.lastUse > m_limits.idleMs) {
        Erase(it);
        return nullptr;
    }
    it->second.lastUse = now;
    return it->second.ids;
}

CQueryRegistry::Ids CQueryRegistry::Peek(const std::string& qid) const {
    std::lock_guard lock(m_mutex);
    auto it = m_queries.find(qid);
    return it == m_queries.end() ? nullptr : it->second.ids;
}

bool CQueryRegistry::Release(SessionId session, const std::string& qid, DWORD type) {
    std::lock_guard lock(m_mutex);
    auto it = m_queries.find(qid);
    if (it == m_queries.end() || it->second.session != session || it->second.type != type) return false;
    Erase(it);
    return true;
}

size_t CQueryRegistry::CloseSession(SessionId session) {
    std::lock_guard lock(m_mutex);
    size_t freed = 0;
    for (auto it = m_queries.begin(); it != m_queries.end();) {
        if (it->second.session == session) {
            it = Erase(it);
            ++freed;
        } else {
            ++it;
        }
    }
    return freed;
}

size_t CQueryRegistry::Expire(int64_t now) {
    std::lock_guard lock(m_mutex);
    return ExpireLocked(now);
}

void CQueryRegistry::Clear() {
    std::lock_guard lock(m_mutex);
    m_queries.clear();
    m_refs.clear();
    m_held = 0;
}

size_t CQueryRegistry::Count() const {
    std::lock_guard lock(m_mutex);
    return m_queries.size();
}

size_t CQueryRegistry::Count(SessionId session) const {
    std::lock_guard lock(m_mutex);
    size_t n = 0;
    for (const auto& [qid, q] : m_queries) n += q.session == session;
    return n;
}

int64_t CQueryRegistry::HeldRecords() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

}  // namespace mmlsw
