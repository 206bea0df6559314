// The number segment window driven by hand: the segment tree with its
// blocks of 1000 numbers, the numbers of a clicked block, the block cache,
// the tree's menu and keys, all on the embedded switch.
#include "Operator.h"

#include "DnSegDlg.h"
#include "DnSegTreeCtrl.h"
#include "PropertyDisplayView.h"
#include "TreePlaceOf.h"

using op::COperatorTest;
using op::CountSent;
using op::PlaceIn;
using op::STreePlace;

namespace {

std::vector<std::string> Children(QTreeWidgetItem* item) {
    std::vector<std::string> texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts.push_back(item->child(i)->text(0).toStdString());
    return texts;
}

// The numbers a report lists, in order.
std::vector<std::string> NumbersIn(const std::string& report) {
    std::vector<std::string> dns;
    for (size_t at = report.find("\nDN = "); at != std::string::npos;
         at = report.find("\nDN = ", at + 1)) {
        const size_t from = at + 6;
        dns.push_back(report.substr(from, report.find('\n', from) - from));
    }
    return dns;
}

class SegmentHands : public COperatorTest {
protected:
    // more: that many further segments of three blocks each, so that the
    // tree scrolls.
    void OpenSegments(long long subscribers = 2000, bool scripted = false, int more = 0) {
        if (scripted)
            sw = StartScriptedClient(subscribers);
        else
            StartClient(subscribers);
        // Segments of the sizes that matter, one of them above 2^32.
        ASSERT_NE(OnSwitch("RMV DNSEG: SEGIDX=0;").find("RETCODE = 0"), std::string::npos);
        for (const char* add :
             {"ADD DNSEG: SEGIDX=20, TYPE=FIXED, BGNDN=0, ENDDN=1000;",
              "ADD DNSEG: SEGIDX=21, TYPE=FIXED, BGNDN=3000, ENDDN=3999;",
              "ADD DNSEG: SEGIDX=22, TYPE=FIXED, BGNDN=5000000000, ENDDN=5000002499;"})
            ASSERT_NE(OnSwitch(add).find("RETCODE = 0"), std::string::npos) << add;
        for (int k = 0; k < more; ++k) {
            const std::string first = std::to_string(7000000000LL + k * 10000LL);
            const std::string add = "ADD DNSEG: SEGIDX=" + std::to_string(100 + k) + ", TYPE=FIXED, BGNDN=" +
                                    first + ", ENDDN=" + std::to_string(7000000000LL + k * 10000LL + 2999) + ";";
            ASSERT_NE(OnSwitch(add).find("RETCODE = 0"), std::string::npos) << add;
        }
        w = Open(1);
        ASSERT_NE(w, nullptr);
        ASSERT_NE(w->m_pUserView, nullptr);
        dlg = w->m_pUserView->m_pDnSegDlg;
        ASSERT_NE(dlg, nullptr);
        tree = dlg->Tree();
    }
    QTreeWidgetItem* Segment(const std::string& index) const {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(QString::fromStdString(index + ":")))
                return tree->topLevelItem(i);
        return nullptr;
    }
    // A right click on the item, then the menu entry that starts so.
    bool ChooseFromTreeMenu(QTreeWidgetItem* item, const QString& entry) {
        tree->scrollToItem(item);
        const QPoint p = tree->visualItemRect(item).center();
        Hover(tree->viewport(), p);
        ClickItem(tree, item, Qt::RightButton);
        QContextMenuEvent e(QContextMenuEvent::Mouse, p, tree->viewport()->mapToGlobal(p));
        QApplication::sendEvent(tree->viewport(), &e);
        QMenu* menu = tree->PopupMenu();
        if (!menu || !WaitFor([menu] { return menu->isVisible(); }, 2000)) return false;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(entry) && a->isEnabled()) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                return true;
            }
        menu->close();
        return false;
    }
    op::CScriptedSwitch* sw = nullptr;
    CUserObjWnd* w = nullptr;
    CDnSegDlg* dlg = nullptr;
    CDnSegTreeCtrl* tree = nullptr;
};

}  // namespace

