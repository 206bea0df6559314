// The command parameter dialog under an operator's hands: opened from a
// list's menu in the real host window with the module and the embedded
// switch, filled by clicks and typing in its in-place editors, and judged
// by what the switch holds afterwards.
#include "Operator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QTableWidget>

#include <map>
#include <memory>

#include "CmdParaDlg.h"
#include "ConflictDlg.h"
#include "PropertyDisplayView.h"
#include "userobj/Messages.h"

using op::COperatorTest;
using op::Property;

namespace {

using op::Active;

void Type(QWidget* fallback, const QString& text) { op::TypeKeys(fallback, text); }
void Enter(QWidget* fallback) { QTest::keyClick(op::Focused(fallback), Qt::Key_Return); }

// The row of a parameter by the name the operator reads; a parameter on
// another page is reached with a click on that page's tab.
int RowOf(CCmdParaDlg& d, const QString& name) {
    CParaListCtrl* list = d.List();
    for (int tab = 0; tab < d.PageCount(); ++tab) {
        if (tab != d.Tabs()->currentIndex())
            QTest::mouseClick(d.Tabs(), Qt::LeftButton, {}, d.Tabs()->tabRect(tab).center());
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->item(r, 0)->text() == name) return r;
    }
    ADD_FAILURE() << "no parameter " << name.toStdString();
    return -1;
}

QString Cell(CCmdParaDlg& d, const QString& name) {
    const int row = RowOf(d, name);
    return row < 0 ? QString() : d.List()->item(row, 1)->text();
}

// The arrow keys bring the row in and make it current; a click on its
// value cell then opens the editor, when the row has one.
void ClickValue(CParaListCtrl* list, int row) {
    for (int guard = 0; list->currentRow() != row && guard < 50; ++guard)
        QTest::keyClick(list, list->currentRow() < row ? Qt::Key_Down : Qt::Key_Up);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row, 1)).center());
}

// Types a value into a parameter's editor and ends the edit with Enter.
void Edit(CCmdParaDlg& d, const QString& name, const QString& text) {
    CParaListCtrl* list = d.List();
    const int row = RowOf(d, name);
    ASSERT_GE(row, 0);
    ClickValue(list, row);
    ASSERT_TRUE(WaitFor([&] { return list->Editor() != nullptr; })) << "no editor for " << name.toStdString();
    ASSERT_EQ(QApplication::focusWidget(), list->Editor());
    Type(list, text);
    Enter(list);
    ASSERT_TRUE(WaitFor([&] { return list->Editor() == nullptr; }));
}

// Ticks the check box of a two-choice parameter and ends the edit with Enter.
void Tick(CCmdParaDlg& d, const QString& name) {
    CParaListCtrl* list = d.List();
    const int row = RowOf(d, name);
    ASSERT_GE(row, 0);
    ClickValue(list, row);
    ASSERT_TRUE(WaitFor([&] { return list->Editor() != nullptr; }));
    auto* box = list->Editor()->findChild<QCheckBox*>();
    ASSERT_NE(box, nullptr);
    QStyleOptionButton opt;
    opt.initFrom(box);
    QTest::mouseClick(box, Qt::LeftButton, {}, box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, box).center());
    ASSERT_TRUE(box->isChecked());
    Enter(list);
    ASSERT_TRUE(WaitFor([&] { return list->Editor() == nullptr; }));
}

