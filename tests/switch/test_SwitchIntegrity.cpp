// One truth after any change: record ids that are never handed out twice,
// pages that show only what still matches, one owner per number, a number
// table that follows every change, no reference left dangling, and the
// relations the catalogue sets held on the switch itself.
#include <QTemporaryDir>

#include <future>
#include <mutex>

#include "FileSwitchFixture.h"
#include "ReaderPool.h"
#include "SwitchFixture.h"
#include "TcpClient.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

class IntegrityTest : public SwitchTest {
protected:
    // Opens a paged query in the session; its QID.
    std::string Head(const std::string& cmd, SessionId session) {
        Run(cmd, session);
        EXPECT_EQ(parsed.GetRetCode(), 0) << Text();
        return Value(0, "QID");
    }
    std::vector<std::string> Page(const std::string& object, const std::string& qid, int begin, int end,
                                  SessionId session) {
        Run("LST " + object + ": QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) + ", END=" + std::to_string(end) +
                ";",
            session);
        EXPECT_EQ(parsed.GetRetCode(), 0) << Text();
        std::vector<std::string> dns;
        for (int o = 0; o < parsed.GetObjectCount(); ++o) dns.push_back(Value(o, "DN"));
        return dns;
    }
    std::vector<std::string> Violations() { return sw.CheckInvariants(); }
    std::string Used(int segIdx) { return ValueOf("DSP DNSEG: SEGIDX=" + std::to_string(segIdx) + ";", "USED"); }
    std::string Number(const std::string& dn, const std::string& key) {
        return ValueOf("LST DNINFO: DN=" + dn + ";", key);
    }
    const std::string mgcp = ", MGWNAME=\"gw\", EID=\"e\";";
};

}  // namespace

TEST_F(IntegrityTest, APageShowsOnlyWhatStillMatchesAndPositionsStay) {
    const std::string all = Head("LST MGCPSUB: DN=2000*;", 1);
    const std::vector<std::string> before = Page("MGCPSUB", all, 1195, 1199, 1);
    ASSERT_EQ(before.back(), "20001199");
    // Another session moves the last record away and adds another number.
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20001199;", 2), 0);
    ASSERT_EQ(Code("ADD MGCPSUB: DN=1777" + mgcp, 2), 0);
    std::vector<std::string> after = Page("MGCPSUB", all, 1195, 1199, 1);
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.end() - 1),
              std::vector<std::string>(before.begin(), before.end() - 1));
    EXPECT_EQ(after.back(), "");  // in its place, empty: not 1777
    EXPECT_NE(Text().find("1 of these records were removed or changed"), std::string::npos) << Text();

    // A record changed so that it no longer meets the condition is not shown either.
    const std::string pcma = Head("LST MGCPSUB: CODEC=PCMA;", 1);
    const std::vector<std::string> first = Page("MGCPSUB", pcma, 0, 2, 1);
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + first[1] + ", CODEC=G729;", 2), 0);
    EXPECT_EQ(Page("MGCPSUB", pcma, 0, 2, 1), (std::vector<std::string>{first[0], "", first[2]}));
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + first[1] + ", CODEC=PCMA;", 2), 0);
    EXPECT_EQ(Page("MGCPSUB", pcma, 0, 2, 1), first);
    EXPECT_EQ(Text(), "Operation succeeded.");
}

namespace {
// A store of MGCP subscribers made by an older switch: its table keyed as
// given, its columns all text and without the record's revision.
// A table as a store made before revisions has it (a V5 subscriber's
// already carrying its own, as the subscribers did before the others).
void OldTable(CDatabase& old, DWORD type, const std::string& key) {
    std::string cols;
    for (const SAttributeItem& a : HostDatabase().Find(type)->attributes)
        if (!a.revision || type == 327) cols += ", " + QuoteIdent(a.name) + " TEXT";
    old.Exec("CREATE TABLE o" + std::to_string(type) + " (rid " + key + cols + ")");
}
void OldStore(CDatabase& old, const std::string& file, const std::string& key) {
    std::string error;
    ASSERT_TRUE(old.Open(file, CDatabase::Mode::ReadWrite, 1000, error)) << error;
    OldTable(old, 308, key);
}
}  // namespace

