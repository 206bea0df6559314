// The object window against a scripted host: creation, the destruction
// handshake, binary timeouts, command accounting and result processing.
// (The V5 add's held list command: V5Hands.)
#include <QApplication>
#include <QMdiArea>

#include <gtest/gtest.h>

#include "FormViews.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "SubscriberDlgs.h"
#include "TestHost.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "WaitFor.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ReportWriter.h"

namespace {

// Records the data messages a bound window gets.
class CBound : public CWndT<QWidget> {
public:
    std::vector<UINT> got;
    LRESULT WindowProc(UINT m, WPARAM, LPARAM) override {
        if (m >= msg::WM_DATA_INIT && m <= msg::WM_DATA_UPDATED) got.push_back(m);
        return 1;
    }
};

std::string Head(const std::string& cmd, const std::string& qid, int total) {
    CReportWriter w(cmd, 0, "ok");
    w.BeginObject(HostString(HS_QUERY_HEAD));
    w.Add(HostString(HS_QID), qid);
    w.Add(HostString(HS_TOTAL_RECS), std::to_string(total));
    return w.Finish();
}

std::string Records(const std::string& cmd, const std::string& block, int first, int count, bool more,
                    int code = 0) {
    CReportWriter w(cmd, code, code ? "failed" : "ok", more);
    for (int i = 0; i < count; ++i) {
        w.BeginObject(block);
        w.Add("DN", std::to_string(first + i));
        w.Add("SEGIDX", "2");
    }
    return w.Finish();
}

class ObjWndTest : public ::testing::Test {
protected:
    CUserObjWnd* Open(int type) { return host.OpenQuiet(type); }
    void Deliver(CUserObjWnd* w, const std::string& report) {
        SendMessage(w, msg::WM_REPORT, ToWParam(report.c_str()), 0);
    }
    platform::CRecordingUiGuard ui;
    CTestHost host;
};

}  // namespace

TEST_F(ObjWndTest, TypesOutsideTheTableOpenNothing) {
    // 14 is no window of the module's: the operation log comes after it.
    for (int type : {0, 14, 16, -1})
        EXPECT_EQ(ExternMain(&host, type), nullptr) << type;
    auto* area = static_cast<QMdiArea*>(host.centralWidget());
    EXPECT_TRUE(area->subWindowList().isEmpty());
}

TEST_F(ObjWndTest, LayoutPerConfigurationType) {
    CUserObjWnd* w4 = Open(4);
    ASSERT_NE(w4, nullptr);
    EXPECT_EQ(w4->windowTitle(), "ISDN BRA SUBSCRIBER");
    EXPECT_EQ(w4->m_iConfigType, 4);
    EXPECT_NE(w4->m_pCbxFilter, nullptr);
    EXPECT_NE(w4->m_pDetailView, nullptr);

    CUserObjWnd* w1 = Open(1);
    EXPECT_EQ(w1->m_iConfigType, 0);  // kept only for types 3 to 13
    EXPECT_EQ(w1->windowTitle().toStdString(), HostString(10068));
    EXPECT_EQ(w1->m_pCbxFilter, nullptr);
    EXPECT_EQ(w1->property(kSharedMenuProperty), w4->property(kSharedMenuProperty));  // one shared menu

    // The command-object windows' layout: CmdObjHands.
}

TEST_F(ObjWndTest, DestructionNeedsTheHostsConsentAndARefusedWindowCanAskAgain) {
    CUserObjWnd* w = Open(3);
    host.agree = false;
    w->close();
    EXPECT_EQ(host.destroyRequests, 1);
    EXPECT_FALSE(w->isHidden());  // refused: it stays

    host.agree = true;
    QPointer<CUserObjWnd> gone(w);
    w->close();
    EXPECT_EQ(host.destroyRequests, 2);
    ASSERT_TRUE(WaitFor([&] { return gone.isNull(); }));
}

