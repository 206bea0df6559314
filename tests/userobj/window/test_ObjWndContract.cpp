// The host contract of the object window base: identity exchange, binary
// replies, the host link's command blocks, and how reports are shown.
#include <QApplication>
#include <QDialog>
#include <QMainWindow>

#include <cstring>

#include <dlfcn.h>

#include <gtest/gtest.h>

#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "TestHost.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "V5UserDlg.h"
#include "WaitFor.h"
#include "hostlibs/ReportWriter.h"

namespace {

// An object window that counts what the base hands to its hooks.
class CHookWnd : public IObjWnd {
public:
    int reports = 0, creates = 0, type10 = 0, timedOut = 0;
    void Report(BYTE*, WORD) override { ++reports; }
    void CreateNotify() override { ++creates; }
    void OnIdentity10(WORD, const std::string&, const std::string&, DWORD) override { ++type10; }
    void OnTimeoutDelivered(int, WORD) override { ++timedOut; }
};

std::unique_ptr<SIdentityBlock> Block(WORD id, const char* t1, const char* t2, DWORD value) {
    auto b = std::make_unique<SIdentityBlock>();
    std::memset(b.get(), 0, sizeof(SIdentityBlock));
    b->objId = id;
    CopyField(b->text1, t1);
    CopyField(b->text2, t2);
    b->value = value;
    return b;
}

}  // namespace

TEST(ObjWndBase, IdentityIsStoredFilledOrPassedOnByType) {
    CTestHost host;
    CHookWnd w;
    ASSERT_TRUE(w.Create(&host));
    auto b = Block(7, "Subscribers", "second", 42);
    SendMessage(&w, msg::WM_OBJIDENTITY, ToWParam(b.get()), 1);
    EXPECT_EQ(w.m_wObjId, 7);
    EXPECT_EQ(w.m_strObjName, "Subscribers");
    EXPECT_EQ(w.m_strObjName2, "second");
    EXPECT_EQ(w.m_dwObjData, 42u);
    EXPECT_EQ(w.creates, 1);
    auto fill = Block(0, "", "", 0);
    SendMessage(&w, msg::WM_OBJIDENTITY, ToWParam(fill.get()), msg::IDENT_FILL);
    EXPECT_EQ(fill->objId, 7);
    EXPECT_STREQ(fill->text2, "Subscribers");  // the name in both texts
    EXPECT_EQ(w.creates, 2);
    SendMessage(&w, msg::WM_OBJIDENTITY, ToWParam(fill.get()), msg::IDENT_TYPE10);
    EXPECT_EQ(w.type10, 1);
    EXPECT_EQ(w.creates, 2);  // no CreateNotify for type 10
    EXPECT_EQ(SendMessage(&w, msg::WM_HOSTHOOK_1231), 1);
    EXPECT_EQ(SendMessage(&w, msg::WM_HOSTHOOK_1302), -1);
    // The event hook deletes the data it is given.
    std::string name = "alarm";
    EXPECT_EQ(SendMessage(&w, msg::WM_HOSTEVENT, ToWParam(&name), ToLParam(new std::string("data"))), -1);
    host.agree = false;
}

TEST(ObjWndBase, RepliesSettleEverySlotOfTheirIdentifier) {
    CTestHost host;
    CHookWnd w;
    w.Create(&host);
    const BYTE payload[2] = {0x22, 0x11};
    ASSERT_EQ(w.SendBinCmd(0, 0, payload, 2, 0, 5, nullptr), 0);
    ASSERT_EQ(w.SendBinCmd(0, 0, payload, 2, 0, 5, nullptr), 1);
    std::vector<BYTE> reply(kFramePayload + 2, 0);
    reply[kFramePayload] = 0x22;
    reply[kFramePayload + 1] = 0x11;
    SendMessage(&w, msg::WM_REPORT, ToWParam(reply.data()), 9);
    EXPECT_EQ(w.reports, 2);
    EXPECT_EQ(w.BinPending(), 0);
    EXPECT_EQ(w.BinTimer(), -1);
    // A reply nobody waits for is consumed (BinTimeOut is not -1 here).
    SendMessage(&w, msg::WM_REPORT, ToWParam(reply.data()), 9);
    EXPECT_EQ(w.reports, 2);
    // A timed-out request is announced to the window itself.
    ASSERT_EQ(w.SendBinCmd(0, 0, payload, 2, 0, 1, nullptr), 0);
    for (int i = 0; i < 11; ++i) w.OnBinTimerTick();
    EXPECT_EQ(w.BinPending(), 0);
    ASSERT_TRUE(WaitFor([&] { return w.timedOut == 1; }));
    host.agree = false;
}

