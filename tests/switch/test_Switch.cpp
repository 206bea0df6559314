// The switch simulator: verbs, failures, paging.
#include <set>

#include "SwitchFixture.h"
#include "hostlibs/MmlText.h"

using namespace mmlsw;

namespace {

// A value the parameter accepts; seed makes keys unique.
std::string ValidValue(const SParaDesc& d, int seed) {
    switch (d.kind) {
        case PK_STRING: return "\"T" + std::to_string(seed) + "xxxx\"";
        case PK_ENUMFIXED:
        case PK_ENUM: return d.choices.front().value;
        case PK_BITS: return d.items.front() + "-1";
        case PK_HEX: return "0x1";
        case PK_NUMBER: {
            const long long lo = d.minValue, hi = d.maxValue > d.minValue ? d.maxValue : lo + 100000;
            return std::to_string(lo + (seed % (hi - lo + 1)));
        }
        case PK_DATE: return "2026&01&02";
        case PK_TIME: return "01&02&03";
        case PK_IPADDR: return "10.0.0." + std::to_string(seed % 250 + 1);
        default: {
            std::string v = "9" + std::to_string(1000000 + seed);
            if (d.maxValue > 0 && static_cast<long long>(v.size()) > d.maxValue) v = v.substr(v.size() - d.maxValue);
            return v;
        }
    }
}

}  // namespace

TEST_F(SwitchTest, EveryObjectListsDisplaysAndTakesItsChanges) {
    CFrmDatabase& db = HostDatabase();
    int seed = 4242;
    for (DWORD type : db.Types()) {
        const SComObj& o = *db.Find(type);
        SCOPED_TRACE(o.mmlName);
        // LST: whole, paged head, or several reports; all succeed.
        ASSERT_EQ(Code("LST " + o.mmlName + ":;"), 0) << reports.front();
        if (!o.commands.count(3)) continue;

        // ADD with every required parameter; restriction values from a parent.
        std::map<std::string, std::string> parent;
        if (o.parentType) {
            const SComObj& p = *db.Find(o.parentType);
            Run("LST " + p.mmlName + ":;");
            if (parsed.GetObjectName(0) == "QUERYHEAD")  // long: the first page will do
                Run("LST " + p.mmlName + ": QID=\"" + Value(0, "QID") + "\", BEGIN=0, END=9;");
            int first = 0, last = 0;
            if (parsed.GetObjectList(p.mmlName, first, last))
                for (const std::string& k : p.restrictKeys) parent[k] = Value(last, k);
        }
        // A V5 subscriber needs a free address on a port of its interface.
        // (The window's range 0-0: the whole interface.)
        if (o.mmlName == "V5SUB") parent = {{"V5IID", "1"}, {"L3ADDR", "99"}, {"BGNL3ADDR", "0"}, {"ENDL3ADDR", "0"}};
        if (o.mmlName == "V5BRASUB") parent = {{"V5IID", "7"}, {"L3ADDR", "49"}, {"BGNL3ADDR", "0"}, {"ENDL3ADDR", "0"}};
        // A Centrex member is a subscriber's number, in no other group.
        if (o.mmlName == "CXMEM") parent["DN"] = "20001100";
        std::string add = o.commands.at(3).mml + ":", keys;
        bool firstParam = true;
        ++seed;
        for (const SParaDesc& d : o.commands.at(3).params) {
            if (!d.required) continue;
            std::string v = parent.count(d.mmlName) ? MmlQuoteIfNeeded(parent[d.mmlName]) : ValidValue(d, seed);
            add += (firstParam ? " " : ", ") + d.mmlName + "=" + v;
            firstParam = false;
            for (const SAttributeItem& a : o.attributes)
                if (a.key && a.name == d.mmlName) keys += (keys.empty() ? " " : ", ") + d.mmlName + "=" + v;
        }
        add += ";";
        ASSERT_EQ(Code(add), 0) << add << "\n" << reports.front();
        EXPECT_EQ(Code(add), RC_DUPLICATE) << add;
        if (o.commands.count(1)) {
            ASSERT_EQ(Code("DSP " + o.mmlName + ":" + keys + ";"), 0) << keys << reports.front();
            EXPECT_GE(parsed.GetObjectCount(), 1);
        }
        if (o.commands.count(5)) {
            EXPECT_EQ(Code("MOD " + o.mmlName + ":" + keys + ";"), 0) << reports.front();
        }
        if (o.commands.count(4)) {
            EXPECT_EQ(Code("RMV " + o.mmlName + ":" + keys + ";"), 0) << reports.front();
            EXPECT_EQ(Code("RMV " + o.mmlName + ":" + keys + ";"), RC_NOT_FOUND);
        }
    }
}

