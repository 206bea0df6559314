// Lists an operator can read and a property panel that agrees with them,
// and what the operator is told after a change: driven through the real
// host window, the module and the embedded switch.
#include "Operator.h"

#include <QFile>
#include <QMainWindow>
#include <QStandardPaths>
#include <QStatusBar>

#include "ColumnSettings.h"
#include "PropertyDisplayView.h"

using op::COperatorTest;
using op::Property;

namespace {

class ListComfortHands : public COperatorTest {
protected:
    // Widths remembered by one test are not the next one's.
    static void ForgetWidths() {
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      "/userobj/columns.ini");
    }
    void SetUp() override { ForgetWidths(); }
    void TearDown() override {
        COperatorTest::TearDown();
        ForgetWidths();
    }
    void OpenSubscribers(long long subscribers = 2000) {
        StartClient(subscribers);
        w = Open(3);
        ASSERT_NE(w, nullptr);
        list = Dialog(w)->MainList();
        panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
        ASSERT_NE(panel, nullptr);
    }
    // The value the panel shows under that name; "?" when it has no such row.
    std::string Panel(const std::string& name) {
        for (const auto& [n, v] : panel->Rows())
            if (n == name) return v;
        return "?";
    }
    std::string Status() { return m_main->statusBar()->currentMessage().toStdString(); }
    // Drags the divider at the right edge of a column by dx pixels.
    static void DragDivider(CObjListCtrl* l, int column, int dx) {
        QHeaderView* h = l->horizontalHeader();
        QWidget* v = h->viewport();
        const QPoint from(h->sectionViewportPosition(column) + h->sectionSize(column) - 1,
                          h->height() / 2);
        QTest::mousePress(v, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 5; ++i) {
            const QPoint p = from + QPoint(dx * i / 5, 0);
            QMouseEvent move(QEvent::MouseMove, p, v->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(v, &move);
        }
        QTest::mouseRelease(v, Qt::LeftButton, {}, from + QPoint(dx, 0));
    }
    static void DoubleClickDivider(CObjListCtrl* l, int column) {
        QHeaderView* h = l->horizontalHeader();
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, {},
                           QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) - 1,
                                  h->height() / 2));
    }
    // Every value of the rows shown fits its column, unless the column is
    // at the cap.
    void ExpectValuesFit(CObjListCtrl* l) {
        const QFontMetrics fm(l->font());
        for (int c = 0; c < l->Model().columnCount(); ++c) {
            const int width = l->columnWidth(c);
            if (width >= l->MaxFittedWidth()) continue;
            for (int r = 0; r < 40 && r < l->GetItemCount(); ++r) {
                const QString text = QString::fromStdString(l->Model().CellText(r, c));
                EXPECT_LE(fm.horizontalAdvance(text), width - 6)
                    << l->Model().Titles()[c] << ": " << text.toStdString();
            }
        }
    }

    CUserObjWnd* w = nullptr;
    CObjListCtrl* list = nullptr;
    CPropertyDisplayView* panel = nullptr;
};

// Columns fit their titles and the first page's values; a width the
// operator drags is kept for the list key, and a double click on a
// divider fits the column again.
TEST_F(ListComfortHands, ColumnsFitTheirValuesAndKeepTheOperatorsWidths) {
    OpenSubscribers();
    ExpectValuesFit(list);
    const int endpoint = op::ColumnOf(list, "Endpoint");
    const int fitted = list->columnWidth(endpoint);
    EXPECT_GT(fitted, QFontMetrics(list->font()).horizontalAdvance("Endpoint") + 20);

    // The drag resizes the column at every step and writes its width once,
    // when the button goes up: the last width.
    const int writes = list->WidthWrites();
    DragDivider(list, endpoint, -(fitted - 40));
    EXPECT_EQ(list->columnWidth(endpoint), 40);
    EXPECT_EQ(list->WidthWrites(), writes + 1);
    EXPECT_EQ(columns::RememberedWidth(list->m_strListKey, "Endpoint"), 40);
    // A later page keeps the operator's width.
    Wheel(list, 200);
    ASSERT_TRUE(Settle(w));
    ASSERT_GT(list->m_nPageBegin, 0);
    EXPECT_EQ(list->columnWidth(endpoint), 40);
    // So does another window of the same lists.
    CUserObjWnd* second = Open(3);
    ASSERT_NE(second, nullptr);
    CObjListCtrl* other = Dialog(second)->MainList();
    EXPECT_EQ(other->columnWidth(op::ColumnOf(other, "Endpoint")), 40);

    DoubleClickDivider(other, op::ColumnOf(other, "Endpoint"));
    EXPECT_GE(other->columnWidth(op::ColumnOf(other, "Endpoint")), fitted);
    EXPECT_EQ(columns::RememberedWidth(list->m_strListKey, "Endpoint"), other->columnWidth(op::ColumnOf(other, "Endpoint")));
    ExpectValuesFit(other);
    CUserObjWnd* third = Open(3);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(Dialog(third)->MainList()->columnWidth(op::ColumnOf(Dialog(third)->MainList(), "Endpoint")),
              other->columnWidth(op::ColumnOf(other, "Endpoint")));
}

