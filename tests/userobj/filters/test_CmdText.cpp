// Reading command texts back into values.
#include <gtest/gtest.h>

#include "CmdText.h"
#include "Trace.h"

namespace {

SCmd FilterTemplate() {
    SCmd c;
    c.mml = "LST MGCPSUB";
    auto para = [](const char* n, int kind) {
        SParaDesc p;
        p.mmlName = n;
        p.kind = kind;
        return p;
    };
    SParaDesc codec = para("CODEC", PK_ENUM);
    codec.choices = {{"PCMA", "G.711 A-law"}, {"G729", "G.729"}};
    SParaDesc rights = para("RIGHTS", PK_BITS);
    rights.items = {"LOCAL", "INTL"};
    c.params = {para("A", PK_TEXT), para("B", PK_TEXT), para("NAME", PK_STRING), codec, rights,
                para("MASK", PK_HEX), para("N", PK_NUMBER), para("A", PK_TEXT)};
    return c;
}

}  // namespace

TEST(CmdText, AssignmentsAreTrimmedAndCutAtCommas) {
    std::map<std::string, std::string> m;
    ASSERT_TRUE(ParseAssignments("LST X: A = 1 , B = 2 ;", m));
    EXPECT_EQ(m, (std::map<std::string, std::string>{{"A", "1"}, {"B", "2"}}));
    m.clear();
    // A value with a comma is cut there; the rest is read on: its first
    // "," ends the next value before its "=", which leaves that one empty.
    ASSERT_TRUE(ParseAssignments("LST X: A=1,2, B=3;", m));
    EXPECT_EQ(m, (std::map<std::string, std::string>{{"A", "1"}, {"2, B", ""}, {"B", "3"}}));
    m.clear();
    ASSERT_TRUE(ParseAssignments("LST X: A,B=1;", m));
    EXPECT_EQ(m, (std::map<std::string, std::string>{{"A,B", ""}, {"B", "1"}}));
    m.clear();
    EXPECT_FALSE(ParseAssignments("LST X A=1;", m));
    EXPECT_FALSE(ParseAssignments("LST X: A=1", m));
    m.clear();
    ParseCompound("LOCAL-1& INTL-0&X", m);
    EXPECT_EQ(m, (std::map<std::string, std::string>{{"LOCAL", "1"}, {"INTL", "0"}}));
}

TEST(CmdText, LoadingFillsParametersByKind) {
    CCmd t(FilterTemplate());
    ASSERT_TRUE(LoadCmdText(t, "LST MGCPSUB: A=7, NAME=\"Desk\", CODEC=G729, RIGHTS=INTL-1, MASK=0x1f, N=5, ZZ=1;"));
    EXPECT_EQ(t.GetParaArray()[0].GetValueText(), "7");
    EXPECT_EQ(t.GetParaArray()[7].GetValueText(), "7");  // every parameter of that name
    EXPECT_EQ(t.GetParaValue("NAME"), "Desk");
    EXPECT_EQ(t.GetParaValue("CODEC"), "G.729");
    EXPECT_EQ(t.GetParaValue("RIGHTS"), "INTL-1");
    EXPECT_EQ(t.GetParaValue("MASK"), "1f");
    EXPECT_EQ(t.GetParaValue("N"), "");  // numbers are not loaded
    CCmd u(FilterTemplate());
    EXPECT_TRUE(LoadCmdText(u, "LST MGCPSUB: CODEC=OPUS;"));
    EXPECT_EQ(u.GetParaValue("CODEC"), "");  // not a choice: unchanged
    EXPECT_FALSE(LoadCmdText(u, "no colon here"));

    SCmd broken = FilterTemplate();
    broken.params[1].mmlName.clear();
    CCmd b(broken);
    std::vector<std::string> log;
    platform::CTraceCapture capture([&](const std::string& l) { log.push_back(l); });
    EXPECT_FALSE(LoadCmdText(b, "LST MGCPSUB: B=1;"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].ends_with("para is NULL"));
}

// The model hears of the values in the order the command text gives them
// (a repeated name where it first stands, with its last value), and a
// load that fails on the way has set only what came before.
TEST(CmdText, AssignmentsAreLoadedInTheOrderTheyStand) {
    CCmd t(FilterTemplate());
    std::vector<int> changed;
    t.RegisterEvent([&](int index) { changed.push_back(index); });
    ASSERT_TRUE(LoadCmdText(t, "LST MGCPSUB: NAME=\"n\", B=2, A=1, NAME=\"m\";"));
    EXPECT_EQ(changed, (std::vector<int>{2, 1, 0, 7}));
    EXPECT_EQ(t.GetParaValue("NAME"), "m");

    SCmd broken = FilterTemplate();
    broken.params[2].mmlName.clear();  // an empty slot after A and B
    CCmd b(broken);
    platform::CTraceCapture quiet([](const std::string&) {});
    EXPECT_FALSE(LoadCmdText(b, "LST MGCPSUB: N=5, B=2;"));
    EXPECT_EQ(b.GetParaValue("B"), "");  // N came first and met the empty slot
}

TEST(CmdText, ClassifyGetAndSetFollowTheCommandWord) {
    EXPECT_EQ(ClassifyCmd("  lst sub: a=1;"), CMD_LST);
    EXPECT_EQ(ClassifyCmd("ADDX:"), CMD_OTHER);
    EXPECT_EQ(ClassifyCmd(""), CMD_OTHER);
    EXPECT_EQ(ClassifyCmd("ADB V5SUB: X=1;"), CMD_ADB);
    EXPECT_EQ(ClassifyCmd("rvb V5SUB:;"), CMD_RVB);
    EXPECT_EQ(ClassifyCmd("RMV A:;"), CMD_RMV);
    EXPECT_EQ(ClassifyCmd("ADD A:;"), CMD_ADD);

    EXPECT_EQ(GetParaValue("ADD A: X=1, Y = 2 ;", "y"), "2");
    EXPECT_EQ(GetParaValue("ADD A: X=1", "X"), "");
    EXPECT_EQ(GetParaValue("A:B:D;", "B"), "");
    EXPECT_EQ(GetParaValue("ADD A:;", "X"), "");

    EXPECT_EQ(SetParaValue("LST A: B=1, D=2;", "B", "7"), "LST A: B=7, D=2;");
    EXPECT_EQ(SetParaValue("XB1=2; B =3;", "B", "9"), "XB1=2; B =9;");
    EXPECT_EQ(SetParaValue("LST A: D=2, B=1;", "B", "7"), "LST A: D=2, B=7;");
    EXPECT_EQ(SetParaValue("LST A: D=2;", "B", "7"), "LST A: D=2;");
    EXPECT_EQ(SetParaValue("LST A: D=2;", " ", "7"), "LST A: D=2;");
}
