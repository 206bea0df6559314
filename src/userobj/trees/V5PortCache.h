// CV5PortCache: the port data of the V5 interfaces already loaded, keyed by
// the port data's restriction, with how often each was loaded. It holds at
// most 21 interfaces; a new one beyond that evicts the least loaded, the
// first in map order among equals.
#pragma once

#include <unordered_map>
#include <vector>

#include "hostlibs/ObjData.h"

class CV5PortCache {
public:
    static constexpr size_t kMaxEntries = 21;

    // Stores a copy of the data under its key and counts the load.
    void Store(const CRestrictInfo& key, const CObjDescData& data);
    // The cached copy, or null.
    const CObjDescData* Find(const CRestrictInfo& key) const;
    unsigned UseCount(const CRestrictInfo& key) const;
    void Clear();
    size_t Size() const { return m_mapData.size(); }
    // The keys in map order (the order eviction scans them in).
    std::vector<CRestrictInfo> Keys() const;

private:
    std::unordered_map<CRestrictInfo, CObjDescData, CRestrictInfoHash> m_mapData;
    std::unordered_map<CRestrictInfo, unsigned, CRestrictInfoHash> m_mapUse;
};
