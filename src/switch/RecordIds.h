// The record ids of one list result in result order, and the condition
// they were selected by. A sorted result may stand with only its first
// records known and its count: the switch fills in the rest of the order
// before anything reads past them (see SwitchSorts.cpp), possibly on
// another thread than the one reading its first records. Ids of tables
// that never grew past four thousand million rows take four bytes each,
// half of what a paged query over a million records would otherwise hold.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mmlsw {

class CRecordIds {
public:
    CRecordIds() = default;
    CRecordIds(const CRecordIds&) = delete;
    CRecordIds& operator=(const CRecordIds&) = delete;

    // Only while the result is made, before anyone else sees it.
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
    size_t size() const { return m_count ? m_count : Stored(); }
    // The ids known, from the first on.
    size_t Known() const { return Finished() ? size() : Stored(); }
    bool Finished() const { return m_count == 0 || m_rest.load(std::memory_order_acquire); }
    // Only the ids pushed so far are known of `count` records (before anyone
    // else sees the result).
    void Expect(size_t count) { m_count = count; }
    // The whole order: the known ids first, then the others of `all` in
    // its order, as many as the result counts. A record that came into the
    // condition meanwhile is left out; the place of one gone is kept by id
    // 0, which names no record. Other threads may read the known ids
    // meanwhile: they are not moved.
    void Finish(const std::vector<int64_t>& all) {
        if (Finished()) return;
        std::vector<int64_t> known;
        known.reserve(Stored());
        for (size_t i = 0; i < Stored(); ++i) known.push_back((*this)[i]);
        std::sort(known.begin(), known.end());
        const size_t missing = size() - Stored();
        auto rest = std::make_unique<CRecordIds>();
        for (int64_t rid : all) {
            if (rest->Stored() >= missing) break;
            if (!std::binary_search(known.begin(), known.end(), rid)) rest->Push(rid);
        }
        while (rest->Stored() < missing) rest->Push(0);
        rest->ShrinkToFit();
        std::lock_guard lock(m_mutex);
        m_restOwned = std::move(rest);
        m_rest.store(m_restOwned.get(), std::memory_order_release);
        m_settled.notify_all();
    }
    // The rest of the order will not be read (the read failed).
    void Abandon() {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_settled.notify_all();
    }
    // Waits until the rest of the order is read (by whichever thread reads
    // it); false when it never will be.
    bool AwaitFinished() const {
        std::unique_lock lock(m_mutex);
        m_settled.wait(lock, [this] { return Finished() || m_abandoned; });
        return Finished();
    }
    // Ids past the known ones only once Finished() said so.
    int64_t operator[](size_t i) const {
        if (i < Stored()) return m_wide.empty() ? m_narrow[i] : m_wide[i];
        return (*m_rest.load(std::memory_order_acquire))[i - Stored()];
    }
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
    size_t Stored() const { return m_wide.empty() ? m_narrow.size() : m_wide.size(); }

    std::string m_where;
    std::vector<std::string> m_binds;
    std::vector<uint32_t> m_narrow;
    std::vector<int64_t> m_wide;  // used once an id does not fit four bytes
    size_t m_count = 0;           // of a result whose first ids alone were read: its records
    // The ids after those stored, once read; set once.
    std::unique_ptr<CRecordIds> m_restOwned;
    std::atomic<const CRecordIds*> m_rest{nullptr};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_settled;
    bool m_abandoned = false;
};

}  // namespace mmlsw
