// The command model: values by kind, formatting, required parameters.
#include <gtest/gtest.h>

#include <set>

#include "hostlibs/Cmd.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/MmlText.h"
#include "hostlibs/ObjData.h"

namespace {

SParaDesc Para(const char* name, int kind) {
    SParaDesc p;
    p.mmlName = name;
    p.displayName = name;
    p.kind = kind;
    return p;
}

SCmd Template() {
    SCmd c;
    c.mml = "ADD TESTOBJ";
    c.text2 = "Add Test Object";
    SParaDesc dn = Para("DN", PK_TEXT);
    dn.required = true;
    dn.maxValue = 8;
    SParaDesc num = Para("NUM", PK_NUMBER);
    num.minValue = 1;
    num.maxValue = 100;
    SParaDesc e = Para("MODE", PK_ENUM);
    e.choices = {{"ON", "Switched on"}, {"OFF", "Switched off"}};
    SParaDesc bits = Para("RIGHTS", PK_BITS);
    bits.items = {"LOCAL", "INTL"};
    c.params = {dn, Para("NAME", PK_STRING), num, e, bits, Para("MASK", PK_HEX),
                Para("DAY", PK_DATE), Para("AT", PK_TIME), Para("IP", PK_IPADDR)};
    return c;
}

}  // namespace

TEST(CmdModel, ValuesAreCheckedByKind) {
    CCmd cmd(Template());
    EXPECT_TRUE(cmd.SetParaValue("DN", "8001"));
    EXPECT_FALSE(cmd.SetParaValue("DN", "123456789"));  // longer than 8
    EXPECT_FALSE(cmd.SetParaValue("DN", "80,01"));      // would end the value
    EXPECT_EQ(cmd.GetParaValue("DN"), "8001");
    EXPECT_FALSE(cmd.SetParaValue("NUM", "0"));
    EXPECT_FALSE(cmd.SetParaValue("NUM", "12a"));
    EXPECT_TRUE(cmd.SetParaValue("NUM", "100"));
    EXPECT_TRUE(cmd.SetParaValue("MODE", "OFF"));  // by value, held as text
    EXPECT_EQ(cmd.GetParaValue("MODE"), "Switched off");
    EXPECT_FALSE(cmd.SetParaValue("MODE", "MAYBE"));
    EXPECT_TRUE(cmd.SetParaValue("RIGHTS", "INTL-1&LOCAL-0"));
    EXPECT_EQ(cmd.GetParaValue("RIGHTS"), "LOCAL-0&INTL-1");
    EXPECT_FALSE(cmd.SetParaValue("RIGHTS", "MOON-1"));
    EXPECT_TRUE(cmd.SetParaValue("MASK", "0x1F"));
    EXPECT_FALSE(cmd.SetParaValue("MASK", "XYZ"));
    EXPECT_FALSE(cmd.SetParaValue("DAY", "2026-02-30"));
    EXPECT_TRUE(cmd.SetParaValue("DAY", "2028-02-29"));
    EXPECT_FALSE(cmd.SetParaValue("AT", "24:00:00"));
    EXPECT_TRUE(cmd.SetParaValue("AT", "23&59&58"));
    EXPECT_FALSE(cmd.SetParaValue("IP", "10.0.0.256"));
    EXPECT_TRUE(cmd.SetParaValue("IP", "10.0.0.255"));
    EXPECT_FALSE(cmd.SetParaValue("NOPE", "1"));
}

TEST(CmdModel, FormatParsesBackToTheSameParameters) {
    CCmd cmd(Template());
    cmd.SetParaValue("DN", "8001");
    EXPECT_FALSE(cmd.SetParaValue("NAME", "Front desk, 2nd floor"));
    cmd.SetParaValue("NAME", "Front desk");
    cmd.SetParaValue("MODE", "Switched on");
    cmd.SetParaValue("RIGHTS", "LOCAL-1");
    cmd.SetParaValue("MASK", "ff");
    cmd.SetParaValue("DAY", "2026-12-05");
    cmd.SetParaValue("AT", "08:30:00");
    const std::string text = cmd.Format({{"QID", "\"7\""}});
    EXPECT_EQ(text,
              "ADD TESTOBJ: DN=8001, NAME=\"Front desk\", MODE=ON, RIGHTS=LOCAL-1, MASK=0xff, "
              "DAY=2026&12&05, AT=08&30&00, QID=\"7\";");
    SMmlCommand parsed;
    std::string error;
    ASSERT_TRUE(ParseMml(text, parsed, error)) << error;
    CCmd back(Template());
    for (const SMmlParam& p : parsed.params) {
        if (p.name != "QID") {
            EXPECT_TRUE(back.SetParaValue(p.name, p.value)) << p.name;
        }
    }
    EXPECT_EQ(back.Format({{"QID", "\"7\""}}), text);
}

