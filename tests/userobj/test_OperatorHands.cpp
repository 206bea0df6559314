// The client driven as an operator drives it: mouse, wheel and keys on the
// real widgets of the host window, the module and the embedded switch.
#include "Operator.h"

#include <QTcpServer>
#include <QTcpSocket>

#include "HostStrings.h"
#include "TcpSwitchLink.h"
#include "hostlibs/SwitchCmdHandles.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

using op::COperatorTest;

namespace {

class OperatorHands : public COperatorTest {};

// Rows that the wheel brought into view hold records, and a click on any
// of them picks that subscriber.
TEST_F(OperatorHands, WheelFarDownThenClickPicksTheRowShown) {
    StartClient(20000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    ASSERT_NE(mgcp, nullptr);
    CObjListCtrl* list = mgcp->MainList();
    ASSERT_EQ(list->m_nTotalRecords, 20000);

    Wheel(list, 180);
    ASSERT_TRUE(Settle(w));
    const int top = list->TopRow();
    ASSERT_GT(top, 500);  // far past the first page
    ASSERT_NE(list->GetItemData(top + 2), 0u) << "the rows shown hold no records";

    Click(list, top + 2);
    ASSERT_TRUE(Settle(w));
    const std::string dn = list->Model().CellText(top + 2, 0);
    ASSERT_FALSE(dn.empty());
    // The secondary list shows that subscriber's services, as the switch has them.
    const std::string services = OnSwitch("LST MGCPSRV: DN=" + dn + ";");
    const size_t count = [&] {
        size_t n = 0;
        for (size_t at = services.find("[MGCPSRV]"); at != std::string::npos; at = services.find("[MGCPSRV]", at + 1)) ++n;
        return n;
    }();
    EXPECT_EQ(mgcp->SecondaryList()->GetItemCount(), static_cast<int>(count));
    for (int r = 0; r < mgcp->SecondaryList()->GetItemCount(); ++r)
        EXPECT_EQ(mgcp->SecondaryList()->Model().CellText(r, 0), dn);
}

// A filter that matches one subscriber on a paged list: that one record
// stands at the top, the caption counts one, and a click picks it.
TEST_F(OperatorHands, AShortResultAfterAPagedOneShowsOnlyItsRecords) {
    StartClient(20000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    CObjListCtrl* list = mgcp->MainList();
    ASSERT_TRUE(list->IsPaged());

    // The filter of a row's own values matches that subscriber alone.
    ASSERT_TRUE(ChooseFromMenu(list, 5, "Filter Query"));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->m_nTotalRecords, 1);
    EXPECT_FALSE(list->IsPaged());
    EXPECT_EQ(list->Model().CellText(0, 0), "20000005");
    EXPECT_TRUE(mgcp->MainCaption()->text().contains("1 ")) << mgcp->MainCaption()->text().toStdString();
    EXPECT_FALSE(mgcp->MainCaption()->text().contains("20000")) << mgcp->MainCaption()->text().toStdString();

    // A click below the one row, then on it: the process lives, the row is picked.
    ClickAt(list->viewport(), QPoint(10, list->viewport()->height() - 10));
    Click(list, 0);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(mgcp->SecondaryList()->GetItemCount() > 0 ? mgcp->SecondaryList()->Model().CellText(0, 0) : "20000005",
              "20000005");
}

// The refresh button refreshes the list as it stands: sorted stays sorted.
TEST_F(OperatorHands, RefreshKeepsTheSortInForce) {
    StartClient(3000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    Click(list, 0);
    ASSERT_TRUE(Settle(w));
    ClickHeader(list, 0);  // Directory Number, ascending
    ASSERT_TRUE(Settle(w));
    ClickHeader(list, 0);  // descending
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(list->m_nSortColumn, 0);
    const std::string first = list->Model().CellText(0, 0);
    ASSERT_GT(first, "20000100");

    ClickTool(w, 10245);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(list->m_nSortColumn, 0);
    EXPECT_FALSE(list->m_bSortAscending);
    EXPECT_EQ(list->Model().CellText(0, 0), first);
}

// Whatever the order of picks, the secondary list ends with the newest
// one's sub-objects: a click's load still on its way loses to Enter.
TEST_F(OperatorHands, EnterIsNewerThanAClickStillLoading) {
    StartClient(2000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    CObjListCtrl* list = mgcp->MainList();
    Click(list, 1);      // its load is still to come back ...
    Key(list, Qt::Key_Down);
    Key(list, Qt::Key_Return);  // ... when Enter binds row 2 at once
    ASSERT_TRUE(Settle(w));
    const std::string dn = list->Model().CellText(2, 0);
    ASSERT_GT(mgcp->SecondaryList()->GetItemCount(), 0);
    for (int r = 0; r < mgcp->SecondaryList()->GetItemCount(); ++r)
        EXPECT_EQ(mgcp->SecondaryList()->Model().CellText(r, 0), dn);

    // A click below the rows of a list makes that list the active one.
    QWidget* sub = mgcp->SecondaryList()->viewport();
    ClickAt(sub, QPoint(10, sub->height() - 5));
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->SecondaryList());
    ClickAt(list->viewport(), QPoint(10, list->viewport()->height() - 5));
    EXPECT_EQ(mgcp->GetActiveListCtrl(), list);
}

// Each tab answers a click where it is drawn, and the strip's arrows
// scroll the tab row.
TEST_F(OperatorHands, TabStripTabsAndArrowsAnswerTheMouse) {
    StartClient(500);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSheetsDialog& strip = w->m_pConfigView->Sheets();
    std::vector<QWidget*> pages;
    for (QWidget* p = strip.GetFirstSheet(); p; p = strip.GetNextSheet()) pages.push_back(p);
    ASSERT_GE(pages.size(), 2u);
    for (size_t k : {size_t(1), size_t(0), pages.size() - 1}) {
        ClickTab(strip, static_cast<int>(k));
        EXPECT_EQ(strip.GetActiveSheet(), pages[k]) << k;
    }
    auto* arrows = strip.findChild<QScrollBar*>(QStringLiteral("sheetScroll"));
    ASSERT_NE(arrows, nullptr);
    const QPoint right(arrows->width() - arrows->height() / 2, arrows->height() / 2);
    const QPoint left(arrows->height() / 2, arrows->height() / 2);
    ClickAt(arrows, left);  // already at the start: refused
    EXPECT_EQ(strip.ScrollOffset(), 0);
    ClickAt(arrows, right);
    EXPECT_EQ(strip.ScrollOffset(), -CSheetsWnd::kScrollStep);
    ClickAt(arrows, right);
    EXPECT_EQ(strip.ScrollOffset(), -2 * CSheetsWnd::kScrollStep);
    ClickAt(arrows, left);
    EXPECT_EQ(strip.ScrollOffset(), -CSheetsWnd::kScrollStep);
}

// A command-object window opened before the frame is first shown still
// splits its width 20/80.
TEST_F(OperatorHands, CommandObjectLayoutOpenedAtStartUp) {
    auto link = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", 100);
    std::string error;
    ASSERT_TRUE(link->WaitReady(error)) << error;
    m_main = std::make_unique<host::CHostMainWindow>("", std::move(link));
    ASSERT_TRUE(m_main->OpenObjectWindow(8)) << m_main->LastError();
    m_main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    auto* w = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->subWindowList().front());
    ASSERT_NE(w, nullptr);
    QTest::qWait(50);
    const QList<int> sizes = w->m_wndSplitter->sizes();
    ASSERT_EQ(sizes.size(), 2);
    const double share = sizes[0] / static_cast<double>(sizes[0] + sizes[1]);
    EXPECT_NEAR(share, 0.2, 0.02) << sizes[0] << " " << sizes[1];
}

// While one window waits for the switch, only it shows the wait cursor.
TEST_F(OperatorHands, TheWaitCursorStaysOverTheBusyWindow) {
    StartClient(500);
    CUserObjWnd* ip = Open(7);
    CUserObjWnd* mgcp = Open(3);
    ASSERT_TRUE(ip && mgcp);
    Key(Dialog(mgcp)->MainList(), Qt::Key_F5);
    ASSERT_TRUE(mgcp->IsBusy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(mgcp->cursor().shape(), Qt::WaitCursor);
    EXPECT_NE(ip->cursor().shape(), Qt::WaitCursor);
    ASSERT_TRUE(Settle(mgcp));
    EXPECT_NE(mgcp->cursor().shape(), Qt::WaitCursor);
}

// The host counts a parameter dialog only between its two notices.
TEST_F(OperatorHands, AClosingNoticeWithoutAnOpeningOneCountsNothing) {
    StartClient(100);
    QObject dlg;
    SendMessage(m_main.get(), msg::WM_OBJIDENTITY, ToWParam(&dlg), msg::IDENT_DIALOG_CLOSING);
    EXPECT_EQ(m_main->OpenDialogs(), 0);
    SendMessage(m_main.get(), msg::WM_OBJIDENTITY, ToWParam(&dlg), msg::IDENT_DIALOG_INIT);
    SendMessage(m_main.get(), msg::WM_OBJIDENTITY, ToWParam(&dlg), msg::IDENT_DIALOG_CLOSING);
    SendMessage(m_main.get(), msg::WM_OBJIDENTITY, ToWParam(&dlg), msg::IDENT_DIALOG_CLOSING);
    EXPECT_EQ(m_main->OpenDialogs(), 0);
}

// The services of a subscriber, as the switch lists them.
size_t ServicesOnSwitch(const std::string& answer) {
    size_t n = 0;
    for (size_t at = answer.find("[MGCPSRV]"); at != std::string::npos; at = answer.find("[MGCPSRV]", at + 1)) ++n;
    return n;
}

// "Jump To > Supplementary Services" on a subscriber shows that
// subscriber's services, in the window that lists them.
TEST_F(OperatorHands, AJumpShowsTheRelatedRecords) {
    StartClient(2000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    CObjListCtrl* list = mgcp->MainList();
    const std::string dn = list->Model().CellText(2, 0);
    ASSERT_TRUE(ChooseFromMenu(list, 2, "Jump To/Supplementary Services"));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(m_main->ObjectWindows().size(), 1u);  // the window that lists them came up again
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->SecondaryList());
    const size_t services = ServicesOnSwitch(OnSwitch("LST MGCPSRV: DN=" + dn + ";"));
    ASSERT_GT(services, 0u);
    ASSERT_EQ(mgcp->SecondaryList()->GetItemCount(), static_cast<int>(services));
    for (int r = 0; r < mgcp->SecondaryList()->GetItemCount(); ++r)
        EXPECT_EQ(mgcp->SecondaryList()->Model().CellText(r, 0), dn);
}

// A switch command handed to the host opens the window of its object
// there and runs in it; the host keeps (and frees) the command.
TEST_F(OperatorHands, AHandedOverSwitchCommandRunsInTheTargetWindow) {
    StartClient(2000);
    auto sw = std::make_unique<SSwitchCmd>();
    sw->objType = 309;
    sw->command = "LST MGCPSRV: DN=20000002;";
    auto block = std::make_unique<SIdentityBlock>();
    std::memset(block.get(), 0, sizeof(SIdentityBlock));
    block->objId = 309;
    CopyField(block->text1, "Default");
    block->value = HandOverSwitchCmd(std::move(sw));
    ASSERT_EQ(SendMessage(m_main.get(), msg::WM_OBJIDENTITY, ToWParam(block.get()), msg::IDENT_OPEN_OTHER), 1);
    EXPECT_EQ(TakeSwitchCmd(block->value), nullptr);  // the host took it
    ASSERT_EQ(m_main->ObjectWindows().size(), 1u);
    auto* w = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Settle(w));
    CSubscriberDlg* mgcp = Dialog(w);
    const size_t services = ServicesOnSwitch(OnSwitch("LST MGCPSRV: DN=20000002;"));
    EXPECT_EQ(mgcp->SecondaryList()->GetItemCount(), static_cast<int>(services));

    // An object no window shows: the command stays with the module.
    block->objId = 999;
    block->value = HandOverSwitchCmd(std::make_unique<SSwitchCmd>());
    EXPECT_EQ(SendMessage(m_main.get(), msg::WM_OBJIDENTITY, ToWParam(block.get()), msg::IDENT_OPEN_OTHER), 0);
    EXPECT_NE(TakeSwitchCmd(block->value), nullptr);
}

// A switch that takes commands and never answers: the window unlocks after
// the host's timeout and the operator is told.
TEST_F(OperatorHands, ASwitchThatNeverAnswersDoesNotLockTheWindow) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    std::vector<std::unique_ptr<QTcpSocket>> peers;  // connected, read from by nobody
    QObject::connect(&silent, &QTcpServer::newConnection,
                     [&] { peers.emplace_back(silent.nextPendingConnection()); });
    m_main = std::make_unique<host::CHostMainWindow>(
        "", std::make_unique<host::CTcpSwitchLink>(QStringLiteral("127.0.0.1"), silent.serverPort()));
    m_main->Link()->SetCommandTimeout(300);
    m_main->show();
    ASSERT_TRUE(m_main->OpenObjectWindow(3));
    auto* w = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->IsBusy());
    ASSERT_TRUE(WaitFor([&] { return !w->IsBusy(); }, 5000));
    EXPECT_TRUE(w->widget()->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !m_ui->boxes.empty(); }, 2000));
    EXPECT_NE(m_ui->boxes.front().text.find("did not answer"), std::string::npos);
    EXPECT_GE(m_main->Link()->KilledCommands(), 1);
}

}  // namespace
