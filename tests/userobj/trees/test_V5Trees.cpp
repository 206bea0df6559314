// The V5 trees and the port cache on data handed over as the object-data
// library hands it: group order, odd group fields, port groups, short
// records, eviction from the port cache.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "HostStrings.h"
#include "V5UserDlg.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/HostStringIds.h"
#include "userobj/Messages.h"

namespace {

CDataTable Table(std::initializer_list<std::vector<std::string>> rows) {
    CDataTable t;
    for (const auto& r : rows) {
        CDataRow row;
        for (const std::string& cell : r) row.push_back({cell});
        t.Add(row);
    }
    return t;
}

QStringList Texts(const QTreeWidgetItem* parent) {
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i) out << parent->child(i)->text(0);
    return out;
}

// A V5 dialog bound to the host database, without an object window: its
// queries go nowhere and the data arrives by hand.
class V5TreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dlg.InitObj(nullptr, &HostDatabase())); }
    void Interfaces(std::initializer_list<std::vector<std::string>> rows) {
        dlg.InterfaceData().ProcessCmdRslt("LST V5IF:;", TRUE, {"V5IID", "NAME", "GROUP"},
                                           Table(rows));
    }
    void Ports(std::initializer_list<std::vector<std::string>> rows,
               std::vector<std::string> header = {"PTYPE", "BGNL3ADDR", "ENDL3ADDR"}) {
        dlg.PortData().ProcessCmdRslt("LST V5PORT:;", TRUE, header, Table(rows));
    }
    CV5UserDlg dlg;
};

TEST_F(V5TreeTest, GroupsAppearInOrderOfFirstUseAndAGroupThatIsNoNumberIsGroupZero) {
    Interfaces(
        {{"1", "a", "2"}, {"2", "b", "x"}, {"3", "c", "2"}, {"4", "d", "1"}, {"5", "e", "7th"}});
    CV5InterfaceTree* tree = dlg.GetInterfaceTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0).toStdString(), HostString(10129));
    EXPECT_EQ(CV5TreeBase::ItemKind(root), CV5InterfaceTree::kRoot);
    EXPECT_EQ(Texts(root), (QStringList{"Group 2", "Group 0", "Group 1", "Group 7"}));
    const QString prefix = QString::fromStdString(HostString(10075));
    EXPECT_EQ(Texts(root->child(0)), (QStringList{prefix + "1", prefix + "3"}));
    EXPECT_EQ(Texts(root->child(1)), (QStringList{prefix + "2"}));
    EXPECT_EQ(CV5TreeBase::ItemKind(root->child(0)->child(1)), CV5InterfaceTree::kInterface);
    EXPECT_EQ(CV5TreeBase::ItemNumber(root->child(0)->child(1)), 2);  // index of the record
    EXPECT_EQ(CV5TreeBase::ItemNumber(root->child(3)), 7);
    // Each interface was announced; the port tree ends bound to the last one.
    EXPECT_EQ(dlg.GetPortTree()->m_strInterfaceKey, "5");
    EXPECT_TRUE(dlg.PortBound());
    EXPECT_FALSE(dlg.ListBound());
}

TEST_F(V5TreeTest, PortsGoUnderTheirTypeGroupOrToTheTopLevelWithoutOne) {
    Interfaces({{"1", "a", "0"}});
    Ports({{"PSTN", "0", "99"}, {"PSTN", "100", "199"}});
    CV5PortL3Tree* tree = dlg.GetPortTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0).toStdString(), HostString(10075) + "1");
    ASSERT_EQ(Texts(root), (QStringList{"PSTN"}));
    EXPECT_EQ(CV5TreeBase::ItemNumber(root->child(0)), CV5PortL3Tree::kGroupNumber);
    EXPECT_EQ(Texts(root->child(0)), (QStringList{"0-99", "100-199"}));
    EXPECT_EQ(tree->PortGroupType(), 0);

    // A type text that is neither port type: no group, the ports stand alone.
    Ports({{"OTHER", "5", "6"}});
    EXPECT_EQ(tree->PortGroupType(), CV5PortL3Tree::kNoGroup);
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "5-6");
    EXPECT_EQ(CV5TreeBase::ItemKind(tree->topLevelItem(1)), CV5PortL3Tree::kPort);
}

