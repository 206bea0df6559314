// The demo dataset. Rows go in through prepared statements inside one
// transaction; a million subscribers take a few seconds.
#include "DemoData.h"

#include <algorithm>
#include <map>
#include <vector>

#include "CatalogueHelpers.h"
#include "Switch.h"

namespace mmlsw {

namespace {

// Fills one object's rows attribute by attribute and inserts them.
class CInserter {
public:
    CInserter(CSwitch& sw, DWORD type) : m_sw(sw), m_obj(*sw.Catalogue().Find(type)) {
        std::string cols, marks;
        for (size_t i = 0; i < m_obj.attributes.size(); ++i) {
            m_index[m_obj.attributes[i].name] = i;
            cols += (i ? ", " : "") + QuoteIdent(m_obj.attributes[i].name);
            marks += i ? ", ?" : "?";
        }
        m_values.resize(m_obj.attributes.size());
        m_sql = "INSERT INTO " + CSwitch::Table(type) + " (" + cols + ") VALUES (" + marks + ")";
    }
    CInserter& Set(const char* name, std::string value) {
        m_values.at(m_index.at(name)) = std::move(value);
        return *this;
    }
    // Throws CStoreError when the row does not go in.
    void Insert() {
        auto s = m_sw.Db().Prepared(m_sql);
        for (size_t i = 0; i < m_values.size(); ++i)
            s->Bind(static_cast<int>(i) + 1, m_obj.attributes[i].revision && m_values[i].empty() ? "1" : m_values[i]);
        s->Exec();
        for (std::string& v : m_values) v.clear();
    }

private:
    CSwitch& m_sw;
    const SComObj& m_obj;
    std::map<std::string, size_t> m_index;
    std::vector<std::string> m_values;
    std::string m_sql;
};

const char* const kCodecs[] = {"PCMA", "PCMA", "PCMU", "G729"};
const char* const kStates[] = {"IDLE", "IDLE", "IDLE", "IDLE", "IDLE", "BUSY", "IDLE", "BLOCKED", "IDLE", "FAULT"};

std::string Num(int64_t n) { return std::to_string(n); }

struct Range {
    const char* subtype;
    int64_t base;
    int64_t count;
};

// Throws CStoreError when the data does not go in.
void Seed(CSwitch& sw, const SDemoSize& size) {
    CDatabase& db = sw.Db();
    const int64_t n = std::max<int64_t>(size.mgcp, 1);
    const int64_t m = std::max<int64_t>(20, n / 100);
    const int64_t v5PerIf = (m + 5) / 6, braPerIf = (m / 2 + 1) / 2;
    db.Exec("PRAGMA synchronous=OFF");
    CTransaction tx(db);
    // Accounts and the operation log are no subscriber data: they stay.
    for (DWORD t : sw.Catalogue().Types())
        if (t != kOperatorType && t != kOplogType) db.Exec("DELETE FROM " + CSwitch::Table(t));

    // Number segments of 10000 numbers over every subscriber range, plus two
    // small ones; the number table lists every number in use.
    const std::vector<Range> ranges = {{"MGCP", 20000000, n},  {"H248", 30000000, m},
                                       {"SIP", 40000000, m},   {"H323", 50000000, m},
                                       {"BRA", 60000000, m},   {"IPN", 61000000, m},
                                       {"V5", 70000000, v5PerIf * 6}, {"V5BRA", 71000000, braPerIf * 2}};
    CInserter seg(sw, 305);
    int64_t segIdx = 0;
    auto addSegment = [&](int64_t first, int64_t last, const char* type, const std::string& name) {
        seg.Set("SEGIDX", Num(segIdx++)).Set("NAME", name).Set("TYPE", type).Set("CSC", "0")
            .Set("BGNDN", Num(first)).Set("ENDDN", Num(last)).Set("USED", "0")
            .Set("DESC", "Demo segment");
        seg.Insert();
    };
    addSegment(1000, 1999, "SERVICE", "Service numbers");
    addSegment(80000000, 80000499, "CENTREX", "Centrex operators");
    for (const Range& r : ranges)
        for (int64_t b = r.base; b < r.base + r.count; b += 10000)
            addSegment(b, b + 9999, "FIXED", std::string(r.subtype) + " " + Num(b));

    CInserter dn(sw, 316);
    auto number = [&](int64_t d, const char* subtype, const char* state, const std::string& csc) {
        // Segments are 10000 numbers from each range's base, in range order.
        dn.Set("DN", Num(d)).Set("SUBTYPE", subtype).Set("STATUS", state).Set("CSC", csc).Set("DESC", "");
        return dn;
    };
    // SEGIDX of a number: looked up once per segment as numbers go in order.
    CStatement segOf(db.Handle(), "SELECT SEGIDX FROM o305 WHERE CAST(BGNDN AS INTEGER) <= ?1 AND CAST(ENDDN AS INTEGER) >= ?1");
    int64_t segLo = 1, segHi = 0, segCur = 0;
    auto addNumber = [&](int64_t d, const char* subtype, const char* state, const std::string& csc = "0") {
        if (d < segLo || d > segHi) {
            segOf.Reset();
            segOf.Bind(1, d);
            if (!segOf.Step()) return;
            segCur = segOf.Int(0);
            segLo = d - (d % 10000);
            segHi = segLo + 9999;
        }
        number(d, subtype, state, csc).Set("SEGIDX", Num(segCur)).Insert();
    };

    // The MGCP subscribers are most of the work; the rest is told as one step.
    int told = -1;
    auto tell = [&](int percent) {
        if (size.progress && percent != told) size.progress(told = percent);
    };
    tell(0);
    CInserter mgcp(sw, 308);
    for (int64_t i = 0; i < n; ++i) {
        if (i % 1024 == 0) tell(static_cast<int>(i * 90 / n));
        const int64_t d = 20000000 + i;
        const std::string gw = "mgw-" + Num(i / 24);
        const char* state = kStates[i % 10];
        mgcp.Set("DN", Num(d)).Set("MGWNAME", gw).Set("EID", "aaln/" + Num(i % 24 + 1) + "@" + gw + ".example.net")
            .Set("CODEC", kCodecs[i % 4]).Set("CSC", Num(i % 3)).Set("RCHS", Num(i % 5))
            .Set("OUTRIGHT", i % 7 ? "LOCAL-1&NATIONAL-1&INTL-0&PREMIUM-0" : "LOCAL-1&NATIONAL-1&INTL-1&PREMIUM-0")
            .Set("STATUS", state).Set("REGDATE", "2026-0" + Num(1 + i % 9) + "-1" + Num(i % 10))
            .Set("DESC", "Line " + Num(i % 24 + 1) + " of " + gw).Set("HOTLINE", i % 50 ? "NO" : "YES")
            .Set("HOTDN", i % 50 ? "" : "1100").Set("HOTDELAY", i % 50 ? "" : "5");
        mgcp.Insert();
        addNumber(d, "MGCP", state, Num(i % 3));
    }
    CInserter mgcpSrv(sw, 309);
    static const char* const kServices[] = {"CFU", "CW", "CLIP", "CFB", "DND"};
    for (int64_t i = 0; i < std::min<int64_t>(n, 2000); ++i)
        for (int64_t k = 0; k <= i % 3; ++k)
            mgcpSrv.Set("DN", Num(20000000 + i)).Set("SRV", kServices[(i + k) % 5])
                .Set("STATE", k ? "ACT" : "DEACT").Set("FWDDN", kServices[(i + k) % 5][0] == 'C' && k ? Num(20000000 + (i + 1) % n) : "")
                .Set("DESC", "").Insert();

    CInserter h248(sw, 319), h248Srv(sw, 320), sip(sw, 311), sipReg(sw, 310), h323(sw, 312),
        h323Srv(sw, 328), bra(sw, 313), braMsn(sw, 318), ipn(sw, 317);
    for (int64_t i = 0; i < m; ++i) {
        const char* state = kStates[i % 10];
        const std::string d248 = Num(30000000 + i), dsip = Num(40000000 + i), d323 = Num(50000000 + i),
                          dbra = Num(60000000 + i), dipn = Num(61000000 + i);
        h248.Set("DN", d248).Set("MGWID", Num(i / 32)).Set("TID", "A" + Num(i % 32)).Set("CODEC", kCodecs[i % 3])
            .Set("CSC", "0").Set("RCHS", "0").Set("MASK", "0x" + Num(i % 8)).Set("STATUS", state)
            .Set("DESC", "H.248 line").Insert();
        addNumber(30000000 + i, "H248", state);
        if (i % 4 == 0) h248Srv.Set("DN", d248).Set("SRV", "CW").Set("STATE", "ACT").Set("DESC", "").Insert();
        const char* sipState = i % 3 ? "REG" : "UNREG";
        sip.Set("DN", dsip).Set("URI", "sip:" + dsip + "@ims.example.net").Set("PASSWORD", "pw" + dsip)
            .Set("AUTH", "DIGEST").Set("IPADDR", "").Set("PORT", "5060").Set("CSC", "0").Set("EXPIRES", "3600")
            .Set("STATUS", sipState).Set("DESC", "SIP phone").Insert();
        addNumber(40000000 + i, "SIP", "IDLE");
        if (i % 3)
            sipReg.Set("DN", dsip).Set("CONTACT", "sip:" + dsip + "@10.20." + Num(i / 250 % 250) + "." + Num(i % 250 + 1))
                .Set("IPADDR", "10.20." + Num(i / 250 % 250) + "." + Num(i % 250 + 1)).Set("PORT", "5060")
                .Set("REGDATE", "2026-12-01").Set("REGTIME", "08:" + Num(10 + i % 50) + ":00")
                .Set("AGENT", "DeskPhone/2.1").Insert();
        h323.Set("DN", d323).Set("ALIAS", "h323-" + d323).Set("IPADDR", "10.30." + Num(i / 250 % 250) + "." + Num(i % 250 + 1))
            .Set("GKNAME", "gk1").Set("FASTSTART", "YES").Set("CSC", "0").Set("STATUS", i % 2 ? "REG" : "UNREG")
            .Set("DESC", "").Insert();
        addNumber(50000000 + i, "H323", "IDLE");
        if (i % 5 == 0) h323Srv.Set("DN", d323).Set("SRV", "CFB").Set("STATE", "ACT").Set("FWDDN", d248).Set("DESC", "").Insert();
        bra.Set("DN", dbra).Set("MGWID", Num(200 + i / 16)).Set("TID", "B" + Num(i % 16)).Set("NTTYPE", "P2MP")
            .Set("MAXMSN", "8").Set("CSC", "0").Set("STATUS", state).Set("DESC", "").Insert();
        addNumber(60000000 + i, "BRA", state);
        braMsn.Set("DN", dbra).Set("MSN", dbra).Set("SRVCLASS", "SPEECH").Set("CSC", "0").Set("DESC", "main").Insert();
        if (i % 2) braMsn.Set("DN", dbra).Set("MSN", Num(62000000 + i)).Set("SRVCLASS", "DATA").Set("CSC", "0").Set("DESC", "fax").Insert();
        ipn.Set("DN", dipn).Set("IPADDR", "172.16." + Num(i / 250 % 250) + "." + Num(i % 250 + 1))
            .Set("MASK", "255.255.255.0").Set("BANDWIDTH", "2048").Set("VLAN", Num(100 + i % 10)).Set("CSC", "0")
            .Set("STATUS", i % 9 ? "UP" : "DOWN").Set("DESC", "").Insert();
        addNumber(61000000 + i, "IPN", "IDLE");
    }

    // V5: interfaces 1..6 carry PSTN ports and V5 subscribers, 7 and 8 ISDN
    // ports and V5 BRA subscribers; groups of three neighbouring interfaces,
    // so that a list in key order meets the groups in their own order.
    CInserter v5if(sw, 325), port(sw, 326), braPort(sw, 334), v5sub(sw, 327), v5bra(sw, 335),
        mnt(sw, 332), bracfg(sw, 336);
    for (int i = 1; i <= 8; ++i)
        v5if.Set("V5IID", Num(i)).Set("NAME", "V5-" + Num(i) + (i > 6 ? " BRA" : "")).Set("GROUP", Num(1 + (i - 1) / 3))
            .Set("MGWID", Num(100 + i)).Set("VARIANT", "0").Set("PROTOCOL", "V52").Set("LINKS", "2")
            .Set("STATUS", i == 5 ? "DOWN" : "UP").Insert();
    for (int i = 1; i <= 6; ++i) {
        for (int64_t b = 0; b < v5PerIf; b += 100)
            port.Set("PTYPE", "PSTN").Set("BGNL3ADDR", Num(b)).Set("ENDL3ADDR", Num(b + 99)).Set("V5IID", Num(i))
                .Set("DESC", "").Insert();
        for (int64_t k = 0; k < v5PerIf; ++k) {
            const int64_t d = 70000000 + (i - 1) * v5PerIf + k;
            v5sub.Set("DN", Num(d)).Set("V5IID", Num(i)).Set("L3ADDR", Num(k)).Set("CSC", "0").Set("RCHS", "0")
                .Set("STATUS", kStates[k % 10]).Set("DESC", "").Insert();
            addNumber(d, "V5", kStates[k % 10]);
            if ((i - 1) * v5PerIf + k < 200)
                mnt.Set("DN", Num(d)).Set("V5IID", Num(i)).Set("L3ADDR", Num(k)).Set("LINESTATE", "IDLE")
                    .Set("BLOCKED", k % 10 == 7 ? "YES" : "NO").Set("TESTRESULT", "").Insert();
        }
    }
    for (int i = 7; i <= 8; ++i) {
        for (int64_t b = 0; b < braPerIf; b += 50)
            braPort.Set("PTYPE", "ISDN").Set("BGNL3ADDR", Num(b)).Set("ENDL3ADDR", Num(b + 49)).Set("V5IID", Num(i))
                .Set("DESC", "").Insert();
        for (int64_t k = 0; k < braPerIf; ++k) {
            const int64_t d = 71000000 + (i - 7) * braPerIf + k;
            v5bra.Set("DN", Num(d)).Set("V5IID", Num(i)).Set("L3ADDR", Num(k)).Set("MAXMSN", "8").Set("CSC", "0")
                .Set("STATUS", "IDLE").Set("DESC", "").Insert();
            addNumber(d, "V5BRA", "IDLE");
        }
        bracfg.Set("V5IID", Num(i)).Set("TEI", "AUTO").Set("ACTTIMER", "15").Set("DEACTTIMER", "30")
            .Set("STARTDATE", "2026-01-15").Set("STARTTIME", "06:00:00").Set("DESC", "").Insert();
    }

    // Centrex: groups of MGCP subscribers, every member kind represented.
    CInserter grp(sw, 303), mem(sw, 329), pfx(sw, 304);
    static const char* const kKinds[] = {"SUB", "SUB", "SUB", "OPR", "NIGHT", "PBX", "HUNT", "VMS", "IVR", "FAX"};
    const int64_t groups = std::min<int64_t>(12, std::max<int64_t>(1, n / 40));
    const int64_t perGroup = std::min<int64_t>(40, n / groups);
    for (int64_t g = 0; g < groups; ++g) {
        grp.Set("CGNO", Num(g + 1)).Set("CGNAME", "Company " + std::string(1, static_cast<char>('A' + g)))
            .Set("PREFIX", "9").Set("MAXMEM", "500").Set("CALLOUT", g % 4 ? "ALLOW" : "DENY")
            .Set("NIGHTDN", Num(20000000 + g * perGroup)).Set("DESC", "Demo group").Insert();
        for (int64_t k = 0; k < perGroup; ++k)
            mem.Set("DN", Num(20000000 + g * perGroup + k)).Set("CGNO", Num(g + 1)).Set("SHORTNO", Num(800 + k))
                .Set("KIND", kKinds[k % 10]).Set("OUTRIGHT", k % 3 ? "NATIONAL" : "LOCAL")
                .Set("DISPNAME", "Extension " + Num(800 + k)).Set("DESC", "").Insert();
        for (int k = 0; k < 2 + g % 3; ++k)
            pfx.Set("PFX", Num(90 + k)).Set("CGNO", Num(g + 1)).Set("DEST", k % 2 ? "TOLL" : "LOCAL")
                .Set("MINLEN", "3").Set("MAXLEN", "20").Set("DESC", "").Insert();
    }

    // Command objects.
    // Subscriber statistics are counted from the tables when asked for.
    CInserter route(sw, 323), job(sw, 340), csc(sw, 345), chg(sw, 346);
    for (int r = 0; r < 10; ++r)
        route.Set("RTNO", Num(r)).Set("DSTIP", "192.0.2." + Num(r * 16)).Set("MASK", "255.255.255.240")
            .Set("GATEWAY", "198.51.100." + Num(r + 1)).Set("PRIORITY", Num(r % 4)).Set("DESC", "").Insert();
    for (int j = 1; j <= 3; ++j)
        job.Set("JOBID", Num(j)).Set("KIND", j == 2 ? "RMV" : "ADD").Set("BGNDN", Num(20000000 + j * 100))
            .Set("ENDDN", Num(20000000 + j * 100 + 49)).Set("STATE", "DONE").Set("STARTDATE", "2026-11-2" + Num(j))
            .Set("STARTTIME", "02:00:00").Insert();
    for (int c = 0; c < 6; ++c) {
        csc.Set("CSC", Num(c)).Set("NAME", "Source " + Num(c)).Set("PRETRANS", Num(c)).Set("COUNTRY", "99")
            .Set("AREA", Num(10 + c)).Set("DESC", "").Insert();
        chg.Set("RCHS", Num(c)).Set("NAME", "Tariff zone " + Num(c)).Set("TARIFF", Num(c * 2))
            .Set("METER", c % 2 ? "NO" : "YES").Set("HEXMASK", "0xff").Set("DESC", "").Insert();
    }

    tell(95);
    segOf.Reset();
    db.Exec("UPDATE o305 SET USED = (SELECT COUNT(*) FROM o316 WHERE o316.SEGIDX = o305.SEGIDX)");
    tx.Commit();
    tell(100);
}

}  // namespace

bool SeedDemo(CSwitch& sw, const SDemoSize& size, std::string& error) {
    bool ok = false;
    try {
        Seed(sw, size);
        ok = true;
    } catch (const CStoreError& e) {
        error = std::string("seeding: ") + e.what();
    }
    sw.SetFullSync(sw.FullSync());  // the switch's own commits again
    sw.DataReplaced();
    return ok;
}

}  // namespace mmlsw
