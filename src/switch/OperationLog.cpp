// The operation log: one row per change, refused change, login and logout,
// written in the change's own transaction (so that it costs one more row of
// a commit that happens anyway), read with LST OPLOG newest first.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "CatalogueHelpers.h"
#include "Secrets.h"
#include "Switch.h"
#include "TextHelpers.h"

namespace mmlsw {

namespace {

// "YYYY-MM-DD HH:MM:SS.mmm", UTC.
std::string UtcTime(std::chrono::system_clock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return buf;
}

// The RETCODE of an answer's first report.
int RetCodeOf(const std::vector<std::string>& reports) {
    if (reports.empty()) return RC_OK;  // a change of the program itself
    const std::string& r = reports.front();
    const size_t at = r.find("\nRETCODE = ");
    return at == std::string::npos ? RC_INTERNAL : std::atoi(r.c_str() + at + 11);
}

// "YYYY-MM-DD HH:MM:SS" as the operator writes it.
bool ValidTime(std::string_view t) {
    if (t.size() != 19) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '0';
        if (want == '0' ? !std::isdigit(static_cast<unsigned char>(t[i])) : t[i] != want) return false;
    }
    return true;
}

}  // namespace

void CSwitch::WatchChanges() {
    sqlite3_update_hook(
        m_db.Handle(),
        [](void* self, int, const char*, const char* table, sqlite3_int64 rid) {
            auto& sw = *static_cast<CSwitch*>(self);
            if (!sw.m_counting) return;
            // Records of the catalogue's objects; the number table follows
            // its owners and the log is no record of a change.
            if (table[0] != 'o') return;
            char* end = nullptr;
            const unsigned long type = std::strtoul(table + 1, &end, 10);
            if (*end || type == kOplogType || type == kNumberType || !sw.m_cat.Find(static_cast<DWORD>(type))) return;
            sw.m_changedRows.emplace(static_cast<DWORD>(type), rid);
        },
        this);
}

int64_t CSwitch::RecordsChanged(const SMmlCommand& cmd) const {
    const SComObj* obj = m_cat.FindByMml(cmd.object);
    const bool segments = obj && obj->type == kSegmentType;
    return std::count_if(m_changedRows.begin(), m_changedRows.end(),
                         [&](const auto& row) { return segments || row.first != kSegmentType; });
}

void CSwitch::LogProgramChange(std::string_view what, int64_t records) {
    CTransaction tx(m_db);
    Log({SystemUser(), "local", {}, kDefaultSession, records}, what, {});
    tx.Commit();
}

void CSwitch::Log(const SLogged& row, std::string_view command, const Reports& out) {
    const auto now = std::chrono::system_clock::now();
    const std::string t = Table(kOplogType);
    m_db.Prepared("INSERT INTO " + t +
                  " (TIME, OP, ADDR, SESSION, CMD, RETCODE, RECORDS, OBJ) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
        ->Bind(1, UtcTime(now))
        .Bind(2, row.op.empty() ? std::string("-") : row.op)
        .Bind(3, row.addr)
        .Bind(4, static_cast<int64_t>(row.session))
        .Bind(5, MaskSecrets(command, m_secretNames))
        .Bind(6, RetCodeOf(out))
        .Bind(7, row.records)
        .Bind(8, row.object)
        .Exec();
    Touch(kOplogType);
    const int days = OplogKeepDays();
    const int64_t steady = Now();
    if (days > 0 && (m_lastTrim == 0 || steady - m_lastTrim > 60000)) {
        m_lastTrim = steady;
        // Rows come in time order: the old ones are those before the first
        // young one, found without an index on TIME (which every change
        // would have to write as well).
        m_db.Prepared("DELETE FROM " + t + " WHERE rid < (SELECT rid FROM " + t + " WHERE TIME >= ? ORDER BY rid LIMIT 1)")
            ->Bind(1, UtcTime(now - std::chrono::hours(24) * days))
            .Exec();
    }
}

bool CSwitch::OplogBound(const SMmlParam& p, SListSql& sql, Failure& fail) const {
    const bool from = platform::EqualsNoCase(p.name, "FROM"), to = platform::EqualsNoCase(p.name, "TO");
    if (!from && !to) return false;
    const std::string v(platform::TrimBlanksView(p.value));
    if (!ValidTime(v)) return fail = {RC_BAD_VALUE, "(" + p.name + ": YYYY-MM-DD HH:MM:SS, UTC)"}, true;
    // TO takes in the whole second it names.
    sql.where += std::string(sql.where.empty() ? "" : " AND ") + (from ? "TIME >= ?" : "TIME <= ?");
    sql.binds.push_back(from ? v : v + ".999");
    sql.columns.push_back("TIME");
    return true;
}

}  // namespace mmlsw
