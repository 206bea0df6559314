// The find dialog under an operator's hands, over a list of subscribers
// whose descriptions the switch was given for the purpose.
#include "Operator.h"

#include <QLabel>
#include <QLineEdit>

#include "FindDlg.h"

using op::COperatorTest;

namespace {

class FindHands : public COperatorTest {
protected:
    // Ten subscribers; four of them described as the search needs.
    CObjListCtrl* Describe() {
        StartClient(10);
        if (HasFatalFailure()) return nullptr;
        m_wnd = Open(3);
        for (const auto& [dn, desc] : std::vector<std::pair<int, std::string>>{
                 {2, "5123"}, {4, "123"}, {6, "12"}, {8, "Ab"}}) {
            const std::string answer = OnSwitch("MOD MGCPSUB: DN=" + std::to_string(20000000 + dn) +
                                                ", DESC=\"" + desc + "\";");
            EXPECT_NE(answer.find("RETCODE = 0"), std::string::npos) << answer;
        }
        CObjListCtrl* list = Dialog(m_wnd)->MainList();
        Key(list, Qt::Key_F5);
        EXPECT_TRUE(Settle(m_wnd));
        m_nDesc = op::ColumnOf(list, "Description");
        return list;
    }
    // The description of the one row picked; empty when none is.
    std::string Picked(CObjListCtrl* list) const {
        const std::vector<DWORD> ids = list->SelectedIds();
        if (ids.size() != 1) return {};
        return list->Model().CellText(list->Model().FindRow(ids.front()), m_nDesc);
    }

    CUserObjWnd* m_wnd = nullptr;
    int m_nDesc = 0;
};

}  // namespace

// The three modes on "12" (whole: 12; beginning: 123 and 12; part: 5123,
// 123 and 12), case-sensitive, from the top, find-next until nothing is
// left; any change of text, column or mode stops find-next.
TEST_F(FindHands, FindAndFindNextInTheThreeModes) {
    CObjListCtrl* list = Describe();
    ASSERT_NE(list, nullptr);
    int dialogsOpen = -1;
    OnDialog([&](QDialog& d) {
        auto* dlg = dynamic_cast<CFindDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        dialogsOpen = m_main->OpenDialogs();
        auto* text = d.findChild<QLineEdit*>("ctl10164");
        auto* mode = d.findChild<QComboBox*>("ctl10168");
        auto* column = d.findChild<QComboBox*>("ctl10170");
        ASSERT_TRUE(text && mode && column);
        EXPECT_EQ(mode->currentIndex(), CFindDlg::MATCH_WHOLE);
        ASSERT_EQ(column->count(), list->Model().columnCount());
        EXPECT_EQ(column->currentIndex(), 0);
        QPushButton* next = dlg->FindNextButton();
        EXPECT_FALSE(next->isEnabled());

        ASSERT_TRUE(ChooseFromCombo(column, "Description"));
        QTest::mouseClick(text, Qt::LeftButton);
        QTest::keyClicks(text, "12");
        // Each find or find-next: what is picked, and whether the search ran dry.
        auto press = [&](const char* button) {
            m_ui->boxes.clear();
            PressButton(d, button);
            const bool dry =
                !m_ui->boxes.empty() && m_ui->boxes.back().text == "Search string not found";
            return std::make_pair(Picked(list), dry);
        };
        using R = std::pair<std::string, bool>;
        EXPECT_EQ(press("ctl10160"), R("12", false));
        EXPECT_TRUE(next->isEnabled());
        EXPECT_EQ(press("ctl10162"), R("", true));
        EXPECT_FALSE(next->isEnabled());
        EXPECT_EQ(list->SelectedCount(), 0);

        ASSERT_TRUE(ChooseFromCombo(mode, "Beginning of text"));
        EXPECT_EQ(press("ctl10160"), R("123", false));
        EXPECT_EQ(press("ctl10162"), R("12", false));
        EXPECT_EQ(press("ctl10162"), R("", true));

        ASSERT_TRUE(ChooseFromCombo(mode, "Part of text"));
        EXPECT_EQ(press("ctl10160"), R("5123", false));
        EXPECT_EQ(press("ctl10162"), R("123", false));
        EXPECT_EQ(press("ctl10162"), R("12", false));
        EXPECT_EQ(press("ctl10162"), R("", true));
        EXPECT_FALSE(next->isEnabled());

        // Find starts from the top again; a change then stops find-next.
        EXPECT_EQ(press("ctl10160"), R("5123", false));
        QTest::keyClick(text, Qt::Key_3);
        EXPECT_FALSE(next->isEnabled());
        EXPECT_EQ(press("ctl10160"), R("5123", false));  // "123" in part of "5123"
        ASSERT_TRUE(ChooseFromCombo(column, list->Model().Titles().front().c_str()));
        EXPECT_FALSE(next->isEnabled());
        ASSERT_TRUE(ChooseFromCombo(column, "Description"));

        // Letter case counts.
        TypeOver(text, "ab");
        EXPECT_EQ(press("ctl10160"), R("", true));
        TypeOver(text, "Ab");
        EXPECT_EQ(press("ctl10160"), R("Ab", false));
        PressButton(d, "ctl2");
    });
    Key(list, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(m_ui->dialogTitles.size(), 1u);
    EXPECT_EQ(dialogsOpen, 1);            // the host was told of the dialog ...
    EXPECT_EQ(m_main->OpenDialogs(), 0);  // ... and of its end
}

// The list's context menu offers find on a list with rows.
TEST_F(FindHands, TheContextMenuOpensFind) {
    CObjListCtrl* list = Describe();
    ASSERT_NE(list, nullptr);
    bool opened = false;
    OnDialog([&](QDialog& d) {
        opened = dynamic_cast<CFindDlg*>(&d) != nullptr;
        PressButton(d, "ctl2");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Find"));
    EXPECT_TRUE(opened);
}

// The dialog reads as it should and takes the keys at once: labels show
// their mnemonics, not ampersands, and each label and column box has room
// for its text; typing goes into the search field without a click first;
// Find waits for a text, and Alt+C reaches the column box.
TEST_F(FindHands, TheDialogTakesTheKeysAtOnceAndShowsItsWordsWhole) {
    CObjListCtrl* list = Describe();
    ASSERT_NE(list, nullptr);
    OnDialog([&](QDialog& d) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        auto* text = d.findChild<QLineEdit*>("ctl10164");
        auto* column = d.findChild<QComboBox*>("ctl10170");
        auto* find = d.findChild<QPushButton*>("ctl10160");
        ASSERT_TRUE(text && column && find);
        for (QLabel* label : d.findChildren<QLabel*>()) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString() << " shows its '&'";
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString() << " is cut";
        }
        const QFontMetrics fm(column->font());
        int widest = 0;
        for (int i = 0; i < column->count(); ++i) widest = std::max(widest, fm.horizontalAdvance(column->itemText(i)));
        EXPECT_GT(column->width(), widest) << "column titles are cut";
        EXPECT_FALSE(find->isEnabled()) << "Find with nothing to find";
        op::TypeKeys(&d, "Ab");
        EXPECT_EQ(text->text(), "Ab");
        EXPECT_TRUE(find->isEnabled());
        op::Chord(&d, Qt::Key_Alt, Qt::AltModifier, Qt::Key_C);
        EXPECT_EQ(QApplication::focusWidget(), column);
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClick(text, Qt::Key_Backspace);
        EXPECT_FALSE(find->isEnabled());
        PressButton(d, "ctl2");
    });
    Key(list, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(m_ui->dialogTitles.size(), 1u);
    EXPECT_TRUE(m_ui->boxes.empty());
}