TEST(IntegrityStore, AStoreWhoseTablesHandedOutIdsAgainIsMigratedOnceWithItsIds) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/old.db";
    {
        CDatabase old;
        OldStore(old, file, "INTEGER PRIMARY KEY");
        ASSERT_FALSE(HasFatalFailure());
        for (int i = 1; i <= 3; ++i)
            old.Exec("INSERT INTO o308 (rid, DN, MGWNAME, EID, CSC) VALUES (" + std::to_string(i * 10) + ", '2900000" +
                     std::to_string(i) + "', 'gw', 'e', '0')");
    }
    CSwitch sw(HostDatabase());
    std::string error;
    ASSERT_TRUE(sw.Open(file, error)) << error;
    auto scalar = [&](const std::string& sql) {
        CStatement s(sw.Db().Handle(), sql);
        return s.Step() ? std::string(s.Text(0)) : std::string();
    };
    EXPECT_NE(scalar("SELECT sql FROM sqlite_master WHERE name = 'o308'").find("AUTOINCREMENT"), std::string::npos);
    EXPECT_EQ(scalar("SELECT rid FROM o308 WHERE DN = '29000003'"), "30");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM o308"), "3");
    ASSERT_NE(sw.Execute("RMV MGCPSUB: DN=29000003;").front().find("RETCODE = 0"), std::string::npos);
    ASSERT_NE(sw.Execute("ADD MGCPSUB: DN=29000009, MGWNAME=\"gw\", EID=\"e\";").front().find("RETCODE = 0"),
              std::string::npos);
    EXPECT_EQ(scalar("SELECT rid FROM o308 WHERE DN = '29000009'"), "31");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sqlite_master WHERE name = 'o308_old'"), "0");
}

// A store made before records carried revisions gains the column, every
// record at revision 1, and its check stays clean.
TEST(IntegrityStore, AStoreWithoutRevisionsGainsThemAtRevisionOne) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/old.db";
    {
        CDatabase old;
        OldStore(old, file, "INTEGER PRIMARY KEY AUTOINCREMENT");
        ASSERT_FALSE(HasFatalFailure());
        old.Exec("INSERT INTO o308 (DN, MGWNAME, EID, CSC, CODEC, OUTRIGHT, STATUS, HOTLINE, RCHS) VALUES "
                 "('29000001', 'gw', 'e', '0', 'PCMA', 'LOCAL-1&NATIONAL-1&INTL-0&PREMIUM-0', 'IDLE', 'NO', '0')");
        // A Centrex group, and a V5 line maintained while its record did
        // not show the subscriber's revision yet.
        for (DWORD type : HostDatabase().Types())
            if (type != 308 && type != 350 && type != 351) OldTable(old, type, "INTEGER PRIMARY KEY AUTOINCREMENT");
        old.Exec("INSERT INTO o303 (CGNO, CGNAME, MAXMEM, CALLOUT) VALUES ('7', 'Old', '10', 'ALLOW')");
        old.Exec("INSERT INTO o325 (V5IID, \"GROUP\", MGWID, STATUS) VALUES ('1', '1', '1', 'UP')");
        old.Exec("INSERT INTO o326 (PTYPE, BGNL3ADDR, ENDL3ADDR, V5IID) VALUES ('PSTN', '0', '99', '1')");
        old.Exec("INSERT INTO o327 (DN, V5IID, L3ADDR, CSC, STATUS, REV) VALUES ('79000001', '1', '5', '0', "
                 "'BLOCKED', '3')");
        old.Exec("INSERT INTO o332 (DN, V5IID, L3ADDR, LINESTATE, BLOCKED) VALUES ('79000001', '1', '5', 'IDLE', "
                 "'YES')");
    }
    auto lineViolations = [](CSwitch& s) {
        std::vector<std::string> found;
        for (const std::string& v : s.CheckInvariants())
            if (v.find("maintenance") != std::string::npos) found.push_back(v);
        return found;
    };
    {
        // Checked before the switch opens it for writing: nothing to compare yet.
        CSwitch reader(HostDatabase());
        std::string error;
        ASSERT_TRUE(reader.OpenToCheck(file, error)) << error;
        EXPECT_EQ(lineViolations(reader), std::vector<std::string>{});
    }
    CSwitch sw(HostDatabase());
    std::string error;
    ASSERT_TRUE(sw.Open(file, error)) << error;
    const std::string shown = sw.Execute("DSP MGCPSUB: DN=29000001;").front();
    EXPECT_NE(shown.find("\nREV = 1\n"), std::string::npos) << shown;
    EXPECT_NE(sw.Execute("LST CXGRP: CGNO=7;").front().find("\nREV = 1\n"), std::string::npos);
    EXPECT_NE(sw.Execute("LST V5SUBMNT: DN=79000001;").front().find("\nREV = 3\n"), std::string::npos);
    EXPECT_EQ(lineViolations(sw), std::vector<std::string>{});
    EXPECT_TRUE(sw.CheckInvariants().empty()) << ::testing::PrintToString(sw.CheckInvariants());
    ASSERT_NE(sw.Execute("MOD MGCPSUB: DN=29000001, CODEC=G729, REV=1;").front().find("RETCODE = 0"),
              std::string::npos);
    EXPECT_NE(sw.Execute("DSP MGCPSUB: DN=29000001;").front().find("\nREV = 2\n"), std::string::npos);
}

