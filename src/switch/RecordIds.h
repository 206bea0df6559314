// The record ids of one list result in result order, and the condition
// they were selected by. Ids of tables that never grew past four thousand
// million rows take four bytes each, half of what a paged query over a
// million records would otherwise hold.
#pragma once

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
    size_t size() const { return m_wide.empty() ? m_narrow.size() : m_wide.size(); }
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
};

}  // namespace mmlsw