TEST_F(ObjWndTest, BinaryRequestTimesOutAtTheThirdDecrement) {
    CUserObjWnd* w = Open(3);
    const BYTE payload[4] = {0x34, 0x12, 1, 2};
    // Sent just after the timer started: 33 ticks of 100 ms.
    ASSERT_EQ(w->SendBinCmd(1, 2, payload, 4, 0, 3, nullptr), 0);
    EXPECT_EQ(w->BinTimer(), IObjWnd::kBinTimerRunning);
    int ticks = 0;
    while (w->BinPending() > 0 && ticks < 100) {
        w->OnBinTimerTick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 33);
    EXPECT_EQ(w->BinTimer(), -1);
    // Sent when a decrement is due: 23 ticks. A first request sent ten
    // ticks earlier times out on the same tick, 33 ticks after it was sent.
    ASSERT_EQ(w->SendBinCmd(1, 2, payload, 4, 0, 3, nullptr), 0);
    for (int i = 0; i < 10; ++i) w->OnBinTimerTick();
    const BYTE other[2] = {0x35, 0x12};
    ASSERT_EQ(w->SendBinCmd(1, 2, other, 2, 0, 3, nullptr), 1);
    ticks = 0;
    while (w->BinPending() > 0 && ticks < 100) {
        w->OnBinTimerTick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 23);
    EXPECT_EQ(w->SendBinCmd(1, 2, payload, 4, 0, 0, nullptr), -1);  // timeout 0
    EXPECT_EQ(w->SendBinCmd(1, 2, payload, 4, 0, -1, nullptr), 256);  // no reply wanted
    EXPECT_EQ(host.frames, 4);
}

TEST_F(ObjWndTest, CommandsAreCountedAndLockUntilTheirReports) {
    CUserObjWnd* w = Open(3);
    CObjDescData data;
    CBound bound;
    ASSERT_TRUE(data.Create(316, HostDatabase().ObjLoadAllDesc(316), w, &bound, nullptr, 1, nullptr, nullptr));
    w->RegisterObjDesc(data.GetComObj(), &data);
    ASSERT_EQ(host.commands, std::vector<std::string>{"LST DNINFO:;"});
    EXPECT_EQ(w->m_nMMLCount, 1);
    EXPECT_TRUE(w->IsBusy());
    EXPECT_FALSE(w->widget()->isEnabled());

    // A report for a command this window never sent only counts down.
    Deliver(w, Records("LST OTHER:;", "DNINFO", 0, 1, false));
    EXPECT_EQ(w->m_nMMLCount, 0);
    EXPECT_TRUE(w->widget()->isEnabled());
    EXPECT_TRUE(bound.got.empty());

    // (A list in several reports: AfterAnAnswerInSeveralReportsTheNextCommandLocksTheWindow.)

    // Sending fails without a ";": nothing counted.
    const int before = w->m_nMMLCount;
    EXPECT_EQ(SendMessage(w, msg::WM_SENDMMLMSG, ToWParam(data.GetComObj()), ToLParam("LST DNINFO:")), 0);
    EXPECT_EQ(w->m_nMMLCount, before);
    // A kill notice counts down and forgets the sender.
    data.InvokeUpdate();
    EXPECT_EQ(w->m_nMMLCount, before + 1);
    SendMessage(w, msg::WM_KILLCMD, ToWParam("LST DNINFO:;"), 0);
    EXPECT_EQ(w->m_nMMLCount, before);
    EXPECT_FALSE(w->m_mapCmdSender.count("LST DNINFO:;"));
}

TEST_F(ObjWndTest, PagedHeadsFetchTheFirstPage) {
    CUserObjWnd* w = Open(3);
    struct Case {
        int total;
        const char* page;  // expected page fetch, or null
        float scale;
    };
    for (const Case& c : {Case{0, nullptr, 1.0f}, Case{499, "BEGIN=0, END=498", 1.0f},
                          Case{500, "BEGIN=0, END=499", 1.0f}, Case{10000, "BEGIN=0, END=499", 1.0f},
                          Case{12000, "BEGIN=0, END=499", 1.2f}}) {
        SCOPED_TRACE(c.total);
        CObjListCtrl list;
        CObjDescData data;
        ASSERT_TRUE(data.Create(308, HostDatabase().ObjLoadAllDesc(308), w, &list, nullptr, 1, nullptr, nullptr));
        list.m_obj = &data;
        w->RegisterObjDesc(data.GetComObj(), &data);
        host.commands.clear();
        Deliver(w, Head("LST MGCPSUB:;", "17", c.total));
        EXPECT_EQ(list.m_nTotalRecords, c.total);
        EXPECT_FLOAT_EQ(list.m_fRowScale, c.scale);
        EXPECT_EQ(list.m_mapQueryInfo[HostString(HS_QID)], "\"17\"");
        if (c.page) {
            ASSERT_EQ(host.commands.size(), 1u);
            EXPECT_NE(host.commands[0].find(std::string("QID=\"17\"")), std::string::npos);
            EXPECT_NE(host.commands[0].find(c.page), std::string::npos) << host.commands[0];
        } else {
            EXPECT_TRUE(host.commands.empty());
            EXPECT_EQ(list.GetItemCount(), 0);
        }
        w->m_nMMLCount = 0;
        w->m_listQid.clear();
    }
}