TEST_F(IntegrityTest, ANumberIsItsDigitsValueAndHasOneOwnerMsnsIncluded) {
    const std::string used = Used(2);  // the segment of 20000000-20009999
    EXPECT_EQ(Code("ADD SIPSUB: DN=020000001, URI=\"sip:a@b\", PASSWORD=\"secret\";"), RC_DUPLICATE);
    EXPECT_NE(Text().find("MGCP"), std::string::npos) << Text();
    EXPECT_EQ(Code("ADD H248SUB: DN=0020000001, MGWID=1, TID=\"t\";"), RC_DUPLICATE);
    EXPECT_EQ(Code("ADD IPNSUB: DN=00020000001, IPADDR=10.0.0.1, MASK=255.0.0.0;"), RC_DUPLICATE);
    EXPECT_EQ(Code("ADD MGCPSUB: DN=020000001" + mgcp), RC_DUPLICATE);
    EXPECT_EQ(Used(2), used);
    // Leading zeros are no part of a number: it is stored and found without them.
    ASSERT_EQ(Code("ADD MGCPSUB: DN=0020005000" + mgcp), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=020005000;", "DN"), "20005000");
    EXPECT_EQ(Number("20005000", "SUBTYPE"), "MGCP");

    // An MSN is owned like a subscriber's number.
    EXPECT_EQ(Code("ADD BRAMSN: DN=60000000, MSN=62000001;"), RC_DUPLICATE);  // 60000001's
    EXPECT_NE(Text().find("60000001"), std::string::npos) << Text();
    EXPECT_EQ(Code("ADD MGCPSUB: DN=62000001" + mgcp), RC_DUPLICATE);
    EXPECT_EQ(Code("ADD BRAMSN: DN=60000000, MSN=20000005;"), RC_DUPLICATE);
    // One inside a segment is in the number table, and goes with its subscriber.
    ASSERT_EQ(Code("ADD BRAMSN: DN=60000000, MSN=020006000, CSC=4;"), 0);
    EXPECT_EQ(Number("20006000", "SUBTYPE"), "BRA");
    EXPECT_EQ(Number("20006000", "CSC"), "4");
    EXPECT_EQ(Code("ADD SIPSUB: DN=20006000, URI=\"sip:a@b\", PASSWORD=\"secret\";"), RC_DUPLICATE);
    EXPECT_EQ(Violations(), std::vector<std::string>{});
    ASSERT_EQ(Code("RMV BRASUB: DN=60000000;"), 0);
    EXPECT_EQ(Code("LST DNINFO: DN=20006000;"), 0);
    EXPECT_EQ(parsed.GetObjectCount(), 0);
    EXPECT_EQ(Violations(), std::vector<std::string>{});
}

TEST_F(IntegrityTest, TheNumberTableFollowsEveryChangeOfItsOwner) {
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000003, CSC=9;"), 0);
    EXPECT_EQ(Number("20000003", "CSC"), "9");
    ASSERT_EQ(Code("BLK MGCPSUB: DN=20000003;"), 0);
    EXPECT_EQ(Number("20000003", "STATUS"), "BLOCKED");
    ASSERT_EQ(Code("UBL MGCPSUB: DN=20000003;"), 0);
    EXPECT_EQ(Number("20000003", "STATUS"), "IDLE");
    ASSERT_EQ(Code("BLK V5SUBMNT: DN=70000001;"), 0);
    EXPECT_EQ(ValueOf("DSP V5SUB: DN=70000001;", "STATUS"), "BLOCKED");
    EXPECT_EQ(Number("70000001", "STATUS"), "BLOCKED");
    // The demo's number table carries its subscribers' call sources.
    EXPECT_EQ(Number("20000002", "CSC"), "2");
    EXPECT_EQ(Violations(), std::vector<std::string>{});
}

TEST_F(IntegrityTest, NoReferenceIsLeftDanglingAndTheCatalogueRulesHold) {
    // Group 1 has members 20000000-20000039 and 20000000 as night service.
    EXPECT_EQ(Code("RMV MGCPSUB: DN=20000005;"), RC_IN_USE);
    EXPECT_NE(Text().find("member of Centrex group 1"), std::string::npos) << Text();
    EXPECT_EQ(Code("RMV SUBBATCHDN: BGNDN=20000004, ENDDN=20000006;"), RC_IN_USE);
    ASSERT_EQ(Code("RMV CXMEM: CGNO=1, DN=20000000;"), 0);
    EXPECT_EQ(Code("RMV MGCPSUB: DN=20000000;"), RC_IN_USE);
    EXPECT_NE(Text().find("night service number of Centrex group 1"), std::string::npos) << Text();
    EXPECT_EQ(Code("MOD CXGRP: CGNO=1, NIGHTDN=29999999;"), RC_NO_PARENT);
    ASSERT_EQ(Code("MOD CXGRP: CGNO=1, NIGHTDN=20000001;"), 0);
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20000000;"), 0);

    // Members: a subscriber's number, in one group, named by its group's
    // own name, with a short number of its own, no more than MAXMEM.
    const std::string member = "ADD CXMEM: CGNO=1, CGNAME=\"Company A\", KIND=SUB, ";
    EXPECT_EQ(Code("ADD CXMEM: CGNO=1, CGNAME=\"Company Z\", KIND=SUB, DN=20000900, SHORTNO=990;"), RC_NO_PARENT);
    EXPECT_NE(Text().find("named \"Company A\""), std::string::npos) << Text();
    EXPECT_EQ(Code(member + "DN=29999999, SHORTNO=990;"), RC_NO_PARENT);
    EXPECT_EQ(Code(member + "DN=20000045, SHORTNO=990;"), RC_DUPLICATE);
    EXPECT_NE(Text().find("member of Centrex group 2"), std::string::npos) << Text();
    EXPECT_EQ(Code(member + "DN=20000900, SHORTNO=801;"), RC_DUPLICATE);
    EXPECT_NE(Text().find("short number 801"), std::string::npos) << Text();
    EXPECT_EQ(Code("MOD CXMEM: CGNO=1, DN=20000002, SHORTNO=801;"), RC_DUPLICATE);
    EXPECT_EQ(Code("MOD CXGRP: CGNO=1, MAXMEM=1;"), RC_BAD_VALUE);
    ASSERT_EQ(Code("MOD CXGRP: CGNO=1, MAXMEM=39;"), 0);  // 39 members now
    EXPECT_EQ(Code(member + "DN=20000900, SHORTNO=990;"), RC_BAD_VALUE);
    EXPECT_NE(Text().find("MAXMEM"), std::string::npos) << Text();
    Run("DSP CXGRPCNT: CGNO=1;");
    EXPECT_EQ(Value(0, "MEMBERS"), "39");
    EXPECT_EQ(Value(0, "MAXMEM"), "39");

    // HOTLINE=YES needs its number, on ADD and on MOD.
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\", HOTLINE=YES;"), RC_MISSING);
    EXPECT_NE(Text().find("HOTDN"), std::string::npos) << Text();
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTLINE=YES;"), RC_MISSING);
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTLINE=YES, HOTDN=1100;"), 0);
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTDN=\"\";"), RC_MISSING);

    // A V5 subscriber's maintenance row lives and goes with it.
    EXPECT_EQ(Code("BLK V5SUBMNT: DN=29999999;"), RC_NOT_FOUND);
    ASSERT_EQ(Code("RMV V5SUB: DN=70000002;"), 0);
    EXPECT_EQ(Code("BLK V5SUBMNT: DN=70000002;"), RC_NOT_FOUND);
    EXPECT_EQ(Code("DSP V5LINESTAT: DN=70000002;"), RC_NOT_FOUND);
    // An L3 address outside the window's range is refused.
    EXPECT_EQ(Code("ADD V5SUB: DN=79500000, V5IID=1, BGNL3ADDR=0, ENDL3ADDR=1, L3ADDR=2;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("ADD V5SUB: DN=79500000, V5IID=1, BGNL3ADDR=2, ENDL3ADDR=2, L3ADDR=2;"), 0);
    EXPECT_EQ(Violations(), std::vector<std::string>{});
}

TEST_F(IntegrityTest, TheCheckerNamesWhatDisagrees) {
    EXPECT_EQ(Violations(), std::vector<std::string>{});
    sw.Db().Exec("UPDATE o305 SET USED = USED + 1 WHERE SEGIDX = 2");
    sw.Db().Exec("UPDATE o316 SET CSC = '7' WHERE DN = '20000010'");
    sw.Db().Exec("DELETE FROM o308 WHERE DN = '20000020'");  // a member, a number
    sw.Db().Exec("INSERT INTO o311 (DN, STATUS, CSC) VALUES ('020000030', 'REG', '0')");
    sw.Db().Exec("UPDATE o308 SET HOTLINE = 'YES', HOTDN = '' WHERE DN = '20000031'");
    sw.Db().Exec("DELETE FROM o327 WHERE DN = '70000003'");
    const std::vector<std::string> found = Violations();
    auto says = [&](const std::string& part) {
        return std::any_of(found.begin(), found.end(), [&](const std::string& v) { return v.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(says("segment 2: USED")) << ::testing::PrintToString(found);
    EXPECT_TRUE(says("20000010 is 2/MGCP/IDLE/7")) << ::testing::PrintToString(found);
    EXPECT_TRUE(says("20000020 belongs to nobody")) << ::testing::PrintToString(found);
    EXPECT_TRUE(says("DN=20000020 belongs to no subscriber")) << ::testing::PrintToString(found);
    EXPECT_TRUE(says("020000030 is not stored as a number")) << ::testing::PrintToString(found);
    EXPECT_TRUE(says("HOTLINE=YES without HOTDN")) << ::testing::PrintToString(found);
    EXPECT_TRUE(says("maintenance of 70000003: no such V5 subscriber")) << ::testing::PrintToString(found);
}

TEST_F(IntegrityTest, AnMsnUsedByACentrexGroupStaysWhileTheGroupUsesIt) {
    // Group 3 takes an MSN of BRA subscriber 60000004 as member and night service.
    ASSERT_EQ(Code("ADD BRAMSN: DN=60000004, MSN=62009997;"), 0);
    ASSERT_EQ(Code("MOD CXGRP: CGNO=3, MAXMEM=60;"), 0);
    ASSERT_EQ(Code("ADD CXMEM: DN=62009997, CGNO=3, CGNAME=\"Company C\", SHORTNO=997, KIND=SUB;"), 0);
    ASSERT_EQ(Code("MOD CXGRP: CGNO=3, NIGHTDN=62009997;"), 0);
    for (const char* cmd : {"RMV BRASUB: DN=60000004;", "RMV BRAMSN: DN=60000004, MSN=62009997;"}) {
        EXPECT_EQ(Code(cmd), RC_IN_USE) << cmd;
        EXPECT_NE(Text().find("62009997 is a member of Centrex group 3"), std::string::npos) << Text();
    }
    ASSERT_EQ(Code("RMV CXMEM: CGNO=3, DN=62009997;"), 0);
    for (const char* cmd : {"RMV BRASUB: DN=60000004;", "RMV BRAMSN: DN=60000004, MSN=62009997;"}) {
        EXPECT_EQ(Code(cmd), RC_IN_USE) << cmd;
        EXPECT_NE(Text().find("62009997 is the night service number of Centrex group 3"), std::string::npos) << Text();
    }
    EXPECT_EQ(Violations(), std::vector<std::string>{});
    // The subscriber's own number as its main MSN goes with it as before.
    ASSERT_EQ(Code("MOD CXGRP: CGNO=3, NIGHTDN=60000004;"), 0);
    EXPECT_EQ(Code("RMV BRAMSN: DN=60000004, MSN=62009997;"), 0);
    EXPECT_EQ(Code("RMV BRAMSN: DN=60000004, MSN=60000004;"), 0);
    EXPECT_EQ(Code("RMV BRASUB: DN=60000004;"), RC_IN_USE);
    EXPECT_EQ(Violations(), std::vector<std::string>{});
}

TEST_F(IntegrityTest, MaxmsnIsNeverBelowTheMsnsTheSubscriberHolds) {
    // 60000001 holds its main MSN and 62000001.
    EXPECT_EQ(Code("MOD BRASUB: DN=60000001, MAXMSN=1;"), RC_BAD_VALUE);
    EXPECT_NE(Text().find("MAXMSN=1: the subscriber has 2 MSNs"), std::string::npos) << Text();
    EXPECT_EQ(ValueOf("DSP BRASUB: DN=60000001;", "MAXMSN"), "8");
    EXPECT_EQ(Code("MOD BRASUB: DN=60000001, MAXMSN=2;"), 0);
    EXPECT_EQ(Code("ADD BRAMSN: DN=60000001, MSN=62009991;"), RC_BAD_VALUE);
    EXPECT_EQ(Violations(), std::vector<std::string>{});
}

TEST_F(IntegrityTest, WhatAHotlineOfNoLeavesOutIsNeitherTakenNorKept) {
    // As the client's parameter dialog greys them, HOTLINE=NO leaves HOTDN
    // and HOTDELAY out: a value given for them is refused.
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29000001" + std::string(", MGWNAME=\"gw\", EID=\"e\", HOTLINE=NO, HOTDN=1100;")),
              RC_BAD_VALUE);
    EXPECT_NE(Text().find("HOTDN: HOTLINE=NO leaves it out"), std::string::npos) << Text();
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\", HOTDELAY=5;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("DSP MGCPSUB: DN=29000001;"), RC_NOT_FOUND);
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTLINE=YES, HOTDN=1100, HOTDELAY=5;"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000901;", "HOTDELAY"), "5");
    // Turned off, the hotline keeps no number nor delay.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTLINE=NO;"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000901;", "HOTDN"), "");
    EXPECT_EQ(Value(0, "HOTDELAY"), "");
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTDN=1200;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000901, HOTDN=\"\";"), 0);
    EXPECT_EQ(Violations(), std::vector<std::string>{});
}