TEST(CmdModel, RequiredParametersOnlyCountWhileValid) {
    CCmd cmd(Template());
    EXPECT_FALSE(cmd.IsMustGiveParaReady());
    cmd.FindPara("DN")->SetValid(FALSE);  // a relation switched it off
    EXPECT_TRUE(cmd.IsMustGiveParaReady());
    cmd.FindPara("DN")->SetValid(TRUE);
    int changed = -1;
    cmd.RegisterEvent([&](int i) { changed = i; });
    cmd.SetParaValue("DN", "1");
    EXPECT_EQ(changed, 0);
    EXPECT_TRUE(cmd.IsMustGiveParaReady());
    cmd.UnRegisterEvent();
    cmd.SetParaValue("NUM", "5");
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(CCmd().Format(), ":;");  // an empty model still ends in ";"
}

TEST(CmdModel, ChoicesMatchAndReplace) {
    CCmd cmd(Template());
    CParaItem* mode = cmd.FindPara("MODE");
    mode->SetValueText("ON");
    EXPECT_EQ(mode->GetMatchIndex(mode->GetChoiceTexts()), 0);
    EXPECT_EQ(mode->GetReplaceValue("OFF"), "Switched off");
    EXPECT_EQ(mode->GetReplaceValue("X"), "X");
    EXPECT_EQ(mode->GetMMLValue(), "ON");
    EXPECT_EQ(cmd.FindPara("NUM")->GetLimitText(), "Range: 1~100");
}

TEST(CmdModel, DefaultsLimitsAndCompoundStates) {
    SParaDesc bits = Para("RIGHTS", PK_BITS);
    bits.items = {"LOCAL", "INTL", "PREMIUM"};
    bits.defaultValue = "LOCAL-1&INTL-0";
    CParaItem p(bits);
    EXPECT_EQ(p.GetItemStates(), (std::vector<int>{1, 0, -1}));  // not given: -1
    EXPECT_EQ(p.GetMMLValue(), "LOCAL-1&INTL-0");
    EXPECT_TRUE(p.SetItemState("PREMIUM", 1));
    EXPECT_FALSE(p.SetItemState("PREMIUM", 2));
    EXPECT_FALSE(p.SetItemState("MOON", 1));
    EXPECT_EQ(p.GetValueText(), "LOCAL-1&INTL-0&PREMIUM-1");
    p.Clear();
    EXPECT_FALSE(p.HasValue());

    SParaDesc bad = Para("N", PK_NUMBER);
    bad.minValue = 1;
    bad.maxValue = 5;
    bad.defaultValue = "9";  // outside its own limits: dropped, not kept
    EXPECT_EQ(CParaItem(bad).GetValueText(), "");
    EXPECT_EQ(CParaItem(bad).GetLimitText(), "Range: 1~5");
    SParaDesc text = Para("T", PK_TEXT);
    text.maxValue = 8;
    text.minValue = 2;
    text.defaultValue = "ab";
    EXPECT_EQ(CParaItem(text).GetLimitText(), "Length: 2~8");
    EXPECT_EQ(CParaItem(text).GetDefaultText(), "Default: ab");
    EXPECT_EQ(CParaItem(Para("D", PK_DATE)).GetLimitText(), "Date: YYYY-MM-DD");
    SParaDesc limited = Para("L", PK_TEXT);
    limited.limitText = "Up to 8 digits";
    EXPECT_EQ(CParaItem(limited).GetLimitText(), "Up to 8 digits");
}

TEST(CmdModel, ARelationRequiresWhatItMakesRequired) {
    // The MGCP add: Hotline = Yes enables the hotline number and requires it.
    CCmd cmd(HostDatabase().ObjLoadAllDesc(308).commands.at(3));
    ASSERT_TRUE(cmd.SetParaValue("DN", "29000000"));
    ASSERT_TRUE(cmd.SetParaValue("MGWNAME", "gw"));
    ASSERT_TRUE(cmd.SetParaValue("EID", "e1"));
    EXPECT_TRUE(cmd.IsMustGiveParaReady());
    ASSERT_TRUE(cmd.SetParaValue("HOTLINE", "Yes"));
    EXPECT_FALSE(cmd.IsMustGiveParaReady());
    ASSERT_TRUE(cmd.SetParaValue("HOTDN", "8000"));
    EXPECT_TRUE(cmd.IsMustGiveParaReady());
    ASSERT_TRUE(cmd.SetParaValue("HOTDN", ""));
    ASSERT_TRUE(cmd.SetParaValue("HOTLINE", "No"));
    EXPECT_TRUE(cmd.IsMustGiveParaReady());

    std::vector<SParaRelation> table = cmd.GetRelations();
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].active, 1);
    EXPECT_EQ(table[0].order, cmd.FindPara("HOTLINE")->GetNumber());
    cmd.SetParaValue("HOTLINE", "Yes");
    const SRelationOutcome yes = cmd.EvaluateRelations(table);
    EXPECT_EQ(table[0].control, "Yes");
    EXPECT_TRUE(yes.enabled.at(cmd.FindPara("HOTDELAY")->GetNumber()));
    EXPECT_EQ(yes.required, std::set<int>{cmd.FindPara("HOTDN")->GetNumber()});
    cmd.SetParaValue("HOTLINE", "");
    EXPECT_EQ(cmd.EvaluateRelations(table).waitingAfter, table[0].order);
}