TEST_F(SwitchTest, EachFailureHasItsReturnCode) {
    EXPECT_EQ(Code("FOO MGCPSUB:;"), RC_UNKNOWN_VERB);
    EXPECT_EQ(Code("LST NOSUCH:;"), RC_UNKNOWN_OBJECT);
    EXPECT_EQ(Code("ADD SUBSTAT: SUBTYPE=MGCP;"), RC_UNKNOWN_VERB);  // statistics cannot be added
    EXPECT_EQ(Code("LST MGCPSUB"), RC_SYNTAX);
    EXPECT_EQ(Code("LST MGCPSUB: DN=\"open;"), RC_SYNTAX);
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29999999, MGWNAME=\"gw\";"), RC_MISSING);
    EXPECT_NE(parsed.GetResultText().find("EID"), std::string::npos);
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29999999, MGWNAME=\"gw\", EID=\"e\", CSC=999;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29999999, MGWNAME=\"gw\", EID=\"e\", COLOUR=red;"), RC_UNKNOWN_PARAM);
    EXPECT_EQ(Code("ADD MGCPSUB: DN=20000001, MGWNAME=\"gw\", EID=\"e\";"), RC_DUPLICATE);
    EXPECT_EQ(Code("MOD MGCPSUB: DN=29999999, CSC=1;"), RC_NOT_FOUND);
    EXPECT_EQ(Code("RMV V5IF: V5IID=1;"), RC_IN_USE);  // ports and subscribers remain
    EXPECT_EQ(Code("ADD V5PORT: V5IID=77, PTYPE=PSTN, BGNL3ADDR=0, ENDL3ADDR=9;"), RC_NO_PARENT);
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"999\", BEGIN=0, END=499;"), RC_NO_QUERY);
    EXPECT_EQ(Code(std::string(kMaxCommand + 10, 'x')), RC_TOO_LONG);
    EXPECT_EQ(Code("LST MGCPSUB: SORT=COLOUR-ASC;"), RC_BAD_VALUE);
    // A failed change leaves everything as it was.
    EXPECT_EQ(Code("DSP MGCPSUB: DN=20000001;"), 0);
}

TEST(SwitchCatalogue, EveryReturnCodeOfTheSwitchHasItsTextForTheClient) {
    std::set<int> known;
    for (const auto& rc : HostDatabase().ReturnCodes()) known.insert(rc.code);
    for (int code = RC_UNKNOWN_VERB; code <= RC_STALE; ++code) EXPECT_TRUE(known.count(code)) << code;
}