namespace {

// The numbers of every subscriber in the order SQL gives for the sort.
std::vector<std::string> WholeOrder(CSwitch& sw, const std::string& order) {
    std::vector<std::string> dns;
    auto s = sw.Db().Prepared("SELECT DN FROM o308 ORDER BY " + order);
    while (s->Step()) dns.emplace_back(s->Text(0));
    return dns;
}

std::vector<std::string> Slice(const std::vector<std::string>& v, size_t begin, size_t end) {
    return {v.begin() + static_cast<std::ptrdiff_t>(begin), v.begin() + static_cast<std::ptrdiff_t>(end) + 1};
}

}  // namespace

TEST_F(IntegrityTest, PagesOfASortedListAgreeWithTheWholeOrderWhereverTheyLie) {
    // Columns no index orders: a text and a number with many equal values.
    const std::pair<const char*, const char*> sorts[] = {{"DESC-DESC", "\"DESC\" DESC, rid DESC"},
                                                         {"CSC-ASC", "CSC ASC, rid ASC"}};
    for (const auto& [sort, order] : sorts) {
        SCOPED_TRACE(sort);
        const std::vector<std::string> whole = WholeOrder(sw, order);
        ASSERT_EQ(whole.size(), 1200u);
        const std::string qid = Head(std::string("LST MGCPSUB: SORT=") + sort + ";", 1);
        EXPECT_EQ(Value(0, "Total Recs"), "1200");
        EXPECT_EQ(Page("MGCPSUB", qid, 0, 499, 1), Slice(whole, 0, 499));
        EXPECT_EQ(Page("MGCPSUB", qid, 700, 1199, 1), Slice(whole, 700, 1199));
        EXPECT_EQ(Page("MGCPSUB", qid, 350, 849, 1), Slice(whole, 350, 849));
        EXPECT_EQ(Page("MGCPSUB", qid, 0, 499, 1), Slice(whole, 0, 499));
    }
}

