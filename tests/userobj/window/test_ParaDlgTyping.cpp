// Filling the command parameter dialog as an operator does without
// preparing the row first: one click on a value and typing at once, a
// double click on any field, and the keyboard alone. What the switch holds
// afterwards is the judge.
#include "Operator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

#include <map>
#include <memory>

#include "CmdParaDlg.h"
#include "DnSegDlg.h"
#include "DnSegTreeCtrl.h"

using op::COperatorTest;
using op::Property;

namespace {

using op::Active;

int RowOf(CParaListCtrl* list, const QString& name) {
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->item(r, 0)->text() == name) return r;
    ADD_FAILURE() << "no parameter " << name.toStdString();
    return -1;
}

QString Cell(CParaListCtrl* list, const QString& name) {
    const int row = RowOf(list, name);
    return row < 0 ? QString() : list->item(row, 1)->text();
}

QPoint ValueCell(CParaListCtrl* list, const QString& name) {
    return list->visualItemRect(list->item(RowOf(list, name), 1)).center();
}

// One click on the value, then the text typed straight away, each key to
// whatever has the keyboard focus at that moment.
void ClickAndType(CParaListCtrl* list, const QString& name, const QString& text) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ValueCell(list, name));
    op::TypeKeys(list, text);
}

// Keys to whatever has the focus.
void Press(QWidget* fallback, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(op::Focused(fallback), key, mods);
}

// An editor is open and has the keys (a choice's entries dropped down included).
bool Editing(CParaListCtrl* list) {
    QWidget* editor = list->Editor();
    QWidget* f = QApplication::focusWidget();
    if (auto* choice = qobject_cast<QComboBox*>(editor); choice && choice->view()->isVisible()) return true;
    return editor && f && (f == editor || editor->isAncestorOf(f));
}

class ParaDlgTyping : public COperatorTest {
protected:
    std::string Segment(int index) { return OnSwitch("LST DNSEG: SEGIDX=" + std::to_string(index) + ";"); }
    std::string Mgcp(const std::string& dn) { return OnSwitch("LST MGCPSUB: DN=" + dn + ";"); }
    // The main list of a fresh client's window of that type (3: MGCP, 6: SIP).
    CObjListCtrl* MainList(int configType = 3) {
        StartClient();
        if (HasFatalFailure()) return nullptr;
        m_wnd = Open(configType);
        CSubscriberDlg* dlg = m_wnd ? Dialog(m_wnd) : nullptr;
        return dlg ? dlg->MainList() : nullptr;
    }
    CUserObjWnd* m_wnd = nullptr;
};

}  // namespace