// A window that cannot enter an MDI area is not created; one that goes
// tells the host which plug-in module it came from.
TEST(ObjWndBase, CreateNeedsAnMdiAreaAndTheGoneNoticeNamesThePlugin) {
    QMainWindow bare;  // a host frame with no MDI area
    CHookWnd lone;
    EXPECT_FALSE(lone.Create(&bare));
    EXPECT_FALSE(lone.Create(nullptr));
    EXPECT_EQ(ExternMain(&bare, 3), nullptr);

    CTestHost host;
    auto* wnd = static_cast<CUserObjWnd*>(ExternMain(&host, 7));
    ASSERT_NE(wnd, nullptr);
    host.window = wnd;
    ASSERT_TRUE(wnd->DestroyWindow());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the window goes
    ASSERT_TRUE(WaitFor([&] { return !host.gone.empty(); }));
    Dl_info module{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&ExternMain), &module), 0);
    ASSERT_NE(module.dli_fbase, nullptr);
    EXPECT_EQ(host.gone, std::vector<WPARAM>{reinterpret_cast<WPARAM>(module.dli_fbase)});
}

TEST(HostLink, EachCommandGoesOutInABlockOfItsOwn) {
    CTestHost host;
    CHostLink link(&host);
    EXPECT_EQ(link.GetDatabase(), &HostDatabase());
    QObject window;
    EXPECT_TRUE(link.SendCommands("  LST A: X=1;  DSP B: Y=2; trailing", &window));
    EXPECT_EQ(host.commands, (std::vector<std::string>{"LST A: X=1;", "DSP B: Y=2;"}));
    EXPECT_FALSE(link.SendCommands("LST A: X=1", &window));
    EXPECT_EQ(host.commands.size(), 2u);
}

namespace {

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = host.OpenQuiet(3);
        host.agree = false;
    }
    void Deliver(const std::string& r) { SendMessage(wnd, msg::WM_REPORT, ToWParam(r.c_str()), 0); }
    platform::CRecordingUiGuard ui;
    CTestHost host;
    CUserObjWnd* wnd = nullptr;
};

// The detail view double: keeps the last detail it was shown.
class CDetailView : public CWndT<QWidget> {
public:
    CDetailData last;
    int shown = 0;
    LRESULT WindowProc(UINT m, WPARAM, LPARAM l) override {
        if (m != msg::WM_SHOWDETAIL) return 0;
        ++shown;
        const auto* sel = FromLParam<SDetailSelection>(l);
        if (sel && sel->data) last = sel->data->GetDetailData();
        return 1;
    }
};

}  // namespace

TEST_F(ReportTest, DetailReportsBecomeSinglesAndTables) {
    CDetailView detail;
    CObjListCtrl list;
    CObjDescData data;
    data.Create(308, HostDatabase().ObjLoadAllDesc(308), wnd, &list, &detail, 1, nullptr, nullptr);
    wnd->RegisterObjDesc(data.GetComObj(), &data);
    CReportWriter rows("LST MGCPSUB:;", 0, "ok");
    rows.BeginObject("MGCPSUB");
    rows.Add("DN", "20000001");
    Deliver(rows.Finish());
    const DWORD id = data.GetDynData()->GetData().front().GetInstID();
    ASSERT_TRUE(data.GetComObj()->InvokeConfigDetailView(id, 1, 1, 1, -1));
    ASSERT_EQ(host.commands.back(), "DSP MGCPSUB: DN=20000001;");

    CReportWriter w("DSP MGCPSUB: DN=20000001;", 0, "ok");
    w.BeginObject("MGCPSUB");
    w.Add("DN", "20000001");
    w.Add("CODEC", std::vector<std::string>{"PCMA", "G729"});
    w.BeginObject("MGCPSRV");
    w.Add("SRV", "CW");
    w.Add("STATE", "ACT");
    w.BeginObject("MGCPSRV");
    w.Add("SRV", "CFU");
    w.Add("STATE", "DEACT");
    Deliver(w.Finish());
    const CDetailData& d = detail.last;
    const auto* dn = d.Find("MGCPSUB", "DN");
    ASSERT_NE(dn, nullptr);
    EXPECT_EQ(static_cast<const CSinglePropValue&>(*dn->value).GetValue(), "20000001");
    const auto* codec = d.Find("MGCPSUB", "CODEC");
    ASSERT_NE(codec, nullptr);
    ASSERT_TRUE(codec->value->IsMulti());  // several values: a one-column table
    EXPECT_EQ(static_cast<const CExtMultiPropValue&>(*codec->value).GetRows().size(), 2u);
    const auto* services = d.Find("MGCPSRV", "");
    ASSERT_NE(services, nullptr);
    const auto& table = static_cast<const CExtMultiPropValue&>(*services->value);
    EXPECT_EQ(table.GetColumns(), (std::vector<std::string>{"SRV", "STATE"}));
    ASSERT_EQ(table.GetRows().size(), 2u);
    EXPECT_EQ(table.GetRows()[1][0], "CFU");
}