TEST_F(IntegrityTest, ASortedListKeepsTheOrderItsHeadSawWhenRecordsChangeBeforeItsLaterPages) {
    const std::vector<std::string> whole = WholeOrder(sw, "\"DESC\" DESC, rid DESC");
    const std::string qid = Head("LST MGCPSUB: SORT=DESC-DESC;", 1);
    ASSERT_EQ(Page("MGCPSUB", qid, 0, 499, 1), Slice(whole, 0, 499));
    // Another session changes records of the later pages: one sorts first
    // now, one is gone, one is new.
    const std::string moved = whole[900];
    ASSERT_EQ(Code("MOD MGCPSUB: DN=" + moved + ", DESC=\"zzz first\";", 2), 0) << Text();
    size_t gone = 600;  // the first there that nothing else refers to
    while (gone < 900 && Code("RMV MGCPSUB: DN=" + whole[gone] + ";", 2) != 0) ++gone;
    ASSERT_LT(gone, 900u);
    ASSERT_EQ(Code("ADD MGCPSUB: DN=1777" + mgcp, 2), 0) << Text();

    std::vector<std::string> expected = Slice(whole, 500, 999);
    expected[gone - 500] = "";  // its place kept, empty
    EXPECT_EQ(Page("MGCPSUB", qid, 500, 999, 1), expected);
    EXPECT_NE(Text().find("1 of these records were removed or changed"), std::string::npos) << Text();
    EXPECT_EQ(Page("MGCPSUB", qid, 0, 499, 1), Slice(whole, 0, 499));
    // A new head sees the change.
    const std::string again = Head("LST MGCPSUB: SORT=DESC-DESC;", 1);
    EXPECT_EQ(Page("MGCPSUB", again, 0, 0, 1), std::vector<std::string>{moved});
}

