// The client driven as an operator drives it: mouse, wheel and keys on the
// real widgets of the host window, the module and the embedded switch.
#include "Operator.h"

#include "HostStrings.h"
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

}  // namespace
