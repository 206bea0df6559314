// End to end on the embedded switch: a list of 100,000 subscribers opens on
// its first page, and jumping to the end and back fetches one page each.
#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include "EmbeddedSwitchLink.h"
#include "HostMainWindow.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "SubscriberDlgs.h"
#include "FormViews.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "WaitFor.h"

extern "C" void* ExternMain(void* hostFrame, int configType);

namespace {

// The embedded switch, remembering what the list asked it.
class CCountingLink : public host::CEmbeddedSwitchLink {
public:
    using CEmbeddedSwitchLink::CEmbeddedSwitchLink;
    void Send(QObject* window, const std::string& command) override {
        // Lists and pages; the host's subscription to notices is none of them.
        if (command.find("MGCPSUB") != std::string::npos && command.find("NOTICE") == std::string::npos)
            sent.push_back(command);
        CEmbeddedSwitchLink::Send(window, command);
    }
    std::vector<std::string> sent;
};

}  // namespace

TEST(ListOnSwitch, OpensOnItsFirstPageAndJumpsFetchOnePageEach) {
    platform::CRecordingUiGuard ui;
    auto link = std::make_unique<CCountingLink>(":memory:", 100000);
    std::string error;
    ASSERT_TRUE(link->WaitReady(error)) << error;
    CCountingLink* counting = link.get();
    host::CHostMainWindow main("", std::move(link));
    main.show();
    // An IP-network window: its own dialog lists other subscribers.
    auto* wnd = static_cast<CUserObjWnd*>(ExternMain(&main, 7));
    ASSERT_NE(wnd, nullptr);
    auto* list = new CObjListCtrl(wnd->widget(), 10194);
    list->resize(600, 400);
    list->show();
    CObjDescData data;
    list->m_obj = &data;
    ASSERT_TRUE(data.Create(308, HostDatabase().ObjLoadAllDesc(308), wnd, list, nullptr, 1, nullptr, nullptr));
    wnd->RegisterObjDesc(data.GetComObj(), &data);

    ASSERT_TRUE(WaitFor([&] { return list->GetItemData(0) != 0 && !wnd->IsBusy(); }, 20000));
    EXPECT_EQ(list->m_nTotalRecords, 100000);
    EXPECT_FLOAT_EQ(list->m_fRowScale, 10.0f);
    EXPECT_EQ(list->Model().CellText(0, 0), "20000000");
    ASSERT_EQ(counting->sent.size(), 2u);  // the list, then its first page

    auto press = [&](int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &e);
    };
    press(Qt::Key_End);
    ASSERT_TRUE(WaitFor([&] { return !wnd->IsBusy() && list->m_nPageEnd == 99999; }, 20000));
    ASSERT_EQ(counting->sent.size(), 3u);
    EXPECT_NE(counting->sent.back().find("BEGIN=99500"), std::string::npos);
    EXPECT_EQ(list->Model().CellText(list->GetItemCount() - 1, 0), "20099999");

    press(Qt::Key_Home);
    ASSERT_TRUE(WaitFor([&] { return !wnd->IsBusy() && list->m_nPageBegin == 0 && list->GetItemData(0); }, 20000));
    ASSERT_EQ(counting->sent.size(), 4u);
    EXPECT_NE(counting->sent.back().find("BEGIN=0, END=499"), std::string::npos);
    EXPECT_EQ(list->Model().CellText(0, 0), "20000000");
    delete list;
}

TEST(ListOnSwitch, PickingASubscriberFillsItsSecondaryListFromTheSwitch) {
    platform::CRecordingUiGuard ui;
    auto link = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", 2000);
    std::string error;
    ASSERT_TRUE(link->WaitReady(error)) << error;
    host::CHostMainWindow main("", std::move(link));
    main.show();
    auto* wnd = static_cast<CUserObjWnd*>(ExternMain(&main, 3));
    ASSERT_NE(wnd, nullptr);
    auto* mgcp = dynamic_cast<CSubscriberDlg*>(wnd->m_pConfigView->Dialogs().at(0));
    ASSERT_NE(mgcp, nullptr);
    ASSERT_TRUE(WaitFor([&] { return mgcp->MainList()->GetItemData(2) != 0 && !wnd->IsBusy(); }, 20000));
    // Subscriber 20000002 has three supplementary services in the demo data.
    mgcp->MainList()->SelectRow(2);
    mgcp->OnMainClick();
    ASSERT_TRUE(WaitFor([&] { return mgcp->SecondaryList()->GetItemCount() == 3 && !wnd->IsBusy(); }, 20000));
    EXPECT_EQ(mgcp->SecondaryList()->Model().CellText(0, 0), "20000002");
    EXPECT_NE(mgcp->SecondaryCaption()->text().indexOf("3"), -1);
}
