// The command parameter dialog: pages, list size, relations, the OK check.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "CmdParaDlg.h"
#include "HostStrings.h"
#include "UiService.h"
#include "hostlibs/FrmDatabase.h"
#include "userobj/Messages.h"

namespace {

SCmd Params(int n, int constants = 0) {
    SCmd c;
    c.mml = "ADD X";
    c.text2 = "Add X";
    for (int i = 0; i < n + constants; ++i) {
        SParaDesc p;
        p.mmlName = "P" + std::to_string(i);
        p.displayName = p.mmlName;
        p.number = i + 1;
        p.constant = i < constants;
        c.params.push_back(p);
    }
    return c;
}

std::vector<size_t> Sizes(int n, int constants = 0) {
    CCmd cmd(Params(n, constants));
    std::vector<size_t> out;
    for (const auto& page : CCmdParaDlg::BuildPages(cmd)) out.push_back(page.size());
    return out;
}

}  // namespace

TEST(CmdParaDlg, PagesHoldTenUnlessTheRestWouldBeShort) {
    EXPECT_EQ(Sizes(12), std::vector<size_t>{12});
    EXPECT_EQ(Sizes(19), std::vector<size_t>{19});
    EXPECT_EQ(Sizes(20), std::vector<size_t>{20});
    EXPECT_EQ(Sizes(21), (std::vector<size_t>{10, 11}));
    EXPECT_EQ(Sizes(25), (std::vector<size_t>{10, 15}));
    EXPECT_EQ(Sizes(31), (std::vector<size_t>{10, 10, 11}));
    EXPECT_TRUE(Sizes(0, 3).empty());  // only constants: no page
    EXPECT_EQ(CCmdParaDlg::ListHeight(10), 226);
    EXPECT_EQ(CCmdParaDlg::ListHeight(3), 86);
    EXPECT_EQ(CCmdParaDlg::ListHeight(11), 226);
}

TEST(CmdParaDlg, OpensOnItsPagesAndClosesAtOnceWithNothingToEnter) {
    CCmd cmd(Params(21));
    CCmdParaDlg dlg(&cmd, nullptr);
    EXPECT_EQ(dlg.PageCount(), 2);
    EXPECT_EQ(dlg.Tabs()->count(), 2);
    EXPECT_EQ(dlg.Tabs()->tabText(1).toStdString(), "Page 2");
    EXPECT_EQ(dlg.List()->rowCount(), 10);
    dlg.ShowTab(1);
    EXPECT_EQ(dlg.List()->rowCount(), 11);
    EXPECT_EQ(dlg.windowTitle(), "Add X");

    CCmd constants(Params(0, 2));
    CCmdParaDlg none(&constants, nullptr);
    EXPECT_EQ(none.exec(), QDialog::Accepted);
    CCmdParaDlg missing(nullptr, nullptr);
    EXPECT_EQ(missing.exec(), QDialog::Rejected);
}

TEST(CmdParaDlg, RelationsEnableAndRequireRows) {
    // The MGCP add: the hotline switch enables its number and delay and
    // makes the number required.
    CCmd cmd(HostDatabase().ObjLoadAllDesc(308).commands.at(3));
    CCmdParaDlg dlg(&cmd, nullptr);
    CParaListCtrl* list = dlg.List();
    auto rowOf = [&](const std::string& name) {
        for (int r = 0; r < list->rowCount(); ++r)
            if (cmd.GetParaArray()[static_cast<size_t>(list->ParaIndexOfRow(r))].GetMMLName() == name) return r;
        return -1;
    };
    // Page 0 or 1: find the page that shows HOTDN.
    for (int t = 0; t < dlg.PageCount() && rowOf("HOTDN") < 0; ++t) dlg.ShowTab(t);
    ASSERT_GE(rowOf("HOTDN"), 0);
    EXPECT_TRUE(list->RowFlags(rowOf("HOTDN")) & ROW_READONLY);  // HOTLINE=No
    EXPECT_FALSE(cmd.FindPara("HOTDN")->IsValid());
    ASSERT_TRUE(cmd.SetParaValue("HOTLINE", "Yes"));
    list->EvaluateRelations();
    EXPECT_FALSE(list->RowFlags(rowOf("HOTDN")) & ROW_READONLY);
    EXPECT_TRUE(list->RowFlags(rowOf("HOTDN")) & ROW_REQUIRED);
    EXPECT_FALSE(list->RowFlags(rowOf("HOTDELAY")) & ROW_REQUIRED);
    EXPECT_TRUE(cmd.FindPara("HOTDN")->IsValid());
    ASSERT_TRUE(cmd.SetParaValue("HOTLINE", "No"));
    list->EvaluateRelations();
    EXPECT_TRUE(list->RowFlags(rowOf("HOTDELAY")) & ROW_READONLY);
}

TEST(CmdParaDlg, OkWaitsForTheRequiredParameters) {
    platform::CRecordingUiGuard ui;
    CCmd cmd(HostDatabase().ObjLoadAllDesc(308).commands.at(3));
    CCmdParaDlg dlg(&cmd, nullptr);
    dlg.accept();
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, HostString(796));
    EXPECT_EQ(ui->boxes[0].caption, cmd.GetCmdDisplayName());
    EXPECT_EQ(dlg.result(), 0);
    cmd.SetParaValue("DN", "29000000");
    cmd.SetParaValue("MGWNAME", "gw");
    cmd.SetParaValue("EID", "e1");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ui->boxes.size(), 1u);
}

TEST(CmdParaDlg, EditorsWriteTheirValueIntoTheParameter) {
    CCmd cmd(HostDatabase().ObjLoadAllDesc(308).commands.at(3));
    CCmdParaDlg dlg(&cmd, nullptr);
    dlg.show();
    CParaListCtrl* list = dlg.List();
    int dnRow = -1;
    for (int r = 0; r < list->rowCount(); ++r)
        if (cmd.GetParaArray()[static_cast<size_t>(list->ParaIndexOfRow(r))].GetMMLName() == "DN") dnRow = r;
    ASSERT_GE(dnRow, 0);
    ASSERT_EQ(SendMessage(list, msg::WM_OPENEDITOR, static_cast<WPARAM>(dnRow), 0), 1);
    auto* edit = qobject_cast<QLineEdit*>(list->Editor());
    ASSERT_NE(edit, nullptr);
    edit->setText("20001234");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    EXPECT_EQ(cmd.GetParaValue("DN"), "20001234");
    EXPECT_EQ(list->item(dnRow, 1)->text(), "20001234");
}