// The same orders where the TCP server answers them: heads on its reader
// threads (each on a connection of its own, while the event loop changes
// records), pages on the event loop or on the readers.
namespace {

class ReaderSortTest : public FileSwitchTest {
protected:
    // The DNs of a report's objects.
    static std::vector<std::string> Dns(const std::string& report) {
        CObjArray parsed;
        EXPECT_GE(Parse(report, 1, parsed), 0) << report;
        std::vector<std::string> dns;
        for (int o = 0; o < parsed.GetObjectCount(); ++o)
            for (int p = 0; p < parsed.GetPropertyCount(o); ++p)
                if (parsed.GetProperty(o, p)->GetKeyValue() == "DN")
                    dns.emplace_back(parsed.GetProperty(o, p)->GetValue(0));
        return dns;
    }
    // Sends a command and waits for its answer (one report).
    static std::string Ask(TcpClient& c, const std::string& line) {
        const int before = c.Reports();
        c.Send(QByteArray::fromStdString(line));
        EXPECT_TRUE(WaitFor([&] { return c.Reports() > before; }, 20000)) << line;
        return c.Report(before);
    }
    static std::string PageCommand(const std::string& qid, int begin, int end) {
        return "LST MGCPSUB: QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) + ", END=" + std::to_string(end) +
               ";";
    }
    static std::vector<std::string> Page(TcpClient& c, const std::string& qid, int begin, int end) {
        const std::string r = Ask(c, PageCommand(qid, begin, end));
        EXPECT_NE(r.find("RETCODE = 0"), std::string::npos) << r;
        return Dns(r);
    }
    static std::string Qid(const std::string& head) {
        const size_t at = head.find("\nQID = ");
        return at == std::string::npos ? std::string() : head.substr(at + 7, head.find('\n', at + 7) - at - 7);
    }
    // Another session takes record `moved` to the head of the order, removes
    // one of the records from 600 on, and adds one; which it removed.
    template <class Run>
    static size_t Change(const std::vector<std::string>& whole, Run run) {
        const std::string moved = whole[900];
        EXPECT_NE(run("MOD MGCPSUB: DN=" + moved + ", DESC=\"zzz first\";").find("RETCODE = 0"), std::string::npos);
        size_t gone = 600;  // the first there that nothing else refers to
        while (gone < 900 && run("RMV MGCPSUB: DN=" + whole[gone] + ";").find("RETCODE = 0") == std::string::npos)
            ++gone;
        EXPECT_NE(run("ADD MGCPSUB: DN=1777, MGWNAME=\"gw\", EID=\"e\";").find("RETCODE = 0"), std::string::npos);
        return gone;
    }
};

}  // namespace

