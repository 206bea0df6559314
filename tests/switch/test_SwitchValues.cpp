// Values checked as their kinds say, secrets kept secret, ranges that stay
// ranges, and modifications that stay with the record they address.
#include "SwitchFixture.h"
#include "Utf8.h"
#include "Values.h"

using namespace mmlsw;

namespace {

const std::string kSip = "ADD SIPSUB: DN=49000001, URI=\"sip:a@b\", PASSWORD=\"pw-secret\"";

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

TEST_F(SwitchTest, SecretsTakeNoPartInConditionsOrSortingAndAreNeverShown) {
    // Character by character, a masked password would come out through these.
    EXPECT_EQ(Code("LST SIPSUB: DN=40000001, PASSWORD=pw4*;"), RC_SECRET);
    EXPECT_EQ(Code("LST SIPSUB: PASSWORD=px*;"), RC_SECRET);
    EXPECT_EQ(Code("LST SIPSUB: DN=40000001, PASSWORD=\"pw40000001\";"), RC_SECRET);
    EXPECT_EQ(Code("LST SIPSUB: SORT=PASSWORD-ASC;"), RC_SECRET);
    EXPECT_NE(Text().find("PASSWORD"), std::string::npos);
    // A refused secret is not repeated in the answer.
    const std::string longSecret = Repeat("hushhush", 5);
    EXPECT_EQ(Code("ADD SIPSUB: DN=49000001, URI=\"sip:a@b\", PASSWORD=\"" + longSecret + "\";"), RC_BAD_VALUE);
    EXPECT_EQ(Text().find("hushhush"), std::string::npos) << Text();
    ASSERT_EQ(Code(kSip + ";"), 0);
    EXPECT_EQ(ValueOf("DSP SIPSUB: DN=49000001;", "PASSWORD"), "******");
    EXPECT_EQ(reports.front().find("pw-secret", reports.front().find('\n')), std::string::npos);
}

TEST_F(SwitchTest, AModificationNeverChangesWhichRecordItAddresses) {
    // Values that tie a record to its parent are no values a modification
    // may change: 20000000 is a member of Centrex group 1, 70000000 sits on
    // V5 interface 1.
    const struct {
        std::string object, key, tie, was, other;
    } cases[] = {{"CXMEM", "DN=20000000", "CGNO", "1", "2"}, {"V5SUB", "DN=70000000", "V5IID", "1", "2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.object);
        const std::string dsp = "DSP " + c.object + ": " + c.key + ";";
        EXPECT_EQ(Code("MOD " + c.object + ": " + c.tie + "=" + c.other + ", " + c.key + ", DESC=\"moved\";"),
                  RC_KEY_FIXED);
        EXPECT_EQ(ValueOf(dsp, c.tie), c.was);
        EXPECT_EQ(Value(0, "DESC"), "");
        EXPECT_EQ(Code("MOD " + c.object + ": " + c.tie + "=" + c.was + ", " + c.key + ", DESC=\"stays\";"), 0);
        EXPECT_EQ(ValueOf(dsp, "DESC"), "stays");
    }
    // Addressed by its key, a record takes only its own values.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000003, DESC=\"three\";"), 0);
    EXPECT_NE(ValueOf("DSP MGCPSUB: DN=20000004;", "DESC"), "three");
}

TEST_F(SwitchTest, TextValuesAreUtf8CountedInCharactersAndQuotedValuesMayHoldSeparators) {
    const std::string add = "ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\"";
    EXPECT_EQ(Code(add + ", DESC=\"" + Repeat("\xc3\xa9", 64) + "\";"), 0);  // 64 characters, 128 bytes
    EXPECT_EQ(Code("RMV MGCPSUB: DN=29000001;"), 0);
    EXPECT_EQ(Code(add + ", DESC=\"" + Repeat("\xc3\xa9", 65) + "\";"), RC_BAD_VALUE);
    // Malformed UTF-8 is refused, and the answer does not carry it on.
    EXPECT_EQ(Code(add + ", DESC=\"a\xff\xfe\";"), RC_SYNTAX);
    EXPECT_EQ(Utf8BadOffset(reports.front()), std::string::npos);
    EXPECT_EQ(Code(add + ", DESC=\"\xc0\xaf\";"), RC_SYNTAX);  // an overlong "/"
    EXPECT_EQ(Code(add + ", DESC=\"tab\there\";"), RC_BAD_VALUE);
    // docs/mml.md: values holding , ; = are quoted, and then taken.
    ASSERT_EQ(Code(add + ", DESC=\"a,b; c=d\";"), 0);
    Run("DSP MGCPSUB: DN=29000001;");
    EXPECT_EQ(Value(0, "DESC"), "a,b; c=d");
    ASSERT_EQ(Code("MOD MGCPSUB: DN=29000001, DESC=\"x=1, y=2;\";"), 0);
    Run("DSP MGCPSUB: DN=29000001;");
    EXPECT_EQ(Value(0, "DESC"), "x=1, y=2;");
}

TEST_F(SwitchTest, NumbersDatesAndAddressesAreCheckedAsTheirKindsSay) {
    const std::string add = "ADD MGCPSUB: MGWNAME=\"gw\", EID=\"e\", ";
    EXPECT_EQ(Code(add + "DN=abc-def;"), RC_BAD_VALUE);
    EXPECT_NE(Text().find("digits"), std::string::npos);
    EXPECT_EQ(Code(add + "DN=29000002, HOTDN=12ab;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(add + "DN=29000002, REGDATE=2027-02-29;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(add + "DN=29000002, REGDATE=2026-04-31;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(add + "DN=29000002, REGDATE=2028&02&29;"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=29000002;", "REGDATE"), "2028-02-29");
    EXPECT_EQ(Code(add + "DN=29000003, CSC=+7;"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=29000003;", "CSC"), "7");
    const std::string sip = "ADD SIPSUB: DN=49000002, URI=\"sip:a@b\", PASSWORD=\"secret\", ";
    EXPECT_EQ(Code(sip + "IPADDR=10.1.2;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(sip + "IPADDR=10.1.2.256;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(sip + "IPADDR=010.1.2.3;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(sip + "PORT=5x;"), RC_BAD_VALUE);
}

TEST_F(SwitchTest, TheWildcardWorksOnTextAttributesOnly) {
    // (A number's prefix: SortingConditionsAndWildcardsOnLists.)
    EXPECT_EQ(Code("LST MGCPSUB: MGWNAME=\"mgw-1*\";"), 0);
    for (int o = 0; o < parsed.GetObjectCount(); ++o) EXPECT_EQ(Value(o, "MGWNAME").rfind("mgw-1", 0), 0u);
    // On numbers a prefix means nothing: refused, not answered wrongly.
    EXPECT_EQ(Code("LST MGCPSUB: CSC=1*;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("LST V5IF: GROUP=1*;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("LST MGCPSUB: CODEC=PC*;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("LST MGCPSUB: DN=2x*;"), RC_BAD_VALUE);
}

TEST_F(SwitchTest, AnOptionalValueClearsARequiredOneStays) {
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000001, DESC=\"note\", CODEC=G729;"), 0);
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000001, DESC=\"\", CODEC=\"\";"), 0);
    Run("DSP MGCPSUB: DN=20000001;");
    EXPECT_EQ(Value(0, "DESC"), "");
    EXPECT_EQ(Value(0, "CODEC"), "PCMA");  // back to its default
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000001, MGWNAME=\"\";"), RC_BAD_VALUE);
    EXPECT_NE(ValueOf("DSP MGCPSUB: DN=20000001;", "MGWNAME"), "");
}

TEST_F(SwitchTest, SegmentsAndPortsAreRangesThatNeverOverlap) {
    const std::string seg = "ADD DNSEG: SEGIDX=900, TYPE=FIXED, ";
    EXPECT_EQ(Code(seg + "BGNDN=90000099, ENDDN=90000000;"), RC_BAD_VALUE);  // reversed
    EXPECT_EQ(Code(seg + "BGNDN=9000a, ENDDN=90000099;"), RC_BAD_VALUE);     // no number
    EXPECT_EQ(Code(seg + "BGNDN=20000500, ENDDN=20000600;"), RC_DUPLICATE);  // inside another
    EXPECT_NE(Text().find("overlaps"), std::string::npos);
    EXPECT_EQ(Code(seg + "BGNDN=19999990, ENDDN=20000000;"), RC_DUPLICATE);  // touching its first number
    EXPECT_EQ(Code(seg + "BGNDN=90000000, ENDDN=90000099;"), 0);

    const std::string port = "ADD V5PORT: V5IID=1, PTYPE=PSTN, ";
    EXPECT_EQ(Code(port + "BGNL3ADDR=300, ENDL3ADDR=200;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(port + "BGNL3ADDR=50, ENDL3ADDR=150;"), RC_DUPLICATE);  // the seeded port is 0-99
    EXPECT_EQ(Code(port + "BGNL3ADDR=x, ENDL3ADDR=150;"), RC_BAD_VALUE);
    EXPECT_EQ(Code(port + "BGNL3ADDR=100, ENDL3ADDR=199;"), 0);
    EXPECT_EQ(Code("ADD V5PORT: V5IID=2, PTYPE=PSTN, BGNL3ADDR=100, ENDL3ADDR=199;"), 0);  // another interface

    // A V5 subscriber sits on a free address of a port of its interface.
    const std::string sub = "ADD V5SUB: DN=79500000, V5IID=1, BGNL3ADDR=0, ENDL3ADDR=0, ";
    EXPECT_EQ(Code(sub + "L3ADDR=5000;"), RC_BAD_VALUE);
    EXPECT_NE(Text().find("port"), std::string::npos);
    EXPECT_EQ(Code(sub + "L3ADDR=1;"), RC_DUPLICATE);  // 70000001's address
    EXPECT_NE(Text().find("70000001"), std::string::npos);
    EXPECT_EQ(Code(sub + "L3ADDR=150;"), 0);
    EXPECT_EQ(Code("ADB V5SUB: BGNDN=79500100, V5IID=1, BGNL3ADDR=190, ENDL3ADDR=210;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("ADB V5SUB: BGNDN=79500100, V5IID=1, BGNL3ADDR=145, ENDL3ADDR=155;"), RC_DUPLICATE);
    Run("LST V5SUB: V5IID=1, BGNL3ADDR=100, ENDL3ADDR=199;");
    EXPECT_EQ(parsed.GetObjectCount(), 1);  // the failed batches left nothing
    // A port that carries subscribers stays.
    EXPECT_EQ(Code("RMV V5PORT: V5IID=1, PTYPE=PSTN, BGNL3ADDR=100;"), RC_IN_USE);
    EXPECT_EQ(Code("RMV V5PORT: V5IID=2, PTYPE=PSTN, BGNL3ADDR=100;"), 0);
}

TEST_F(SwitchTest, ADisplaySaysWhenItShowsOnlySomeSubObjects) {
    // Group 1 has 40 members; 70 more subscribers' numbers make 110.
    ASSERT_EQ(Code("ADD SUBBATCH: SUBTYPE=MGCP, BGNDN=28000000, ENDDN=28000069;"), 0);
    for (int k = 0; k < 70; ++k)
        ASSERT_EQ(Code("ADD CXMEM: CGNO=1, CGNAME=\"Company A\", DN=" + std::to_string(28000000 + k) + ", SHORTNO=" +
                       std::to_string(9000 + k) + ", KIND=SUB;"),
                  0)
            << Text();
    Run("DSP CXGRP: CGNO=1;");
    ASSERT_EQ(parsed.GetRetCode(), 0);
    int first = 0, last = 0;
    ASSERT_TRUE(parsed.GetObjectList("CXMEM", first, last));
    EXPECT_EQ(last - first + 1, kMaxSubObjects);
    EXPECT_NE(Text().find("100 of 110"), std::string::npos) << Text();
    Run("DSP CXGRP: CGNO=2;");
    EXPECT_EQ(Text(), "Operation succeeded.");
}

TEST_F(SwitchTest, BatchAddedSubscribersGetValuesOfTheirKinds) {
    ASSERT_EQ(Code("ADD SUBBATCH: SUBTYPE=SIP, BGNDN=45000000, ENDDN=45000004, CSC=3;"), 0);
    Run("DSP SIPSUB: DN=45000004;");
    EXPECT_EQ(Value(0, "IPADDR"), "");
    EXPECT_EQ(Value(0, "URI").rfind("sip:45000004@", 0), 0u) << Value(0, "URI");
    EXPECT_EQ(Value(0, "CSC"), "3");
    EXPECT_EQ(Value(0, "PORT"), "5060");
    ASSERT_EQ(Code("ADD SUBBATCH: SUBTYPE=H248, BGNDN=35000000, ENDDN=35000001;"), 0);
    EXPECT_EQ(ValueOf("DSP H248SUB: DN=35000001;", "MGWID"), "0");
    // Every stored value reads back as a value of its kind.
    const SComObj& sip = *HostDatabase().Find(311);
    Run("DSP SIPSUB: DN=45000000;");
    for (const SAttributeItem& a : sip.attributes) {
        if (a.secret) continue;
        std::string stored;
        EXPECT_TRUE(StoredValue(a.para, Value(0, a.name), stored)) << a.name << "=" << Value(0, a.name);
    }
}

TEST_F(SwitchTest, ControlCharactersInValuesAreRefusedAndNothingIsStored) {
    // NUL, CR, ESC, DEL and the C1 controls (U+0085 here) as TAB is.
    const std::string mod = "MOD MGCPSUB: DN=20000003, DESC=\"";
    const std::string was = ValueOf("DSP MGCPSUB: DN=20000003;", "DESC");
    for (const std::string& bad : {std::string("a\0b", 3), std::string("a\rb"), std::string("a\x1b[2Jb"),
                                   std::string("a\x7f"), std::string("a\xc2\x85z")}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Code(mod + bad + "\";"), RC_BAD_VALUE);
        EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000003;", "DESC"), was);
    }
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000003, CSC=1\r;"), RC_BAD_VALUE);
    EXPECT_EQ(Code("LST MGCPSUB: DN=\"20000003\r\";"), RC_BAD_VALUE);
    // U+00A0 is no control: text like any other.
    EXPECT_EQ(Code(mod + "a\xc2\xa0z\";"), 0);
}

TEST_F(SwitchTest, PlainValuesHoldNoBlanksNorEqualSigns) {
    // docs/mml.md: such values are quoted; plain, they are refused whole.
    const std::string was = ValueOf("DSP MGCPSUB: DN=20000003;", "DESC");
    for (const char* bad : {"MOD MGCPSUB: DN=20000003, DESC=front desk;", "MOD MGCPSUB: DN=20000003, DESC=a=b;",
                            "MOD MGCPSUB: DN=20000003 CSC=2;", "MOD MGCPSUB: DN=20000003, DESC=a\tb;"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Code(bad), RC_SYNTAX);
        EXPECT_NE(Text().find("quote"), std::string::npos) << Text();
    }
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000003;", "DESC"), was);
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000003, DESC=\"front desk\", CSC= 2 ;"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000003;", "DESC"), "front desk");
    EXPECT_EQ(Value(0, "CSC"), "2");
}

// A refusal repeats the value or name it refuses cut short, with its
// length, and with what would break a line or a terminal escaped.
TEST_F(SwitchTest, ARefusalCutsAndEscapesAValueOrANameItRepeats) {
    const std::string longName = Repeat("X", 30000);
    const std::string escName = "A\x1b[31m" + Repeat("Y", 100);
    struct SCase {
        std::string command;
        int code;
        std::string shown;  // how the text begins to repeat the value or name
        std::string length = {};  // how it says the length of a long one
    };
    const std::vector<SCase> cases = {
        // 65,000 characters of a value that begin with an escape sequence.
        {"MOD MGCPSUB: DN=20000003, DESC=\"\x1b[31m" + Repeat("x", 64995) + "\";", RC_BAD_VALUE, "DESC=\\x1b[31mxxx",
         "65000 characters"},
        {"MOD MGCPSUB: DN=20000003, " + escName + "=1;", RC_SYNTAX, "A\\x1b[31mYYY"},
        {"MOD MGCPSUB: DN=20000003, " + std::string("A\0B", 3) + "=1;", RC_SYNTAX, "A\\x00B"},
        {"MOD MGCPSUB: DN=20000003, A\xc2\x85" "B=1;", RC_SYNTAX, "A\\u0085B"},
        {"MOD MGCPSUB: DN=20000003, " + longName + "=1, " + longName + "=2;", RC_SYNTAX, "XXXX", "30000 characters"},
        {"MOD MGCPSUB: DN=20000003, " + longName + "=a b;", RC_SYNTAX, "XXXX", "30000 characters"},
        {"MOD MGCPSUB: DN=20000003, " + longName + "=1;", RC_UNKNOWN_PARAM, "XXXX", "30000 characters"},
        {"LST MGCPSUB: " + longName + "=1;", RC_UNKNOWN_PARAM, "XXXX", "30000 characters"},
        {"LST MGCPSUB: QID=\"1\", BEGIN=0, END=1, " + longName + "=1;", RC_UNKNOWN_PARAM, "XXXX", "30000 characters"},
        {"LST " + longName + ":;", RC_UNKNOWN_OBJECT, "XXXX", "30000 characters"},
        {"FOO " + longName + ":;", RC_UNKNOWN_VERB, "XXXX", "30000 characters"},
        {longName + " MGCPSUB:;", RC_UNKNOWN_VERB, "XXXX", "30000 characters"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.command.substr(0, 60));
        EXPECT_EQ(Code(c.command), c.code);
        const std::string result = reports.front().substr(reports.front().find("\nRESULT"));
        EXPECT_LT(result.size(), 300u) << result.substr(0, 400);
        EXPECT_NE(Text().find(c.shown), std::string::npos) << Text().substr(0, 400);
        for (const std::string& raw : {std::string(1, '\x1b'), std::string(1, '\0'), std::string("\xc2\x85")})
            EXPECT_EQ(result.find(raw), std::string::npos) << result.substr(0, 400);
        if (!c.length.empty()) {
            EXPECT_NE(result.find(c.length), std::string::npos) << result.substr(0, 400);
        }
    }
}

TEST_F(SwitchTest, TheEchoIsTheCommandButForWhatWouldBreakItsLine) {
    // docs/mml.md, "Line 1": the command as sent, blanks and all; ESC as it
    // came; NUL, CR and line feed as blanks; bytes that are not UTF-8 as "?".
    auto echo = [&](const std::string& cmd) {
        reports = sw.Execute(cmd);
        return reports.front().substr(0, reports.front().find('\n'));
    };
    EXPECT_EQ(echo("  DSP MGCPSUB:   DN=20000001;  "), "%%  DSP MGCPSUB:   DN=20000001;  %%");
    EXPECT_EQ(echo("MOD MGCPSUB: DN=20000003, DESC=\"\x1b[2J\";"), "%%MOD MGCPSUB: DN=20000003, DESC=\"\x1b[2J\";%%");
    EXPECT_EQ(echo(std::string("MOD MGCPSUB: DN=2\0\r\n3;", 22)), "%%MOD MGCPSUB: DN=2   3;%%");
    EXPECT_EQ(echo("MOD MGCPSUB: DN=20000003, DESC=\"\xff\xc0\";"), "%%MOD MGCPSUB: DN=20000003, DESC=\"??\";%%");
}

TEST_F(SwitchTest, BlanksAroundAValueQuotedOrNotAreNoPartOfIt) {
    // docs/mml.md: a report cannot carry them back, so no value keeps them.
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000003, DESC=\" a b \";"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000003;", "DESC"), "a b");
    Run("LST MGCPSUB: DESC=\"a b\";");
    EXPECT_EQ(parsed.GetObjectCount(), 1);
    Run("LST MGCPSUB: DESC=\" a b \";");
    EXPECT_EQ(parsed.GetObjectCount(), 1);
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000003, DESC= ab ;"), 0);
    EXPECT_EQ(ValueOf("DSP MGCPSUB: DN=20000003;", "DESC"), "ab");
}
