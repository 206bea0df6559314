// The client driven as an operator drives it: mouse, wheel and keys on the
// real widgets of the host window, the module and the embedded switch.
#include "Operator.h"

#include <QStyleOptionSlider>
#include <QTcpServer>
#include <QTcpSocket>

#include "HostStrings.h"
#include "PropertyDisplayView.h"
#include "TcpSwitchLink.h"
#include "hostlibs/SwitchCmdHandles.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

using op::COperatorTest;

namespace {

// The services of a subscriber, as the switch lists them.
size_t ServicesOnSwitch(const std::string& answer) {
    size_t n = 0;
    for (size_t at = answer.find("[MGCPSRV]"); at != std::string::npos; at = answer.find("[MGCPSRV]", at + 1)) ++n;
    return n;
}

class OperatorHands : public COperatorTest {
protected:
    // The MGCP and H.248 window on a switch of that many subscribers.
    void OpenSubscribers(long long subscribers) {
        StartClient(subscribers);
        w = Open(3);
        ASSERT_NE(w, nullptr);
        mgcp = Dialog(w);
        ASSERT_NE(mgcp, nullptr);
        list = mgcp->MainList();
    }
    // The secondary list shows exactly the services the switch holds for dn.
    void ExpectServicesOf(const std::string& dn) {
        const size_t services = ServicesOnSwitch(OnSwitch("LST MGCPSRV: DN=" + dn + ";"));
        ASSERT_EQ(mgcp->SecondaryList()->GetItemCount(), static_cast<int>(services));
        for (int r = 0; r < mgcp->SecondaryList()->GetItemCount(); ++r)
            EXPECT_EQ(mgcp->SecondaryList()->Model().CellText(r, 0), dn);
    }
    CUserObjWnd* w = nullptr;
    CSubscriberDlg* mgcp = nullptr;
    CObjListCtrl* list = nullptr;
};

// Where a scroll bar's thumb is drawn.
QPoint ThumbCentre(QScrollBar* bar) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar).center();
}

// Drags a list's thumb down by dy pixels and, before letting go, says
// whether the record tip showed.
bool DragThumbShowsTip(CObjListCtrl* list, int dy) {
    QScrollBar* bar = list->verticalScrollBar();
    const QPoint from = ThumbCentre(bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, from);
    QTest::mouseMove(bar, from + QPoint(0, dy / 2));
    QTest::mouseMove(bar, from + QPoint(0, dy));
    const bool shown = list->TipWindow() && list->TipWindow()->isVisible();
    QTest::mouseRelease(bar, Qt::LeftButton, {}, from + QPoint(0, dy));
    return shown;
}

// The panel's rows hold that value somewhere.
bool PanelShows(CUserObjWnd* w, const std::string& value) {
    auto* panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    if (!panel) return false;
    for (const auto& row : panel->Rows())
        if (row.second == value) return true;
    return false;
}

// Rows that the wheel brought into view hold records, and a click on any
// of them picks that subscriber.
TEST_F(OperatorHands, WheelFarDownThenClickPicksTheRowShown) {
    OpenSubscribers(20000);
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
    ExpectServicesOf(dn);
}

// Dragging the scroll bar, sorting or refreshing never selects a row the
// operator did not pick: a Remove would hit it.
TEST_F(OperatorHands, MovingTheViewSelectsNothingOnTheOperatorsBehalf) {
    OpenSubscribers(20000);
    Click(list, 3);
    ASSERT_TRUE(Settle(w));
    const DWORD picked = list->GetItemData(3);
    auto onlyPicked = [&] {
        const std::vector<DWORD> ids = list->SelectedIds();
        return ids.empty() || ids == std::vector<DWORD>{picked};
    };
    DragThumb(list, 0.5);
    ASSERT_TRUE(Settle(w));
    ASSERT_GT(list->m_nPageBegin, 5000);  // the drag fetched a page far down
    EXPECT_TRUE(onlyPicked()) << list->Model().CellText(list->currentIndex().row(), 0);
    DragThumb(list, 1.0);
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(onlyPicked());
    ClickHeader(list, 0);
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(onlyPicked());
}

