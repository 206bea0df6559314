// Long lists answered with their first page. A list sorted by a column no
// index orders must sort every record it selects before the first comes
// out; over a million records that takes most of a second. A list in an
// index's order needs no sort, but reading a million ids still takes a
// while. Either head answers with the first page read on its own (the few
// first of the order, which the store finds in one pass without sorting
// the rest) and the count; the rest of the order is read when a page past
// the first asks for it, before any change (so that it is read from the
// data the head saw), or when the caller has time. A reader of the TCP
// server reads its heads in a read transaction that it keeps until it has
// read the rest of their orders, right after their answers went out: the
// writer's changes meanwhile do not reach what it reads, and its pages past
// the first wait on a reader for it. Every later page then costs the same,
// wherever it lies.
#include "ResultCache.h"
#include "Switch.h"

namespace mmlsw {

bool CSwitch::NeedsSort(const std::string& text) {
    auto plan = m_db.Prepared("EXPLAIN QUERY PLAN " + text);
    while (plan->Step()) {
        const std::string detail(plan->Text(3));
        if (detail.find("TEMP B-TREE") != std::string::npos && detail.find("ORDER BY") != std::string::npos)
            return true;
    }
    return false;
}

std::shared_ptr<CRecordIds> CSwitch::FirstPageAlone(const SComObj& obj, const SListSql& sql,
                                                     const std::string& text, const std::string& key,
                                                     const CResultCache::SStamp& stamp) {
    if (!obj.paged || (m_reader && !m_headsFirst)) return nullptr;
    auto count = [&] {
        auto s = m_db.Prepared("SELECT COUNT(*) FROM " + Table(obj.type) +
                               (sql.where.empty() ? "" : " WHERE " + sql.where));
        BindAll(*s, sql.binds);
        return s->Step() ? s->Int(0) : 0;
    };
    int64_t total = -1;
    if (!NeedsSort(text)) {
        // In an index's order: read whole unless it is every record of a
        // long table (a condition could make the count a scan of its own).
        if (!sql.where.empty()) return nullptr;
        total = count();
        if (total < kFirstPageAloneFrom) return nullptr;
    }
    auto ids = std::make_shared<CRecordIds>();
    {
        auto s = m_db.Prepared(text + " LIMIT " + std::to_string(kPageRecords));
        BindAll(*s, sql.binds);
        while (s->Step()) ids->Push(s->Int(0));
    }
    if (static_cast<int64_t>(ids->Known()) < kPageRecords) return ids;  // that was all of it
    if (total < 0) total = count();
    if (total > static_cast<int64_t>(ids->Known())) {
        ids->Expect(static_cast<size_t>(total));
        m_unfinished.push_back({ids, key, text, sql.binds, stamp});
    }
    return ids;
}

void CSwitch::FinishSorts(const CRecordIds* only) {
    std::vector<SUnfinishedSort> unfinished;
    for (auto it = m_unfinished.begin(); it != m_unfinished.end();) {
        const bool take = !only || it->ids.lock().get() == only || it->ids.expired();
        if (take) {
            unfinished.push_back(std::move(*it));
            it = m_unfinished.erase(it);
        } else {
            ++it;
        }
    }
    size_t done = 0;
    try {
        if (!unfinished.empty()) {
            std::optional<CReadTransaction> snapshot;
            if (m_db.AutoCommit()) snapshot.emplace(m_db);
            for (; done < unfinished.size(); ++done) {
                const SUnfinishedSort& u = unfinished[done];
                const std::shared_ptr<CRecordIds> ids = u.ids.lock();
                if (!ids || ids->Finished()) continue;  // no query holds it any more
                std::vector<int64_t> all;
                all.reserve(ids->size());
                auto s = m_db.Prepared(u.text);
                BindAll(*s, u.binds);
                while (s->Step()) all.push_back(s->Int(0));
                ids->Finish(all);
                // Shared from now on, while the data it depends on holds.
                Results().Store(u.key, u.stamp, ids);
            }
        }
    } catch (...) {
        // Pages that wait for these orders are told they will not come.
        for (; done < unfinished.size(); ++done)
            if (const auto ids = unfinished[done].ids.lock()) ids->Abandon();
        if (!only) m_headSnapshot.reset();
        throw;
    }
    // A page that read its own order here still reads its records in it.
    if (!only) m_headSnapshot.reset();
}

}  // namespace mmlsw
