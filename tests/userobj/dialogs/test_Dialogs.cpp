// The subscriber dialogs, the filter table, the tab strip and the splitter
// bars, and the views that host them.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <fstream>

#include <gtest/gtest.h>

#include "Filter.h"
#include "FormViews.h"
#include "HostStrings.h"
#include "SheetsWnd.h"
#include "SplitterBar.h"
#include "SubscriberDlgs.h"
#include "TestHost.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "WaitFor.h"
#include "hostlibs/ReportWriter.h"

extern "C" void* ExternMain(void* hostFrame, int configType);

namespace {

void Press(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

std::string Rows(const std::string& cmd, const char* block, int count, int first = 20000000) {
    CReportWriter w(cmd, 0, "ok");
    for (int i = 0; i < count; ++i) {
        w.BeginObject(block);
        w.Add("DN", std::to_string(first + i));
    }
    return w.Finish();
}

}  // namespace

TEST(UserDlg, TabToAnEmptySecondaryListKeepsTheMainListAndSelectsRowZero) {
    CTestHost host;
    auto* wnd = static_cast<CUserObjWnd*>(ExternMain(&host, 3));
    auto* view = wnd->m_pConfigView;
    auto* mgcp = dynamic_cast<CSubscriberDlg*>(view->Dialogs().at(0));
    ASSERT_NE(mgcp, nullptr);
    const std::string report = Rows("LST MGCPSUB:;", "MGCPSUB", 3);
    SendMessage(wnd, msg::WM_REPORT, ToWParam(report.c_str()), 0);
    ASSERT_EQ(mgcp->MainList()->GetItemCount(), 3);
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->MainList());
    Press(mgcp->MainList(), Qt::Key_Tab);
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->MainList());
    EXPECT_EQ(mgcp->MainList()->currentIndex().row(), 0);
    EXPECT_EQ(mgcp->MainList()->SelectedCount(), 1);

    // A one-list dialog lets Tab pass: nothing becomes selected.
    CIpnUserDlg ipn;
    EXPECT_TRUE(ipn.m_mapNextList.empty());
    Press(ipn.MainList(), Qt::Key_Tab);
    EXPECT_EQ(ipn.GetActiveListCtrl(), ipn.MainList());
    EXPECT_EQ(ipn.MainList()->SelectedCount(), 0);
}

TEST(UserDlg, WithoutAnObjectWindowTheActiveListStillChanges) {
    CMgcpUserDlg dlg;
    std::vector<std::string> log;
    platform::CTraceCapture capture([&](const std::string& l) { log.push_back(l); });
    EXPECT_FALSE(dlg.SetActiveListCtrl(dlg.SecondaryList()));
    EXPECT_EQ(dlg.GetActiveListCtrl(), dlg.SecondaryList());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].ends_with("m_pFrame is NULL!"));
    EXPECT_FALSE(dlg.SetActiveListCtrl(nullptr));
    EXPECT_EQ(dlg.GetActiveListCtrl(), nullptr);
}

TEST(UserDlg, PickingASubscriberListsItsSubObjects) {
    CTestHost host;
    auto* wnd = static_cast<CUserObjWnd*>(ExternMain(&host, 3));
    auto* mgcp = dynamic_cast<CSubscriberDlg*>(wnd->m_pConfigView->Dialogs().at(0));
    const std::string report = Rows("LST MGCPSUB:;", "MGCPSUB", 3);
    SendMessage(wnd, msg::WM_REPORT, ToWParam(report.c_str()), 0);
    // A click on the secondary list before any pick does nothing at all.
    mgcp->OnSecondaryClick();
    EXPECT_EQ(mgcp->GetActiveListCtrl(), mgcp->MainList());
    host.commands.clear();
    mgcp->MainList()->SelectRow(1);
    mgcp->OnMainClick();
    ASSERT_TRUE(WaitFor([&] { return mgcp->LoadsRunning() == 0; }));
    EXPECT_TRUE(mgcp->SecondaryBound());
    ASSERT_FALSE(host.commands.empty());
    EXPECT_EQ(host.commands.back(), "LST MGCPSRV: DN=20000001;");
    const std::string services = Rows("LST MGCPSRV: DN=20000001;", "MGCPSRV", 2, 20000001);
    SendMessage(wnd, msg::WM_REPORT, ToWParam(services.c_str()), 0);
    EXPECT_EQ(mgcp->SecondaryList()->GetItemCount(), 2);
    EXPECT_EQ(mgcp->SecondaryCaption()->text().toStdString(),
              platform::Format(HostString(10047).c_str(), HostString(10092).c_str(), 2));
}

TEST(Filter, SaveDropsEmptiedFiltersAndRewritesTheFile) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/Filter.ini";
    std::ofstream(file) << "; comment\n[List A]\nf1=LST X: A=1;\nf2=LST X: A=2;\n[List B]\ng=LST Y: B=1;\n";
    CFilter f(file);
    f.FilterInit();
    ASSERT_NE(f.Section("List A"), nullptr);
    EXPECT_EQ(f.Section("List A")->at("f2"), "LST X: A=2;");
    (*f.Section("List A"))["f1"] = "";
    (*f.Section("List B"))["g"] = "";
    ASSERT_TRUE(f.FilterSave());
    f.FilterInit();
    EXPECT_EQ(f.Section("List B"), nullptr);  // a section with nothing left is gone
    ASSERT_NE(f.Section("List A"), nullptr);
    EXPECT_EQ(f.Section("List A")->size(), 1u);
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.find("comment"), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file + ".new")));
}