// The remove question names what goes; No keeps it on the switch, Yes
// removes exactly those subscribers, and the panel forgets them.
TEST_F(OperatorHands, TheRemoveQuestionNamesTheSubscribers) {
    OpenSubscribers(600);
    const std::string dn = list->Model().CellText(4, 0);
    FreeFromCentrex({dn, list->Model().CellText(6, 0)});
    Click(list, 4);
    ASSERT_TRUE(Settle(w));
    m_ui->boxAnswers.push_back(IDNO);
    Key(list, Qt::Key_Delete);
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_NE(m_ui->boxes[0].text.find(dn), std::string::npos) << m_ui->boxes[0].text;
    ASSERT_TRUE(Settle(w));
    EXPECT_NE(OnSwitch("LST MGCPSUB: DN=" + dn + ";").find("DN = " + dn), std::string::npos);
    EXPECT_TRUE(PanelShows(w, dn));

    Click(list, 4);
    Click(list, 6, 0, Qt::ControlModifier);
    const std::string other = list->Model().CellText(6, 0);
    Key(list, Qt::Key_Delete);  // answered Yes
    ASSERT_EQ(m_ui->boxes.size(), 2u);
    EXPECT_NE(m_ui->boxes[1].text.find(dn + ", " + other), std::string::npos) << m_ui->boxes[1].text;
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(OnSwitch("LST MGCPSUB: DN=" + dn + ";").find("DN = " + dn), std::string::npos);
    EXPECT_EQ(OnSwitch("LST MGCPSUB: DN=" + other + ";").find("DN = " + other), std::string::npos);
    EXPECT_NE(OnSwitch("LST MGCPSUB: DN=" + list->Model().CellText(5, 0) + ";").find("DN = "), std::string::npos);
    // The panel showed the subscriber clicked; gone, it is no longer shown.
    EXPECT_FALSE(PanelShows(w, dn));
}

// A filter that matches one subscriber on a paged list: that one record
// stands at the top, the caption counts one, and a click picks it.
TEST_F(OperatorHands, AShortResultAfterAPagedOneShowsOnlyItsRecords) {
    OpenSubscribers(20000);
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
    OpenSubscribers(3000);
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
    OpenSubscribers(2000);
    Click(list, 1);      // its load is still to come back ...
    Key(list, Qt::Key_Down);
    Key(list, Qt::Key_Return);  // ... when Enter binds row 2 at once
    ASSERT_TRUE(Settle(w));
    ExpectServicesOf(list->Model().CellText(2, 0));

    // A click below the rows of a list makes that list the active one.
    QWidget* sub = mgcp->SecondaryList()->viewport();
    ClickAt(sub, QPoint(10, sub->height() - 5));
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->SecondaryList());
    ClickAt(list->viewport(), QPoint(10, list->viewport()->height() - 5));
    EXPECT_EQ(mgcp->GetActiveListCtrl(), list);
}

// While a command of some window is out, the module-wide list lock keeps
// a list from starting operations: no menu, no keys, no double click. A
// left click still picks a row and a column title still sorts.
TEST_F(OperatorHands, TheListLockStopsOperationsNotPicksOrSorts) {
    StartClient(2000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    auto lock = [&] { SendMessage(list, msg::WM_BUSYLOCK, 1, 0); };  // as another window's command leaves it

    lock();
    Click(list, 3);
    EXPECT_EQ(list->currentIndex().row(), 3);
    ASSERT_EQ(list->SelectedCount(), 1);
    EXPECT_EQ(list->SelectedIds().front(), list->GetItemData(3));
    ASSERT_TRUE(Settle(w));  // the pick's sub-objects

    lock();
    EXPECT_FALSE(ChooseFromMenu(list, 3, "Modify"));
    Key(list, Qt::Key_Down);
    Key(list, Qt::Key_F5);
    EXPECT_EQ(list->currentIndex().row(), 3);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 5));
    const std::string dn5 = list->Model().CellText(5, 0);
    EXPECT_FALSE(PanelShows(w, dn5));  // no detail opened
    ASSERT_TRUE(Settle(w));

    lock();
    ClickHeader(list, 0);  // Directory Number, ascending
    EXPECT_TRUE(w->IsBusy());
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(list->m_nSortColumn, 0);
    EXPECT_TRUE(list->m_bSortAscending);
}