TEST_F(ObjWndTest, QueriesAreReleasedOnCloseExceptMinusOneAndTheReleaseShowsNothing) {
    CUserObjWnd* w = Open(3);
    CObjListCtrl a, b;
    CObjDescData da, db;
    da.Create(308, HostDatabase().ObjLoadAllDesc(308), w, &a, nullptr, 1, nullptr, nullptr);
    db.Create(319, HostDatabase().ObjLoadAllDesc(319), w, &b, nullptr, 1, nullptr, nullptr);
    a.m_obj = &da;
    b.m_obj = &db;
    w->RegisterObjDesc(da.GetComObj(), &da);
    w->RegisterObjDesc(db.GetComObj(), &db);
    Deliver(w, Head("LST MGCPSUB:;", "-1", 0));
    Deliver(w, Head("LST H248SUB:;", "9", 800));
    ASSERT_EQ(w->m_listQid.size(), 2u);
    EXPECT_EQ(w->m_listQid.front().qid, "-1");
    host.commands.clear();
    host.agree = false;
    w->close();
    EXPECT_EQ(host.commands, std::vector<std::string>{"RLS H248SUB: QID=\"9\";"});
    EXPECT_EQ(w->m_listQid.size(), 1u);  // the released query left the list
    // Its answer shows nothing.
    Deliver(w, Records("RLS H248SUB: QID=\"9\";", "H248SUB", 0, 0, false));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui->boxes.empty()) << ui->boxes.front().text;
    EXPECT_TRUE(ui->dialogTitles.empty());
}

TEST_F(ObjWndTest, AnInconsistentBlockLeavesTheRowsAsTheyWere) {
    CUserObjWnd* w = Open(3);
    auto* list = dynamic_cast<CSubscriberDlg*>(w->m_pConfigView->Dialogs().at(0))->MainList();
    Deliver(w, Records("LST MGCPSUB:;", "MGCPSUB", 20000000, 3, false));
    ASSERT_EQ(list->GetItemCount(), 3);
    CReportWriter bad("LST MGCPSUB:;", 0, "ok");
    bad.BeginObject("MGCPSUB");
    bad.Add("DN", "1");
    bad.Add("SEGIDX", "2");
    bad.BeginObject("MGCPSUB");
    bad.Add("DN", "2");  // one property short
    w->m_mapCmdSender["LST MGCPSUB:;"] = list->m_obj->GetComObj();
    Deliver(w, bad.Finish());
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_NE(ui->boxes[0].text.find(HostString(10067)), std::string::npos);
    EXPECT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->Model().CellText(0, 0), "20000000");
}

TEST_F(ObjWndTest, AFailedListOfReturnTypeTwoClosesTheWindowOnce) {
    CUserObjWnd* w = Open(3);
    CObjListCtrl list;
    CObjDescData data;
    data.Create(308, HostDatabase().ObjLoadAllDesc(308), w, &list, nullptr, 1, nullptr, nullptr);
    w->RegisterObjDesc(data.GetComObj(), &data);
    data.InvokeUpdate();  // two outstanding list commands, same text
    Deliver(w, Records("LST MGCPSUB:;", "MGCPSUB", 0, 0, false, 3001));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_NE(ui->boxes[0].text.find(HostString(10124)), std::string::npos);
    EXPECT_TRUE(w->m_bRetTypeHandled);
    w->m_mapCmdSender["LST MGCPSUB:;"] = data.GetComObj();
    Deliver(w, Records("LST MGCPSUB:;", "MGCPSUB", 0, 0, false, 3001));
    ASSERT_EQ(ui->boxes.size(), 2u);
    EXPECT_EQ(ui->boxes[1].text.find(HostString(10124)), std::string::npos);  // the ordinary message
    host.agree = true;
    QPointer<CUserObjWnd> gone(w);
    ASSERT_TRUE(WaitFor([&] { return gone.isNull(); }));
    EXPECT_EQ(host.destroyRequests, 1);
}