// The panel counts the list's whole result, shows the row a single click
// picks, and shows the switch's detail of a double-clicked row with the
// names and choice texts the list uses.
TEST_F(ListComfortHands, ThePanelAgreesWithTheList) {
    OpenSubscribers(20000);
    EXPECT_EQ(Panel("Records"), "20,000");

    Click(list, 3);
    const std::string dn = list->Model().CellText(3, 0);
    EXPECT_EQ(Panel("Directory Number"), dn);
    EXPECT_EQ(Panel("Codec"), list->Model().CellText(3, op::ColumnOf(list, "Codec")));

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 5));
    ASSERT_TRUE(Settle(w));
    const std::string opened = list->Model().CellText(5, 0);
    const std::string onSwitch = OnSwitch("DSP MGCPSUB: DN=" + opened + ";");
    EXPECT_EQ(Panel("Directory Number"), opened);
    EXPECT_EQ(Panel("Gateway"), Property(onSwitch, "MGWNAME"));
    EXPECT_EQ(Panel("Codec"), list->Model().CellText(5, op::ColumnOf(list, "Codec")));
    EXPECT_NE(Panel("Codec").find("G.7"), std::string::npos) << Panel("Codec");
    for (const auto& [name, value] : panel->Rows()) {
        EXPECT_NE(name, "MGWNAME");
        EXPECT_NE(name, "CSC");
        EXPECT_NE(name, "MGCPSUB");
        EXPECT_NE(value, "PCMA");
    }
}

// A secret is masked wherever the panel shows it.
TEST_F(ListComfortHands, ThePanelMasksSecrets) {
    StartClient();
    w = Open(6);
    ASSERT_NE(w, nullptr);
    list = Dialog(w)->MainList();
    panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    ASSERT_GT(list->GetItemCount(), 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 0));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Panel("Password"), "******");
}

// Block shows the new state in the list and names what was done in the
// status bar, with no refresh; so does a modification.
TEST_F(ListComfortHands, ChangesShowInTheListAndTheStatusBar) {
    OpenSubscribers();
    const int status = op::ColumnOf(list, "Status");
    int row = 0;
    while (row < list->GetItemCount() && list->Model().CellText(row, status) != "Idle") ++row;
    ASSERT_LT(row, list->GetItemCount());
    const std::string dn = list->Model().CellText(row, 0);
    ASSERT_TRUE(ChooseFromMenu(list, row, "Block MGCP Subscriber"));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Property(OnSwitch("LST MGCPSUB: DN=" + dn + ";"), "STATUS"), "BLOCKED");
    EXPECT_EQ(list->Model().CellText(row, status), "Blocked");
    EXPECT_NE(Status().find("Block MGCP Subscriber " + dn), std::string::npos) << Status();

    OnParameterDialog([](QDialog& d) {
        ASSERT_TRUE(TypeParameter(d, "Description", "Front desk"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(list, row, "Modify"));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Property(OnSwitch("LST MGCPSUB: DN=" + dn + ";"), "DESC"), "Front desk");
    EXPECT_EQ(list->Model().CellText(row, op::ColumnOf(list, "Description")), "Front desk");
    EXPECT_EQ(Status(), "MGCP Subscriber " + dn + " modified");
}

// An added subscriber is picked and in view at once; a refused add says
// why in words and keeps the command under "Details".
TEST_F(ListComfortHands, AnAddShowsItsRowAndARefusalSaysWhy) {
    OpenSubscribers();
    const std::string existing = list->Model().CellText(1, 0);
    std::string dn = "29990007";
    OnParameterDialog([&](QDialog& d) {
        ASSERT_TRUE(TypeParameter(d, "Directory Number", QString::fromStdString(dn)));
        ASSERT_TRUE(TypeParameter(d, "Gateway", "mgw-new"));
        ASSERT_TRUE(TypeParameter(d, "Endpoint", "aaln/9@mgw-new"));
        PressButton(d, "ctl1");
    });
    Click(list, 10);
    ASSERT_TRUE(ChooseFromMenu(list, 10, "Add"));
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(Property(OnSwitch("LST MGCPSUB: DN=" + dn + ";"), "DN"), dn);
    ASSERT_EQ(list->SelectedCount(), 1);
    const int added = list->Model().FindRow(list->SelectedIds().front());
    EXPECT_EQ(list->Model().CellText(added, 0), dn);
    EXPECT_TRUE(list->viewport()->rect().contains(CellCentre(list, added)));
    EXPECT_EQ(Status(), "MGCP Subscriber " + dn + " added");
    EXPECT_EQ(Panel("Directory Number"), dn);

    // The same number again: the switch refuses.
    m_ui->boxes.clear();
    int openings = 0;
    OnParameterDialog([&](QDialog& d) {
        if (++openings > 1) {  // opened again with the entries: give up
            PressButton(d, "ctl2");
            return;
        }
        ASSERT_TRUE(TypeParameter(d, "Directory Number", QString::fromStdString(existing)));
        ASSERT_TRUE(TypeParameter(d, "Gateway", "mgw-new"));
        ASSERT_TRUE(TypeParameter(d, "Endpoint", "aaln/9@mgw-new"));
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(list, 2, "Add"));
    ASSERT_TRUE(WaitFor([&] { return openings >= 2; }, 10000));
    ASSERT_TRUE(Settle(w));
    ASSERT_FALSE(m_ui->boxes.empty());
    const auto& box = m_ui->boxes.front();
    EXPECT_NE(box.text.find("Add MGCP Subscriber " + existing), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("The instance exists already."), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("ADD MGCPSUB"), std::string::npos) << box.text;
    EXPECT_NE(box.details.find("ADD MGCPSUB:"), std::string::npos) << box.details;
    EXPECT_NE(box.details.find("1007"), std::string::npos) << box.details;
}

}  // namespace
