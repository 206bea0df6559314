// A paged list the operator left alone until the switch forgot its query:
// the wheel, End and the next page after it ask for the list again and show
// the records they were going to, without a word to the operator; a query
// lost a second time in a row is reported as any refusal.
#include "Operator.h"

#include "HostStrings.h"
#include "hostlibs/HostStringIds.h"

using op::COperatorTest;
using op::CountSent;
using op::CScriptedSwitch;
using op::Once;

namespace {

class IdleListHands : public COperatorTest {
protected:
    // The MGCP window, its queries forgotten after ttlMs unused.
    void OpenSubscribers(qint64 ttlMs) {
        SetQueryTtl(ttlMs);
        w = Open(3);
        ASSERT_NE(w, nullptr);
        list = Dialog(w)->MainList();
        ASSERT_TRUE(list->IsPaged());
        qid = list->m_mapQueryInfo[HostString(HS_QID)];
    }
    // Every row in view shows the record the switch has at that place.
    void ExpectRowsInViewAsOnSwitch() {
        const std::vector<std::string> numbers = SwitchNumbers();
        ASSERT_EQ(list->GetItemCount(), static_cast<int>(numbers.size()));
        const int top = list->TopRow(), last = std::min(top + list->RowsPerPage(), list->GetItemCount());
        for (int r = top; r < last; ++r) {
            ASSERT_NE(list->GetItemData(r), 0u) << "row " << r << " holds no record";
            EXPECT_EQ(list->Model().CellText(r, 0), numbers[static_cast<size_t>(r)]) << "row " << r;
        }
    }
    CUserObjWnd* w = nullptr;
    CObjListCtrl* list = nullptr;
    std::string qid;
};

}  // namespace

// Left for longer than the switch keeps its query, the list is turned with
// the wheel: it asks for itself again and shows the rows the wheel reached.
TEST_F(IdleListHands, TheWheelAfterTheQueryExpiredShowsTheRowsItReached) {
    StartClient(2600);
    OpenSubscribers(700);
    QTest::qWait(1100);  // the operator looks elsewhere
    Sent();
    Wheel(list, 180);
    ASSERT_TRUE(Settle(w));
    EXPECT_GT(list->TopRow(), 500);
    ExpectRowsInViewAsOnSwitch();
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    // The lost page, the list once more, the page again under the new query.
    const std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_NE(sent[0].find("QID=" + qid), std::string::npos) << sent[0];
    EXPECT_EQ(sent[1], "LST MGCPSUB:;");
    const std::string renewed = list->m_mapQueryInfo[HostString(HS_QID)];
    EXPECT_NE(renewed, qid);
    EXPECT_NE(sent[2].find("QID=" + renewed), std::string::npos) << sent[2];
    auto range = [](const std::string& page) {
        const size_t at = page.find("BEGIN");
        return page.substr(at, page.find(", QID") - at);
    };
    EXPECT_EQ(range(sent[0]), range(sent[2]));
    EXPECT_FALSE(w->IsBusy());
}

// End after the query expired, with subscribers removed meanwhile: the list
// counts what the switch holds now and shows its last records.
TEST_F(IdleListHands, EndAfterTheQueryExpiredShowsTheLastRecordsOfTheNewCount) {
    StartClient(2600);
    OpenSubscribers(700);
    for (const char* dn : {"20002599", "20002598", "20001000"})
        ASSERT_NE(OnSwitch(std::string("RMV MGCPSUB: DN=") + dn + ";").find("RETCODE = 0"), std::string::npos) << dn;
    QTest::qWait(1100);
    Click(list, 2);
    ASSERT_TRUE(Settle(w));
    Key(list, Qt::Key_End);
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    EXPECT_EQ(list->m_nTotalRecords, 2597);
    EXPECT_EQ(list->m_nPageEnd, 2596);
    ExpectRowsInViewAsOnSwitch();
    EXPECT_EQ(list->Model().CellText(list->GetItemCount() - 1, 0), "20002597");
    // The paged list answers the keys as before.
    Key(list, Qt::Key_Home);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(list->TopRow(), 0);
    ExpectRowsInViewAsOnSwitch();
}

// A query lost again right after it was asked for anew is reported once, as
// any refusal, and the list does not ask for itself in a loop; the next move
// after that recovers again.
TEST_F(IdleListHands, AQueryLostTwiceInARowIsReportedOnce) {
    CScriptedSwitch* sw = StartScriptedClient(2600);
    OpenSubscribers(300000);
    sw->forget = [](const std::string&) { return true; };
    Sent();
    Key(list, Qt::Key_End);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(sw->forgotten, 2);
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_NE(m_ui->boxes[0].details.find("1011"), std::string::npos) << m_ui->boxes[0].details;
    EXPECT_EQ(CountSent(Sent(), "LST MGCPSUB:;"), 1u);
    EXPECT_FALSE(w->IsBusy());

    sw->forget = Once([](const std::string& page) { return page.find("BEGIN=0,") != std::string::npos; });
    Key(list, Qt::Key_Home);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(sw->forgotten, 3);
    EXPECT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_EQ(list->TopRow(), 0);
    ExpectRowsInViewAsOnSwitch();
}

// A sorted list asks for itself sorted: the rows come back in the switch's
// order for that sort.
TEST_F(IdleListHands, ASortedListIsAskedForSortedAgain) {
    CScriptedSwitch* sw = StartScriptedClient(2600);
    OpenSubscribers(300000);
    ClickHeader(list, 0);
    ASSERT_TRUE(Settle(w));
    ClickHeader(list, 0);  // descending
    ASSERT_TRUE(Settle(w));
    ASSERT_NE(list->m_nSortColumn, -1);
    const std::string sortCommand = list->m_strSortCommand;
    sw->forget = Once([](const std::string& page) { return page.find("BEGIN=0,") == std::string::npos; });
    Sent();
    Wheel(list, 300);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(sw->forgotten, 1);
    EXPECT_EQ(CountSent(Sent(), sortCommand), 1u);
    EXPECT_TRUE(m_ui->boxes.empty());
    const std::vector<std::string> numbers = SwitchNumbers(sortCommand);
    ASSERT_EQ(numbers.size(), 2600u);
    const int top = list->TopRow();
    ASSERT_GT(top, 800);
    for (int r = top; r < top + 5; ++r) EXPECT_EQ(list->Model().CellText(r, 0), numbers[static_cast<size_t>(r)]);
}
