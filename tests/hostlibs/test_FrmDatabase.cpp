// The object catalogue as the description database loads it.
#include <gtest/gtest.h>

#include "ClientRoot.h"
#include "HostStrings.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/HostStringIds.h"

namespace {

const std::vector<DWORD> kModuleTypes = {303, 304, 305, 308, 309, 310, 311, 312, 313, 316,
                                         317, 318, 319, 320, 323, 325, 326, 327, 328, 329,
                                         332, 334, 335, 336, 340, 341, 345, 346};

bool Contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

}  // namespace

TEST(Catalogue, EveryTypeTheModuleUsesLoadsWithItsStandardCommands) {
    CFrmDatabase& db = HostDatabase();
    ASSERT_EQ(db.Error(), "");
    for (DWORD type : kModuleTypes) {
        SCOPED_TRACE(type);
        SComObj d = db.ObjLoadAllDesc(type);
        ASSERT_EQ(d.type, type);
        EXPECT_FALSE(d.mmlName.empty());
        EXPECT_GE(d.attributes.size(), 5u);
        EXPECT_LE(d.attributes.size(), 15u);
        ASSERT_TRUE(d.operations.count(0));  // the list command
        EXPECT_EQ(d.operations[0].actType, ACT_BROWSER);
        EXPECT_TRUE(Contains(d.operations[0].cmdName, HostString(HS_LIST_CMD)));
        EXPECT_EQ(d.operations.size(), d.commands.size());
        if (d.paged) {
            // Paging works by name: the fetch and release commands must be findable.
            ASSERT_TRUE(d.operations.count(9));
            EXPECT_EQ(d.operations[9].actType, ACT_COMMAND);
            EXPECT_TRUE(Contains(d.operations[9].cmdName, HostString(HS_PAGE_CMD)));
            ASSERT_TRUE(d.operations.count(10));
            EXPECT_TRUE(Contains(d.operations[10].cmdName, HostString(HS_RELEASE_CMD)));
        }
    }
    EXPECT_EQ(db.ObjLoadAllDesc(999).type, 0u);
}

// Where the trees read their fields, and what the relations of a command
// do, is held against the switch by the operator tests (SegmentHands,
// V5Hands, ParaDlgHands).

TEST(Catalogue, BadCataloguesNameFileEntryAndFault) {
    CFrmDatabase db;
    EXPECT_FALSE(db.LoadText("{\"objects\": [", "cat.json"));
    EXPECT_NE(db.Error().find("cat.json: not valid JSON"), std::string::npos) << db.Error();

    EXPECT_FALSE(db.LoadText("[]", "cat.json"));
    EXPECT_NE(db.Error().find("\"objects\""), std::string::npos);

    const std::string attr = R"({"name": "DN", "key": true})";
    auto obj = [&](const std::string& extra, const std::string& attrs) {
        return R"({"objects": [{"type": 1, "mml": "X", "std": ["list"], "attributes": [)" + attrs +
               "]" + extra + "}]}";
    };
    EXPECT_TRUE(db.LoadText(obj("", attr), "c"));
    EXPECT_FALSE(db.LoadText(obj("", R"({"name": "DN", "kind": 12})"), "c"));
    EXPECT_EQ(db.Error(), "c: object 1: parameter kind must be 0 to 9");
    EXPECT_FALSE(db.LoadText(obj(R"(, "operations": [{"id": 5, "mml": "DSP X", "params": [{"ref": "NOPE"}]}])", attr), "c"));
    EXPECT_EQ(db.Error(), "c: object 1: parameter refers to unknown attribute NOPE");
    EXPECT_FALSE(db.LoadText(obj("", R"({"name": "S", "kind": 3})"), "c"));
    EXPECT_NE(db.Error().find("needs choices"), std::string::npos);
    EXPECT_FALSE(db.LoadText(R"({"objects": [{"type": 1, "mml": "X", "std": ["list"], "attributes": [{"name": "A"}]},
                                             {"type": 1, "mml": "Y", "std": ["list"], "attributes": [{"name": "A"}]}]})", "c"));
    EXPECT_EQ(db.Error(), "c: object 1: type appears twice");
    EXPECT_TRUE(db.Types().empty());  // a failed load leaves nothing half-loaded
    EXPECT_FALSE(db.Load("/nonexistent/objects.json"));
    EXPECT_EQ(db.Error(), "/nonexistent/objects.json: cannot be read");
}

TEST(Catalogue, ReturnCodesAndTheirTypes) {
    CFrmDatabase& db = HostDatabase();
    EXPECT_TRUE(db.IsReturnCodeSuccessful(0));
    EXPECT_FALSE(db.IsReturnCodeSuccessful(1008));
    EXPECT_EQ(db.GetTypeofReturnCode(1008), 1);
    EXPECT_EQ(db.GetTypeofReturnCode(3001), 2);
    EXPECT_EQ(db.GetTypeofReturnCode(4242), 1);  // unknown failures are ordinary
}