class ParaDlgHands : public COperatorTest {
protected:
    // The MGCP subscribers' list of a fresh client.
    CObjListCtrl* MgcpList() {
        StartClient();
        if (HasFatalFailure()) return nullptr;
        m_wnd = Open(3);
        CSubscriberDlg* mgcp = m_wnd ? Dialog(m_wnd) : nullptr;
        return mgcp ? mgcp->MainList() : nullptr;
    }
    std::string Subscriber(const std::string& dn) { return OnSwitch("LST MGCPSUB: DN=" + dn + ";"); }
    // A fresh client; the operation chosen on its second MGCP subscriber
    // opens a parameter dialog that these hands work.
    void OnSecondSubscriber(const char* operation, std::function<void(QDialog&, CCmdParaDlg&)> hands) {
        CObjListCtrl* list = MgcpList();
        ASSERT_NE(list, nullptr);
        OnParameterDialog([hands](QDialog& d) { hands(d, Active(d)); });
        ASSERT_TRUE(OnSecondRow(list, operation));
    }
    // The operation chosen on the list's second row has run.
    bool OnSecondRow(CObjListCtrl* list, const char* operation) {
        return ChooseFromMenu(list, 1, operation) && Settle(m_wnd);
    }
    // An add of a subscriber under that number, as typed into its dialog.
    static void TypeSubscriber(CCmdParaDlg& dlg, const std::string& dn) {
        Edit(dlg, "Directory Number", QString::fromStdString(dn));
        Edit(dlg, "Gateway", "mgw-new");
        Edit(dlg, "Endpoint", "aaln/9@mgw-new");
    }
    int Refusals() {
        int n = 0;
        for (const auto& box : m_ui->boxes) n += box.text.find("exists already") != std::string::npos;
        return n;
    }
    bool BoxSays(size_t index, std::initializer_list<const char*> parts) {
        if (index >= m_ui->boxes.size()) return false;
        for (const char* part : parts)
            if (m_ui->boxes[index].text.find(part) == std::string::npos) return false;
        return true;
    }

    CUserObjWnd* m_wnd = nullptr;
};

// Modify names its subscriber by the Directory Number: that row is grey,
// a click opens nothing there and typing changes nothing, and OK changes
// this subscriber on the switch and no other.
TEST_F(ParaDlgHands, ModifyCannotRetargetAnotherSubscriber) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    const std::string dn = list->Model().CellText(1, 0);
    const std::string neighbour = list->Model().CellText(2, 0);
    const std::string neighbourBefore = Subscriber(neighbour);
    ASSERT_EQ(Property(neighbourBefore, "DN"), neighbour);

    int dialogs = 0;
    OnParameterDialog([&](QDialog& d) {
        ++dialogs;
        CCmdParaDlg& dlg = Active(d);
        CParaListCtrl* pl = dlg.List();
        const int dnRow = RowOf(dlg, "Directory Number");
        EXPECT_TRUE(pl->RowFlags(dnRow) & ROW_READONLY);
        ClickValue(pl, dnRow);
        ClickValue(pl, dnRow);
        EXPECT_EQ(pl->Editor(), nullptr);
        Type(pl, QString::fromStdString(neighbour));
        EXPECT_EQ(pl->Editor(), nullptr);
        EXPECT_EQ(Cell(dlg, "Directory Number").toStdString(), dn);
        Edit(dlg, "Description", "Moved to room 12");
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(OnSecondRow(list, "Modify"));
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Property(Subscriber(dn), "DESC"), "Moved to room 12");
    EXPECT_EQ(Subscriber(neighbour), neighbourBefore);
}

// Two operators on one subscriber: while this one has Modify open and
// changes the description, another changes the codec on the switch. OK
// sends the description (and the key), and the other change stays.
TEST_F(ParaDlgHands, ModifyKeepsWhatAnotherOperatorChangedMeanwhile) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    const std::string dn = list->Model().CellText(1, 0);
    const std::string before = Subscriber(dn);
    const std::string codec = Property(before, "CODEC") == "G729" ? "PCMU" : "G729";
    const std::string gateway = Property(before, "MGWNAME");

    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& dlg = Active(d);
        Edit(dlg, "Description", "Reception desk");
        const std::string other = OnSwitch("MOD MGCPSUB: DN=" + dn + ", CODEC=" + codec + ";");
        EXPECT_EQ(Property(other, "RETCODE"), "0") << other;
        PressButton(d, "ctl1");
    });
    Sent();
    ASSERT_TRUE(OnSecondRow(list, "Modify"));
    const std::string after = Subscriber(dn);
    EXPECT_EQ(Property(after, "DESC"), "Reception desk");
    EXPECT_EQ(Property(after, "CODEC"), codec);
    EXPECT_EQ(Property(after, "MGWNAME"), gateway);
    size_t modifications = 0;
    for (const std::string& sent : Sent()) {
        if (sent.rfind("MOD MGCPSUB: DN=" + dn + ",", 0) != 0) continue;
        ++modifications;
        EXPECT_NE(sent.find("DESC=\"Reception desk\""), std::string::npos) << sent;
        EXPECT_EQ(sent.find("CODEC="), std::string::npos) << sent;
        EXPECT_EQ(sent.find("MGWNAME="), std::string::npos) << sent;
    }
    EXPECT_EQ(modifications, 1u);
}