// Segments of more than 1000 numbers are split into blocks of 1000 and a
// shorter last block, counted in 64 bits; F5 lists them again.
TEST_F(SegmentHands, SegmentsSplitIntoBlocksOfAtMost1000Numbers) {
    OpenSegments(200);
    QTreeWidgetItem* exact = Segment("21");
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(exact->text(0).toStdString(), "21:3000-3999[0]");
    EXPECT_EQ(exact->childCount(), 0);
    ASSERT_NE(Segment("20"), nullptr);
    EXPECT_EQ(Children(Segment("20")), (std::vector<std::string>{"0-999", "1000-1000"}));
    ASSERT_NE(Segment("22"), nullptr);
    EXPECT_EQ(Children(Segment("22")),
              (std::vector<std::string>{"5000000000-5000000999", "5000001000-5000001999",
                                        "5000002000-5000002499"}));
    SItemData block;
    ASSERT_TRUE(tree->LookupItemData(Segment("22")->child(2), block));
    EXPECT_EQ(block.dwInstID, CDnSegTreeCtrl::kBlockItem);
    EXPECT_EQ(block.nSegIndex, 22);
    EXPECT_EQ(block.nFirst, 5000002000LL);
    EXPECT_EQ(block.nLast, 5000002499LL);

    // The segment of 1001 numbers becomes one of 2500 on the switch; F5 in
    // the tree lists the segments again.
    ASSERT_NE(OnSwitch("RMV DNSEG: SEGIDX=20;").find("RETCODE = 0"), std::string::npos);
    ASSERT_NE(
        OnSwitch("ADD DNSEG: SEGIDX=20, TYPE=FIXED, BGNDN=0, ENDDN=2499;").find("RETCODE = 0"),
        std::string::npos);
    ClickItem(tree, Segment("21"));
    ASSERT_TRUE(Settle(w));
    Sent();
    Key(tree, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNSEG"), 1u);
    ASSERT_NE(Segment("20"), nullptr);
    EXPECT_EQ(Children(Segment("20")),
              (std::vector<std::string>{"0-999", "1000-1999", "2000-2499"}));

    // While commands are out, F5 does nothing.
    SendMessage(tree, msg::WM_BUSYLOCK, 1, 0);
    Key(tree, Qt::Key_F5);
    EXPECT_TRUE(Sent().empty());
    SendMessage(tree, msg::WM_BUSYLOCK, 0, 0);
}

// A block lists exactly the numbers the switch holds in its range; going
// back to a block shows it from the cache, without a query; a segment split
// into blocks only shows its details; F5 in the tree forgets the blocks.
TEST_F(SegmentHands, ABlockListsItsNumbersAndComesBackFromTheCache) {
    OpenSegments(400);  // fewer numbers in a block than one page holds
    QTreeWidgetItem* seg = Segment("2");  // the MGCP numbers 20000000-20009999
    ASSERT_NE(seg, nullptr);
    ASSERT_EQ(seg->childCount(), 10);
    Sent();
    ClickItem(tree, seg);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "DNINFO"), 0u);  // its details only
    EXPECT_EQ(dlg->List()->m_obj, nullptr);

    auto expectBlock = [&](QTreeWidgetItem* block, const std::string& range) {
        const std::string answer = OnSwitch("LST DNINFO: SEGIDX=2, BGNDN=" + range.substr(0, 8) +
                                            ", ENDDN=" + range.substr(9) + ";");
        const std::vector<std::string> dns = NumbersIn(answer);
        ASSERT_EQ(block->text(0).toStdString(), range);
        ASSERT_EQ(dlg->List()->GetItemCount(), static_cast<int>(dns.size()));
        for (int r = 0; r < dlg->List()->GetItemCount(); r += 97)
            EXPECT_EQ(dlg->List()->Model().CellText(r, 0), dns[static_cast<size_t>(r)]);
    };
    ClickItem(tree, seg->child(0));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO: SEGIDX=2, BGNDN=20000000, ENDDN=20000999"), 1u);
    expectBlock(seg->child(0), "20000000-20000999");
    EXPECT_EQ(dlg->List()->GetItemCount(), 400);

    ClickItem(tree, seg->child(1));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO"), 1u);
    expectBlock(seg->child(1), "20001000-20001999");

    ClickItem(tree, seg->child(0));  // again: from the cache
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO"), 0u);
    expectBlock(seg->child(0), "20000000-20000999");
    EXPECT_EQ(dlg->ListCache().Size(), 2u);

    // Numbers above 2^32 travel as they are.
    ClickItem(tree, Segment("22")->child(1));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO: SEGIDX=22, BGNDN=5000001000, ENDDN=5000001999"), 1u);
    EXPECT_EQ(dlg->List()->GetItemCount(), 0);

    // Reloading the segments empties the cache and the number list: the
    // numbers of the block listed before are no longer claimed to be
    // current, and the block lists them again from the switch.
    ClickItem(tree, seg->child(0));
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(dlg->List()->GetItemCount(), 400);
    Key(tree, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(dlg->ListCache().Size(), 0u);
    EXPECT_EQ(dlg->List()->GetItemCount(), 0);
    EXPECT_EQ(dlg->List()->m_obj, nullptr);
    Sent();
    ClickItem(tree, Segment("2")->child(0));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO: SEGIDX=2, BGNDN=20000000, ENDDN=20000999"), 1u);
    EXPECT_EQ(dlg->List()->GetItemCount(), 400);
}