TEST_F(SwitchTest, RemovingASubscriberTakesItsServicesAndItsNumber) {
    ASSERT_EQ(Code("LST MGCPSRV: DN=20001002;"), 0);
    EXPECT_GT(parsed.GetObjectCount(), 0);
    Run("DSP DNINFO: DN=20001002;");
    ASSERT_EQ(parsed.GetRetCode(), 0);
    const std::string seg = Value(0, "SEGIDX");
    Run("DSP DNSEG: SEGIDX=" + seg + ";");
    const int used = std::stoi(Value(0, "USED"));
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20001002;"), 0);
    EXPECT_EQ(Code("LST MGCPSRV: DN=20001002;"), 0);
    EXPECT_EQ(parsed.GetObjectCount(), 0);
    EXPECT_EQ(Code("DSP DNINFO: DN=20001002;"), RC_NOT_FOUND);
    Run("DSP DNSEG: SEGIDX=" + seg + ";");
    EXPECT_EQ(std::stoi(Value(0, "USED")), used - 1);
    ASSERT_EQ(Code("ADD MGCPSUB: DN=20001002, MGWNAME=\"gw\", EID=\"e\", CODEC=G729;"), 0);
    Run("DSP MGCPSUB: DN=20001002;");
    EXPECT_EQ(Value(0, "CODEC"), "G729");
    EXPECT_EQ(Value(0, "STATUS"), "IDLE");    // the first state of a kept attribute
    EXPECT_EQ(Value(0, "CSC"), "0");          // the catalogue's default
    Run("DSP DNSEG: SEGIDX=" + seg + ";");
    EXPECT_EQ(std::stoi(Value(0, "USED")), used);
}

TEST_F(SwitchTest, PagedQueriesHeadPagesReleaseAndExpiry) {
    const CObjArray& head = Run("LST MGCPSUB:;");
    ASSERT_EQ(head.GetObjectName(0), "QUERYHEAD");
    const std::string qid = Value(0, "QID");
    EXPECT_EQ(Value(0, "Total Recs"), "1200");
    EXPECT_EQ(sw.OpenQueries(), 1u);

    Run("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=0, END=499;");
    ASSERT_EQ(parsed.GetObjectCount(), 500);
    EXPECT_EQ(Value(0, "DN"), "20000000");
    Run("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=1000, END=1499;");  // cut at the end
    ASSERT_EQ(parsed.GetObjectCount(), 200);
    EXPECT_EQ(Value(199, "DN"), "20001199");
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=1200, END=1300;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=0, END=5000;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("LST H248SUB: QID=\"" + qid + "\", BEGIN=0, END=9;"), RC_NO_QUERY);  // another object's

    // Sorted the other way round, the last number comes first.
    Run("LST MGCPSUB: SORT=DN-DESC;");
    const std::string sorted = Value(0, "QID");
    Run("LST MGCPSUB: QID=\"" + sorted + "\", BEGIN=0, END=0;");
    EXPECT_EQ(Value(0, "DN"), "20001199");

    EXPECT_EQ(Code("RLS MGCPSUB: QID=\"" + qid + "\";"), 0);
    EXPECT_EQ(Code("RLS MGCPSUB: QID=\"" + qid + "\";"), RC_NO_QUERY);
    now += 299000;
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + sorted + "\", BEGIN=0, END=0;"), 0);  // use keeps it
    now += 301000;
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + sorted + "\", BEGIN=0, END=0;"), RC_NO_QUERY);
    EXPECT_EQ(sw.OpenQueries(), 0u);
}

TEST_F(SwitchTest, LongListsOfUnpagedObjectsComeInSeveralReports) {
    // Number segments are not paged: a thousand more come in several reports.
    auto count = [&](const std::string& cmd) {
        reports = sw.Execute(cmd);
        int total = 0;
        for (size_t i = 0; i < reports.size(); ++i) {
            EXPECT_GE(Parse(reports[i], 1, parsed), 0);
            EXPECT_EQ(parsed.GetContinueFlag(), i + 1 < reports.size() ? 1 : 0);
            total += parsed.GetObjectCount();
        }
        return total;
    };
    const int before = count("LST DNSEG:;");
    for (int k = 0; k < 1000; ++k)
        ASSERT_EQ(Code("ADD DNSEG: SEGIDX=" + std::to_string(1000 + k) + ", TYPE=FIXED, BGNDN=" +
                       std::to_string(90000000 + 10 * k) + ", ENDDN=" + std::to_string(90000009 + 10 * k) + ";"),
                  0);
    EXPECT_EQ(count("LST DNSEG:;"), before + 1000);
    EXPECT_EQ(reports.size(), static_cast<size_t>((before + 1000 + 499) / 500));
    // The number table pages: a segment's 10000-number block holds 1200
    // numbers, a head answers for them; a block of 1000 lists its own.
    reports = sw.Execute("LST DNINFO: SEGIDX=2, BGNDN=20000000, ENDDN=20009999;");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports.front().find("QID"), std::string::npos) << reports.front();
    Run("LST DNINFO: SEGIDX=2, BGNDN=20001000, ENDDN=20001999;");
    EXPECT_EQ(parsed.GetObjectCount(), 200);
    EXPECT_EQ(Code("LST DNINFO: DN=2000000*;"), 0);
    EXPECT_EQ(parsed.GetObjectCount(), 10);
}

