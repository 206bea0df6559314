// Finer points of the tab strip, the horizontal splitter bar and the
// captions and Tab key of the two-list dialogs.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "FormViews.h"
#include "HostStrings.h"
#include "SheetsWnd.h"
#include "SplitterBar.h"
#include "SubscriberDlgs.h"
#include "TestHost.h"
#include "TextHelpers.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "WaitFor.h"
#include "hostlibs/ReportWriter.h"

extern "C" void* ExternMain(void* hostFrame, int configType);

namespace {

// A parent that counts page changes.
class CPageParent : public CWndT<QWidget> {
public:
    int changes = 0;
    LRESULT WindowProc(UINT m, WPARAM, LPARAM) override {
        if (m == msg::WM_TABPAGECHANGE) ++changes;
        return 1;
    }
};

QWidget* Pane(QWidget* parent, int id, QRect r) {
    auto* w = new QWidget(parent);
    w->setObjectName(QStringLiteral("ctl%1").arg(id));
    w->setGeometry(r);
    return w;
}

}  // namespace

TEST(SheetsWnd, AnotherTabHidesThePreviousPageAndTheActiveTabDoesNothing) {
    CPageParent parent;
    parent.resize(400, 200);
    auto* a = new QWidget(&parent);
    a->setWindowTitle("A");
    auto* b = new QWidget(&parent);
    b->setWindowTitle("B");
    b->hide();
    CSheetsWnd strip;
    strip.Create(&parent, Qt::lightGray);
    parent.show();
    const QRect area = strip.TabArea();
    const int wa = QFontMetrics(strip.font()).horizontalAdvance("A");
    auto click = [&](int x) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, area.center().y()), QPointF(), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&strip, &e);
    };
    click(area.left() + 8);  // tab A is already the visible page
    EXPECT_EQ(parent.changes, 0);
    click(area.left() + 6 + wa + 12 + 2);  // into tab B
    EXPECT_EQ(parent.changes, 1);
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(strip.GetActiveSheet(), b);
}

TEST(SplitterBar, AHorizontalBarKeepsHeadersAtTheirHeightAndStretchesTheRest) {
    QWidget dlg;
    dlg.resize(300, 400);
    Pane(&dlg, 1, QRect(0, 0, 300, 150));    // above
    auto* bar = Pane(&dlg, 9, QRect(0, 160, 300, 4));
    auto* head1 = Pane(&dlg, 2, QRect(0, 170, 140, 20));
    auto* list1 = Pane(&dlg, 3, QRect(0, 190, 140, 210));
    auto* head2 = Pane(&dlg, 4, QRect(160, 170, 140, 20));
    auto* list2 = Pane(&dlg, 5, QRect(160, 190, 140, 210));
    CySplitterWnd split;
    split.BindWithControl(&dlg, 9);
    split.SetMinHeight(2, 2);
    split.AttachAsAbovePane(1);
    for (int id : {2, 3, 4, 5}) split.AttachAsBelowPane(id);
    bar->move(0, 200);
    split.RecalcLayout();
    EXPECT_EQ(dlg.findChild<QWidget*>("ctl1")->geometry().bottom(), 198);
    EXPECT_EQ(head1->geometry(), QRect(0, 205, 140, 20));
    EXPECT_EQ(head2->geometry(), QRect(160, 205, 140, 20));
    EXPECT_EQ(list1->geometry().top(), 205 + 20);
    EXPECT_EQ(list1->geometry().bottom(), 399);  // the list keeps its lower edge
    EXPECT_EQ(list2->geometry().top(), 225);
    // No room: a minimum larger than the parent.
    split.SetMinHeight(300, 300);
    QRect clip;
    EXPECT_FALSE(split.GetMouseClipRect(clip, QPoint(0, 1)));
}

TEST(UserDlg, CaptionsCountTheirRowsAndAFilteredMainListClearsTheSecondary) {
    platform::CRecordingUiGuard ui;
    CTestHost host;
    host.agree = false;
    auto* wnd = static_cast<CUserObjWnd*>(ExternMain(&host, 3));
    auto* mgcp = dynamic_cast<CSubscriberDlg*>(wnd->m_pConfigView->Dialogs().at(0));
    CReportWriter w("LST MGCPSUB:;", 0, "ok");
    for (int i = 0; i < 4; ++i) {
        w.BeginObject("MGCPSUB");
        w.Add("DN", std::to_string(20000000 + i));
    }
    const std::string r = w.Finish();
    SendMessage(wnd, msg::WM_REPORT, ToWParam(r.c_str()), 0);
    EXPECT_EQ(mgcp->MainCaption()->text().toStdString(),
              platform::Format(HostString(10153).c_str(), HostString(10091).c_str(), 4));
    // Tab moves to a secondary list that has rows.
    mgcp->MainList()->SelectRow(0);
    mgcp->OnMainClick();
    ASSERT_TRUE(WaitFor([&] { return mgcp->LoadsRunning() == 0; }));
    CReportWriter s("LST MGCPSRV: DN=20000000;", 0, "ok");
    s.BeginObject("MGCPSRV");
    s.Add("DN", "20000000");
    const std::string sr = s.Finish();
    SendMessage(wnd, msg::WM_REPORT, ToWParam(sr.c_str()), 0);
    ASSERT_EQ(mgcp->SecondaryList()->GetItemCount(), 1);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(mgcp->MainList(), &tab);
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->SecondaryList());
    EXPECT_EQ(mgcp->SecondaryList()->currentIndex().row(), 0);
    // The main list under a filter changes its count: the secondary list empties.
    mgcp->MainList()->m_strFilterCommand = "LST MGCPSUB: STATUS=BLOCKED;";
    SendMessage(mgcp, msg::WM_COUNT_CHANGED, ToWParam(mgcp->MainList()), 1);
    EXPECT_EQ(mgcp->SecondaryList()->GetItemCount(), 0);
    EXPECT_EQ(mgcp->SecondaryCaption()->text().toStdString(), HostString(10092));
}