// A block of 1000 numbers comes in two reports; each counts off the
// outstanding commands, but the count stops at none, so the next command
// locks the window again until its answer is in.
TEST_F(SegmentHands, AfterAnAnswerInSeveralReportsTheNextCommandLocksTheWindow) {
    OpenSegments(2000, true);
    QTreeWidgetItem* seg = Segment("2");
    ASSERT_NE(seg, nullptr);
    ASSERT_EQ(seg->childCount(), 10);
    ClickItem(tree, seg->child(0));
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(dlg->List()->GetItemCount(), 1000);  // more than one report holds
    EXPECT_FALSE(w->IsBusy());
    EXPECT_TRUE(w->widget()->isEnabled());

    // What the hand does sends one command: the window is busy until its
    // answer is in, and free again after.
    auto lockedWhileOut = [&](const std::function<void()>& hand, const std::string& command) {
        sw->hold = true;
        hand();
        ASSERT_TRUE(WaitFor([&] { return !sw->held.empty(); }, 5000));
        EXPECT_NE(sw->held.front().second.find(command), std::string::npos) << sw->held.front().second;
        EXPECT_TRUE(w->IsBusy());
        EXPECT_FALSE(w->widget()->isEnabled());
        sw->Release();
        ASSERT_TRUE(Settle(w));
        EXPECT_FALSE(w->IsBusy());
        EXPECT_TRUE(w->widget()->isEnabled());
    };
    lockedWhileOut([&] { ClickItem(tree, seg->child(1)); }, "LST DNINFO: SEGIDX=2, BGNDN=20001000");
    EXPECT_EQ(dlg->List()->GetItemCount(), 1000);
    EXPECT_EQ(dlg->List()->Model().CellText(0, 0), "20001000");
    // And again after that second answer in two reports: F5 in the tree.
    lockedWhileOut([&] { Key(tree, Qt::Key_F5); }, "LST DNSEG");
}