TEST_F(SwitchTest, V5SubscribersByRangeAndInBatches) {
    Run("LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=0;");
    const int all = parsed.GetObjectCount();
    EXPECT_EQ(all, 4);  // 20 V5 subscribers over 6 interfaces
    Run("LST V5SUB: V5IID=1, BGNL3ADDR=1, ENDL3ADDR=2;");
    EXPECT_EQ(parsed.GetObjectCount(), 2);
    EXPECT_EQ(Code("LST V5SUB: V5IID=1, BGNL3ADDR=5, ENDL3ADDR=2;"), RC_BAD_VALUE);
    ASSERT_EQ(Code("ADB V5SUB: BGNDN=79000000, V5IID=1, BGNL3ADDR=50, ENDL3ADDR=59;"), 0) << reports.front();
    Run("LST V5SUB: V5IID=1, BGNL3ADDR=50, ENDL3ADDR=59;");
    EXPECT_EQ(parsed.GetObjectCount(), 10);
    EXPECT_EQ(Value(9, "DN"), "79000009");
    EXPECT_EQ(Code("ADB V5SUB: BGNDN=79000005, V5IID=1, BGNL3ADDR=60, ENDL3ADDR=69;"), RC_DUPLICATE);
    Run("LST V5SUB: V5IID=1, BGNL3ADDR=60, ENDL3ADDR=69;");
    EXPECT_EQ(parsed.GetObjectCount(), 0);  // the failed batch left nothing behind
    EXPECT_EQ(Code("RVB V5SUB: V5IID=1, BGNL3ADDR=50, ENDL3ADDR=59;"), 0);
    Run("LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=0;");
    EXPECT_EQ(parsed.GetObjectCount(), all);
}

TEST_F(SwitchTest, MaintenanceOperationsOfCommandObjects) {
    EXPECT_EQ(Code("BLK MGCPSUB: DN=20000001;"), 0);
    Run("DSP MGCPSUB: DN=20000001;");
    EXPECT_EQ(Value(0, "STATUS"), "BLOCKED");
    EXPECT_EQ(Code("UBL MGCPSUB: DN=20000001;"), 0);
    EXPECT_EQ(Code("BLK MGCPSUB: DN=29999999;"), RC_NOT_FOUND);
    Run("DSP SUBCOUNT:;");
    ASSERT_EQ(parsed.GetRetCode(), 0);
    EXPECT_EQ(parsed.GetObjectCount(), 8);
    EXPECT_EQ(Value(0, "SUBTYPE"), "MGCP");
    ASSERT_EQ(Code("ADD SUBBATCH: SUBTYPE=SIP, BGNDN=45000000, ENDDN=45000009;"), 0);
    EXPECT_EQ(Code("DSP SIPSUB: DN=45000009;"), 0);
    EXPECT_EQ(Code("RMV SUBBATCHDN: BGNDN=45000000, ENDDN=45000009;"), 0);
    EXPECT_EQ(Code("DSP SIPSUB: DN=45000009;"), RC_NOT_FOUND);
    EXPECT_EQ(Code("TST V5SUBMNT: DN=70000000;"), 0);
}