// Two operators change the same field: this one's OK finds the record
// changed meanwhile and shows both values; applying puts this operator's
// value on the record as it is now, and the list goes on from there (the
// next Modify meets no conflict).
TEST_F(ParaDlgHands, TheSameFieldChangedMeanwhileIsShownAndMineCanBeApplied) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    const std::string dn = list->Model().CellText(1, 0);
    const std::string revision = Property(Subscriber(dn), "REV");
    ASSERT_FALSE(revision.empty());
    SConflicts conflicts;
    QString mine = QStringLiteral("Mine");
    OnDialog([&](QDialog& d) {
        if (ApplyMine(d, conflicts)) return;
        CCmdParaDlg& dlg = Active(d);
        Edit(dlg, "Description", mine);
        if (conflicts.count == 0) {
            EXPECT_EQ(Property(OnSwitch("MOD MGCPSUB: DN=" + dn + ", DESC=\"Theirs\";"), "RETCODE"), "0");
        }
        PressButton(d, "ctl1");
    });
    Sent();
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Modify"));
    ASSERT_TRUE(WaitFor([&] { return conflicts.count == 1; })) << [&] {
        std::string seen;
        for (const std::string& c : Sent()) seen += c + "\n";
        for (const auto& box : m_ui->boxes) seen += "box: " + box.text + "\n";
        return seen;
    }();
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(conflicts.rows, (std::vector<std::vector<QString>>{{"Description", "Mine", "Theirs"}}));
    std::string after = Subscriber(dn);
    EXPECT_EQ(Property(after, "DESC"), "Mine");
    EXPECT_EQ(Property(after, "REV"), std::to_string(std::stoi(revision) + 2));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;

    // The list took the record's new revision: the next change goes through.
    mine = QStringLiteral("Mine again");
    ASSERT_TRUE(OnSecondRow(list, "Modify"));
    EXPECT_EQ(conflicts.count, 1);
    after = Subscriber(dn);
    EXPECT_EQ(Property(after, "DESC"), "Mine again");
    EXPECT_EQ(Property(after, "REV"), std::to_string(std::stoi(revision) + 3));
    // The revision is no column the operator sees.
    for (const std::string& title : list->Model().Titles()) EXPECT_NE(title, "Revision");
    // Nor a line of the panel, whether it shows the list's record or the
    // switch's detail of it.
    auto* panel = dynamic_cast<CPropertyDisplayView*>(m_wnd->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(OnSecondRow(list, "Display"));
    bool described = false;
    for (const auto& [name, value] : panel->Rows()) {
        EXPECT_NE(name, "Revision");
        described = described || value == "Mine again";
    }
    EXPECT_TRUE(described) << "the panel does not show the record";
}

// A keyboard sends Shift and Ctrl as keys of their own: they pass the
// editor on to the list, and must not end the edit there (capitals and
// Ctrl+A used to close the editor and lose the next letter).
TEST_F(ParaDlgHands, ModifierKeysKeepTheEditOpen) {
    const QString typed = QStringLiteral("Room B-12 (North) & Annex");
    OnSecondSubscriber("Modify", [&](QDialog& d, CCmdParaDlg& dlg) {
        ASSERT_TRUE(TypeParameter(d, QStringLiteral("Description"), typed));
        EXPECT_EQ(Cell(dlg, "Description"), typed);
        CParaListCtrl* list = dlg.List();
        const int row = RowOf(dlg, "Description");
        ClickValue(list, row);
        ASSERT_TRUE(WaitFor([&] { return list->Editor() != nullptr; }));
        QTest::keyPress(op::Focused(list), Qt::Key_Shift);
        QTest::keyRelease(op::Focused(list), Qt::Key_Shift);
        QTest::keyPress(op::Focused(list), Qt::Key_Control);
        QTest::keyRelease(op::Focused(list), Qt::Key_Control);
        EXPECT_NE(list->Editor(), nullptr) << "a modifier alone ended the edit";
        Enter(list);
        PressButton(d, "ctl1");
    });
    const std::string dn = m_wnd ? Dialog(m_wnd)->MainList()->Model().CellText(1, 0) : "";
    EXPECT_EQ(Property(Subscriber(dn), "DESC"), typed.toStdString());
}