// The detail view follows the control clicked last: the list once, then
// only a click back on the tree.
TEST_F(SegmentHands, TheDetailViewShowsTheDataOfTheControlClickedLast) {
    OpenSegments(200);
    EXPECT_EQ(dlg->DetailSource(), CDnSegDlg::DETAIL_TREE);
    ClickItem(tree, Segment("21"));  // 1000 numbers: no blocks, it binds the list itself
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(dlg->List()->m_obj, &dlg->ListData());
    ClickAt(dlg->List()->viewport(), QPoint(10, dlg->List()->viewport()->height() - 5));
    EXPECT_EQ(dlg->DetailSource(), CDnSegDlg::DETAIL_LIST);
    ClickAt(tree->viewport(), QPoint(10, tree->viewport()->height() - 5));
    EXPECT_EQ(dlg->DetailSource(), CDnSegDlg::DETAIL_TREE);

    // The one page of the view: a page change (the strip's message; a
    // click on the tab of the page shown sends none) shows the segments.
    auto* panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    ClickAt(dlg->List()->viewport(), QPoint(10, dlg->List()->viewport()->height() - 5));
    auto panelObject = [panel] {
        for (const auto& [name, value] : panel->Rows())
            if (name == "Object") return value;
        return std::string();
    };
    EXPECT_EQ(panelObject(), "Number");
    EXPECT_EQ(SendMessage(w->m_pUserView, msg::WM_TABPAGECHANGE, 0, 0), 1);
    EXPECT_EQ(panelObject(), "Number Segment");
}

// The tree's menu removes a segment on the switch and from the tree; a
// removal of a segment the tree does not show changes nothing.
TEST_F(SegmentHands, TheMenuRemovesASegmentAndAnUnknownOneIsIgnored) {
    OpenSegments(200);
    const int before = tree->topLevelItemCount();
    EXPECT_EQ(SendMessage(tree, msg::WM_DATA_REMOVED, 999999, 0), 0);
    EXPECT_EQ(tree->topLevelItemCount(), before);

    ASSERT_TRUE(ChooseFromTreeMenu(Segment("22"), QStringLiteral("Remove")));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(OnSwitch("LST DNSEG: SEGIDX=22;").find("SEGIDX = 22"), std::string::npos);
    EXPECT_EQ(Segment("22"), nullptr);
    EXPECT_EQ(tree->topLevelItemCount(), before - 1);
    // The blocks' menu offers no removal: it names no segment by itself.
    ClickItem(tree, Segment("20")->child(0), Qt::RightButton);
    tree->UpdateMenuState(-1);
    for (QAction* a : tree->PopupMenu()->actions()) {
        if (a->text().startsWith("Remove")) {
            EXPECT_FALSE(a->isEnabled());
        }
    }
}

// Depth-first walks over segments and blocks, both ways, wrapping round.
TEST_F(SegmentHands, FindingASegmentWalksTheTreeBothWays) {
    OpenSegments(200);
    QTreeWidgetItem* last = tree->topLevelItem(tree->topLevelItemCount() - 1);
    QTreeWidgetItem* deepest = last->childCount() ? last->child(last->childCount() - 1) : last;
    EXPECT_EQ(tree->GetNextItem(deepest), nullptr);
    EXPECT_EQ(tree->GetPrevItem(tree->topLevelItem(1)),
              tree->topLevelItem(0)->childCount()
                  ? tree->topLevelItem(0)->child(tree->topLevelItem(0)->childCount() - 1)
                  : tree->topLevelItem(0));
    SItemData seg;
    ASSERT_TRUE(tree->LookupItemData(Segment("21"), seg));
    EXPECT_EQ(tree->FindItemData(seg.dwInstID, true, deepest), Segment("21"));
    EXPECT_EQ(tree->FindItemData(seg.dwInstID, false, tree->topLevelItem(0)), Segment("21"));
    EXPECT_EQ(tree->FindItemData(12345678, false, nullptr), nullptr);
}

namespace {

// The number of the first record a data set holds, "" when it holds none.
std::string FirstNumberOf(const CObjDescData* data) {
    if (!data || data->GetDynData()->GetData().empty()) return {};
    const CDynData& d = *data->GetDynData();
    return d.GetData().front().GetFieldText(d.ColumnOf("DN"));
}

}  // namespace