TEST_F(SwitchTest, SortingConditionsAndWildcardsOnLists) {
    // Numbers sort as numbers: interface 8 before interface 10 would be
    // wrong as text; here the groups come in numeric order.
    Run("LST V5IF: SORT=V5IID-DESC;");
    ASSERT_EQ(parsed.GetRetCode(), 0);
    EXPECT_EQ(Value(0, "V5IID"), "8");
    Run("LST V5IF: GROUP=1;");
    for (int o = 0; o < parsed.GetObjectCount(); ++o) EXPECT_EQ(Value(o, "GROUP"), "1");
    EXPECT_EQ(Code("LST V5IF: GROUP=x;"), RC_BAD_VALUE);
    Run("LST MGCPSUB: DN=2000001*;");
    EXPECT_EQ(parsed.GetObjectCount(), 10);
    EXPECT_EQ(Code("LST MGCPSUB: DN=1, SORT=DN;"), RC_BAD_VALUE);  // no direction
    // A restriction that names the parent but is no attribute is accepted.
    EXPECT_EQ(Code("LST CXMEM: CGNO=1, CGNAME=\"Company A\";"), 0);
    EXPECT_GT(parsed.GetObjectCount(), 0);
}

TEST_F(SwitchTest, TheOldestQueryOfASessionGivesWayWhenItHasTooManyOpen) {
    const size_t limit = sw.QueryLimits().perSession;
    std::vector<std::string> qids;
    for (size_t i = 0; i <= limit; ++i) {
        now += 10;
        Run("LST MGCPSUB:;");
        qids.push_back(Value(0, "QID"));
    }
    EXPECT_EQ(sw.OpenQueries(), limit);
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qids.front() + "\", BEGIN=0, END=0;"), RC_NO_QUERY);
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qids.back() + "\", BEGIN=0, END=0;"), 0);
    EXPECT_EQ(Code("RLS MGCPSUB: QID=\"" + qids.back() + "\", X=1;"), RC_UNKNOWN_PARAM);
    EXPECT_EQ(Code("RLS MGCPSUB:;"), RC_MISSING);
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qids.back() + "\", BEGIN=0;"), RC_MISSING);
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qids.back() + "\", BEGIN=0, END=1, DN=5;"), RC_UNKNOWN_PARAM);
}

