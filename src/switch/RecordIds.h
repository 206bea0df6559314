// The record ids of one list result in result order, and the condition
// they were selected by. A sorted result may stand with only its first
// records known and its count: the switch fills in the rest of the order
// before anything reads past them (see SwitchSorts.cpp). Ids of tables that never grew past four thousand
// million rows take four bytes each, half of what a paged query over a
// million records would otherwise hold.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace mmlsw {

class CRecordIds {
public:
    void Push(int64_t rid) {
        if (m_wide.empty() && rid >= 0 && rid <= std::numeric_limits<uint32_t>::max()) {
            m_narrow.push_back(static_cast<uint32_t>(rid));
            return;
        }
        if (m_wide.empty()) {
            m_wide.assign(m_narrow.begin(), m_narrow.end());
            m_narrow = {};
        }
        m_wide.push_back(rid);
    }
    // The records of the result, known or not.
    size_t size() const { return m_count ? m_count : Known(); }
    // The ids known, from the first on.
    size_t Known() const { return m_wide.empty() ? m_narrow.size() : m_wide.size(); }
    bool Finished() const { return m_count == 0; }
    // Only the ids pushed so far are known of `count` records.
    void Expect(size_t count) { m_count = count; }
    // The whole order: the known ids first, then the others of `all` in
    // its order, as many as the result counts. A record that came into the
    // condition meanwhile is left out; the place of one gone is kept by id
    // 0, which names no record.
    void Finish(const std::vector<int64_t>& all) {
        const size_t count = size();
        std::vector<int64_t> known;
        known.reserve(Known());
        for (size_t i = 0; i < Known(); ++i) known.push_back((*this)[i]);
        std::vector<int64_t> sorted(known);
        std::sort(sorted.begin(), sorted.end());
        m_count = 0;
        for (int64_t rid : all) {
            if (Known() >= count) break;
            if (!std::binary_search(sorted.begin(), sorted.end(), rid)) Push(rid);
        }
        while (Known() < count) Push(0);
        ShrinkToFit();
    }
    int64_t operator[](size_t i) const { return m_wide.empty() ? m_narrow[i] : m_wide[i]; }
    void ShrinkToFit() {
        m_narrow.shrink_to_fit();
        m_wide.shrink_to_fit();
    }
    // The SQL condition on the object's table (empty: every record) and
    // the values bound to its parameters: a page shows only the records
    // that still meet it.
    void SetCondition(std::string where, std::vector<std::string> binds) {
        m_where = std::move(where);
        m_binds = std::move(binds);
    }
    const std::string& Where() const { return m_where; }
    const std::vector<std::string>& Binds() const { return m_binds; }

private:
    std::string m_where;
    std::vector<std::string> m_binds;
    std::vector<uint32_t> m_narrow;
    std::vector<int64_t> m_wide;  // used once an id does not fit four bytes
    size_t m_count = 0;           // while not finished: the records of the result
};

}  // namespace mmlsw
