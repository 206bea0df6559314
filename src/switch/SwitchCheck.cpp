// The switch simulator: the invariant checker (mmlswitch --check). Reads
// the whole store and names every place where the data disagrees with
// itself: the file's own integrity, numbers and their one owner, the number
// table and the segments' USED against the subscriber tables, references
// between records, ports and L3 addresses, and what the catalogue's
// relations require.
#include <algorithm>

#include "CatalogueHelpers.h"
#include "Numbers.h"
#include "Switch.h"

namespace mmlsw {

namespace {

struct SSegment {
    int64_t first, last, index;
};

// The segment that holds the number; null when none does.
const SSegment* SegmentOf(const std::vector<SSegment>& segs, const std::string& number) {
    int64_t n = 0;
    if (!ParseInt(number, n)) return nullptr;
    auto it = std::upper_bound(segs.begin(), segs.end(), n, [](int64_t v, const SSegment& s) { return v < s.first; });
    if (it == segs.begin()) return nullptr;
    --it;
    return n <= it->last ? &*it : nullptr;
}

}  // namespace

std::vector<std::string> CSwitch::CheckInvariants() {
    std::vector<std::string> out;
    CReadTransaction snapshot(m_db);
    auto each = [&](const std::string& sql, const std::function<void(CStatement&)>& row) {
        auto s = m_db.Prepared(sql);
        while (s->Step()) row(*s);
    };
    auto text = [](CStatement& s, int c) { return std::string(s.Text(c)); };

    each("PRAGMA integrity_check", [&](CStatement& s) {
        if (s.Text(0) != "ok") out.push_back("integrity: " + text(s, 0));
    });

    // Numbers are stored as numbers (Numbers.h), each with one owner.
    std::map<std::string, std::string> owners;  // number -> who holds it
    auto own = [&](const std::string& number, const std::string& who) {
        if (CanonicalNumber(number) != number || number.empty())
            out.push_back(who + ": " + (number.empty() ? "no number" : number + " is not stored as a number"));
        auto [it, fresh] = owners.emplace(number, who);
        if (!fresh) out.push_back("number " + number + " has two owners: " + it->second + " and " + who);
    };
    for (const auto& [type, kind] : SubscriberTypes())
        each("SELECT DN FROM " + Table(type), [&](CStatement& s) { own(text(s, 0), kind + " subscriber " + text(s, 0)); });
    each("SELECT DN, MSN FROM " + Table(kMsnType) + " WHERE MSN <> DN",
         [&](CStatement& s) { own(text(s, 1), "MSN of BRA subscriber " + text(s, 0)); });
    for (const auto& [table, column] : std::vector<std::pair<DWORD, std::string>>{{kMemberType, "DN"}, {kGroupType, "NIGHTDN"}})
        each("SELECT " + column + " FROM " + Table(table) + " WHERE " + column + " <> ''", [&](CStatement& s) {
            const std::string n = text(s, 0);
            if (!owners.count(n))
                out.push_back(m_cat.Find(table)->displayName + " " + column + "=" + n + " belongs to no subscriber");
        });

    // Segments: ranges that do not overlap, USED counting the number table.
    std::vector<SSegment> segs;
    each("SELECT BGNDN, ENDDN, SEGIDX, USED, (SELECT COUNT(*) FROM " + Table(kNumberType) +
             " n WHERE n.SEGIDX = g.SEGIDX) FROM " + Table(kSegmentType) + " g",
         [&](CStatement& s) {
             SSegment seg{0, 0, s.Int(2)};
             if (!ParseInt(s.Text(0), seg.first) || !ParseInt(s.Text(1), seg.last) || seg.first > seg.last)
                 out.push_back("segment " + std::to_string(seg.index) + ": range " + text(s, 0) + "-" + text(s, 1));
             if (s.Int(3) != s.Int(4))
                 out.push_back("segment " + std::to_string(seg.index) + ": USED " + std::to_string(s.Int(3)) + ", " +
                               std::to_string(s.Int(4)) + " numbers in the number table");
             segs.push_back(seg);
         });
    std::sort(segs.begin(), segs.end(), [](const SSegment& a, const SSegment& b) { return a.first < b.first; });
    for (size_t i = 1; i < segs.size(); ++i)
        if (segs[i].first <= segs[i - 1].last)
            out.push_back("segments " + std::to_string(segs[i - 1].index) + " and " + std::to_string(segs[i].index) +
                          " overlap");

    // The number table: the owned numbers inside segments, as their owners are.
    const SAttributeItem* numberStatus = Attr(*m_cat.Find(kNumberType), "STATUS");
    auto expectRow = [&](const std::string& number, const std::string& kind, const std::string& csc,
                         const std::string& status, CStatement& s, int c) {
        const SSegment* seg = SegmentOf(segs, number);
        const bool listed = s.Int(c) != 0;
        if (!seg) {
            if (listed) out.push_back("number table: " + number + " lies in no segment");
            return;
        }
        if (!listed) return out.push_back("number table: " + number + " (" + kind + ") is missing");
        std::string st = numberStatus->para.choices.front().value;
        for (const SChoice& ch : numberStatus->para.choices)
            if (ch.value == status) st = status;
        const std::string want = std::to_string(seg->index) + "/" + kind + "/" + st + "/" + (csc.empty() ? "0" : csc);
        const std::string got = text(s, c + 1) + "/" + text(s, c + 2) + "/" + text(s, c + 3) + "/" + text(s, c + 4);
        if (want != got) out.push_back("number table: " + number + " is " + got + ", its owner says " + want);
    };
    const std::string numberCols = "n.rid IS NOT NULL, n.SEGIDX, n.SUBTYPE, n.STATUS, n.CSC";
    for (const auto& [type, kind] : SubscriberTypes())
        each("SELECT s.DN, s.CSC, s.STATUS, " + numberCols + " FROM " + Table(type) + " s LEFT JOIN " +
                 Table(kNumberType) + " n ON n.DN = s.DN",
             [&, kind = kind](CStatement& s) { expectRow(text(s, 0), kind, text(s, 1), text(s, 2), s, 3); });
    each("SELECT m.MSN, m.CSC, b.STATUS, " + numberCols + " FROM " + Table(kMsnType) + " m JOIN " + Table(kBraType) +
             " b ON b.DN = m.DN LEFT JOIN " + Table(kNumberType) + " n ON n.DN = m.MSN WHERE m.MSN <> m.DN",
         [&](CStatement& s) { expectRow(text(s, 0), "BRA", text(s, 1), text(s, 2), s, 3); });
    each("SELECT DN FROM " + Table(kNumberType), [&](CStatement& s) {
        if (!owners.count(text(s, 0))) out.push_back("number table: " + text(s, 0) + " belongs to nobody");
    });

    // Every record's parent is there.
    for (DWORD type : m_cat.Types()) {
        const SComObj& o = *m_cat.Find(type);
        const SComObj* parent = m_cat.Find(o.parentType);
        if (!parent) continue;
        std::string on;
        for (const std::string& r : o.restrictParams)
            if (Attr(o, r) && Attr(*parent, r) && r != o.rangeFrom && r != o.rangeTo)
                on += (on.empty() ? "" : " AND ") + ("p." + QuoteIdent(r) + " = c." + QuoteIdent(r));
        if (on.empty()) continue;
        each("SELECT c.rid FROM " + Table(type) + " c WHERE NOT EXISTS (SELECT 1 FROM " + Table(parent->type) +
                 " p WHERE " + on + ")",
             [&](CStatement& s) {
                 out.push_back(o.displayName + " record " + std::to_string(s.Int(0)) + ": its " + parent->displayName +
                               " is gone");
             });
    }

    // Centrex groups: members within MAXMEM, short numbers unique in a group.
    each("SELECT g.CGNO, g.MAXMEM, COUNT(m.rid) FROM " + Table(kGroupType) + " g JOIN " + Table(kMemberType) +
             " m ON m.CGNO = g.CGNO GROUP BY g.CGNO HAVING COUNT(m.rid) > g.MAXMEM",
         [&](CStatement& s) {
             out.push_back("Centrex group " + text(s, 0) + ": " + std::to_string(s.Int(2)) + " members, MAXMEM " +
                           text(s, 1));
         });
    each("SELECT CGNO, SHORTNO FROM " + Table(kMemberType) + " GROUP BY CGNO, SHORTNO HAVING COUNT(*) > 1",
         [&](CStatement& s) { out.push_back("Centrex group " + text(s, 0) + ": short number " + text(s, 1) + " twice"); });
    each("SELECT b.DN, b.MAXMSN, COUNT(*) FROM " + Table(kBraType) + " b JOIN " + Table(kMsnType) +
             " m ON m.DN = b.DN GROUP BY b.DN HAVING COUNT(*) > b.MAXMSN",
         [&](CStatement& s) { out.push_back("BRA subscriber " + text(s, 0) + ": more MSNs than MAXMSN " + text(s, 1)); });

    // V5: ports without overlaps, subscribers on a free address of a port,
    // maintenance rows of live subscribers.
    for (DWORD subType : {kV5Type, SubscriberTypeOfPort(334)}) {
        const std::string port = Table(PortTypeOf(subType)), subs = Table(subType);
        each("SELECT a.V5IID, a.BGNL3ADDR, b.BGNL3ADDR FROM " + port + " a JOIN " + port +
                 " b ON a.V5IID = b.V5IID AND a.rid < b.rid AND a.BGNL3ADDR <= b.ENDL3ADDR AND b.BGNL3ADDR <= "
                 "a.ENDL3ADDR OR a.BGNL3ADDR > a.ENDL3ADDR AND a.rid = b.rid",
             [&](CStatement& s) {
                 out.push_back("V5 interface " + text(s, 0) + ": ports at " + text(s, 1) + " and " + text(s, 2) +
                               " overlap or are reversed");
             });
        each("SELECT s.DN FROM " + subs + " s WHERE NOT EXISTS (SELECT 1 FROM " + port +
                 " p WHERE p.V5IID = s.V5IID AND p.BGNL3ADDR <= s.L3ADDR AND p.ENDL3ADDR >= s.L3ADDR)",
             [&](CStatement& s) { out.push_back("V5 subscriber " + text(s, 0) + ": its L3 address is on no port"); });
        each("SELECT V5IID, L3ADDR FROM " + subs + " GROUP BY V5IID, L3ADDR HAVING COUNT(*) > 1", [&](CStatement& s) {
            out.push_back("V5 interface " + text(s, 0) + ": L3 address " + text(s, 1) + " held twice");
        });
    }
    // A store the switch has not opened for writing since lines carry
    // revisions has none to compare.
    bool lineRevisions = false;
    each("SELECT 1 FROM pragma_table_info('" + Table(kV5MaintenanceType) + "') WHERE name = 'REV'",
         [&](CStatement&) { lineRevisions = true; });
    const std::string rev = lineRevisions ? "REV" : "1";
    const std::string v5 = "SELECT DN, V5IID, L3ADDR, STATUS, " + rev + " AS REV FROM " + Table(kV5Type) +
                           " UNION ALL SELECT DN, V5IID, L3ADDR, STATUS, " + rev + " FROM " +
                           Table(SubscriberTypeOfPort(334));
    const std::string sameRev = lineRevisions ? "s.REV = m.REV" : "1";
    each("SELECT m.DN, s.DN IS NULL, s.V5IID = m.V5IID AND s.L3ADDR = m.L3ADDR, (s.STATUS = 'BLOCKED') = "
         "(m.BLOCKED = 'YES'), " + sameRev + " FROM " + Table(kV5MaintenanceType) + " m LEFT JOIN (" + v5 +
         ") s ON s.DN = m.DN",
         [&](CStatement& s) {
             if (s.Int(1))
                 out.push_back("V5 line maintenance of " + text(s, 0) + ": no such V5 subscriber");
             else if (!s.Int(2))
                 out.push_back("V5 line maintenance of " + text(s, 0) + ": not the subscriber's interface and address");
             else if (!s.Int(3))
                 out.push_back("V5 line maintenance of " + text(s, 0) + ": BLOCKED disagrees with the subscriber's STATUS");
             else if (!s.Int(4))
                 out.push_back("V5 line maintenance of " + text(s, 0) + ": REV is not the subscriber's");
         });

    // What the catalogue's relations require is there.
    for (DWORD type : m_cat.Types()) {
        const SComObj& o = *m_cat.Find(type);
        const SCmd* add = OpOf(o, 3);
        if (!add) continue;
        for (const SParaDesc& d : add->params) {
            if (d.relation.empty() || !Attr(o, d.mmlName)) continue;
            for (const SChoice& c : d.choices)
                for (const std::string& required : RequiredByRelation(*add, d, c.value)) {
                    auto s = m_db.Prepared("SELECT rid FROM " + Table(type) + " WHERE " + QuoteIdent(d.mmlName) +
                                           " = ? AND (" + QuoteIdent(required) + " IS NULL OR " +
                                           QuoteIdent(required) + " = '')");
                    s->Bind(1, c.value);
                    while (s->Step())
                        out.push_back(o.displayName + " record " + std::to_string(s->Int(0)) + ": " + d.mmlName +
                                      "=" + c.value + " without " + required);
                }
        }
    }
    return out;
}

}  // namespace mmlsw