// Hotline = Yes makes the Hotline Number required: OK is refused while it
// is empty, with the other entries kept, and goes through once it is typed.
TEST_F(ParaDlgHands, HotlineNumberIsRequiredOnceHotlineIsOn) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    const std::string dn = list->Model().CellText(1, 0);
    ASSERT_EQ(Property(Subscriber(dn), "HOTLINE"), "NO");

    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& dlg = Active(d);
        Edit(dlg, "Description", "Lobby phone");
        Tick(dlg, "Hotline");
        EXPECT_EQ(Cell(dlg, "Hotline"), "Yes");
        PressButton(d, "ctl1");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(m_ui->boxes.size(), 1u);
        EXPECT_TRUE(BoxSays(0, {"required"}));
        EXPECT_EQ(Cell(dlg, "Description"), "Lobby phone");
        EXPECT_EQ(Cell(dlg, "Hotline"), "Yes");
        Edit(dlg, "Hotline Number", "20001999");
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(OnSecondRow(list, "Modify"));
    const std::string after = Subscriber(dn);
    EXPECT_EQ(Property(after, "HOTLINE"), "YES");
    EXPECT_EQ(Property(after, "HOTDN"), "20001999");
    EXPECT_EQ(Property(after, "DESC"), "Lobby phone");
}

// Values the parameter cannot take are named with their rule, stay in
// their cells as typed, keep the dialog open and lose no other entry.
TEST_F(ParaDlgHands, ValuesTheParameterCannotTakeAreNamedAndKept) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    const std::string dn = list->Model().CellText(1, 0);

    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& dlg = Active(d);
        Edit(dlg, "Description", "Kept while refused");
        Edit(dlg, "Call Source", "abc");
        EXPECT_TRUE(WaitFor([&] { return m_ui->boxes.size() == 1; }));
        EXPECT_TRUE(BoxSays(0, {"Call Source", "abc", "Range: 0~255"}));
        EXPECT_EQ(Cell(dlg, "Call Source"), "abc");
        // OK says it again and stays.
        PressButton(d, "ctl1");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(m_ui->boxes.size(), 2u);
        EXPECT_TRUE(BoxSays(1, {"Call Source", "Range: 0~255"}));
        EXPECT_EQ(Cell(dlg, "Description"), "Kept while refused");
        Edit(dlg, "Call Source", "7");
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(OnSecondRow(list, "Modify"));
    std::string after = Subscriber(dn);
    EXPECT_EQ(Property(after, "CSC"), "7");
    EXPECT_EQ(Property(after, "DESC"), "Kept while refused");
    EXPECT_EQ(m_ui->boxes.size(), 2u);

    // Letters in a number of digits; a text longer than its limit, whole in
    // its cell and shortened in the box, which would run off the screen.
    const QString tooLong(300, QChar('x'));
    m_ui->boxes.clear();
    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& dlg = Active(d);
        Edit(dlg, "Directory Number", "2000abc");
        EXPECT_TRUE(WaitFor([&] { return m_ui->boxes.size() == 1; }));
        EXPECT_TRUE(BoxSays(0, {"Directory Number", "2000abc", "1~32 digits"}));
        Edit(dlg, "Description", tooLong);
        EXPECT_TRUE(WaitFor([&] { return m_ui->boxes.size() == 2; }));
        EXPECT_TRUE(BoxSays(1, {"Description", "Length: 0~64", "xxx\u2026"}));
        EXPECT_LT(m_ui->boxes[1].text.size(), 200u);
        EXPECT_EQ(Cell(dlg, "Description"), tooLong);
        EXPECT_EQ(Cell(dlg, "Directory Number"), "2000abc");
        // The editor opens again on what was typed; Escape gives the cell its value back.
        CParaListCtrl* pl = dlg.List();
        ClickValue(pl, RowOf(dlg, "Directory Number"));
        ASSERT_TRUE(WaitFor([&] { return pl->Editor() != nullptr; }));
        auto* edit = qobject_cast<QLineEdit*>(pl->Editor());
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "2000abc");
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_EQ(Cell(dlg, "Directory Number"), "");
        PressButton(d, "ctl2");
    });
    ASSERT_TRUE(OnSecondRow(list, "Add"));
    EXPECT_EQ(m_ui->boxes.size(), 2u);
    EXPECT_EQ(Property(Subscriber("2000abc"), "DN"), "");
}