TEST_F(SwitchTest, ChangesCheckEveryValueAgainstItsKind) {
    const std::string base = "ADD SIPSUB: DN=49000000, URI=\"sip:x@y\", PASSWORD=\"secret1\"";
    EXPECT_EQ(Code(base + ", IPADDR=300.1.1.1;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(base + ", AUTH=MAYBE;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(base + ", PORT=0;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("ADD SIPSUB: DN=49000000, URI=\"sip:x@y\", PASSWORD=\"abc\";"), RC_BAD_VALUE);  // too short
    ASSERT_EQ(Code(base + ", AUTH=NONE, IPADDR=10.1.2.3;"), 0);
    Run("DSP SIPSUB: DN=49000000;");
    EXPECT_EQ(Value(0, "AUTH"), "NONE");
    EXPECT_EQ(Value(0, "PASSWORD"), "******");  // never shown
    EXPECT_EQ(Value(0, "PORT"), "5060");        // the catalogue's default
    EXPECT_EQ(Code("MOD SIPSUB: DN=49000000, EXPIRES=59;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("MOD SIPSUB: DN=49000000, EXPIRES=60;"), 0);
    EXPECT_EQ(Code("MOD SIPSUB: DN=49000000, STATUS=REG;"), RC_UNKNOWN_PARAM);  // the switch keeps it
    EXPECT_EQ(Code("ADD SUBBATCH: SUBTYPE=SIP, BGNDN=46000000, ENDDN=46999999;"), RC_BAD_VALUE);  // too many
}

TEST_F(SwitchTest, UnblockingALineThatIsNotBlockedChangesNothing) {
    ASSERT_EQ(ValueOf("DSP MGCPSUB: DN=20000009;", "STATUS"), "FAULT");
    EXPECT_EQ(Code("UBL MGCPSUB: DN=20000009;"), 0);
    EXPECT_NE(Text().find("not blocked"), std::string::npos) << Text();
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000009;", "STATUS"), "FAULT");
    EXPECT_EQ(ValueOf("LST DNINFO: DN=20000009;", "STATUS"), "FAULT");
    ASSERT_EQ(Code("BLK MGCPSUB: DN=20000009;"), 0);
    ASSERT_EQ(Code("UBL MGCPSUB: DN=20000009;"), 0);
    EXPECT_EQ(Text(), "Unblocked.");
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000009;", "STATUS"), "IDLE");
    // A V5 line likewise: told, and nothing changed.
    EXPECT_EQ(Code("UBL V5SUBMNT: DN=70000001;"), 0);
    EXPECT_NE(Text().find("not blocked"), std::string::npos) << Text();
    ASSERT_EQ(Code("BLK V5SUBMNT: DN=70000001;"), 0);
    ASSERT_EQ(Code("UBL V5SUBMNT: DN=70000001;"), 0);
    EXPECT_EQ(Text(), "Unblocked.");
    EXPECT_EQ(ValueOf("DSP V5SUB: DN=70000001;", "STATUS"), "IDLE");
}

// Every change raises a record's revision once; a change that carries the
// revision it was made on goes through while the record still has it, or
// while nothing it changes has changed since, and is otherwise refused
// naming what changed and giving the record as it is now; a change without
// a revision goes through as ever.
TEST_F(SwitchTest, AChangeMadeOnAStaleRevisionIsRefusedWithTheRecordAsItIsNow) {
    const std::string dn = "20000001";
    const std::string dsp = "DSP MGCPSUB: DN=" + dn + ";";
    ASSERT_EQ(ValueOf(dsp, "REV"), "1");
    const std::string desc = Value(0, "DESC");
    EXPECT_EQ(ValueOf("LST MGCPSUB: DN=" + dn + ";", "REV"), "1");

    // Fresh: taken, and the revision rises once for the two attributes.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", CODEC=G729, CSC=5, REV=1;"), 0) << Text();
    EXPECT_EQ(ValueOf(dsp, "REV"), "2");

    // Stale for what it changes: refused, nothing changed, the text names
    // what changed and the record now.
    EXPECT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", CODEC=PCMU, DESC=\"Mine\", REV=1;"), RC_STALE);
    EXPECT_NE(Text().find("Changed since REV=1: CODEC, CSC. Now: DN=" + dn + ", "), std::string::npos) << Text();
    EXPECT_NE(Text().find("CODEC=G729, CSC=5"), std::string::npos) << Text();
    EXPECT_NE(Text().find(", REV=2"), std::string::npos) << Text();
    EXPECT_EQ(ValueOf(dsp, "DESC"), desc);
    EXPECT_EQ(Value(0, "CODEC"), "G729");
    EXPECT_EQ(Value(0, "REV"), "2");
    // Stale, but only other attributes changed since: taken.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", DESC=\"Mine\", REV=1;"), 0) << Text();
    EXPECT_EQ(ValueOf(dsp, "DESC"), "Mine");
    EXPECT_EQ(Value(0, "CODEC"), "G729");
    EXPECT_EQ(Value(0, "REV"), "3");
    // A revision the record never had is no known one.
    EXPECT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", DESC=\"Later\", REV=9;"), RC_STALE);
    EXPECT_NE(Text().find("Changed since REV=9: not known."), std::string::npos) << Text();

    // Block and unblock conflict over the state; a removal over anything.
    ASSERT_EQ(Code("BLK MGCPSUB: DN=" + dn + ", REV=1;"), 0) << Text();
    EXPECT_EQ(ValueOf(dsp, "STATUS"), "BLOCKED");
    EXPECT_EQ(Value(0, "REV"), "4");
    EXPECT_EQ(Code("UBL MGCPSUB: DN=" + dn + ", REV=3;"), RC_STALE);
    EXPECT_NE(Text().find("Changed since REV=3: STATUS."), std::string::npos) << Text();
    EXPECT_EQ(ValueOf(dsp, "STATUS"), "BLOCKED");
    EXPECT_EQ(Code("RMV MGCPSUB: DN=" + dn + ", REV=3;"), RC_STALE);
    ASSERT_EQ(Code("UBL MGCPSUB: DN=" + dn + ", REV=4;"), 0) << Text();
    EXPECT_EQ(ValueOf(dsp, "REV"), "5");

    // Without a revision: as ever, and the revision still rises.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", DESC=\"Script\";"), 0) << Text();
    EXPECT_EQ(ValueOf(dsp, "REV"), "6");
    EXPECT_EQ(Value(0, "DESC"), "Script");
    // A modification that changes nothing is no new revision.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", DESC=\"Script\", REV=6;"), 0) << Text();
    EXPECT_EQ(ValueOf(dsp, "REV"), "6");
    // A revision is no attribute an add takes, and a new record starts at 1.
    EXPECT_EQ(Code("ADD MGCPSUB: DN=20009991, MGWNAME=\"gw\", EID=\"e\", REV=9;"), RC_UNKNOWN_PARAM);
    ASSERT_EQ(Code("ADD MGCPSUB: DN=20009991, MGWNAME=\"gw\", EID=\"e\";"), 0) << Text();
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20009991;", "REV"), "1");
    EXPECT_EQ(Code("RMV MGCPSUB: DN=20009991, REV=2;"), RC_STALE);
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20009991, REV=1;"), 0) << Text();
    EXPECT_TRUE(sw.CheckInvariants().empty());
}