// The thumb's record tip tells where a drag would land in records that
// are not all loaded: above 500 records; at 500 or fewer all are there.
TEST_F(OperatorHands, TheRecordTipShowsOnlyAbove500Records) {
    StartClient(501);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(list->IsPaged());
    ASSERT_EQ(list->m_nTotalRecords, 501);
    EXPECT_TRUE(DragThumbShowsTip(list, 60));
    ASSERT_TRUE(Settle(w));

    Key(list, Qt::Key_Home);
    ASSERT_TRUE(Settle(w));
    Click(list, 0);
    ASSERT_TRUE(Settle(w));
    FreeFromCentrex({list->Model().CellText(0, 0)});
    Key(list, Qt::Key_Delete);  // removed, as the operator confirms
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(list->m_nTotalRecords, 500);
    ASSERT_TRUE(list->IsPaged());
    EXPECT_FALSE(DragThumbShowsTip(list, 60));
}

// A subscriber the operator opened stays in the panel while the list
// pages on: a new page changes the list's count, not what is shown.
TEST_F(OperatorHands, TheOpenedSubscriberStaysInThePanelWhileTheListPages) {
    StartClient(20000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    const std::string dn = list->Model().CellText(2, 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 2));
    ASSERT_TRUE(Settle(w));
    ASSERT_TRUE(PanelShows(w, dn));

    Wheel(list, 180);
    ASSERT_TRUE(Settle(w));
    ASSERT_GT(list->m_nPageBegin, 0);  // a page of its own came
    EXPECT_TRUE(PanelShows(w, dn));
}

// A splitter bar whose drag loses the mouse to another window ends the
// drag where the bar was last drawn, and its panes follow.
TEST_F(OperatorHands, ASplitterDragThatLosesTheMouseEndsWhereItWas) {
    StartClient(500);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    auto* bar = mgcp->findChild<QWidget*>(QStringLiteral("ctl10193"));
    ASSERT_NE(bar, nullptr);
    const int x0 = bar->x();
    const QPoint grip(bar->width() / 2, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(20, 0));
    QTest::mouseMove(bar, grip + QPoint(40, 0));
    ASSERT_EQ(QWidget::mouseGrabber(), bar);

    QWidget other(m_main.get());
    other.setGeometry(0, 0, 50, 50);
    other.show();
    other.grabMouse();  // another window takes the mouse
    QTest::mouseMove(&other, QPoint(10, 10));
    other.releaseMouse();
    EXPECT_EQ(bar->x(), x0 + 40);
    EXPECT_EQ(mgcp->MainList()->geometry().right(), bar->x() - 2);
    EXPECT_EQ(mgcp->SecondaryList()->x(), bar->geometry().right() + 2);

    // Over: the bar no longer follows the mouse.
    QTest::mouseMove(bar, grip + QPoint(80, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(80, 0));
    EXPECT_EQ(bar->x(), x0 + 40);
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

// "Jump To > Supplementary Services" on a subscriber shows that
// subscriber's services, in the window that lists them.
TEST_F(OperatorHands, AJumpShowsTheRelatedRecords) {
    OpenSubscribers(2000);
    const std::string dn = list->Model().CellText(2, 0);
    ASSERT_TRUE(ChooseFromMenu(list, 2, "Jump To/Supplementary Services"));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(m_main->ObjectWindows().size(), 1u);  // the window that lists them came up again
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->SecondaryList());
    ExpectServicesOf(dn);
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
    w = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Settle(w));
    mgcp = Dialog(w);
    ExpectServicesOf("20000002");

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