// The switch refuses an add of a number it has: after the refusal the
// dialog opens again with what was typed. Cancel there drops the entries
// (nothing more is sent, the dialog does not come back); a corrected
// number goes through.
TEST_F(ParaDlgHands, RefusedAddOpensAgainWithTheTypedValues) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    const std::string existing = list->Model().CellText(1, 0);
    const std::string existingBefore = Subscriber(existing);
    const std::string fresh = "29990001";
    ASSERT_EQ(Property(Subscriber(fresh), "DN"), "");

    int round = 0;
    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& dlg = Active(d);
        if (++round == 1) TypeSubscriber(dlg, existing);
        PressButton(d, round == 1 ? "ctl1" : "ctl2");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Add"));
    ASSERT_TRUE(WaitFor([&] { return round == 2; }, 10000));
    ASSERT_TRUE(Settle(m_wnd));
    QTest::qWait(200);
    EXPECT_EQ(round, 2);
    EXPECT_EQ(Refusals(), 1);
    EXPECT_EQ(Subscriber(existing), existingBefore);

    m_ui->boxes.clear();
    m_host->notices.clear();
    round = 0;
    OnParameterDialog([&](QDialog& d) {
        ++round;
        CCmdParaDlg& dlg = Active(d);
        if (round == 1) {
            EXPECT_EQ(m_host->notices, std::vector<LPARAM>{msg::IDENT_DIALOG_INIT});  // told while open
            TypeSubscriber(dlg, existing);
            Edit(dlg, "Description", "Typed once");
        } else {
            EXPECT_EQ(Refusals(), 1);
            EXPECT_EQ(Cell(dlg, "Directory Number").toStdString(), existing);
            EXPECT_EQ(Cell(dlg, "Gateway"), "mgw-new");
            EXPECT_EQ(Cell(dlg, "Endpoint"), "aaln/9@mgw-new");
            EXPECT_EQ(Cell(dlg, "Description"), "Typed once");
            Edit(dlg, "Directory Number", QString::fromStdString(fresh));
        }
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Add"));
    ASSERT_TRUE(WaitFor([&] { return round == 2; }, 10000));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(round, 2);
    EXPECT_EQ(Refusals(), 1);
    // The refusal says what it means once, with the switch's particulars.
    for (const auto& box : m_ui->boxes) {
        const std::string& t = box.text;
        const std::string meaning = "The instance exists already.";
        if (t.find(meaning) == std::string::npos) continue;
        EXPECT_EQ(t.find(meaning), t.rfind(meaning)) << t;
        EXPECT_NE(t.find(existing), std::string::npos) << t;
    }
    const std::string added = Subscriber(fresh);
    EXPECT_EQ(Property(added, "MGWNAME"), "mgw-new");
    EXPECT_EQ(Property(added, "DESC"), "Typed once");
    EXPECT_EQ(Subscriber(existing), existingBefore);
    // Each opening told the host once that it opened and once that it closed.
    EXPECT_EQ(m_host->notices, (std::vector<LPARAM>{msg::IDENT_DIALOG_INIT, msg::IDENT_DIALOG_CLOSING,
                                                     msg::IDENT_DIALOG_INIT, msg::IDENT_DIALOG_CLOSING}));
}

// A password typed into an add the switch refuses is not repeated in what
// the operator is shown, though the switch's answer echoes the command.
TEST_F(ParaDlgHands, ARefusalNeverShowsTheSecretThatWasTyped) {
    StartClient();
    m_wnd = Open(6);
    ASSERT_NE(m_wnd, nullptr);
    CObjListCtrl* list = Dialog(m_wnd)->MainList();
    ASSERT_GT(list->GetItemCount(), 1);
    const std::string existing = list->Model().CellText(1, 0);
    int round = 0;
    OnParameterDialog([&](QDialog& d) {
        CCmdParaDlg& dlg = Active(d);
        if (++round == 1) {
            Edit(dlg, "Directory Number", QString::fromStdString(existing));
            Edit(dlg, "SIP URI", "sip:new@ims.example.net");
            Edit(dlg, "Password", "Sesame 4711");
        }
        PressButton(d, round == 1 ? "ctl1" : "ctl2");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 1, "Add"));
    ASSERT_TRUE(WaitFor([&] { return round == 2; }, 10000));
    ASSERT_TRUE(Settle(m_wnd));
    ASSERT_FALSE(m_ui->boxes.empty());
    EXPECT_NE(m_ui->boxes.front().details.find("PASSWORD=******"), std::string::npos) << m_ui->boxes.front().details;
    for (const auto& box : m_ui->boxes)
        for (const std::string& shown : {box.text, box.details})
            for (const char* piece : {"Sesame", "4711"})
                EXPECT_EQ(shown.find(piece), std::string::npos) << piece << " in: " << shown;
}

// A parameter dialog that ends at once (nothing to enter, or no command)
// was never open and tells the host nothing. (One that opens tells it once
// each way: RefusedAddOpensAgainWithTheTypedValues.)
TEST_F(ParaDlgHands, ADialogThatEndsAtOnceTellsTheHostNothing) {
    CObjListCtrl* list = MgcpList();
    ASSERT_NE(list, nullptr);
    m_host->notices.clear();
    int shown = 0;
    m_ui->onDialog = [&](QDialog&) { return ++shown, 0; };
    SCmd constantsOnly;
    constantsOnly.mml = "DSP MGCPSTAT";
    SParaDesc constant;
    constant.mmlName = "DN";
    constant.constant = true;
    constantsOnly.params = {constant};
    CCmd cmd(constantsOnly);
    ASSERT_NE(GetCmdParamEditor(), nullptr);
    EXPECT_EQ(GetCmdParamEditor()->EditCommand(cmd, m_wnd), IDOK);
    {
        CCmdParaDlg none(nullptr, m_wnd, {}, 1, nullptr, m_main.get());
        EXPECT_EQ(none.exec(), QDialog::Rejected);
    }
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(m_host->notices.empty());
}

// A value too long for its cell shows whole in a tip over the cell while
// the pointer is over it; the tip goes when the pointer leaves, also when
// it leaves without the list hearing of it.
TEST_F(ParaDlgHands, ATitleTipShowsTheWholeOfACutValue) {
    OnSecondSubscriber("Modify", [](QDialog& d, CCmdParaDlg& dlg) {
        const QString whole = QStringLiteral("Lobby phone beside the lift on the ground floor of block C");
        CParaListCtrl* pl = dlg.List();
        Edit(dlg, "Description", whole);
        auto* tip = pl->findChild<QLabel*>(QStringLiteral("titleTip"));
        ASSERT_NE(tip, nullptr);
        const QPoint cut = pl->visualItemRect(pl->item(RowOf(dlg, "Description"), 1)).center();
        Hover(pl->viewport(), cut);
        EXPECT_TRUE(tip->isVisible());
        EXPECT_EQ(tip->text(), whole);
        // Over a name that fits: no tip.
        Hover(pl->viewport(), pl->visualItemRect(pl->item(RowOf(dlg, "Codec"), 0)).center());
        EXPECT_FALSE(tip->isVisible());
        Hover(pl->viewport(), cut);
        ASSERT_TRUE(tip->isVisible());
        auto* ok = d.findChild<QWidget*>(QStringLiteral("ctl1"));
        Hover(ok, ok->rect().center());
        EXPECT_TRUE(WaitFor([&] { return !tip->isVisible(); }, 1000));
        PressButton(d, "ctl2");
    });
}

// The arrow keys walk the rows, each row's editor opening as the key is
// released; a row only passed through keeps its value (a date stays
// empty, a choice stays as it was). Enter and Escape end an edit and open
// nothing when they are released.
TEST_F(ParaDlgHands, ArrowKeysOpenEachRowsEditorAndPassingWritesNothing) {
    OnSecondSubscriber("Add", [](QDialog& d, CCmdParaDlg& dlg) {
        CParaListCtrl* pl = dlg.List();
        const QString codec = Cell(dlg, "Codec");
        auto press = [&](Qt::Key key) {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : pl, key);
        };
        QTest::mouseClick(pl->viewport(), Qt::LeftButton, {}, pl->visualItemRect(pl->item(0, 0)).center());
        press(Qt::Key_Down);
        EXPECT_EQ(pl->currentRow(), 1);
        ASSERT_NE(pl->Editor(), nullptr);
        EXPECT_TRUE(pl->Editor()->isAncestorOf(QApplication::focusWidget()) || pl->Editor() == QApplication::focusWidget());
        for (int guard = 0; pl->currentRow() < pl->rowCount() - 1 && guard < 30; ++guard) {
            press(Qt::Key_Down);
            const bool editable = !(pl->RowFlags(pl->currentRow()) & ROW_READONLY);
            EXPECT_EQ(pl->Editor() != nullptr, editable) << "row " << pl->currentRow();
        }
        EXPECT_EQ(pl->currentRow(), pl->rowCount() - 1);
        EXPECT_EQ(Cell(dlg, "Registered On"), "");
        EXPECT_EQ(Cell(dlg, "Codec"), codec);

        ClickValue(pl, RowOf(dlg, "Description"));
        ASSERT_TRUE(WaitFor([&] { return pl->Editor() != nullptr; }));
        Type(pl, "desk");
        press(Qt::Key_Return);
        EXPECT_EQ(pl->Editor(), nullptr);
        EXPECT_EQ(Cell(dlg, "Description"), "desk");
        EXPECT_EQ(QApplication::focusWidget(), pl);  // the keys go on in the list
        press(Qt::Key_Up);
        ASSERT_NE(pl->Editor(), nullptr);
        press(Qt::Key_Escape);
        EXPECT_EQ(pl->Editor(), nullptr);
        EXPECT_TRUE(d.isVisible());
        PressButton(d, "ctl2");
    });
}