namespace {

// A parent with pages for the tab strip.
struct SheetHost {
    QWidget parent;
    CSheetsDialog strip;
    std::vector<QWidget*> pages;
    explicit SheetHost(std::vector<std::string> titles) {
        parent.resize(400, 300);
        for (const std::string& t : titles) {
            auto* p = new QWidget(&parent);
            p->setWindowTitle(QString::fromStdString(t));
            p->hide();
            pages.push_back(p);
        }
        strip.Create(&parent, Qt::lightGray);
        parent.show();
        strip.DrawSheets();  // the total width comes from a paint
    }
};

}  // namespace

// (A click on a tab: AnotherTabHidesThePreviousPageAndTheActiveTabDoesNothing
// and, by hand, TabStripTabsAndArrowsAnswerTheMouse.)
TEST(SheetsWnd, PagesLayOutAboveTheStripAndEmptyTitlesReadSheet) {
    SheetHost h({"First", "", "Third"});
    EXPECT_EQ(h.strip.GetActiveSheet(), nullptr);  // all pages hidden: no white tab
    const QRect area = h.strip.TabArea();
    EXPECT_EQ(h.strip.SheetFromPoint(QPoint(area.left() - 1, area.center().y())), nullptr);
    EXPECT_EQ(h.strip.geometry().bottom(), h.parent.rect().bottom());
    EXPECT_EQ(h.strip.height(), CSheetsWnd::StripHeight());
    EXPECT_EQ(h.pages[0]->geometry(), QRect(0, 0, 400, 300 - CSheetsWnd::StripHeight()));
    EXPECT_EQ(h.strip.GetSheetTitle(h.pages[1]), "Sheet");
    h.parent.resize(500, 200);
    EXPECT_EQ(h.strip.geometry().top(), 200 - CSheetsWnd::StripHeight());
    EXPECT_EQ(h.pages[2]->width(), 500);
    // Children the V5 dialogs keep are no pages.
    auto* excluded = new QWidget(&h.parent);
    excluded->setProperty("controlId", 10181);
    int n = 0;
    for (QWidget* p = h.strip.GetFirstSheet(); p; p = h.strip.GetNextSheet()) ++n;
    EXPECT_EQ(n, 3);
}

TEST(SheetsWnd, ScrollingStaysWithinTheTabRow) {
    SheetHost none({});
    EXPECT_FALSE(none.strip.ScrollTabs(-16));  // no tabs: nothing to scroll
    SheetHost h({"One", "Two", "Three"});
    const int total = h.strip.TotalTabWidth();
    ASSERT_GT(total, 0);
    EXPECT_FALSE(h.strip.ScrollTabs(+16));  // already at the left end
    int moves = 0;
    while (h.strip.ScrollTabs(-16)) ++moves;
    EXPECT_EQ(moves, (total - 1) / 16);
    EXPECT_LT(std::abs(h.strip.ScrollOffset()), total);
    EXPECT_TRUE(h.strip.ScrollTabs(+16));
}

TEST(SplitterBar, DragLimitsEscapeAndAStillRelease) {
    QWidget dlg;
    dlg.resize(300, 100);
    auto* bar = new QFrame(&dlg);
    bar->setObjectName("ctl500");
    bar->setGeometry(100, 0, 6, 100);
    dlg.show();
    CxSplitterWnd split;
    split.BindWithControl(&dlg, 500);
    QRect clip;
    ASSERT_TRUE(split.GetMouseClipRect(clip, QPoint(2, 50)));
    const QPoint origin = dlg.mapToGlobal(QPoint(0, 0));
    // The bar's left edge may reach parent.left + 10; its right edge parent.right - 10.
    EXPECT_EQ(clip.left() - 2, origin.x() + 10);
    EXPECT_EQ(clip.right() - 2 + 6, origin.x() + 300 - 10);

    auto mouse = [&](QEvent::Type t, QPoint local, Qt::MouseButton b) {
        QMouseEvent e(t, QPointF(local), QPointF(bar->mapToGlobal(local)), b,
                      t == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
        QApplication::sendEvent(bar, &e);
    };
    // Released where pressed: nothing moves.
    mouse(QEvent::MouseButtonPress, QPoint(2, 50), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(2, 50), Qt::LeftButton);
    EXPECT_EQ(bar->x(), 100);
    // Escape after a move commits the move.
    mouse(QEvent::MouseButtonPress, QPoint(2, 50), Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(42, 50), Qt::LeftButton);
    Press(bar, Qt::Key_Escape);
    EXPECT_FALSE(split.Dragging());
    EXPECT_EQ(bar->x(), 140);
}