TEST_F(ReaderSortTest, PagesAgreeWithTheWholeOrderWhenSessionsSortAtOnceAndRecordsChange) {
    Open(1200);
    SServerOptions options;
    options.readers = 2;
    Serve(options);
    ASSERT_EQ(server->Readers(), 2u);
    const std::vector<std::string> byDesc = WholeOrder(sw, "\"DESC\" DESC, rid DESC");
    const std::vector<std::string> byCsc = WholeOrder(sw, "CSC ASC, rid ASC");
    ASSERT_EQ(byDesc.size(), 1200u);
    // Two sessions sort the same object differently at once.
    TcpClient a(Port()), b(Port()), other(Port());
    a.Send("LST MGCPSUB: SORT=DESC-DESC;");
    b.Send("LST MGCPSUB: SORT=CSC-ASC;");
    ASSERT_TRUE(WaitFor([&] { return a.Reports() == 1 && b.Reports() == 1; }, 20000));
    const std::string qa = Qid(a.Report(0)), qb = Qid(b.Report(0));
    ASSERT_FALSE(qa.empty()) << a.Report(0);
    ASSERT_FALSE(qb.empty()) << b.Report(0);
    EXPECT_EQ(a.Field(0, "Total Recs"), "1200");
    // Each sends its pages without waiting for the other's.
    for (const auto& [begin, end] : {std::pair{0, 499}, {700, 1199}, {350, 849}, {0, 499}}) {
        a.Send(QByteArray::fromStdString(PageCommand(qa, begin, end)));
        b.Send(QByteArray::fromStdString(PageCommand(qb, begin, end)));
    }
    ASSERT_TRUE(WaitFor([&] { return a.Reports() == 5 && b.Reports() == 5; }, 20000));
    int n = 1;
    for (const auto& [begin, end] : {std::pair{0, 499}, {700, 1199}, {350, 849}, {0, 499}}) {
        SCOPED_TRACE(begin);
        EXPECT_EQ(Dns(a.Report(n)), Slice(byDesc, begin, end));
        EXPECT_EQ(Dns(b.Report(n)), Slice(byCsc, begin, end));
        ++n;
    }

    // A change between a head and its later pages leaves the head's order.
    const std::vector<std::string> byDescAsc = WholeOrder(sw, "\"DESC\" ASC, rid ASC");
    const std::string head = Ask(a, "LST MGCPSUB: SORT=DESC-ASC;");
    const std::string qid = Qid(head);
    ASSERT_FALSE(qid.empty()) << head;
    ASSERT_EQ(Page(a, qid, 0, 499), Slice(byDescAsc, 0, 499));
    const size_t gone = Change(byDescAsc, [&](const std::string& cmd) { return Ask(other, cmd); });
    std::vector<std::string> expected = Slice(byDescAsc, 500, 999);
    expected[gone - 500] = "";
    EXPECT_EQ(Page(a, qid, 500, 999), expected);
    EXPECT_EQ(Page(a, qid, 700, 1199).back(), byDescAsc.back());
    EXPECT_EQ(Page(a, qid, 0, 499), Slice(byDescAsc, 0, 499));
}