TEST_F(ReportTest, ReportsAreShownByKind) {
    wnd->m_strReport = "LST A: X=1; failed";
    SendMessage(wnd, msg::WM_SHOWREPORT, 1, 1);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "LST A: X=1  failed");
    SendMessage(wnd, msg::WM_SHOWREPORT, 2, 1);
    EXPECT_EQ(ui->boxes[1].text, "LST A: X=1  failed" + HostString(10124));
    SendMessage(wnd, msg::WM_SHOWREPORT, 3, 0);
    EXPECT_EQ(ui->boxes[2].text, HostString(10264));
    std::string shownText;
    ui->onDialog = [&](QDialog& d) {
        shownText = d.findChild<QWidget*>("ctl10164")->property("plainText").toString().toStdString();
        return 1;
    };
    SendMessage(wnd, msg::WM_SHOWREPORT, 3, 1);
    EXPECT_EQ(shownText, "LST A: X=1; failed");
    // The report dialog tells the host it opened and closed.
    EXPECT_EQ(std::count(host.identities.begin(), host.identities.end(), msg::IDENT_DIALOG_INIT), 1);
    EXPECT_EQ(std::count(host.identities.begin(), host.identities.end(), msg::IDENT_DIALOG_CLOSING), 1);
}

TEST_F(ReportTest, AnUnreadableReportIsToldWithItsCommand) {
    CObjListCtrl list;
    CObjDescData data;
    data.Create(308, HostDatabase().ObjLoadAllDesc(308), wnd, &list, nullptr, 1, nullptr, nullptr);
    wnd->RegisterObjDesc(data.GetComObj(), &data);
    wnd->m_bAddPending = TRUE;
    Deliver("%%LST MGCPSUB:;%%\nRETCODE = zero\n");
    EXPECT_FALSE(wnd->m_bAddPending);
    EXPECT_FALSE(wnd->m_mapCmdSender.count("LST MGCPSUB:;"));  // the sender is forgotten
    ASSERT_TRUE(WaitFor([&] { return !ui->boxes.empty(); }));
    EXPECT_EQ(ui->boxes[0].text, HostString(10066) + "LST MGCPSUB: ");  // its ";" shown as a blank
}

TEST_F(ReportTest, ARemovalInTheV5DialogListsItsSubscribersAgain) {
    auto* wnd5 = static_cast<CUserObjWnd*>(ExternMain(&host, 5));
    CV5UserDlg dlg;
    dlg.m_pActiveListCtrl = dlg.GetSubscriberList();
    wnd5->m_pActiveDlg = &dlg;
    CPackageStream pkg(CRestrictInfo{{"V5IID", "1"}, {"BGNL3ADDR", "0"}, {"ENDL3ADDR", "0"}});
    dlg.SubscriberData().Create(327, HostDatabase().ObjLoadAllDesc(327), wnd5, dlg.GetSubscriberList(), nullptr, 1,
                                nullptr, &pkg);
    wnd5->RegisterObjDesc(dlg.SubscriberData().GetComObj(), &dlg.SubscriberData());
    CComObj* sender = dlg.SubscriberData().GetComObj();
    SendMessage(wnd5, msg::WM_SENDMMLMSG, ToWParam(sender), ToLParam("RMV V5SUB: DN=70000001;"));
    EXPECT_TRUE(wnd5->m_bRmvPending);
    SendMessage(wnd5, msg::WM_SENDMMLMSG, ToWParam(sender), ToLParam("LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=0;"));
    EXPECT_TRUE(wnd5->m_bLstAfterRmv);
    host.commands.clear();
    CReportWriter w("LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=0;", 0, "ok");
    const std::string r = w.Finish();
    SendMessage(wnd5, msg::WM_REPORT, ToWParam(r.c_str()), 0);
    EXPECT_FALSE(wnd5->m_bLstAfterRmv);
    ASSERT_EQ(host.commands.size(), 1u);  // the main data set listed again
    EXPECT_EQ(host.commands[0], "LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=0;");
}