// Every record a change can reach carries its revision, and a change made
// on a stale one is refused the same way, whatever the object: the first
// record of each, changed in one attribute (none for the objects that are
// only removed).
TEST_F(SwitchTest, EveryChangeableRecordRefusesAChangeOnAStaleRevision) {
    ASSERT_EQ(Code("ADD SUBBATCH: SUBTYPE=MGCP, BGNDN=20009001, ENDDN=20009002;"), 0) << Text();
    struct SCase {
        const char* object;
        const char* attr;  // changed by MOD; null: the object is only removed
        const char* where = "";  // a list too long for one answer: the part listed
    };
    static const SCase kCases[] = {
        {"CXGRP", "DESC"},  {"CXMEM", "DESC"},    {"CXPFX", "DESC"},     {"DNSEG", "DESC"},    {"MGCPSRV", "DESC", "DN=20000001"},
        {"H248SRV", "DESC"}, {"H323SRV", "DESC"}, {"BRAMSN", "DESC"},    {"V5IF", "NAME"},     {"IPNROUTE", "DESC"},
        {"V5BRACFG", "DESC"}, {"CALLSRC", "DESC"}, {"CHGSRC", "DESC"},   {"SIPREG", nullptr},  {"V5PORT", nullptr},
        {"V5BRAPORT", nullptr}, {"SUBBATCH", nullptr}};
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.object);
        const SComObj* obj = HostDatabase().FindByMml(c.object);
        ASSERT_TRUE(obj);
        ASSERT_EQ(Code(std::string("LST ") + c.object + ": " + c.where + ";"), 0) << Text();
        ASSERT_GE(parsed.GetObjectCount(), 1);
        EXPECT_EQ(Value(0, "REV"), "1");
        std::string key;
        for (const SAttributeItem& a : obj->attributes)
            if (a.key) key += (key.empty() ? "" : ", ") + a.name + "=" + MmlQuoteIfNeeded(Value(0, a.name));
        const std::string mod = std::string("MOD ") + c.object + ": " + key + ", ";
        const std::string dsp = std::string("LST ") + c.object + ": " + key + ";";
        std::string rev = "1";
        if (c.attr) {
            const std::string attr = c.attr;
            // Fresh: taken and raised; stale for what it changes: refused
            // with what changed and the record now; without: as ever.
            ASSERT_EQ(Code(mod + attr + "=\"Mine\", REV=1;"), 0) << Text();
            EXPECT_EQ(ValueOf(dsp, "REV"), "2");
            EXPECT_EQ(Code(mod + attr + "=\"Theirs\", REV=1;"), RC_STALE);
            EXPECT_NE(Text().find("Changed since REV=1: " + attr + ". Now: "), std::string::npos) << Text();
            EXPECT_NE(Text().find(attr + "=Mine"), std::string::npos) << Text();
            EXPECT_NE(Text().find(", REV=2"), std::string::npos) << Text();
            EXPECT_EQ(ValueOf(dsp, attr), "Mine");
            ASSERT_EQ(Code(mod + attr + "=\"Script\";"), 0) << Text();
            EXPECT_EQ(ValueOf(dsp, "REV"), "3");
            rev = "3";
        }
        // A removal on a revision the record does not have: refused, the
        // record stays; on its own, only the object's rules can stop it.
        const std::string rmv = std::string("RMV ") + c.object + ": " + key + ", REV=";
        EXPECT_EQ(Code(rmv + "7;"), RC_STALE);
        EXPECT_NE(Text().find("Changed since REV=7: not known. Now: "), std::string::npos) << Text();
        EXPECT_EQ(ValueOf(dsp, "REV"), rev);
        EXPECT_NE(Code(rmv + rev + ";"), RC_STALE) << Text();
    }
    EXPECT_TRUE(sw.CheckInvariants().empty());
}

