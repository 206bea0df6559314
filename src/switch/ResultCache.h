// List results shared between queries. Operators open the same lists over
// and over; a result whose table has not changed in the rows or columns it
// depends on is reused instead of read again, and every query over it holds
// the same record ids. The cache itself holds nothing: a result lives as
// long as some open query uses it.
//
// Validity is by generations: every change bumps the generation of its
// table's rows (insert, delete) or of one column (update), once when it is
// made and again after its commit. A result carries the generations it was
// read under, taken before the read began, and is reused only while they
// are all unchanged. Thread-safe.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "RecordIds.h"
#include "userobj/WinTypes.h"

namespace mmlsw {

class CResultCache {
public:
    using Ids = std::shared_ptr<const CRecordIds>;
    // What a result depends on, and the generations it was read under.
    struct SStamp {
        DWORD type = 0;
        std::vector<std::string> columns;
        std::vector<uint64_t> generations;
        bool operator==(const SStamp&) const = default;
    };

    SStamp Stamp(DWORD type, std::vector<std::string> columns) const;
    // The result stored under the key, when its stamp still holds.
    Ids Find(const std::string& key) const;
    void Store(const std::string& key, const SStamp& stamp, const Ids& ids);

    void RowsChanged(DWORD type);
    void ValueChanged(DWORD type, const std::string& column);
    void AllChanged();

private:
    struct SEntry {
        SStamp stamp;
        std::weak_ptr<const CRecordIds> ids;
    };
    std::vector<uint64_t> Generations(DWORD type, const std::vector<std::string>& columns) const;

    mutable std::mutex m_mutex;
    uint64_t m_all = 0;
    std::map<DWORD, uint64_t> m_rows;
    std::map<std::pair<DWORD, std::string>, uint64_t> m_columns;
    std::map<std::string, SEntry> m_entries;
};

}  // namespace mmlsw