TEST(CmdModel, AnEntryIsCheckedAgainstTheRuleTheOperatorIsShown) {
    CCmd cmd(Template());
    EXPECT_EQ(cmd.FindPara("NUM")->EntryFault("abc"), "Range: 1~100");
    EXPECT_EQ(cmd.FindPara("NUM")->EntryFault("101"), "Range: 1~100");
    EXPECT_EQ(cmd.FindPara("NUM")->EntryFault("100"), "");
    EXPECT_EQ(cmd.FindPara("DN")->EntryFault("123456789"), "Length: 0~8");
    EXPECT_EQ(cmd.FindPara("DN")->EntryFault(""), "");  // clearing is always possible
    const std::string chars = cmd.FindPara("NAME")->EntryFault("a, b");
    EXPECT_FALSE(chars.empty());
    EXPECT_EQ(cmd.FindPara("NAME")->EntryFault("a b"), "");
    EXPECT_NE(cmd.FindPara("MASK")->EntryFault("XYZ"), "");
    EXPECT_EQ(cmd.FindPara("IP")->EntryFault("10.0.0"), "IP address: a.b.c.d");
    EXPECT_EQ(cmd.FindPara("DN")->GetValueText(), "");  // checking takes nothing

    // A limit text that promises digits holds for what is typed; records
    // still carry whatever the switch holds.
    SParaDesc digits = Para("DN", PK_TEXT);
    digits.limitText = "1~32 digits";
    CParaItem dn(digits);
    EXPECT_EQ(dn.EntryFault("2000abc"), "1~32 digits");
    EXPECT_EQ(dn.EntryFault("20001234"), "");
    EXPECT_TRUE(dn.SetValueText("2000abc"));

    // In a list condition a trailing "*" is a wildcard, not part of the
    // number; a number condition has no wildcard.
    const auto indexOf = [](const CCmd& c, const std::string& name) {
        for (int i = 0; i < c.GetParaCount(); ++i)
            if (c.GetParaArray()[static_cast<size_t>(i)].GetMMLName() == name) return i;
        return -1;
    };
    const SComObj mgcp = HostDatabase().ObjLoadAllDesc(308);
    CCmd filter(mgcp.commands.at(8));
    CCmd add(mgcp.commands.at(3));
    EXPECT_EQ(filter.EntryFault(indexOf(filter, "DN"), "2000*"), "");
    EXPECT_EQ(filter.EntryFault(indexOf(filter, "DN"), "20a*"), "1~32 digits");
    EXPECT_EQ(add.EntryFault(indexOf(add, "DN"), "2000*"), "1~32 digits");
    CCmd groups(HostDatabase().ObjLoadAllDesc(303).commands.at(8));
    EXPECT_EQ(groups.EntryFault(indexOf(groups, "CGNO"), "1*"), "Range: 0~65535");
}

TEST(CmdModel, TheKeysOfAModifyNameTheInstance) {
    const SComObj desc = HostDatabase().ObjLoadAllDesc(308);
    CComObj obj;
    ASSERT_TRUE(obj.CreateEx(308, desc, nullptr));
    CCmd modify, add;
    ASSERT_TRUE(obj.GetCmdByOpID(modify, 5));
    ASSERT_TRUE(obj.GetCmdByOpID(add, 3));
    EXPECT_EQ(modify.GetActType(), ACT_MODIFY);
    EXPECT_TRUE(modify.FindPara("DN")->NamesInstance());
    EXPECT_FALSE(modify.FindPara("DESC")->NamesInstance());
    EXPECT_FALSE(add.FindPara("DN")->NamesInstance());
}

// A plain value that holds a blank, or a value given from outside the
// model (a parent's key), goes quoted, as the switch reads it whole; a
// value quoted already stays as it is.
TEST(CmdModel, ValuesWithBlanksGoQuoted) {
    CCmd cmd(Template());
    ASSERT_TRUE(cmd.SetParaValue("DN", "Co B"));
    EXPECT_EQ(cmd.Format({{"CGNAME", "Company B"}, {"QID", "\"7\""}, {"CGNO", "3"}}),
              "ADD TESTOBJ: DN=\"Co B\", CGNAME=\"Company B\", CGNO=3, QID=\"7\";");
    SMmlCommand parsed;
    std::string error;
    ASSERT_TRUE(ParseMml(cmd.Format(), parsed, error)) << error;
    ASSERT_EQ(parsed.params.size(), 1u);
    EXPECT_EQ(parsed.params[0].value, "Co B");
}
