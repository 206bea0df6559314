// Two operators, each at a host window of their own, on one switch served
// over TCP: what one changes appears in the other's open lists without a
// refresh, where the other operator stands; and a Modify one has open on a
// record the other changes says so, keeps the other's change of another
// value and offers the choice when both changed the same one. Everything
// is checked on the switch afterwards.
#include "Operator.h"

#include <QScrollBar>
#include <QLabel>

#include "CmdListView.h"
#include "CmdObjListView.h"
#include "ConflictDlg.h"
#include "DemoData.h"
#include "HostStrings.h"
#include "NoticeRouter.h"
#include "PropertyDisplayView.h"
#include "SwitchServer.h"
#include "TcpSwitchLink.h"
#include "V5InterfaceTree.h"
#include "V5UserDlg.h"

using op::Active;
using op::COperatorTest;
using op::Property;

namespace {

class NoticeHands : public COperatorTest {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sw.Open(":memory:", error)) << error;
        ASSERT_TRUE(mmlsw::SeedDemo(sw, {1200}, error)) << error;
        server = std::make_unique<mmlsw::CSwitchServer>(sw);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0, error)) << error;
        // Operator A works in the main host window, operator B in another.
        StartClientOn(std::make_unique<host::CTcpSwitchLink>(QStringLiteral("127.0.0.1"), server->Port()));
        hostB = std::make_unique<op::CWatchedHost>(
            "", std::make_unique<host::CTcpSwitchLink>(QStringLiteral("127.0.0.1"), server->Port()));
        hostB->move(60, 60);
        hostB->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hostB.get()));
        wndA = Open(3);
        ASSERT_NE(wndA, nullptr);
        ASSERT_TRUE(hostB->OpenObjectWindow(3)) << hostB->LastError();
        wndB = dynamic_cast<CUserObjWnd*>(hostB->MdiArea()->activeSubWindow());
        ASSERT_NE(wndB, nullptr);
        ASSERT_TRUE(SettleBoth());
        listA = Dialog(wndA)->MainList();
        listB = Dialog(wndB)->MainList();
        ASSERT_TRUE(listA && listB);
        ASSERT_TRUE(listB->IsPaged());
    }
    void TearDown() override {
        // Whatever the two operators did, the store agrees with itself (as
        // mmlswitch --check reads it).
        EXPECT_EQ(sw.CheckInvariants(), std::vector<std::string>{});
        hostB.reset();
        COperatorTest::TearDown();
        server.reset();
    }
    bool SettleBoth() {
        return Settle(wndA) && WaitFor([&] {
                   QTest::qWait(30);
                   return !wndB->IsBusy() && hostB->Link()->Outstanding() == 0;
               }, 20000);
    }
    // The served switch, asked outside both windows' sessions.
    std::string OnSwitch(const std::string& command) override {
        std::string all;
        for (const std::string& r : sw.Execute(command)) all += r;
        return all;
    }
    std::string Subscriber(const std::string& dn) { return OnSwitch("LST MGCPSUB: DN=" + dn + ";"); }
    static int Column(CObjListCtrl* list, const std::string& title) {
        const auto titles = list->Model().Titles();
        for (size_t c = 0; c < titles.size(); ++c)
            if (titles[c] == title) return static_cast<int>(c);
        ADD_FAILURE() << "no column " << title;
        return 0;
    }
    // The row of B's list that shows the subscriber, -1 when none.
    static int RowOf(CObjListCtrl* list, const std::string& dn) {
        for (int r = 0; r < list->GetItemCount(); ++r)
            if (list->Model().CellText(r, 0) == dn) return r;
        return -1;
    }

    mmlsw::CSwitch sw{HostDatabase()};
    std::unique_ptr<mmlsw::CSwitchServer> server;
    std::unique_ptr<op::CWatchedHost> hostB;
    CUserObjWnd* wndA = nullptr;
    CUserObjWnd* wndB = nullptr;
    CObjListCtrl* listA = nullptr;
    CObjListCtrl* listB = nullptr;
};

}  // namespace