// The rows carry what the page and the relations make of them, no state
// of their own: a required white row, an optional one, a row a relation
// requires.
TEST_F(ParaDlgHands, RowFlagsAreThoseOfThePageAndTheRelations) {
    OnSecondSubscriber("Add", [](QDialog& d, CCmdParaDlg& dlg) {
        CParaListCtrl* pl = dlg.List();
        EXPECT_EQ(pl->RowFlags(RowOf(dlg, "Gateway")), ROW_REQUIRED | ROW_WHITE);
        EXPECT_EQ(pl->RowFlags(RowOf(dlg, "Description")), 0);
        EXPECT_EQ(pl->RowFlags(RowOf(dlg, "Hotline Number")), ROW_READONLY);
        Tick(dlg, "Hotline");
        EXPECT_EQ(pl->RowFlags(RowOf(dlg, "Hotline Number")), ROW_REQUIRED);
        EXPECT_EQ(pl->RowFlags(RowOf(dlg, "Hotline Delay (s)")), 0);
        PressButton(d, "ctl2");
    });
}

// A drop-down that closes ends its edit with the value it shows: a choice
// made with the keys is taken; closed without a choice, the value stays.
TEST_F(ParaDlgHands, ADropDownEndsItsEditWhenItCloses) {
    auto chosen = std::make_shared<QString>();
    OnSecondSubscriber("Modify", [chosen](QDialog& d, CCmdParaDlg& dlg) {
        CParaListCtrl* pl = dlg.List();
        const QString before = Cell(dlg, "Codec");
        auto openList = [&]() -> QComboBox* {
            ClickValue(pl, RowOf(dlg, "Codec"));
            auto* combo = qobject_cast<QComboBox*>(pl->Editor());
            if (!combo) return nullptr;
            QTest::keyClick(combo, Qt::Key_F4);
            return WaitFor([&] { return combo->view()->isVisible(); }) ? combo : nullptr;
        };
        QComboBox* combo = openList();
        ASSERT_NE(combo, nullptr);
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return pl->Editor() == nullptr; }));
        *chosen = Cell(dlg, "Codec");
        EXPECT_NE(*chosen, before);
        combo = openList();
        ASSERT_NE(combo, nullptr);
        QTest::keyClick(combo->view(), Qt::Key_F4);  // closed again, nothing chosen
        EXPECT_TRUE(WaitFor([&] { return pl->Editor() == nullptr; }));
        EXPECT_EQ(Cell(dlg, "Codec"), *chosen);
        PressButton(d, "ctl1");
    });
    const std::string dn = Dialog(m_wnd)->MainList()->Model().CellText(1, 0);
    const std::map<QString, std::string> mml{
        {"G.711 A-law", "PCMA"}, {"G.711 u-law", "PCMU"}, {"G.729", "G729"}, {"G.723.1", "G723"}};
    ASSERT_EQ(mml.count(*chosen), 1u) << chosen->toStdString();
    EXPECT_EQ(Property(Subscriber(dn), "CODEC"), mml.at(*chosen));
}

}  // namespace