TEST_F(ReaderSortTest, AHeadReadOnAReaderKeepsItsOrderWhenRecordsChangeBeforeItsLaterPages) {
    Open(1200);
    const std::vector<std::string> whole = WholeOrder(sw, "\"DESC\" DESC, rid DESC");
    // The head's answer is held back in its reader while another session
    // changes records, the head's own session reads its first page, and a
    // page past that waits on the other reader for the rest of the order.
    std::promise<std::string> head;
    std::promise<void> release;
    std::shared_future<void> go = release.get_future().share();
    std::mutex m;
    std::vector<std::string> answers;
    CReaderPool pool(sw, 2, [&](SessionId, CSwitch::Reports r) {
        const std::string text = r.empty() ? std::string() : r.front();
        bool first = false;
        {
            std::lock_guard lock(m);
            first = answers.empty();
            answers.push_back(text);
        }
        if (!first) return;
        head.set_value(text);
        go.wait();
    });
    ASSERT_EQ(pool.Threads(), 2u);
    pool.Post(1, "LST MGCPSUB: SORT=DESC-DESC;");
    const std::string qid = Qid(head.get_future().get());
    // While the reader has not read the rest of the order, its first page
    // is the server's to answer; a page past it waits on a reader.
    const bool firstHere = !sw.IsLongRead(PageCommand(qid, 0, 499));
    const bool laterOnReader = sw.IsLongRead(PageCommand(qid, 500, 999));
    pool.Post(1, PageCommand(qid, 500, 999));
    const std::vector<std::string> first = Dns(sw.Execute(PageCommand(qid, 0, 499), 1).front());
    const size_t gone = Change(whole, [&](const std::string& cmd) { return sw.Execute(cmd, 2).front(); });
    release.set_value();
    ASSERT_FALSE(qid.empty());
    EXPECT_TRUE(firstHere);
    EXPECT_TRUE(laterOnReader);
    ASSERT_TRUE(WaitFor(
        [&] {
            std::lock_guard lock(m);
            return answers.size() == 2;
        },
        20000));
    EXPECT_EQ(first, Slice(whole, 0, 499));
    std::vector<std::string> expected = Slice(whole, 500, 999);
    expected[gone - 500] = "";
    std::lock_guard lock(m);
    EXPECT_EQ(Dns(answers[1]), expected);
}
