// The shipped data files agree with each other: sorting and filter sections
// name real list titles and columns, the host strings the code looks up
// exist, and the catalogue's words sort the operations into menu groups.
#include <gtest/gtest.h>

#include <set>

#include "ClientRoot.h"
#include "CmdText.h"
#include "Filter.h"
#include "HostStrings.h"
#include "ProfileFile.h"
#include "SortTable.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/MmlText.h"
#include "hostlibs/ObjData.h"
#include "userobj/ConfigTypes.h"

namespace {

// Every list title of the subscriber dialogs, and the object each shows.
const std::vector<std::pair<int, DWORD>> kListTitles = {
    {10091, 308}, {10092, 309}, {10121, 319}, {10120, 320}, {10145, 311}, {10090, 310}, {10146, 312},
    {10123, 328}, {10262, 313}, {10261, 318}, {10117, 317}, {10149, 327}, {10132, 303}, {10130, 329},
    {10131, 304}, {11830, 351}};

DWORD ObjectOfList(const std::string& title) {
    for (const auto& [s, type] : kListTitles)
        if (HostString(s) == title) return type;
    return 0;
}

}  // namespace

TEST(DataFiles, SortSectionsNameListsAndTheirColumnsAndSortValidValues) {
    CSort& sort = SortTable();
    const auto sections = platform::ProfileSectionNames(sort.Path());
    ASSERT_FALSE(sections.empty());
    for (const std::string& section : sections) {
        SCOPED_TRACE(section);
        const DWORD type = ObjectOfList(section);
        ASSERT_NE(type, 0u) << "no list has this title";
        const SComObj* obj = HostDatabase().Find(type);
        for (const std::string& title : *sort.Headers(section)) {
            const SAttributeItem* attr = nullptr;
            for (const SAttributeItem& a : obj->attributes)
                if (a.displayName == title) attr = &a;
            ASSERT_NE(attr, nullptr) << title << " is no column of " << obj->mmlName;
            for (bool asc : {true, false}) {
                const std::string* v = sort.SortValue(section, title, asc);
                ASSERT_NE(v, nullptr);
                EXPECT_EQ(*v, attr->name + (asc ? "-ASC" : "-DESC"));
            }
        }
    }
}

// Each shipped filter is a list command of its list's object, and the
// customize dialog can open it: the object's filter query takes every
// condition and gives back the very text.
TEST(DataFiles, FiltersBelongToListsAndAreFilterQueriesOfTheirObject) {
    CFilter& filters = FilterTable();
    for (auto& [section, map] : filters.Sections()) {
        SCOPED_TRACE(section);
        const DWORD type = ObjectOfList(section);
        ASSERT_NE(type, 0u);
        CComObj obj;
        ASSERT_TRUE(obj.CreateEx(type, *HostDatabase().Find(type), nullptr));
        CCmd base;
        ASSERT_TRUE(GetFilterBaseCmd(obj, base));
        for (const auto& [name, text] : *map) {
            SMmlCommand cmd;
            std::string error;
            ASSERT_TRUE(ParseMml(text, cmd, error)) << text << ": " << error;
            EXPECT_EQ(cmd.Word(), "LST " + HostDatabase().Find(type)->mmlName);
            EXPECT_LE(name.size(), 25u);  // filter names are entered with at most 25 characters
            CCmd edited = base;
            for (const SMmlParam& p : cmd.params) EXPECT_NE(edited.FindPara(p.name), nullptr) << name << ": " << p.name;
            ASSERT_TRUE(LoadCmdText(edited, text)) << name;
            EXPECT_EQ(edited.Format(), text) << name;
        }
    }
}

// The operation log is filtered as the switch reads it: by operator,
// object, and a time span that is no column of its records.
TEST(DataFiles, TheOperationLogFiltersByOperatorObjectAndTimeSpan) {
    CComObj obj;
    ASSERT_TRUE(obj.CreateEx(351, *HostDatabase().Find(351), nullptr));
    CCmd base;
    ASSERT_TRUE(GetFilterBaseCmd(obj, base));
    for (const char* p : {"OP", "OBJ", "FROM", "TO"}) EXPECT_NE(base.FindPara(p), nullptr) << p;
    const std::string text = "LST OPLOG: OP=\"alice\", FROM=\"2026-12-01 00:00:00\", TO=\"2026-12-06 23:59:59\";";
    ASSERT_TRUE(LoadCmdText(base, text));
    EXPECT_EQ(base.Format(), text);
}

