// Paged queries belong to their session: limits per session, release with
// the session, record ids shared between queries over the same result, and
// shared results that follow every change.
#include "SwitchFixture.h"

using namespace mmlsw;

namespace {

std::string Page(const std::string& obj, const std::string& qid, int begin, int end) {
    return "LST " + obj + ": QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) + ", END=" + std::to_string(end) + ";";
}

}  // namespace

TEST_F(SwitchTest, AQuerySurvivesTwoHundredOtherSessionsOpeningQueries) {
    Run("LST MGCPSUB:;");
    const std::string mine = Value(0, "QID");
    for (SessionId s = 1; s <= 200; ++s) {
        now += 10;
        ASSERT_EQ(Code("LST MGCPSUB:;", s), 0);
        ASSERT_EQ(Code("LST MGCPSUB: SORT=DN-DESC;", s), 0);
    }
    EXPECT_EQ(sw.OpenQueries(), 401u);
    ASSERT_EQ(Code(Page("MGCPSUB", mine, 500, 999)), 0);
    EXPECT_EQ(parsed.GetObjectCount(), 500);
    // Two results, each held once however many queries use it.
    EXPECT_EQ(sw.HeldRecords(), 2 * 1200);
}

TEST_F(SwitchTest, AQueryServesOnlyItsSessionAndObjectAndGoesWithTheSession) {
    Run("LST MGCPSUB:;", 1);
    const std::string qid = Value(0, "QID");
    EXPECT_EQ(Code(Page("MGCPSUB", qid, 0, 9), 2), RC_NO_QUERY);
    EXPECT_EQ(Code("RLS MGCPSUB: QID=\"" + qid + "\";", 2), RC_NO_QUERY);
    // Another object's release must not free it either.
    EXPECT_EQ(Code("RLS H248SUB: QID=\"" + qid + "\";", 1), RC_NO_QUERY);
    EXPECT_EQ(Code(Page("MGCPSUB", qid, 0, 9), 1), 0);
    EXPECT_EQ(sw.OpenQueries(1), 1u);
    sw.CloseSession(1);
    EXPECT_EQ(sw.OpenQueries(), 0u);
    EXPECT_EQ(Code(Page("MGCPSUB", qid, 0, 9), 1), RC_NO_QUERY);
    EXPECT_EQ(sw.HeldRecords(), 0);
}

TEST_F(SwitchTest, QueriesThatWouldHoldTooManyRecordsAreRefusedUntilSomeAreReleased) {
    SQueryLimits limits = sw.QueryLimits();
    limits.heldRecords = 2000;
    sw.SetQueryLimits(limits);
    Run("LST MGCPSUB:;", 1);
    const std::string first = Value(0, "QID");
    EXPECT_EQ(Code("LST MGCPSUB:;", 2), 0);  // the same result: nothing more held
    EXPECT_EQ(Code("LST MGCPSUB: SORT=DN-DESC;", 3), RC_TOO_MANY);
    EXPECT_NE(Text().find("release"), std::string::npos);
    sw.CloseSession(2);
    ASSERT_EQ(Code("RLS MGCPSUB: QID=\"" + first + "\";", 1), 0);
    EXPECT_EQ(Code("LST MGCPSUB: SORT=DN-DESC;", 3), 0);
    // A session at its limit that opens again the list it gives up for it
    // still holds that list, counted once.
    limits.perSession = 1;
    sw.SetQueryLimits(limits);
    sw.CloseSession(3);
    EXPECT_EQ(Code("LST MGCPSUB:;", 5), 0);
    EXPECT_EQ(Code("LST MGCPSUB:;", 5), 0);
    EXPECT_EQ(sw.OpenQueries(5), 1u);
    EXPECT_EQ(sw.HeldRecords(), 1200);
}

TEST_F(SwitchTest, SharedResultsFollowEveryChangeTheyDependOn) {
    // A head over a result another query holds, after a change of a row or
    // a sorted column, must show the change; the older query keeps its own.
    Run("LST MGCPSUB:;", 1);
    const std::string before = Value(0, "QID");
    ASSERT_EQ(Code("ADD MGCPSUB: DN=20009999, MGWNAME=\"gw\", EID=\"e\";"), 0);
    Run("LST MGCPSUB:;", 2);
    EXPECT_EQ(Value(0, "Total Recs"), "1201");
    Run("LST MGCPSUB:;", 1);
    EXPECT_EQ(Value(0, "Total Recs"), "1201");
    Run(Page("MGCPSUB", before, 0, 0), 1);
    EXPECT_EQ(parsed.GetRetCode(), 0);

    Run("LST MGCPSUB: SORT=MGWNAME-DESC;", 1);
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000005, MGWNAME=\"zz-last\";"), 0);
    Run("LST MGCPSUB: SORT=MGWNAME-DESC;", 2);
    Run(Page("MGCPSUB", Value(0, "QID"), 0, 0), 2);
    EXPECT_EQ(Value(0, "DN"), "20000005");
    // A change of another column leaves the result shared.
    const int64_t held = sw.HeldRecords();
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000006, DESC=\"other\";"), 0);
    Run("LST MGCPSUB: SORT=MGWNAME-DESC;", 3);
    EXPECT_EQ(sw.HeldRecords(), held);

    // A condition on a column follows its changes as well.
    Run("LST MGCPSUB: CODEC=PCMA;", 1);
    EXPECT_EQ(Value(0, "Total Recs"), "601");  // 600 seeded and the one added
    ASSERT_EQ(Code("MOD MGCPSUB: DN=20000002, CODEC=PCMA;"), 0);
    Run("LST MGCPSUB: CODEC=PCMA;", 2);
    EXPECT_EQ(Value(0, "Total Recs"), "602");
    // So does removal.
    ASSERT_EQ(Code("RMV MGCPSUB: DN=20009999;"), 0);
    Run("LST MGCPSUB:;", 4);
    EXPECT_EQ(Value(0, "Total Recs"), "1200");
}
