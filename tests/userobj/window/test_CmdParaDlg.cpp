// The command parameter dialog's own logic: pages, list size,
// the open request, tips, editors in turn, fixed rows. Filling it
// in is tested under an operator's hands (ParaDlgHands, ParaDlgTyping).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "CmdParaDlg.h"
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

TEST(CmdParaDlg, OpensOnItsPages) {
    CCmd cmd(Params(21));
    CCmdParaDlg dlg(&cmd, nullptr);
    EXPECT_EQ(dlg.PageCount(), 2);
    EXPECT_EQ(dlg.Tabs()->count(), 2);
    EXPECT_EQ(dlg.Tabs()->tabText(1).toStdString(), "Page 2");
    EXPECT_EQ(dlg.List()->rowCount(), 10);
    dlg.ShowTab(1);
    EXPECT_EQ(dlg.List()->rowCount(), 11);
    EXPECT_EQ(dlg.windowTitle(), "Add X");
}

// A keyboard request focuses the row; a page leaves its state bits 0, so
// no editor opens. (Clicks and typing into the editors are the operator
// tests' part.)
TEST(CmdParaDlg, AnOpenRequestWithoutStateBitsOnlyFocusesTheRow) {
    CCmd cmd(HostDatabase().ObjLoadAllDesc(308).commands.at(3));
    CCmdParaDlg dlg(&cmd, nullptr);
    dlg.show();
    CParaListCtrl* list = dlg.List();
    EXPECT_EQ(SendMessage(list, msg::WM_OPENEDITOR, 2, 0), 0);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(list->Editor(), nullptr);
}

// The tips, a kind without an editor, editors that open one after another,
// and the rows a caller fixes. (Typing into each kind: ParaDlgTyping.)
TEST(CmdParaDlg, TipsEditorsInTurnAndFixedRows) {
    SCmd c;
    c.mml = "ADD X";
    auto para = [&](const char* name, int kind) -> SParaDesc& {
        SParaDesc p;
        p.mmlName = name;
        p.displayName = name;
        p.kind = kind;
        p.editable = true;
        p.number = static_cast<int>(c.params.size()) + 1;
        c.params.push_back(p);
        return c.params.back();
    };
    para("T", PK_TEXT).defaultValue = "abc";
    para("S", PK_STRING);
    para("F", PK_ENUMFIXED).choices = {{"A", "Alpha"}};
    para("L", PK_ENUM).choices = {{"A", "Alpha"}, {"B", "Beta"}, {"C", "Gamma"}};
    SParaDesc& check = para("C", PK_ENUM);
    check.choices = {{"NO", "No"}, {"YES", "Yes"}};
    check.checkBox = true;
    SParaDesc& n = para("N", PK_NUMBER);
    n.minValue = 1;
    n.maxValue = 9;
    CCmd cmd(c);
    CCmdParaDlg dlg(&cmd, nullptr);
    dlg.show();
    CParaListCtrl* list = dlg.List();
    // Tool tips: the limit, and for plain text its default.
    EXPECT_EQ(list->item(0, 1)->toolTip().toStdString(), "Default: abc");
    EXPECT_EQ(list->item(5, 1)->toolTip().toStdString(), "Range: 1~9");
    // A kind with no editor opens nothing.
    EXPECT_FALSE(list->BeginEdit(2));
    // Editors one after another, each opening as soon as the last one closed:
    // the choice list opens on the current value and writes the chosen text.
    ASSERT_TRUE(list->BeginEdit(3));
    auto* combo = qobject_cast<QComboBox*>(list->Editor());
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(cmd.GetParaValue("L"), "Gamma");
    QApplication::processEvents();
    // The check box of a two-choice parameter picks the second choice.
    ASSERT_TRUE(list->BeginEdit(4));
    auto* box = list->Editor()->findChild<QCheckBox*>();
    ASSERT_NE(box, nullptr);
    box->setChecked(true);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    EXPECT_EQ(cmd.GetParaValue("C"), "Yes");
    QApplication::processEvents();
    // Escape drops the edit.
    ASSERT_TRUE(list->BeginEdit(0));
    auto* edit = qobject_cast<QLineEdit*>(list->Editor());
    edit->setText("changed");
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(edit, &esc);
    EXPECT_EQ(cmd.GetParaValue("T"), "abc");
    QApplication::processEvents();

    // With the caller flag clear, only the listed parameters are fixed.
    const std::vector<std::string> fixed = {"S"};
    CCmdParaDlg mixed(&cmd, nullptr, "Close", 0, &fixed);
    cmd.GetParaArray()[1] = CParaItem([] {
        SParaDesc p;
        p.mmlName = "S";
        p.displayName = "S";
        p.kind = PK_STRING;
        return p;
    }());
    mixed.ShowTab(0);
    EXPECT_TRUE(mixed.List()->RowFlags(1) & ROW_READONLY);
    EXPECT_FALSE(mixed.List()->RowFlags(0) & ROW_READONLY);
    EXPECT_EQ(mixed.findChild<QPushButton*>("ctl2")->text(), "Close");
}
