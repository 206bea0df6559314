// Shared list results.
#include "ResultCache.h"

namespace mmlsw {

std::vector<uint64_t> CResultCache::Generations(DWORD type, const std::vector<std::string>& columns) const {
    std::vector<uint64_t> g{m_all};
    auto rows = m_rows.find(type);
    g.push_back(rows == m_rows.end() ? 0 : rows->second);
    for (const std::string& c : columns) {
        auto it = m_columns.find({type, c});
        g.push_back(it == m_columns.end() ? 0 : it->second);
    }
    return g;
}

CResultCache::SStamp CResultCache::Stamp(DWORD type, std::vector<std::string> columns) const {
    std::lock_guard lock(m_mutex);
    SStamp s{type, std::move(columns), {}};
    s.generations = Generations(type, s.columns);
    return s;
}

CResultCache::Ids CResultCache::Find(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(key);
    if (it == m_entries.end()) return nullptr;
    const SStamp& s = it->second.stamp;
    if (Generations(s.type, s.columns) != s.generations) return nullptr;
    return it->second.ids.lock();
}

void CResultCache::Store(const std::string& key, const SStamp& stamp, const Ids& ids) {
    std::lock_guard lock(m_mutex);
    // Results no query holds any more, or that changed, are dropped here.
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const SStamp& s = it->second.stamp;
        if (it->second.ids.expired() || Generations(s.type, s.columns) != s.generations)
            it = m_entries.erase(it);
        else
            ++it;
    }
    if (Generations(stamp.type, stamp.columns) == stamp.generations) m_entries[key] = {stamp, ids};
}

void CResultCache::RowsChanged(DWORD type) {
    std::lock_guard lock(m_mutex);
    ++m_rows[type];
}

void CResultCache::ValueChanged(DWORD type, const std::string& column) {
    std::lock_guard lock(m_mutex);
    ++m_columns[{type, column}];
}

void CResultCache::AllChanged() {
    std::lock_guard lock(m_mutex);
    ++m_all;
}

}  // namespace mmlsw