// Add Number Segment filled with one click per value and typing at once:
// each cell gets every key typed, the first one included, and no key moves
// the current row elsewhere. A double click opens a choice; Down then
// Return there keeps the entry picked.
TEST_F(ParaDlgTyping, OneClickThenTypingFillsTheClickedCell) {
    StartClient(200);
    m_wnd = Open(1);
    ASSERT_NE(m_wnd, nullptr);
    ASSERT_NE(m_wnd->m_pUserView, nullptr);
    CDnSegTreeCtrl* tree = m_wnd->m_pUserView->m_pDnSegDlg->Tree();
    ASSERT_GT(tree->topLevelItemCount(), 0);
    ASSERT_EQ(Property(Segment(30), "SEGIDX"), "");

    int dialogs = 0;
    auto type = std::make_shared<QString>();
    OnParameterDialog([&](QDialog& d) {
        ++dialogs;
        CParaListCtrl* list = Active(d).List();
        ClickAndType(list, "Segment Index", "30");
        ClickAndType(list, "Segment Name", "Trial segment");
        ClickAndType(list, "First Number", "90000000");
        ClickAndType(list, "Last Number", "90004999");
        // A double click on a field that is not current opens its editor.
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, ValueCell(list, "Description"));
        EXPECT_TRUE(Editing(list));
        op::TypeKeys(list, "Typed by hand 42");
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, ValueCell(list, "Number Type"));
        auto* combo = qobject_cast<QComboBox*>(list->Editor());
        ASSERT_NE(combo, nullptr) << "a double click opened no choice";
        EXPECT_TRUE(Editing(list));
        Press(list, Qt::Key_Down);
        Press(list, Qt::Key_Return);
        EXPECT_TRUE(WaitFor([&] { return list->Editor() == nullptr; }, 2000));
        *type = Cell(list, "Number Type");
        EXPECT_FALSE(type->isEmpty());
        EXPECT_EQ(Cell(list, "First Number"), "90000000");
        EXPECT_EQ(Cell(list, "Segment Name"), "Trial segment");
        PressButton(d, "ctl1");
    });
    QTreeWidgetItem* first = tree->topLevelItem(0);
    tree->scrollToItem(first);
    const QPoint p = tree->visualItemRect(first).center();
    ClickItem(tree, first, Qt::RightButton);
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, tree->viewport()->mapToGlobal(p));
    QApplication::sendEvent(tree->viewport(), &e);
    QMenu* menu = tree->PopupMenu();
    ASSERT_TRUE(menu && WaitFor([menu] { return menu->isVisible(); }, 2000));
    QAction* add = nullptr;
    for (QAction* a : menu->actions())
        if (a->text().startsWith("Add")) add = a;
    ASSERT_NE(add, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(add).center());
    ASSERT_TRUE(WaitFor([&] { return dialogs == 1; }, 10000));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    const std::string added = Segment(30);
    EXPECT_EQ(Property(added, "BGNDN"), "90000000");
    EXPECT_EQ(Property(added, "ENDDN"), "90004999");
    EXPECT_EQ(Property(added, "NAME"), "Trial segment");
    EXPECT_EQ(Property(added, "DESC"), "Typed by hand 42");
    const std::map<QString, std::string> types{{"Fixed Line", "FIXED"}, {"Centrex", "CENTREX"}, {"Service Number", "SERVICE"}};
    ASSERT_EQ(types.count(*type), 1u) << type->toStdString();
    EXPECT_EQ(Property(added, "TYPE"), types.at(*type));
    // The new segment reads in the tree as the others do, its count of
    // numbers in use included, without a refresh.
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0).startsWith("30:")) item = tree->topLevelItem(i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(0).toStdString(), "30:90000000-90004999[" + Property(added, "USED") + "]");
    EXPECT_EQ(Property(added, "USED"), "0");
}