// The maintenance record of a V5 line shows its subscriber's revision, and
// blocking through it carries that revision like blocking the subscriber.
TEST_F(SwitchTest, AV5LineIsBlockedOnItsSubscribersRevision) {
    const std::string dn = "70000001";
    ASSERT_EQ(Code("TST V5SUBMNT: DN=" + dn + ";"), 0) << Text();
    ASSERT_EQ(Code("MOD V5SUB: DN=" + dn + ", DESC=\"Kiosk\";"), 0) << Text();
    const std::string rev = ValueOf("DSP V5SUB: DN=" + dn + ";", "REV");
    EXPECT_EQ(ValueOf("LST V5SUBMNT: DN=" + dn + ";", "REV"), rev);
    // Stale: refused naming what changed, nothing blocked.
    ASSERT_EQ(Code("MOD V5SUB: DN=" + dn + ", CSC=3;"), 0) << Text();
    const std::string now = ValueOf("DSP V5SUB: DN=" + dn + ";", "REV");
    EXPECT_EQ(Code("BLK V5SUBMNT: DN=" + dn + ", REV=" + rev + ";"), 0) << "the state did not change: " << Text();
    EXPECT_EQ(Code("UBL V5SUBMNT: DN=" + dn + ", REV=" + now + ";"), RC_STALE);
    EXPECT_NE(Text().find("Changed since REV=" + now + ": STATUS. Now: DN=" + dn), std::string::npos) << Text();
    EXPECT_EQ(ValueOf("LST V5SUBMNT: DN=" + dn + ";", "BLOCKED"), "YES");
    EXPECT_EQ(Value(0, "REV"), ValueOf("DSP V5SUB: DN=" + dn + ";", "REV"));
    EXPECT_EQ(Value(0, "STATUS"), "BLOCKED");
    // Fresh: taken; without: as ever.
    ASSERT_EQ(Code("UBL V5SUBMNT: DN=" + dn + ", REV=" + Value(0, "REV") + ";"), 0) << Text();
    ASSERT_EQ(Code("BLK V5SUBMNT: DN=" + dn + ";"), 0) << Text();
    EXPECT_EQ(ValueOf("LST V5SUBMNT: DN=" + dn + ";", "REV"), ValueOf("DSP V5SUB: DN=" + dn + ";", "REV"));
    // The interface is blocked on its own revision too.
    ASSERT_EQ(Code("BLK V5IF: V5IID=" + ValueOf("DSP V5SUB: DN=" + dn + ";", "V5IID") + ", REV=1;"), 0) << Text();
    EXPECT_EQ(Code("UBL V5IF: V5IID=" + ValueOf("DSP V5SUB: DN=" + dn + ";", "V5IID") + ", REV=1;"), RC_STALE);
    EXPECT_TRUE(sw.CheckInvariants().empty());
}