TEST_F(V5TreeTest, APortRecordOfFewerThanThreeFieldsLeavesTheTreeEmptyAndTheDialogUntold) {
    Interfaces({{"1", "a", "0"}});
    Ports({{"PSTN", "0", "99"}});
    ASSERT_EQ(dlg.PortCache().Size(), 1u);
    const CRestrictInfo key{{HostString(HS_V5_INTERFACE), "1"}};
    ASSERT_EQ(dlg.PortCache().UseCount(key), 1u);
    Ports({{"PSTN", "0"}}, {"PTYPE", "BGNL3ADDR"});
    EXPECT_EQ(dlg.GetPortTree()->topLevelItemCount(), 0);
    EXPECT_EQ(dlg.PortCache().UseCount(key), 1u);  // no WM_USER+1413: nothing cached again
    // An empty port set builds the root alone and is cached like any other.
    Ports({});
    EXPECT_EQ(dlg.GetPortTree()->topLevelItemCount(), 1);
    EXPECT_EQ(dlg.PortCache().UseCount(key), 2u);
}

// Only a whole delivery rebuilds the trees: records added or removed one
// by one leave them, and the port tree's interface, as they are.
TEST_F(V5TreeTest, RecordsChangedOneByOneLeaveTheTreesAsTheyAre) {
    Interfaces({{"1", "a", "3"}});
    QTreeWidgetItem* root = dlg.GetInterfaceTree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(
        dlg.InterfaceData().ProcessCmdRslt("ADD V5IF: V5IID=9, GROUP=5, MGWID=1;", TRUE, {}, {}));
    ASSERT_TRUE(dlg.InterfaceData().ProcessCmdRslt("RMV V5IF: V5IID=1;", TRUE, {}, {}));
    EXPECT_EQ(dlg.GetInterfaceTree()->topLevelItem(0), root);
    EXPECT_EQ(Texts(root), (QStringList{"Group 3"}));
    EXPECT_EQ(dlg.GetPortTree()->m_strInterfaceKey, "1");
}

TEST_F(V5TreeTest, ATreeWithoutDataIgnoresTheDelivery) {
    CV5InterfaceTree tree;
    EXPECT_EQ(SendMessage(&tree, msg::WM_DATA_INIT), 0);
    CV5PortL3Tree ports;
    EXPECT_EQ(SendMessage(&ports, msg::WM_DATA_INIT), 0);
    EXPECT_EQ(tree.topLevelItemCount() + ports.topLevelItemCount(), 0);
}

CRestrictInfo Key(int n) {
    return CRestrictInfo{{"V5IID", std::to_string(n)}};
}

TEST(V5PortCache, TheTwentySecondInterfaceEvictsTheLeastLoadedFirstInMapOrder) {
    CV5PortCache cache;
    const CObjDescData data;
    for (int i = 0; i < 21; ++i) cache.Store(Key(i), data);
    cache.Store(Key(3), data);  // loaded twice
    ASSERT_EQ(cache.Size(), 21u);
    EXPECT_EQ(cache.UseCount(Key(3)), 2u);
    // The victim: the first key in map order among those loaded once.
    CRestrictInfo victim;
    for (const CRestrictInfo& k : cache.Keys())
        if (cache.UseCount(k) == 1) {
            victim = k;
            break;
        }
    cache.Store(Key(99), data);
    EXPECT_EQ(cache.Size(), 21u);
    EXPECT_EQ(cache.Find(victim), nullptr);
    EXPECT_EQ(cache.UseCount(Key(99)), 1u);
    EXPECT_NE(cache.Find(Key(3)), nullptr);
    // A key already held is counted up, nothing evicted.
    cache.Store(Key(99), data);
    EXPECT_EQ(cache.Size(), 21u);
    EXPECT_EQ(cache.UseCount(Key(99)), 2u);
    cache.Clear();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(cache.UseCount(Key(3)), 0u);
}

}  // namespace
