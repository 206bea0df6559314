// The object list: paged results, keys that fetch pages, data events,
// columns, sorting and the operations menu.
#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <fstream>

#include <gtest/gtest.h>

#include "ControlIds.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "SortTable.h"
#include "TestHost.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"
#include "WaitFor.h"
#include "hostlibs/ReportWriter.h"

namespace {

std::string Head(const std::string& cmd, int total) {
    CReportWriter w(cmd, 0, "ok");
    w.BeginObject(HostString(HS_QUERY_HEAD));
    w.Add(HostString(HS_QID), "5");
    w.Add(HostString(HS_TOTAL_RECS), std::to_string(total));
    return w.Finish();
}

std::string Page(const std::string& cmd, int first, int count) {
    CReportWriter w(cmd, 0, "ok");
    for (int i = 0; i < count; ++i) {
        w.BeginObject("MGCPSUB");
        w.Add("DN", std::to_string(20000000 + first + i));
        w.Add("MGWNAME", "gw");
    }
    return w.Finish();
}

// A window with one MGCP list bound to its data, ready for reports.
class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.show();
        wnd = host.OpenQuiet(3);
        list = new CObjListCtrl(wnd->widget(), 10194);
        list->SetListKey(HostString(10091));
        list->resize(500, 24 * list->verticalHeader()->defaultSectionSize() + 30);
        list->show();
        ASSERT_TRUE(data.Create(308, HostDatabase().ObjLoadAllDesc(308), wnd, list, nullptr, 1, nullptr, nullptr));
        list->m_obj = &data;
        list->BuildMenu();
        wnd->RegisterObjDesc(data.GetComObj(), &data);
    }
    void TearDown() override { delete list; }
    void Deliver(const std::string& report) { SendMessage(wnd, msg::WM_REPORT, ToWParam(report.c_str()), 0); }
    // The page fetch last sent, answered with its records.
    void AnswerPage() {
        const std::string cmd = host.commands.back();
        const int b = std::stoi(cmd.substr(cmd.find("BEGIN=") + 6));
        const int e = std::stoi(cmd.substr(cmd.find("END=") + 4));
        Deliver(Page(cmd, b, e - b + 1));
    }
    void Open(int total) {
        Deliver(Head("LST MGCPSUB:;", total));
        AnswerPage();
    }
    // As if every command had been answered.
    void Unlock() {
        wnd->m_nMMLCount = 0;
        wnd->UpdateBusyState();
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
    }
    // "BEGIN=b, END=e" of the last page fetch.
    std::string LastPage() const {
        const std::string& c = host.commands.back();
        const int b = std::stoi(c.substr(c.find("BEGIN=") + 6)), e = std::stoi(c.substr(c.find("END=") + 4));
        return "BEGIN=" + std::to_string(b) + ", END=" + std::to_string(e) + ";";
    }
    platform::CRecordingUiGuard ui;
    CTestHost host;
    CUserObjWnd* wnd = nullptr;
    CObjListCtrl* list = nullptr;
    CObjDescData data;
};

}  // namespace

TEST_F(ListTest, ALongResultIsScaledOntoTenThousandRows) {
    Open(12000);
    EXPECT_FLOAT_EQ(list->m_fRowScale, 1.2f);
    EXPECT_EQ(list->GetItemCount(), CObjListCtrl::kMaxRows);
    EXPECT_NE(list->GetItemData(0), 0u);
    EXPECT_NE(list->GetItemData(499), 0u);
    EXPECT_EQ(list->GetItemData(500), 0u);  // a placeholder
    EXPECT_EQ(list->Model().CellText(0, 0), "20000000");
}