// While block A's numbers are on their way the window is greyed: a click on
// the cached block B does nothing, A's numbers are shown when they come, and
// B keeps its own numbers in the cache (A's 1000 come page by page: a page
// is not kept).
TEST_F(SegmentHands, AClickInTheGreyedWindowIsIgnoredAndEachBlockKeepsItsOwnNumbers) {
    OpenSegments(1400, true);
    QTreeWidgetItem* seg = Segment("2");
    ASSERT_NE(seg, nullptr);
    ASSERT_EQ(seg->childCount(), 10);
    QTreeWidgetItem* a = seg->child(0);
    QTreeWidgetItem* b = seg->child(1);
    SItemData blockA, blockB;
    ASSERT_TRUE(tree->LookupItemData(a, blockA));
    ASSERT_TRUE(tree->LookupItemData(b, blockB));
    ClickItem(tree, b);
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(dlg->List()->Model().CellText(0, 0), "20001000");

    sw->hold = true;
    ClickItem(tree, a);
    ASSERT_TRUE(WaitFor([&] { return !sw->held.empty(); }, 5000));
    ASSERT_FALSE(w->widget()->isEnabled());
    ClickItem(tree, b);  // greyed: nothing happens
    EXPECT_TRUE(tree->isVisible());
    sw->Release();
    ASSERT_TRUE(Settle(w));

    EXPECT_EQ(dlg->List()->Model().CellText(0, 0), "20000000");
    EXPECT_TRUE(dlg->List()->IsPaged());
    EXPECT_EQ(dlg->ListCache().Find(CDnSegDlg::BlockRestriction(blockA)), nullptr);
    EXPECT_EQ(FirstNumberOf(dlg->ListCache().Find(CDnSegDlg::BlockRestriction(blockB))), "20001000");
    // Back to B: its own numbers, from the cache.
    Sent();
    ClickItem(tree, b);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO"), 0u);
    EXPECT_EQ(dlg->List()->Model().CellText(0, 0), "20001000");
}

