// The number table stays true: a number belongs to one subscriber of one
// kind, and the number table, the segments' USED and both statistics agree
// with the subscriber rows after any sequence of changes.
#include "SwitchFixture.h"

using namespace mmlsw;

namespace {

int64_t Scalar(CSwitch& sw, const std::string& sql) {
    CStatement s(sw.Db().Handle(), sql);
    return s.Step() ? s.Int(0) : -1;
}

const std::map<DWORD, std::string> kKinds = {{308, "MGCP"}, {319, "H248"}, {311, "SIP"},  {312, "H323"},
                                             {313, "BRA"},  {317, "IPN"},  {327, "V5"},   {335, "V5BRA"}};

}  // namespace

class NumberTableTest : public SwitchTest {
protected:
    // Everything that counts numbers agrees with the subscriber rows.
    void ExpectTrue(const std::string& step) {
        SCOPED_TRACE(step);
        for (const auto& [type, kind] : kKinds) {
            const std::string t = CSwitch::Table(type);
            // Every number inside a segment is in the number table under its kind, and only those.
            EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM " + t +
                                     " s WHERE EXISTS (SELECT 1 FROM o305 g WHERE CAST(s.DN AS INTEGER) "
                                     "BETWEEN CAST(g.BGNDN AS INTEGER) AND CAST(g.ENDDN AS INTEGER))"),
                      Scalar(sw, "SELECT COUNT(*) FROM o316 n JOIN " + t + " s ON s.DN = n.DN WHERE n.SUBTYPE = '" +
                                     kind + "'"))
                << kind;
        }
        EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o316 n WHERE " + [] {
                      std::string none;
                      for (const auto& [type, kind] : kKinds)
                          none += (none.empty() ? "" : " AND ") + std::string("NOT EXISTS (SELECT 1 FROM ") +
                                  CSwitch::Table(type) + " s WHERE s.DN = n.DN AND n.SUBTYPE = '" + kind + "')";
                      return none;
                  }()),
                  0);
        EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o305 g WHERE COALESCE(g.USED, 0) <> "
                             "(SELECT COUNT(*) FROM o316 n WHERE n.SEGIDX = g.SEGIDX)"),
                  0);
        // Both statistics count the rows as they are.
        for (const std::string& cmd : {std::string("LST SUBSTAT:;"), std::string("DSP SUBCOUNT:;")}) {
            Run(cmd);
            ASSERT_EQ(parsed.GetObjectCount(), 8) << cmd;
            for (int o = 0; o < 8; ++o) {
                DWORD type = 0;
                for (const auto& [t, kind] : kKinds)
                    if (kind == Value(o, "SUBTYPE")) type = t;
                const std::string t = CSwitch::Table(type);
                EXPECT_EQ(Value(o, "TOTAL"), std::to_string(sw.Count(type))) << cmd << " " << Value(o, "SUBTYPE");
                EXPECT_EQ(Value(o, "BLOCKED"), std::to_string(Scalar(sw, "SELECT COUNT(*) FROM " + t +
                                                                             " WHERE STATUS = 'BLOCKED'")))
                    << cmd << " " << Value(o, "SUBTYPE");
            }
        }
    }
};

TEST_F(NumberTableTest, ANumberBelongsToOneSubscriberAcrossAllKinds) {
    // 20000001 is an MGCP subscriber's. (A single add of another kind under
    // it, leading zeros and all: ANumberIsItsDigitsValueAndHasOneOwnerMsnsIncluded.)
    EXPECT_EQ(Code("ADD SUBBATCH: SUBTYPE=SIP, BGNDN=19999998, ENDDN=20000002;"), RC_DUPLICATE);
    EXPECT_NE(Text().find("20000000"), std::string::npos) << Text();
    EXPECT_EQ(Code("DSP SIPSUB: DN=19999998;"), RC_NOT_FOUND);  // the batch went whole or not at all
    EXPECT_EQ(Code("ADB V5SUB: BGNDN=20000010, V5IID=1, BGNL3ADDR=10, ENDL3ADDR=11;"), RC_DUPLICATE);
    // Removing another kind's subscriber of that number removes nothing.
    EXPECT_EQ(Code("RMV SIPSUB: DN=20000001;"), RC_NOT_FOUND);
    Run("DSP DNINFO: DN=20000001;");
    EXPECT_EQ(Value(0, "SUBTYPE"), "MGCP");
    ExpectTrue("refusals");
    // Free again once its subscriber is gone.
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20000999;"), 0);
    ASSERT_EQ(Code("ADD SIPSUB: DN=20000999, URI=\"sip:x@y\", PASSWORD=\"secret\";"), 0);
    Run("DSP DNINFO: DN=20000999;");
    EXPECT_EQ(Value(0, "SUBTYPE"), "SIP");
    ExpectTrue("moved to SIP");
}