TEST_F(ListTest, PageDownPastThePageFetchesTheNextOne) {
    Open(1200);
    list->SelectRow(495);  // the cursor near the end of the page
    host.commands.clear();
    Key(Qt::Key_PageDown);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(LastPage(), "BEGIN=500, END=999;");
    AnswerPage();
    EXPECT_EQ(list->GetItemData(499), 0u);
    EXPECT_NE(list->GetItemData(500), 0u);
    EXPECT_EQ(list->currentIndex().row(), 500);  // the first row of the new page is selected
    // Within the page nothing is fetched.
    host.commands.clear();
    Key(Qt::Key_Down);
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(ListTest, DataEventsFollowTheRecords) {
    Open(1200);
    const int total = list->m_nTotalRecords;
    EXPECT_EQ(SendMessage(list, msg::WM_DATA_REMOVED, 999999, 0), 1);  // not in the list
    EXPECT_EQ(list->m_nTotalRecords, total - 1);
    EXPECT_EQ(SendMessage(list, msg::WM_DATA_MODIFIED, 999999, 0), 0);
    const DWORD first = list->GetItemData(0);
    EXPECT_EQ(SendMessage(list, msg::WM_DATA_REMOVED, first, 0), 1);
    EXPECT_EQ(list->Model().FindRow(first), -1);
    const int rows = list->GetItemCount();
    EXPECT_EQ(SendMessage(list, msg::WM_DATA_ADDED, 424242, 0), 0);  // no such record: an empty row
    EXPECT_EQ(list->GetItemCount(), rows + 1);
}

TEST_F(ListTest, AttributesWhoseNamesDifferInCaseGiveOneColumn) {
    SComObj desc = HostDatabase().ObjLoadAllDesc(308);
    desc.attributes[1].displayName = "DIRECTORY NUMBER";  // same as attribute 0 but for case
    CObjDescData other;
    CObjListCtrl l;
    other.Create(308, desc, wnd, &l, nullptr, 1, nullptr, nullptr);
    l.m_obj = &other;
    l.BuildColumns();
    int shown = 0;
    for (const SAttributeItem& a : desc.attributes) shown += a.listFlag && a.listWidth > 0;
    EXPECT_EQ(static_cast<int>(l.Model().Titles().size()), shown - 1);
}

TEST_F(ListTest, SortingBuildsTheCommandAndF5ResendsIt) {
    Open(1200);
    const std::string k = HostString(HS_SORT_KEYWORD);
    host.commands.clear();
    list->m_strSortCommand = "LST MGCPSUB:CSC=1;";
    list->OnHeaderClick(0);  // "Directory Number": ascending
    EXPECT_EQ(host.commands.back(), "LST MGCPSUB:CSC=1," + k + "DN-ASC;");
    Unlock();
    list->OnHeaderClick(0);  // again: descending
    EXPECT_EQ(host.commands.back(), "LST MGCPSUB:CSC=1," + k + "DN-DESC;");
    EXPECT_FALSE(list->m_bSortAscending);
    Unlock();
    list->OnHeaderClick(1);  // another column starts ascending
    EXPECT_TRUE(list->m_bSortAscending);
    EXPECT_EQ(list->Header().SortColumn(), 1);
    EXPECT_EQ(host.commands.back(), "LST MGCPSUB:CSC=1," + k + "MGWNAME-ASC;");
    list->m_strSortCommand = "LST MGCPSUB:;";
    list->m_nSortColumn = -1;
    Unlock();
    list->OnHeaderClick(0);
    EXPECT_EQ(host.commands.back(), "LST MGCPSUB:" + k + "DN-ASC;");

    Deliver(Head(host.commands.back(), 1200));
    AnswerPage();
    host.commands.clear();
    list->m_bFilterActive = TRUE;
    list->m_strFilterCommand = "LST MGCPSUB: CODEC=G729;";
    Key(Qt::Key_F5);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], "LST MGCPSUB:" + k + "DN-ASC;");  // the sort, not the filter
}

TEST(SortTable, KeysTitlesAndExactComparison) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/Subscriber.ini";
    std::ofstream(file) << "[L]\nHeaderNum=2\nHeader0=Name\nHeader1=Number\nParaNum=5\n"
                           "Para0=n+\nPara1=n-\nPara2=N+\nPara3=N-\nPara4=orphan\n";
    CSort t(file);
    t.Load();
    EXPECT_EQ(*t.SortValue("L", "Name", true), "n+");
    EXPECT_EQ(*t.SortValue("L", "Name", false), "n-");
    EXPECT_EQ(*t.SortValue("L", "Number", true), "N+");
    EXPECT_EQ(*t.SortValue("L", "Number", false), "N-");
    EXPECT_TRUE(t.IsSortable("L", "Name"));
    EXPECT_FALSE(t.IsSortable("L", "name"));
    EXPECT_FALSE(t.IsSortable("M", "Name"));
    EXPECT_EQ(CSort("").GetSectionNames().size(), 0u);
}

namespace {

// An object with made-up operations for the menu rules.
SComObj MenuObject(std::vector<std::tuple<DWORD, WORD, std::string, std::string>> ops) {
    SComObj d = HostDatabase().ObjLoadAllDesc(308);
    d.operations.clear();
    d.commands.clear();
    d.jumps.clear();
    SCmd list;
    list.mml = "LST MGCPSUB";
    d.commands[0] = list;
    d.operations[0] = {"Query", ACT_BROWSER, HostString(HS_LIST_CMD) + " x", 0};
    for (const auto& [id, act, name, label] : ops) {
        SCmd c;
        c.mml = "DSP MGCPSUB";
        c.text2 = name;
        d.commands[id] = c;
        d.operations[id] = {label, act, name, 0};
    }
    return d;
}

std::vector<std::string> Texts(QMenu* m) {
    std::vector<std::string> out;
    for (QAction* a : m->actions()) out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return out;
}

}  // namespace

