// The command list of the command-object windows: which operations become
// icons in which slot, how the context menu groups them, and what choosing
// one does — on a view of its own and on a view in the real host window.
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "CmdCategories.h"
#include "CmdListView.h"
#include "CmdObjListView.h"
#include "HostStrings.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

namespace {

// Stands in for the object window: notes the commands the object sends.
class COwner : public CWndT<QObject> {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == msg::WM_SENDMMLMSG) {
            sent.emplace_back(FromLParam<const char>(lParam));
            return 1;
        }
        return CWndT::WindowProc(message, wParam, lParam);
    }
    std::vector<std::string> sent;
};

struct SOp {
    DWORD code;
    std::string name;
    int kind = ACT_COMMAND;
    std::string label = "Maintenance";
    bool described = true;  // has a command template
};

// An object with these operations, in enumeration (code) order; each sends
// "VERB<code> OBJ:;" without parameters.
SComObj Describe(const std::vector<SOp>& ops) {
    SComObj d;
    d.type = 900;
    d.mmlName = "OBJ";
    d.displayName = "Object";
    for (const SOp& op : ops) {
        d.operations[op.code] = {op.label, static_cast<WORD>(op.kind), op.name, 0};
        if (!op.described) continue;
        SCmd c;
        c.text = op.label;
        c.opKind = op.kind;
        c.text2 = op.name;
        c.mml = "VERB" + std::to_string(op.code) + " OBJ";
        d.commands[op.code] = c;
    }
    return d;
}

std::vector<std::pair<int, DWORD>> Slots(const std::vector<SOp>& ops) {
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    for (const SOp& op : ops) {
        codes.push_back(op.code);
        names.push_back(op.name);
    }
    std::vector<std::pair<int, DWORD>> out;
    for (const SCmdIcon& icon : ArrangeCmdIcons(codes, names)) out.emplace_back(icon.slot, icon.code);
    return out;
}

std::string S(int id) { return HostString(id); }

using SlotList = std::vector<std::pair<int, DWORD>>;

TEST(CmdIcons, CategoriesFillTheirSlotsFromTheLastCommandAndSpillOver) {
    const std::string add = S(10001), batch = S(10012);
    // Three adds: slots 1, 2, 3 in the reverse of their enumeration order.
    EXPECT_EQ(Slots({{1, add + " A"}, {2, add + " B"}, {3, add + " C"}}), (SlotList{{1, 3}, {2, 2}, {3, 1}}));
    // Slot 3 is also the batch add's first slot: the command classified
    // later (earlier in the enumeration) keeps it.
    EXPECT_EQ(Slots({{1, add + " A"}, {2, add + " B"}, {3, add + " C"}, {4, batch + " X"}}),
              (SlotList{{1, 3}, {2, 2}, {3, 1}}));
    EXPECT_EQ(Slots({{1, batch + " X"}, {2, add + " A"}, {3, add + " B"}, {4, add + " C"}}),
              (SlotList{{1, 4}, {2, 3}, {3, 1}}));
    // Every reset takes slot 19: the first one enumerated stays.
    EXPECT_EQ(Slots({{5, S(10106) + " 1"}, {6, S(10106) + " 2"}}), (SlotList{{19, 5}}));
    // Slots above 22 are never shown; a name of no category is not shown.
    EXPECT_EQ(Slots({{1, S(10280) + " 1"}, {2, S(10280) + " 2"}, {3, S(10280) + " 3"}, {4, "Something else"}}),
              (SlotList{{21, 3}, {22, 2}}));
    // The rule order decides: a block is not an unblock, a remove batch is no remove.
    EXPECT_EQ(Slots({{1, S(10105) + " X"}, {2, S(10104) + " X"}, {3, S(10013) + " Y"}, {4, S(10003) + " Z"}}),
              (SlotList{{5, 4}, {7, 3}, {15, 2}, {17, 1}}));
}

// The menu's texts, "-" for a separator, the submenu as "title/item".
std::vector<std::string> MenuTexts(const std::vector<SOp>& ops) {
    const SComObj d = Describe(ops);
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    for (const SOp& op : ops) {
        codes.push_back(op.code);
        names.push_back(op.name);
    }
    const SCmdMenuLayout m = AssembleCmdMenu(GroupCmdMenu(codes, names, d.commands));
    std::vector<std::string> out;
    for (const SCmdMenuItem& i : m.items) out.push_back(i.id ? i.text : "-");
    for (const SCmdMenuItem& i : m.specialItems) out.push_back(m.specialTitle + "/" + i.text);
    return out;
}