TEST_F(NumberTableTest, CountsAgreeWithTheRowsAfterAnySequenceOfChanges) {
    ExpectTrue("seeded");
    ASSERT_EQ(Code("ADD MGCPSUB: DN=20009000, MGWNAME=\"gw\", EID=\"e\";"), 0);
    ASSERT_EQ(Code("ADD MGCPSUB: DN=12345, MGWNAME=\"gw\", EID=\"e\";"), 0);  // outside every segment
    ExpectTrue("single adds");
    ASSERT_EQ(Code("ADD SUBBATCH: SUBTYPE=H248, BGNDN=30005000, ENDDN=30005019;"), 0);
    ASSERT_EQ(Code("RMV SUBBATCHDN: BGNDN=30005010, ENDDN=30005029;"), 0);
    ExpectTrue("batch job add and remove");
    ASSERT_EQ(Code("ADB V5SUB: BGNDN=70005000, V5IID=1, BGNL3ADDR=20, ENDL3ADDR=39;"), 0);
    ASSERT_EQ(Code("RVB V5SUB: V5IID=1, BGNL3ADDR=30, ENDL3ADDR=49;"), 0);
    ExpectTrue("V5 batches");
    ASSERT_EQ(Code("BLK MGCPSUB: DN=20000000;"), 0);
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20009000;"), 0);
    ASSERT_EQ(Code("RMV SIPSUB: DN=40000003;"), 0);
    ExpectTrue("block and removes");
    // A failed batch changes nothing.
    EXPECT_EQ(Code("ADD SUBBATCH: SUBTYPE=MGCP, BGNDN=20001190, ENDDN=20001210;"), RC_DUPLICATE);
    ExpectTrue("failed batch");
    // A new segment takes in the numbers already used inside it.
    ASSERT_EQ(Code("ADD DNSEG: SEGIDX=900, TYPE=FIXED, BGNDN=10000, ENDDN=19999;"), 0);
    Run("DSP DNSEG: SEGIDX=900;");
    EXPECT_EQ(Value(0, "USED"), "1");
    ExpectTrue("adopted");
    EXPECT_EQ(Code("RMV DNSEG: SEGIDX=900;"), RC_IN_USE);
    ASSERT_EQ(Code("RMV MGCPSUB: DN=12345;"), 0);
    ASSERT_EQ(Code("RMV DNSEG: SEGIDX=900;"), 0);
    ExpectTrue("segment gone");
}

TEST_F(SwitchTest, LeadingZerosAreNoPartOfANumberInWildcardsNorInItsLength) {
    // docs/mml.md: a leading zero makes no other number, in a wildcard too.
    Run("LST MGCPSUB: DN=2000000*;");
    const int plain = parsed.GetObjectCount();
    ASSERT_EQ(plain, 10);
    Run("LST MGCPSUB: DN=002000000*;");
    EXPECT_EQ(parsed.GetRetCode(), 0) << Text();
    EXPECT_EQ(parsed.GetObjectCount(), plain);
    EXPECT_EQ(Value(0, "DN"), "20000000");
    // Zeros in front do not count against the 32 digits a number may have.
    const std::string zeros(30, '0');
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=" + zeros + "20000001;", "DN"), "20000001");
    EXPECT_EQ(Code("ADD MGCPSUB: DN=" + zeros + "29000077, MGWNAME=\"gw\", EID=\"e\", HOTLINE=YES, HOTDN=" + zeros + "1100;"), 0)
        << Text();
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=29000077;", "HOTDN"), "1100");
    EXPECT_EQ(Code("DSP MGCPSUB: DN=" + std::string(33, '1') + ";"), RC_BAD_VALUE);
}