// One click on the Endpoint of Modify MGCP Subscriber and "mgw-7" typed:
// the endpoint changes on the switch and the gateway, whose value also
// starts with "m", keeps its own.
TEST_F(ParaDlgTyping, TypingIntoTheClickedEndpointLeavesTheGatewayAlone) {
    CObjListCtrl* list = MainList();
    ASSERT_NE(list, nullptr);
    const std::string dn = list->Model().CellText(1, 0);
    const std::string before = Mgcp(dn);
    ASSERT_EQ(Property(before, "MGWNAME").substr(0, 1), "m");
    OnParameterDialog([&](QDialog& d) {
        CParaListCtrl* pl = Active(d).List();
        ClickAndType(pl, "Endpoint", "mgw-7");
        EXPECT_EQ(pl->currentRow(), RowOf(pl, "Endpoint"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Modify"));
    ASSERT_TRUE(Settle(m_wnd));
    const std::string after = Mgcp(dn);
    EXPECT_EQ(Property(after, "EID"), "mgw-7");
    EXPECT_EQ(Property(after, "MGWNAME"), Property(before, "MGWNAME"));
}

// Every kind of field filled with the keyboard alone: the arrows and Tab
// walk the rows, a printable key opens a field with that key, F2 opens a
// field (a choice dropped down), Down picks, Space ticks, Return ends an
// edit, and Return in the list is OK.
TEST_F(ParaDlgTyping, TheKeyboardAloneFillsEveryKindOfField) {
    CObjListCtrl* list = MainList();
    ASSERT_NE(list, nullptr);
    const std::string dn = "29990007";
    ASSERT_EQ(Property(Mgcp(dn), "DN"), "");
    OnParameterDialog([&](QDialog& d) {
        CParaListCtrl* pl = Active(d).List();
        ASSERT_EQ(QApplication::focusWidget(), pl);
        // Walks to a row with the arrows; an editor the arrows open is left with Escape.
        auto walkTo = [&](const QString& name) {
            const int row = RowOf(pl, name);
            for (int guard = 0; pl->currentRow() != row && guard < 40; ++guard)
                Press(pl, pl->currentRow() < row ? Qt::Key_Down : Qt::Key_Up);
            if (pl->Editor()) Press(pl, Qt::Key_Escape);
            ASSERT_EQ(pl->currentRow(), row);
            ASSERT_EQ(pl->Editor(), nullptr);
        };
        // Text and numbers: typed straight on the current row; Tab ends the
        // edit and goes on to the next row.
        walkTo("Directory Number");
        op::TypeKeys(pl, QString::fromStdString(dn));
        Press(pl, Qt::Key_Tab);
        EXPECT_EQ(pl->Editor(), nullptr);
        EXPECT_EQ(pl->currentRow(), RowOf(pl, "Gateway"));
        op::TypeKeys(pl, "mgw-9");
        Press(pl, Qt::Key_Tab);
        op::TypeKeys(pl, "aaln/1@mgw-9");
        Press(pl, Qt::Key_Return);
        EXPECT_EQ(Cell(pl, "Endpoint"), "aaln/1@mgw-9");
        // A choice: F2 drops it down, Down picks the next entry, Return keeps it.
        walkTo("Codec");
        const QString codec = Cell(pl, "Codec");
        Press(pl, Qt::Key_F2);
        auto* combo = qobject_cast<QComboBox*>(pl->Editor());
        ASSERT_NE(combo, nullptr);
        EXPECT_TRUE(combo->view()->isVisible());
        Press(pl, Qt::Key_Down);
        Press(pl, Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return pl->Editor() == nullptr; }, 2000));
        EXPECT_NE(Cell(pl, "Codec"), codec);
        EXPECT_EQ(QApplication::focusWidget(), pl);
        // A printable key on a choice picks the entry it starts.
        walkTo("Codec");
        op::TypeKeys(pl, "G.729");
        Press(pl, Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return pl->Editor() == nullptr; }, 2000));
        EXPECT_EQ(Cell(pl, "Codec"), "G.729");
        // Several check boxes: Space ticks the one with the focus, Right
        // goes on to the next.
        walkTo("Call Rights");
        Press(pl, Qt::Key_F2);
        ASSERT_TRUE(Editing(pl));
        Press(pl, Qt::Key_Right);
        Press(pl, Qt::Key_Right);
        Press(pl, Qt::Key_Space);
        Press(pl, Qt::Key_Return);
        EXPECT_EQ(pl->Editor(), nullptr);
        // A date, typed.
        walkTo("Registered On");
        op::TypeKeys(pl, "20260315");
        Press(pl, Qt::Key_Return);
        EXPECT_EQ(Cell(pl, "Registered On"), "2026-03-15");
        // A yes/no box: Space ticks it.
        walkTo("Hotline");
        op::TypeKeys(pl, " ");
        Press(pl, Qt::Key_Return);
        EXPECT_EQ(Cell(pl, "Hotline"), "Yes");
        walkTo("Hotline Number");
        op::TypeKeys(pl, "20001999");
        Press(pl, Qt::Key_Return);
        Press(pl, Qt::Key_Return);  // OK
    });
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Add"));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    const std::string added = Mgcp(dn);
    EXPECT_EQ(Property(added, "MGWNAME"), "mgw-9");
    EXPECT_EQ(Property(added, "EID"), "aaln/1@mgw-9");
    EXPECT_EQ(Property(added, "CODEC"), "G729");
    EXPECT_EQ(Property(added, "OUTRIGHT"), "LOCAL-1&NATIONAL-1&INTL-1&PREMIUM-0");
    EXPECT_EQ(Property(added, "REGDATE"), "2026-03-15");
    EXPECT_EQ(Property(added, "HOTLINE"), "YES");
    EXPECT_EQ(Property(added, "HOTDN"), "20001999");
}

// An address field takes its first digit from the key that opens it.
TEST_F(ParaDlgTyping, AnAddressFieldTakesTheKeyThatOpensIt) {
    CObjListCtrl* list = MainList(6);
    ASSERT_TRUE(list && list->GetItemCount() > 1);
    const std::string dn = list->Model().CellText(1, 0);
    OnParameterDialog([&](QDialog& d) {
        CParaListCtrl* pl = Active(d).List();
        ClickAndType(pl, "Fixed Address", "10.1.2.3");
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Modify"));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(Property(OnSwitch("LST SIPSUB: DN=" + dn + ";"), "IPADDR"), "10.1.2.3");
}
