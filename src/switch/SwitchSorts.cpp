// Sorted lists over many records. A list sorted by a column no index
// orders must sort every record it selects before the first comes out;
// over a million records that takes most of a second. The head answers
// with the first page read on its own (the few smallest, which the store
// finds in one pass without sorting the rest) and the count; the rest of
// the order is read when a page past the first asks for it, before any
// change (so that it is read from the data the head saw), or when the
// caller has time. Every later page then costs the same, wherever it lies.
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

std::shared_ptr<CRecordIds> CSwitch::FirstPageOfSort(const SComObj& obj, const SListSql& sql,
                                                     const std::string& text, const std::string& key,
                                                     const CResultCache::SStamp& stamp) {
    // A reader answers on a thread of its own: what it returns is whole.
    if (m_reader || !obj.paged || !NeedsSort(text)) return nullptr;
    auto ids = std::make_shared<CRecordIds>();
    {
        auto s = m_db.Prepared(text + " LIMIT " + std::to_string(kPageRecords));
        BindAll(*s, sql.binds);
        while (s->Step()) ids->Push(s->Int(0));
    }
    if (static_cast<int64_t>(ids->Known()) < kPageRecords) return ids;  // that was all of it
    int64_t count = 0;
    {
        auto s = m_db.Prepared("SELECT COUNT(*) FROM " + Table(obj.type) +
                               (sql.where.empty() ? "" : " WHERE " + sql.where));
        BindAll(*s, sql.binds);
        if (s->Step()) count = s->Int(0);
    }
    if (count > static_cast<int64_t>(ids->Known())) {
        ids->Expect(static_cast<size_t>(count));
        m_unfinished.push_back({ids, key, text, sql.binds, stamp});
    }
    return ids;
}

void CSwitch::FinishSorts() {
    if (m_unfinished.empty()) return;
    std::vector<SUnfinishedSort> unfinished;
    unfinished.swap(m_unfinished);
    std::optional<CReadTransaction> snapshot;
    if (m_db.AutoCommit()) snapshot.emplace(m_db);
    for (const SUnfinishedSort& u : unfinished) {
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

}  // namespace mmlsw