// A segment of 12,000,000 numbers opens into ranges of a million numbers,
// each of them into blocks of 1000 when it is opened; one of 2,000,000 into
// its blocks at once. A block's numbers come 500 at a time, as every long
// list does, and End brings the last of them.
TEST_F(SegmentHands, ATwelveMillionNumberSegmentOpensIntoBlocksAndItsNumbersPage) {
    OpenSegments(2000);
    for (const char* add : {"ADD DNSEG: SEGIDX=23, TYPE=FIXED, BGNDN=8000000000, ENDDN=8011999999;",
                            "ADD DNSEG: SEGIDX=24, TYPE=FIXED, BGNDN=9000000000, ENDDN=9001999999;"}) {
        const std::string added = OnSwitch(add);
        ASSERT_NE(added.find("RETCODE = 0"), std::string::npos) << added;
    }
    Key(tree, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    QTreeWidgetItem* big = Segment("23");
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(big->childCount(), 12);
    EXPECT_EQ(big->child(0)->text(0).toStdString(), "8000000000-8000999999");
    EXPECT_EQ(big->child(11)->text(0).toStdString(), "8011000000-8011999999");
    ASSERT_NE(Segment("24"), nullptr);
    ASSERT_EQ(Segment("24")->childCount(), 2000);  // no level between
    EXPECT_EQ(Segment("24")->child(1999)->text(0).toStdString(), "9001999000-9001999999");

    // A range of a million numbers binds nothing; it opens into its blocks.
    Sent();
    ClickItem(tree, big->child(3));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO"), 0u);
    EXPECT_EQ(dlg->List()->m_obj, nullptr);
    QTest::keyClick(tree, Qt::Key_Right);
    ASSERT_EQ(big->child(3)->childCount(), 1000);
    EXPECT_EQ(big->child(3)->child(999)->text(0).toStdString(), "8003999000-8003999999");
    ClickItem(tree, big->child(3)->child(2));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNINFO: SEGIDX=23, BGNDN=8003002000, ENDDN=8003002999"), 1u);

    // A block of 1000 numbers in use pages.
    Sent();
    ClickItem(tree, Segment("2")->child(0));
    ASSERT_TRUE(Settle(w));
    CObjListCtrl* list = dlg->List();
    EXPECT_TRUE(list->IsPaged());
    ASSERT_EQ(list->GetItemCount(), 1000);
    EXPECT_EQ(list->Model().CellText(0, 0), "20000000");
    list->setFocus();
    Key(list, Qt::Key_End);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(list->Model().CellText(999, 0), "20000999");
}

// Another operator changes, adds and removes segments: the tree follows
// without F5, the segments the operator opened, the block they picked and
// its numbers, and the view kept; the panel showing the changed segment
// follows it. The operator's own F5 starts afresh.
TEST_F(SegmentHands, TheTreeFollowsAnotherOperatorWhereItsOperatorStands) {
    OpenSegments(200, false, 40);
    ASSERT_NE(Segment("22"), nullptr);
    ClickItem(tree, Segment("22")->child(1));  // opens the segment, picks its second block
    ASSERT_TRUE(Settle(w));
    ClickItem(tree, Segment("120")->child(0));
    ASSERT_TRUE(Settle(w));
    ClickItem(tree, Segment("22")->child(1));
    ASSERT_TRUE(Settle(w));
    ASSERT_NE(dlg->List()->m_obj, nullptr);
    const int numbers = dlg->List()->GetItemCount();
    Wheel(tree, 2);
    ASSERT_TRUE(Settle(w));
    ASSERT_GT(tree->verticalScrollBar()->value(), 0);
    const STreePlace place = PlaceIn(tree);
    ASSERT_EQ(place.opened, (std::vector<std::string>{"22:5000000000-5000002499[0]", "120:7000200000-7000202999[0]"}));
    ASSERT_NE(place.top, op::PathOf(tree->topLevelItem(0)));
    ASSERT_EQ(place.selected, "22:5000000000-5000002499[0]/5000001000-5000001999");
    auto holds = [this](const std::string& index) {
        return op::Property(OnSwitch("LST DNSEG: SEGIDX=" + index + ";"), "SEGIDX") == index;
    };

    // An add: it appears where the switch lists it, the operator's place kept.
    ByAnotherOperator("ADD DNSEG: SEGIDX=23, TYPE=FIXED, BGNDN=6000000000, ENDDN=6000001999;");
    ASSERT_TRUE(holds("23"));
    ASSERT_TRUE(WaitFor([&] { return Segment("23") != nullptr; }, 3000)) << "the new segment is not shown";
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Children(Segment("23")), (std::vector<std::string>{"6000000000-6000000999", "6000001000-6000001999"}));
    EXPECT_EQ(PlaceIn(tree), place);
    EXPECT_EQ(dlg->List()->GetItemCount(), numbers) << "the picked block's numbers went";

    // A remove: the segment goes, the rest stays where it was.
    ByAnotherOperator("RMV DNSEG: SEGIDX=21;");
    ASSERT_FALSE(holds("21"));
    ASSERT_TRUE(WaitFor([&] { return Segment("21") == nullptr; }, 3000)) << "the removed segment is still shown";
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(PlaceIn(tree), place);
    EXPECT_EQ(dlg->List()->GetItemCount(), numbers);

    // The operator's own F5 lists the segments again from scratch: nothing
    // opened or picked, no numbers listed.
    Sent();
    Key(tree, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST DNSEG"), 1u);
    EXPECT_TRUE(PlaceIn(tree).opened.empty());
    EXPECT_TRUE(tree->selectedItems().isEmpty());
    EXPECT_EQ(dlg->List()->m_obj, nullptr);

    // A change of the segment the panel shows: the panel follows.
    ClickItem(tree, Segment("22"));
    ASSERT_TRUE(Settle(w));
    auto* panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    const STreePlace picked = PlaceIn(tree);
    ByAnotherOperator("MOD DNSEG: SEGIDX=22, NAME=\"renamed by B\";");
    ASSERT_EQ(op::Property(OnSwitch("LST DNSEG: SEGIDX=22;"), "NAME"), "renamed by B");
    EXPECT_TRUE(WaitFor([&] { return op::PanelSays(panel, "renamed by B"); }, 3000)) << "the panel kept the old name";
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(PlaceIn(tree), picked);
}

// The operator has Modify open on a segment when another operator changes
// it: the dialog says so, and the tree is not read anew under the
// operator's hands; once the dialog is done, it is, the segment still picked.
TEST_F(SegmentHands, AnOpenModifySaysTheSegmentChangedAndTheTreeWaitsForIt) {
    OpenSegments(200);
    bool noted = false, readWhileOpen = true;
    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& mine = op::Active(d);
        Sent();
        ByAnotherOperator("MOD DNSEG: SEGIDX=21, NAME=\"by B\";");
        noted = WaitFor([&] { return mine.ChangedNote() && mine.ChangedNote()->isVisible(); }, 3000);
        readWhileOpen = WaitFor([&] { return CountSent(m_host->commands, "LST DNSEG:;") > 0; }, 600);
        mine.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&mine));
        EXPECT_TRUE(TypeParameter(d, "Description", "by A"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromTreeMenu(Segment("21"), QStringLiteral("Modify")));
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(noted) << "the dialog did not say the segment changed";
    EXPECT_FALSE(readWhileOpen) << "the tree was read anew while the dialog was open";
    EXPECT_TRUE(WaitFor([&] { return CountSent(m_host->commands, "LST DNSEG:;") > 0; }, 3000))
        << "the tree was not read anew after the dialog";
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(op::Property(OnSwitch("LST DNSEG: SEGIDX=21;"), "DESC"), "by A");
    ASSERT_NE(Segment("21"), nullptr);
    EXPECT_EQ(tree->SelectedItem(), Segment("21"));
}