TEST_F(ListTest, MenuGroupsReverseOrderAndHidesPagingCommands) {
    CObjDescData menuData;
    const std::string suffix = HostString(10114);
    menuData.Create(308, MenuObject({{11, ACT_DETAIL, "Show A", "x"}, {12, ACT_DETAIL, "Show B", "x"},
                                     {13, ACT_DETAIL, HostString(HS_PAGE_CMD) + " C", "x"}}),
                    wnd, list, nullptr, 1, nullptr, nullptr);
    list->m_obj = &menuData;
    list->BuildMenu();
    // Only type-2 commands: no separator before them; export, find and refresh follow.
    const auto texts = Texts(list->MainMenu());
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "Show B");  // the reverse of the enumeration
    EXPECT_EQ(texts[1], "Show A");
    EXPECT_EQ(texts[2], HostString(10249));
    EXPECT_EQ(texts[3].rfind(HostString(ids::ID_FIND), 0), 0u);
    EXPECT_EQ(texts[4].rfind(HostString(10050), 0), 0u);

    CObjDescData mixed;
    mixed.Create(308, MenuObject({{3, ACT_ADD, "Add it", "Add"}, {4, ACT_REMOVE, "Remove it", "Remove"},
                                  {5, ACT_DETAIL, "Show it", "Detail"}}),
                 wnd, list, nullptr, 1, nullptr, nullptr);
    list->m_obj = &mixed;
    list->BuildMenu();
    EXPECT_EQ(Texts(list->MainMenu()),
              (std::vector<std::string>{"Add it" + suffix, "Remove it", "-", "Show it", HostString(10249),
                                        texts[3], texts[4]}));
    list->m_obj = &data;
}

TEST_F(ListTest, MenuEnablingFollowsTheSelection) {
    Open(1200);
    CObjDescData mixed;
    mixed.Create(308, MenuObject({{4, ACT_REMOVE, "Remove it", "Remove"}, {5, ACT_DETAIL, "Show it", "Detail"},
                                  {3, ACT_ADD, "Add it", "Add"}}),
                 wnd, nullptr, nullptr, 1, nullptr, nullptr);
    list->m_obj = &mixed;
    list->BuildMenu();
    list->selectionModel()->select(list->Model().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->Model().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->UpdateMenuState(-1);
    auto enabled = [&](const std::string& text) {
        for (QAction* a : list->MainMenu()->actions())
            if (a->text().toStdString().rfind(text, 0) == 0) return a->isEnabled();
        return false;
    };
    EXPECT_FALSE(enabled("Show it"));   // type 2 wants exactly one row
    EXPECT_TRUE(enabled("Remove it"));  // type 4: any selection
    EXPECT_TRUE(enabled("Add it"));
    EXPECT_TRUE(list->IsOperationAllowed(ACT_REMOVE, 2));
    EXPECT_FALSE(list->IsOperationAllowed(ACT_DETAIL, 2));
    EXPECT_FALSE(list->IsOperationAllowed(ACT_MODIFY, 1));  // the object has none
    list->m_obj = &data;
}

TEST_F(ListTest, TheBusyLockStopsKeysAndCommands) {
    Open(1200);
    SendMessageToDescendants(wnd, msg::WM_BUSYLOCK, 2, 0);
    host.commands.clear();
    Key(Qt::Key_End);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_TRUE(list->OnCommand(ids::ID_REFRESH_LIST));  // handled, and nothing done
    EXPECT_TRUE(host.commands.empty());
    SendMessageToDescendants(wnd, msg::WM_BUSYLOCK, 0, 0);
    list->OnCommand(ids::ID_REFRESH_LIST);
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(ListTest, TheScrollBarFetchesPagesAndTheThumbShowsRecordNumbers) {
    Open(100000);  // scaled: 10 records a row
    host.commands.clear();
    QScrollBar* bar = list->verticalScrollBar();
    // Dragging the thumb shows the record under it and fetches nothing.
    bar->setSliderPosition(5000);
    list->OnThumbTrack(5000);
    ASSERT_NE(list->TipWindow(), nullptr);
    EXPECT_EQ(list->TipWindow()->text(), "50000");
    EXPECT_TRUE(host.commands.empty());
    // Releasing it there fetches the page around record 50000.
    list->OnThumbReleased();
    EXPECT_FALSE(list->TipWindow()->isVisible());
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(LastPage(), "BEGIN=49750, END=50249;");
    AnswerPage();
    // The bottom of the bar: the last page.
    host.commands.clear();
    Unlock();
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(LastPage(), "BEGIN=99500, END=99999;");
    AnswerPage();
    // And the top: the first.
    host.commands.clear();
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(LastPage(), "BEGIN=0, END=499;");
}

TEST_F(ListTest, AModifiedRowTellsTheFormViewAboveItsDialog) {
    // list -> dialog (its parent) -> view (the parent's parent)
    struct CRecorder : CWndT<QWidget> {
        std::vector<UINT> got;
        LRESULT WindowProc(UINT m, WPARAM, LPARAM) override {
            got.push_back(m);
            return 1;
        }
    } view, dialog;
    dialog.setParent(&view);
    list->setParent(&dialog);
    Open(1200);
    const DWORD id = list->GetItemData(3);
    dialog.got.clear();
    EXPECT_EQ(SendMessage(list, msg::WM_DATA_MODIFIED, id, 0), 1);
    EXPECT_NE(std::find(dialog.got.begin(), dialog.got.end(), msg::WM_SELECTION_CHANGED), dialog.got.end());
    ASSERT_TRUE(WaitFor([&] {
        return std::find(view.got.begin(), view.got.end(), msg::WM_INSTANCE_MODIFIED) != view.got.end();
    }));
    list->setParent(wnd->widget());
}