// A modifies a subscriber; B's list shows the new value in its row, B's
// view and selection untouched; each window subscribed for its object.
TEST_F(NoticeHands, AChangeInOneWindowAppearsInTheOtherWhereItsOperatorStands) {
    // The window lists MGCP and H.248 subscribers, on tabs.
    EXPECT_EQ(m_main->Notices()->Subscribed(), (std::set<std::string>{"H248SUB", "MGCPSUB"}));
    Wheel(listB, 1);
    ASSERT_TRUE(SettleBoth());
    const int top = listB->verticalScrollBar()->value();
    ASSERT_GT(top, 0);
    Click(listB, top + 3);
    ASSERT_TRUE(SettleBoth());
    const std::vector<DWORD> selected = listB->SelectedIds();
    ASSERT_EQ(selected.size(), 1u);
    const int current = listB->currentIndex().row();

    const std::string dn = listA->Model().CellText(top + 1, 0);
    OnParameterDialog([](QDialog& d) {
        Active(d);
        EXPECT_TRUE(TypeParameter(d, "Description", "Changed by A"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(listA, top + 1, "Modify"));
    ASSERT_TRUE(Settle(wndA));
    EXPECT_EQ(Property(Subscriber(dn), "DESC"), "Changed by A");

    const int desc = Column(listB, "Description");
    ASSERT_TRUE(WaitFor([&] { return listB->Model().CellText(top + 1, desc) == "Changed by A"; }, 3000))
        << listB->Model().CellText(top + 1, desc);
    ASSERT_TRUE(SettleBoth());
    EXPECT_EQ(listB->Model().CellText(top + 1, 0), dn);
    EXPECT_EQ(listB->verticalScrollBar()->value(), top);
    EXPECT_EQ(listB->SelectedIds(), selected);
    EXPECT_EQ(listB->currentIndex().row(), current);
    EXPECT_EQ(op::CountSent(hostB->commands, "LST MGCPSUB:;"), 1u) << "B listed everything again";
}

// B's property panel shows the subscriber A changes: the panel follows
// with the row.
TEST_F(NoticeHands, ThePanelShowingTheChangedRecordFollowsIt) {
    const std::string dn = listB->Model().CellText(1, 0);
    Click(listB, 1);
    ASSERT_TRUE(SettleBoth());
    auto* panel = dynamic_cast<CPropertyDisplayView*>(wndB->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    OnParameterDialog([](QDialog& d) {
        Active(d);
        EXPECT_TRUE(TypeParameter(d, "Description", "Seen in the panel"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(listA, 1, "Modify"));
    ASSERT_TRUE(Settle(wndA));
    EXPECT_EQ(Property(Subscriber(dn), "DESC"), "Seen in the panel");
    EXPECT_TRUE(WaitFor([&] { return op::PanelSays(panel, "Seen in the panel"); }, 3000));
    EXPECT_EQ(listB->Model().CellText(1, Column(listB, "Description")), "Seen in the panel");
    EXPECT_EQ(listB->currentIndex().row(), 1);
}

// A removes the subscriber B's panel shows: B's panel no longer shows it,
// nor does B's list hold a selection of it.
TEST_F(NoticeHands, ThePanelShowingARemovedRecordLetsItGo) {
    const std::string dn = listB->Model().CellText(3, 0);
    FreeFromCentrex({dn});
    Click(listB, 3);
    ASSERT_TRUE(SettleBoth());
    auto* panel = dynamic_cast<CPropertyDisplayView*>(wndB->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(op::PanelSays(panel, dn));
    Click(listA, 3);
    ASSERT_TRUE(Settle(wndA));
    Key(listA, Qt::Key_Delete);  // answered Yes
    ASSERT_TRUE(Settle(wndA));
    ASSERT_EQ(Subscriber(dn).find("DN = " + dn), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return RowOf(listB, dn) < 0; }, 3000)) << "the removed subscriber is still listed";
    ASSERT_TRUE(SettleBoth());
    EXPECT_TRUE(listB->SelectedIds().empty());
    EXPECT_FALSE(op::PanelSays(panel, dn)) << "the panel still shows the removed subscriber";
}

// A adds a subscriber and removes another, both above what B looks at:
// B's count and caption follow, and B keeps its view on the same records
// and the record it had selected.
TEST_F(NoticeHands, AnAddAndARemoveUpdateTheOtherWindowsCountAndCaption) {
    CSubscriberDlg* dlgB = Dialog(wndB);
    const int total = listB->m_nTotalRecords;
    ASSERT_GT(total, 500);
    const QString caption = dlgB->MainCaption()->text();
    ASSERT_TRUE(caption.contains(QString::number(total))) << caption.toStdString();
    Wheel(listB, 2);
    ASSERT_TRUE(SettleBoth());
    const int top = listB->verticalScrollBar()->value();
    ASSERT_GT(top, 3);
    Click(listB, top + 2);
    ASSERT_TRUE(SettleBoth());
    const std::string picked = listB->Model().CellText(top + 2, 0);
    auto topShown = [this] { return listB->Model().CellText(listB->rowAt(0), 0); };
    const std::string first = topShown();

    // A number before every other: it takes the first row of the list.
    ASSERT_TRUE(AddMgcpSubscriber(listA, "10000001"));
    ASSERT_TRUE(Settle(wndA));
    ASSERT_EQ(Property(Subscriber("10000001"), "DN"), "10000001");
    ASSERT_TRUE(WaitFor([&] { return listB->m_nTotalRecords == total + 1; }, 3000));
    ASSERT_TRUE(SettleBoth());
    EXPECT_TRUE(dlgB->MainCaption()->text().contains(QString::number(total + 1)))
        << dlgB->MainCaption()->text().toStdString();
    EXPECT_EQ(topShown(), first);
    ASSERT_EQ(listB->SelectedIds().size(), 1u);
    EXPECT_EQ(listB->Model().CellText(listB->currentIndex().row(), 0), picked);

    const std::string gone = listA->Model().CellText(3, 0);
    FreeFromCentrex({gone});
    Click(listA, 3);
    ASSERT_TRUE(Settle(wndA));
    Key(listA, Qt::Key_Delete);  // answered Yes
    ASSERT_TRUE(Settle(wndA));
    ASSERT_EQ(Subscriber(gone).find("DN = " + gone), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return listB->m_nTotalRecords == total; }, 3000));
    ASSERT_TRUE(SettleBoth());
    EXPECT_TRUE(dlgB->MainCaption()->text().contains(QString::number(total)))
        << dlgB->MainCaption()->text().toStdString();
    EXPECT_EQ(RowOf(listB, gone), -1);
    EXPECT_EQ(topShown(), first);
    ASSERT_EQ(listB->SelectedIds().size(), 1u);
    EXPECT_EQ(listB->Model().CellText(listB->currentIndex().row(), 0), picked);
}

// A has Modify open when B changes another value of the record: A's
// dialog says the record changed, A's OK keeps B's change, and A's list
// shows both once the dialog is done.
TEST_F(NoticeHands, AnOpenModifySaysTheRecordChangedAndKeepsTheOtherValue) {
    const std::string dn = listA->Model().CellText(2, 0);
    const std::string rev = Property(Subscriber(dn), "REV");
    int dialogs = 0;
    bool noted = false;
    OnParameterDialog([&](QDialog& d) {
        if (++dialogs == 2) {  // B's
            Active(d);
            EXPECT_TRUE(TypeParameter(d, "Gateway", "mgw-b"));
            PressButton(d, "ctl1");
            return;
        }
        CCmdParaDlg& mine = Active(d);
        EXPECT_TRUE(ChooseFromMenu(listB, 2, "Modify"));
        noted = WaitFor([&] { return mine.ChangedNote() && mine.ChangedNote()->isVisible(); }, 3000);
        if (noted) {
            // The note takes room of its own: the parameters stay readable
            // above it, all its lines show, and the buttons below it.
            QTest::qWait(50);
            const QRect note = mine.ChangedNote()->geometry();
            EXPECT_FALSE(note.intersects(mine.List()->geometry())) << "the note covers the parameters";
            EXPECT_GE(note.height(), mine.ChangedNote()->heightForWidth(note.width()));
            EXPECT_LE(note.bottom(), mine.findChild<QWidget*>(QStringLiteral("ctl1"))->geometry().top());
        }
        mine.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&mine));
        EXPECT_TRUE(TypeParameter(d, "Description", "Mine (A)"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(listA, 2, "Modify"));
    ASSERT_TRUE(SettleBoth());
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(noted) << "A's dialog did not say the record changed";
    const std::string after = Subscriber(dn);
    EXPECT_EQ(Property(after, "DESC"), "Mine (A)");
    EXPECT_EQ(Property(after, "MGWNAME"), "mgw-b");
    EXPECT_EQ(Property(after, "REV"), std::to_string(std::stoi(rev) + 2));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    // Both lists end with the record as the switch has it.
    const int gw = Column(listA, "Gateway"), desc = Column(listA, "Description");
    for (CObjListCtrl* list : {listA, listB}) {
        EXPECT_TRUE(WaitFor([&] {
            return list->Model().CellText(2, gw) == "mgw-b" && list->Model().CellText(2, desc) == "Mine (A)";
        }, 3000)) << list->Model().CellText(2, gw) << " / " << list->Model().CellText(2, desc);
    }
}

// B changes the same value while A has Modify open: A's OK shows the
// conflict, and applying A's value puts it on the record as it is now.
TEST_F(NoticeHands, TheSameValueChangedMeanwhileIsAConflictAndMineCanBeApplied) {
    const std::string dn = listA->Model().CellText(4, 0);
    const std::string rev = Property(Subscriber(dn), "REV");
    int dialogs = 0, conflicts = 0;
    OnDialog([&](QDialog& d) {
        if (dynamic_cast<CConflictDlg*>(&d)) {
            ++conflicts;
            PressButton(d, "ctl1");  // Apply Mine
            return;
        }
        if (++dialogs == 2) {  // B's
            Active(d);
            EXPECT_TRUE(TypeParameter(d, "Description", "Theirs (B)"));
            PressButton(d, "ctl1");
            return;
        }
        if (dialogs > 2) {
            ADD_FAILURE() << "a third parameter dialog";
            return;
        }
        CCmdParaDlg& mine = Active(d);
        EXPECT_TRUE(ChooseFromMenu(listB, 4, "Modify"));
        EXPECT_TRUE(WaitFor([&] { return mine.ChangedNote() && mine.ChangedNote()->isVisible(); }, 3000));
        mine.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&mine));
        EXPECT_TRUE(TypeParameter(d, "Description", "Mine (A)"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(listA, 4, "Modify"));
    ASSERT_TRUE(WaitFor([&] { return conflicts == 1; }, 5000));
    ASSERT_TRUE(SettleBoth());
    const std::string after = Subscriber(dn);
    EXPECT_EQ(Property(after, "DESC"), "Mine (A)");
    EXPECT_EQ(Property(after, "REV"), std::to_string(std::stoi(rev) + 2));
    const int desc = Column(listB, "Description");
    EXPECT_TRUE(WaitFor([&] { return listB->Model().CellText(4, desc) == "Mine (A)"; }, 3000));
}

// A blocks a V5 line through its maintenance in a command-object window: B's
// list of that interface's V5 subscribers shows the subscriber blocked in its
// row, read by its key; the list is not asked for again.
TEST_F(NoticeHands, ALineBlockedThroughMaintenanceIsFollowedInPlaceByKey) {
    ASSERT_TRUE(hostB->OpenObjectWindow(5)) << hostB->LastError();
    auto* v5B = dynamic_cast<CUserObjWnd*>(hostB->MdiArea()->activeSubWindow());
    ASSERT_TRUE(v5B && v5B->m_pConfigView);
    auto* dlgB = dynamic_cast<CV5DialogBase*>(v5B->m_pConfigView->Dialogs().at(0));
    ASSERT_NE(dlgB, nullptr);
    auto settledB = [&] {
        return WaitFor([&] {
            QTest::qWait(30);
            return !v5B->IsBusy() && hostB->Link()->Outstanding() == 0;
        }, 20000);
    };
    ASSERT_TRUE(settledB());
    CV5InterfaceTree* tree = dlgB->GetInterfaceTree();
    const auto found = tree->findItems(QString::fromStdString(HostString(10075) + "1"),
                                       Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(found.isEmpty());
    tree->scrollToItem(found.front());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.front()).center());
    ASSERT_TRUE(settledB());
    CObjListCtrl* subsB = dlgB->GetSubscriberList();
    ASSERT_GT(subsB->GetItemCount(), 1);
    const std::string dn = subsB->Model().CellText(1, 0);
    const int status = Column(subsB, "Status");
    ASSERT_NE(subsB->Model().CellText(1, status), "Blocked");

    // A, at the maintenance object of a command-object window.
    CUserObjWnd* cmdA = Open(9);
    ASSERT_TRUE(cmdA && cmdA->m_pCmdObjListView && cmdA->m_pCmdListView);
    QListWidget* objs = cmdA->m_pCmdObjListView;
    QTest::mouseClick(objs->viewport(), Qt::LeftButton, {}, objs->visualItemRect(objs->item(1)).center());
    const auto icons = cmdA->m_pCmdListView->findItems(QStringLiteral("Block V5 Subscriber"), Qt::MatchExactly);
    ASSERT_FALSE(icons.isEmpty());
    OnDialog([&](QDialog& d) {
        if (d.findChild<CParaListCtrl*>() && TypeParameter(d, "Directory Number", QString::fromStdString(dn))) {
            PressButton(d, "ctl1");
            return;
        }
        d.accept();  // the report
    });
    hostB->commands.clear();
    QTest::mouseClick(cmdA->m_pCmdListView->viewport(), Qt::LeftButton, {},
                      cmdA->m_pCmdListView->visualItemRect(icons.front()).center());
    ASSERT_TRUE(Settle(cmdA));
    ASSERT_EQ(Property(OnSwitch("DSP V5SUB: DN=" + dn + ";"), "STATUS"), "BLOCKED");

    ASSERT_TRUE(WaitFor([&] { return subsB->Model().CellText(1, status) == "Blocked"; }, 5000));
    ASSERT_TRUE(settledB());
    EXPECT_EQ(subsB->Model().CellText(1, 0), dn);
    size_t lookups = 0, lists = 0;
    for (const std::string& c : hostB->commands) {
        if (c.rfind("LST V5SUB: DN=" + dn + ";", 0) == 0) ++lookups;
        else if (c.rfind("LST V5SUB:", 0) == 0) ++lists;
    }
    EXPECT_EQ(lookups, 1u) << ::testing::PrintToString(hostB->commands);
    EXPECT_EQ(lists, 0u) << ::testing::PrintToString(hostB->commands);
}