// A click on the tree while it is read anew for another operator's change
// (the answer held back) does nothing: once answered, the tree shows the
// new segment where the operator stood before the click.
TEST_F(SegmentHands, AClickWhileTheTreeFollowsIsIgnored) {
    OpenSegments(200, true);
    ClickItem(tree, Segment("22")->child(1));
    ASSERT_TRUE(Settle(w));
    const STreePlace place = PlaceIn(tree);
    sw->hold = true;
    ByAnotherOperator("ADD DNSEG: SEGIDX=23, TYPE=FIXED, BGNDN=6000000000, ENDDN=6000001999;");
    ASSERT_TRUE(WaitFor([&] { return !sw->held.empty(); }, 3000)) << "the tree was not read anew";
    ASSERT_TRUE(w->IsBusy());
    Sent();
    ClickItem(tree, Segment("22")->child(2));
    Key(tree, Qt::Key_Up);
    EXPECT_EQ(CountSent(Sent(), "DNINFO"), 0u);
    sw->Release();
    ASSERT_TRUE(Settle(w));
    ASSERT_NE(Segment("23"), nullptr);
    EXPECT_EQ(PlaceIn(tree), place);
    EXPECT_EQ(op::Property(OnSwitch("LST DNSEG: SEGIDX=23;"), "SEGIDX"), "23");
}

// Another operator removes the segment the operator has open in Modify: the
// dialog says the segment is gone rather than that OK would apply to it,
// and cancelled, the tree drops the segment.
TEST_F(SegmentHands, AnOpenModifySaysTheSegmentWasRemoved) {
    OpenSegments(200);
    QString said;
    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& mine = op::Active(d);
        ByAnotherOperator("RMV DNSEG: SEGIDX=21;");
        if (WaitFor([&] { return mine.ChangedNote() && mine.ChangedNote()->isVisible(); }, 3000))
            said = mine.ChangedNote()->text();
        PressButton(d, "ctl2");
    });
    ASSERT_TRUE(ChooseFromTreeMenu(Segment("21"), QStringLiteral("Modify")));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(OnSwitch("LST DNSEG: SEGIDX=21;").find("SEGIDX = 21"), std::string::npos);
    EXPECT_TRUE(said.contains(QStringLiteral("removed"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("OK applies"))) << said.toStdString();
    EXPECT_TRUE(WaitFor([&] { return Segment("21") == nullptr; }, 3000)) << "the removed segment is still shown";
}
