// Operations from the object window's side: the interactive filter command,
// jumps and window-opening operations, and sending by name.
#include <gtest/gtest.h>

#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "SubscriberDlgs.h"
#include "TestHost.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"

namespace {

// Fills the status condition of whatever command it is shown.
struct CCodecEditor : ICmdParamEditor {
    int calls = 0;
    std::string seen;
    int EditCommand(CCmd& cmd, HWND) override {
        ++calls;
        seen = cmd.Format();
        return cmd.SetParaValue("STATUS", "Blocked") ? IDOK : IDCANCEL;
    }
};

class OpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = host.OpenQuiet(3);
        host.agree = false;
        dlg = dynamic_cast<CSubscriberDlg*>(wnd->m_pActiveDlg);
        ASSERT_NE(dlg, nullptr);
        previous = GetCmdParamEditor();
        SetCmdParamEditor(&editor);
    }
    void TearDown() override { SetCmdParamEditor(previous); }
    platform::CRecordingUiGuard ui;
    CTestHost host;
    CUserObjWnd* wnd = nullptr;
    CSubscriberDlg* dlg = nullptr;
    CCodecEditor editor;
    ICmdParamEditor* previous = nullptr;
};

}  // namespace

TEST_F(OpsTest, TheInteractiveFilterEditsAndRemembersTheListsFilter) {
    CComObj* obj = dlg->MainData().GetComObj();
    ASSERT_EQ(wnd->ExecuteCmd(HostString(HS_FILTER_CMD), obj), 1);
    EXPECT_EQ(editor.calls, 1);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], "LST MGCPSUB: STATUS=BLOCKED;");
    CObjListCtrl* list = dlg->MainList();
    EXPECT_EQ(list->m_strFilterCommand, "LST MGCPSUB: STATUS=BLOCKED;");
    EXPECT_FALSE(list->m_bUnfiltered);
    // The next time the operator starts from the filter in force.
    ASSERT_EQ(wnd->ExecuteCmd(HostString(HS_FILTER_CMD), obj), 1);
    EXPECT_EQ(editor.seen, "LST MGCPSUB: STATUS=BLOCKED;");
    // A cancelled edit sends nothing.
    struct CCancel : ICmdParamEditor {
        int EditCommand(CCmd&, HWND) override { return IDCANCEL; }
    } cancel;
    SetCmdParamEditor(&cancel);
    EXPECT_EQ(wnd->ExecuteCmd(HostString(HS_FILTER_CMD), obj), 0);
    EXPECT_EQ(host.commands.size(), 2u);
}

TEST_F(OpsTest, SendingByNameNeedsAMatchingCommandAndParameters) {
    CComObj* obj = dlg->MainData().GetComObj();
    EXPECT_EQ(wnd->ExecuteCmd("No Such Command", obj), 0);
    EXPECT_EQ(wnd->ExecuteCmd(HostString(HS_PAGE_CMD), obj), 0);  // a page fetch without its parameters
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(wnd->ExecuteCmd("DSP MGCPSUB: DN=20000001;", obj), 1);  // a whole command goes as it is
    EXPECT_EQ(host.commands.back(), "DSP MGCPSUB: DN=20000001;");
    EXPECT_EQ(wnd->ExecuteCmd("x", nullptr), 0);
    const auto& infos = obj->GetDynData()->GetOpInfos();
    ASSERT_FALSE(infos.empty());
    EXPECT_EQ(infos.back().command, "DSP MGCPSUB: DN=20000001;");
    EXPECT_EQ(infos.back().kind, 1);
}

// (A jump from a list's menu is the operator tests' part: AJumpShowsTheRelatedRecords.)
TEST_F(OpsTest, AWindowOperationLeavesASwitchCommandForTheHost) {
    // A Centrex member's window operation names its group's object and command.
    CObjDescData members;
    members.Create(329, HostDatabase().ObjLoadAllDesc(329), wnd, nullptr, nullptr, 1, nullptr, nullptr);
    members.ProcessCmdRslt("LST CXMEM:;", TRUE, {"DN", "CGNO"}, [] {
        CDataTable t;
        t.Add({{"20000001"}, {"3"}});
        return t;
    }());
    const DWORD id = members.GetDynData()->GetData()[0].GetInstID();
    ASSERT_TRUE(members.GetComObj()->InvokeOperation(25, {id}));
    SSwitchCmd* sw = members.GetComObj()->GetSwitchCmd();
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->objType, 303u);
    EXPECT_EQ(sw->command, "DSP CXGRP: CGNO=3;");
}

// An operation the catalogue lists without a command template is passed
// over: sending by name neither throws out of the window nor stops at it.
TEST_F(OpsTest, AnOperationWithoutATemplateIsPassedOver) {
    SComObj desc = HostDatabase().ObjLoadAllDesc(308);
    desc.operations[0] = {"Nothing", ACT_COMMAND, "A Command Without Template", 0};  // before the others
    desc.commands.erase(0);
    CComObj obj;
    ASSERT_TRUE(obj.CreateEx(308, desc, wnd));
    int sent = -1;
    EXPECT_NO_THROW(sent = wnd->ExecuteCmd("A Command Without Template", &obj));
    EXPECT_EQ(sent, 0);
    const std::map<std::string, std::string> qid{{HostString(HS_QID), "\"7\""}};
    EXPECT_NO_THROW(sent = wnd->ExecuteCmd(HostString(HS_RELEASE_CMD), &obj, &qid));
    EXPECT_EQ(sent, 1);
    ASSERT_FALSE(host.commands.empty());
    EXPECT_EQ(host.commands.back(), "RLS MGCPSUB: QID=\"7\";");
}