TEST(CmdMenu, GroupsAreSeparatedOnlyAfterOtherItems) {
    const std::string more = S(10114), special = S(10112);
    // Only group 8: no leading separator.
    EXPECT_EQ(MenuTexts({{20, "Reset it"}, {21, "Test it"}}), (std::vector<std::string>{"Test it", "Reset it"}));
    // Only special queries: nothing, the submenu needs other items before it.
    EXPECT_TRUE(MenuTexts({{20, "Query A", ACT_COMMAND, special}}).empty());
    // Adds, removes and modifies first (by kind), then group 8, the details,
    // the special queries' submenu; lists, pages and releases never.
    EXPECT_EQ(MenuTexts({{0, S(10098) + " Object", ACT_BROWSER},
                         {1, "Display Object", ACT_DETAIL},
                         {3, "Add Object", ACT_ADD},
                         {4, "Remove Object", ACT_REMOVE},
                         {5, "Modify Object", ACT_MODIFY},
                         {9, S(10096) + " Object", ACT_COMMAND},
                         {20, "Reset Object", ACT_SHOWREPORT},
                         {21, "By Name", ACT_COMMAND, special + " " + S(10116)},
                         {22, "Plain Query", ACT_SHOWREPORT, special},
                         {23, "No Template", ACT_SHOWREPORT, "Maintenance", false}}),
              (std::vector<std::string>{"Add Object" + more, "Remove Object", "Modify Object" + more, "-",
                                        "Reset Object", "-", "Display Object", "-", special + "/Plain Query",
                                        special + "/By Name" + more}));
}

// A command list of its own on an object whose commands its owner notes.
class CmdListViewTest : public ::testing::Test {
protected:
    void Show(const std::vector<SOp>& ops) {
        obj.CreateEx(900, Describe(ops), &owner);
        view.resize(700, 400);
        view.SetObj(&obj, &images);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    QListWidgetItem* Item(const std::string& text) {
        const auto found = view.findItems(QString::fromStdString(text), Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
    void ClickItem(const std::string& text) {
        QListWidgetItem* item = Item(text);
        ASSERT_NE(item, nullptr) << text;
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualItemRect(item).center());
    }
    std::vector<std::string> Sent() {
        QTest::qWait(20);  // the choice is posted to the view
        QApplication::processEvents();
        std::vector<std::string> s;
        s.swap(owner.sent);
        return s;
    }
    COwner owner;
    CComObj obj;
    CImageList images = LoadCmdImages();
    CCmdListView view;
};

// Codes from 150 up are shown with their image but run nothing. (Click,
// Enter and the menu running an operation: CmdObjHands.)
TEST_F(CmdListViewTest, CodesFrom150AreShownButDoNothing) {
    Show({{149, S(10280) + " low"}, {150, S(10280) + " high"}});
    ASSERT_NE(Item(S(10280) + " high"), nullptr);
    EXPECT_FALSE(Item(S(10280) + " high")->icon().isNull());
    EXPECT_EQ(Item(S(10280) + " high")->data(kImageNameRole).toString(), "cmd_test");
    ClickItem(S(10280) + " high");
    EXPECT_TRUE(Sent().empty());
    ClickItem(S(10280) + " low");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"VERB149 OBJ:;"}));
    EXPECT_EQ(view.CurrentCmdName(), S(10280) + " low");
}

TEST_F(CmdListViewTest, AnInvalidObjectLeavesTheViewButChoosesNothing) {
    Show({{20, S(10106) + " it"}});
    CComObj invalid;  // never created
    view.SetObj(&invalid, nullptr);
    EXPECT_EQ(view.GetObj(), nullptr);
    ASSERT_EQ(view.count(), 1);  // the icons stay
    ClickItem(S(10106) + " it");
    EXPECT_TRUE(Sent().empty());
    // Given back, it works again.
    view.SetObj(&obj, nullptr);
    ClickItem(S(10106) + " it");
    EXPECT_EQ(Sent().size(), 1u);
}

// The tree variant: the item under the pointer when the selection changes
// drives the command list.
TEST_F(CmdListViewTest, TheObjectTreeHandsThePickedObjectToTheList) {
    Show({{20, S(10106) + " it"}});
    CComObj other;
    other.CreateEx(901, Describe({{21, S(10280) + " other"}, {22, S(10104) + " other"}}), &owner);
    CCmdObjTree tree;
    tree.SetCmdListView(&view);
    for (CComObj* o : {&obj, &other}) {
        auto* item = new QTreeWidgetItem(&tree, {QStringLiteral("object")});
        item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(o)));
    }
    tree.resize(200, 200);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    const QPoint at = tree.visualItemRect(tree.topLevelItem(1)).center();
    QCursor::setPos(tree.viewport()->mapToGlobal(at));
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(view.GetObj(), &other);
    EXPECT_EQ(view.count(), 2);
    ASSERT_NE(view.ContextMenu(), nullptr);
    EXPECT_EQ(view.ContextMenu()->actions().size(), 2);
}

}  // namespace
