// What the number segment window tells the operator: the property panel
// shows the segment clicked, says when its details hold only part of its
// numbers and does not cut its names. (F5 in the tree leaving no numbers of
// a block listed before: ABlockListsItsNumbersAndComesBackFromTheCache.)
#include "Operator.h"

#include "DnSegDlg.h"
#include "DnSegTreeCtrl.h"
#include "PropertyDisplayView.h"

using op::COperatorTest;

namespace {

class DnSegPanelHands : public COperatorTest {
protected:
    void OpenSegments(long long subscribers) {
        StartClient(subscribers);
        w = Open(1);
        ASSERT_NE(w, nullptr);
        dlg = w->m_pUserView ? w->m_pUserView->m_pDnSegDlg : nullptr;
        ASSERT_NE(dlg, nullptr);
        tree = dlg->Tree();
        panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
        ASSERT_NE(panel, nullptr);
    }
    QTreeWidgetItem* Segment(const std::string& index) const {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(QString::fromStdString(index + ":")))
                return tree->topLevelItem(i);
        return nullptr;
    }
    // The value of the panel's first row of that name ("" when none).
    std::string Panel(const std::string& name) const {
        for (const auto& [n, v] : panel->Rows())
            if (n == name) return v;
        return {};
    }
    void DoubleClick(QTreeWidgetItem* item) {
        tree->scrollToItem(item);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    CUserObjWnd* w = nullptr;
    CDnSegDlg* dlg = nullptr;
    CDnSegTreeCtrl* tree = nullptr;
    CPropertyDisplayView* panel = nullptr;
};

// Every row shown in the panel whose name is cut although the panel has
// room for that name beside that row's value (a note is a sentence, which
// may be cut: its tip shows it whole).
std::vector<std::string> CutNames(CPropertyDisplayView* panel) {
    const QFontMetrics fm(panel->font());
    const int margin = 2 * (panel->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, panel) + 1);
    std::vector<QTreeWidgetItem*> shown;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        if (item->childCount() == 0) shown.push_back(item);
        if (item->isExpanded())
            for (int c = 0; c < item->childCount(); ++c) walk(item->child(c));
    };
    for (int i = 0; i < panel->topLevelItemCount(); ++i) walk(panel->topLevelItem(i));
    const int cellRight = panel->header()->sectionViewportPosition(0) + panel->header()->sectionSize(0);
    std::vector<std::string> cut;
    for (QTreeWidgetItem* item : shown) {
        // The names column's text starts after the item's indentation.
        const int needed = panel->visualItemRect(item).left() + fm.horizontalAdvance(item->text(0)) + margin;
        const int value = item->text(0) == "Note" ? 0 : fm.horizontalAdvance(item->text(1)) + margin;
        if (needed > cellRight && needed + value <= panel->viewport()->width())
            cut.push_back(item->text(0).toStdString() + " (" + std::to_string(needed) + " of " +
                          std::to_string(cellRight) + " in " + std::to_string(panel->viewport()->width()) + ")");
    }
    return cut;
}

}  // namespace

// A single click on a segment shows that segment in the panel, also after
// another segment's details were asked for; the details of a segment with
// more numbers than come with them say how many of how many are shown, and
// no name is cut while the panel has room for it beside its value.
TEST_F(DnSegPanelHands, TheSegmentClickedIsTheOneShown) {
    OpenSegments(2000);
    QTreeWidgetItem* mgcp = Segment("2");  // 20000000-20009999, 2000 numbers in use
    QTreeWidgetItem* service = Segment("0");
    ASSERT_TRUE(mgcp && service);
    ClickItem(tree, mgcp);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Panel("Object"), "Number Segment");
    EXPECT_EQ(Panel("Segment Index"), "2");
    EXPECT_EQ(Panel("First Number"), "20000000");
    EXPECT_EQ(Panel("Records"), "");

    DoubleClick(mgcp);
    ASSERT_TRUE(Settle(w));
    EXPECT_NE(Panel("Note").find("100 of 2000"), std::string::npos) << Panel("Note");
    // The panel as the window opened: room for the names and the values
    // (the note's sentence may be cut, its tip shows it whole).
    EXPECT_EQ(CutNames(panel), std::vector<std::string>{});
    // A row of the numbers' table picked with a click and opened with Right.
    QTreeWidgetItem* first = panel->findItems(QStringLiteral("#1"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(first, nullptr);
    panel->scrollToItem(first);
    QTest::mouseClick(panel->viewport(), Qt::LeftButton, {}, panel->visualItemRect(first).center());
    Key(panel, Qt::Key_Right);
    ASSERT_TRUE(first->isExpanded());
    EXPECT_EQ(CutNames(panel), std::vector<std::string>{});

    ClickItem(tree, service);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Panel("Segment Index"), "0");
    EXPECT_EQ(Panel("First Number"), "1000");
    EXPECT_EQ(Panel("Note"), "");
}
