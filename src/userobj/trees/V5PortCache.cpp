// The V5 port cache.
#include "V5PortCache.h"

void CV5PortCache::Store(const CRestrictInfo& key, const CObjDescData& data) {
    const bool known = m_mapData.count(key) != 0;
    if (m_mapData.size() >= kMaxEntries && !known) {
        auto least = m_mapUse.end();
        for (auto it = m_mapUse.begin(); it != m_mapUse.end(); ++it)
            if (least == m_mapUse.end() || it->second < least->second) least = it;
        if (least != m_mapUse.end()) {
            m_mapData.erase(least->first);
            m_mapUse.erase(least);
        }
        m_mapData[key] = data;
        m_mapUse[key] = 1;
        return;
    }
    auto use = m_mapUse.find(key);
    const unsigned count = use == m_mapUse.end() ? 1 : use->second + 1;
    m_mapData[key] = data;
    m_mapUse[key] = count;
}

const CObjDescData* CV5PortCache::Find(const CRestrictInfo& key) const {
    auto it = m_mapData.find(key);
    return it == m_mapData.end() ? nullptr : &it->second;
}

unsigned CV5PortCache::UseCount(const CRestrictInfo& key) const {
    auto it = m_mapUse.find(key);
    return it == m_mapUse.end() ? 0 : it->second;
}

void CV5PortCache::Clear() {
    m_mapData.clear();
    m_mapUse.clear();
}

std::vector<CRestrictInfo> CV5PortCache::Keys() const {
    std::vector<CRestrictInfo> keys;
    for (const auto& [key, count] : m_mapUse) keys.push_back(key);
    return keys;
}