TEST(DataFiles, HostStringsTheCodeLooksUpExist) {
    for (const cfg::ConfigType& c : cfg::kConfigTypes) {
        if (c.titleString) {
            EXPECT_FALSE(HostString(c.titleString).empty()) << c.titleString;
        }
    }
    for (int id : {HS_QID, HS_PAGE_BEGIN, HS_PAGE_END, HS_PAGE_CMD, HS_RELEASE_CMD, HS_LIST_CMD, HS_QUERY_HEAD,
                   HS_TOTAL_RECS, HS_FILTER_CMD, HS_FILTER_LABEL, HS_SORT_KEYWORD, HS_CX_GROUPNAME, HS_SEG_FORMAT,
                   HS_SEG_INDEX, HS_SEG_FIRST, HS_SEG_LAST, HS_V5_INTERFACE, HS_V5_PORT_FIRST, HS_V5_PORT_LAST,
                   HS_V5_ADD_NUMBER, HS_V5_RANGE_FIRST, HS_V5_RANGE_LAST, HS_V5_PORT_PSTN, HS_V5_PORT_ISDN})
        EXPECT_FALSE(HostString(id).empty()) << id;
    for (int id : {10001, 10003, 10005, 10009, 10012, 10013, 10014}) EXPECT_FALSE(HostString(id).empty()) << id;
    for (int id : {796, 2904, 2921, 2922, 10047, 10050, 10051, 10066, 10067, 10104, 10105, 10106, 10112, 10114,
                   10115, 10116, 10124, 10142, 10143, 10246, 10247, 10248, 10249, 10264, 10276, 10277, 10278,
                   10279, 10280, 10281})
        EXPECT_FALSE(HostString(id).empty()) << id;
    for (const auto& [id, type] : kListTitles) EXPECT_FALSE(HostString(id).empty()) << id;
    for (int k = 0; k < 8; ++k) EXPECT_FALSE(HostString(10268 + k).empty());
}

TEST(DataFiles, TheCentrexKindsAndTheirDetailCommandsExist) {
    const SComObj* members = HostDatabase().Find(329);
    std::set<std::string> kinds;
    for (const SAttributeItem& a : members->attributes)
        if (a.displayName == HostString(10276))
            for (const SChoice& c : a.para.choices) kinds.insert(c.text);
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(kinds.count(HostString(10268 + k))) << HostString(10268 + k);
    std::set<std::string> names;
    for (const auto& [id, op] : members->operations) names.insert(op.cmdName);
    for (int s : {10142, 10143, 10277, 10278, 10279}) EXPECT_TRUE(names.count(HostString(s))) << HostString(s);
}

TEST(DataFiles, TheSortKeywordEndsInAnAssignment) {
    const std::string& k = HostString(HS_SORT_KEYWORD);
    ASSERT_FALSE(k.empty());
    EXPECT_EQ(k.back(), '=');
    SMmlCommand cmd;
    std::string error;
    EXPECT_TRUE(ParseMml("LST MGCPSUB:" + k + "DN-ASC;", cmd, error)) << error;
}

// Every parameter of every command reads in the operator's words: one
// that is no attribute of its object (a restriction a sub-object takes from
// its parent) has a caption, the parent's attribute's.
TEST(DataFiles, EveryParameterHasACaption) {
    for (DWORD type : HostDatabase().Types()) {
        const SComObj* obj = HostDatabase().Find(type);
        auto own = [obj](const std::string& name) {
            return std::any_of(obj->attributes.begin(), obj->attributes.end(),
                               [&](const SAttributeItem& a) { return a.name == name; });
        };
        for (const auto& [id, cmd] : obj->commands)
            for (const SParaDesc& p : cmd.params)
                if (!own(p.mmlName)) {
                    EXPECT_NE(p.displayName, p.mmlName) << obj->mmlName << " " << cmd.text2 << ": " << p.mmlName;
                }
    }
}
