// The Centrex window driven by hand: picking a group lists its members and
// prefixes as the switch holds them, the members come back from the cache,
// the newest pick wins (Enter binds at once), and a change to a member lists
// the groups again.
#include "Operator.h"

#include "CentrexDlg.h"
#include "PropertyDisplayView.h"

using op::COperatorTest;
using op::CountSent;
using op::Property;

namespace {

// The values of one key a report lists, in order.
std::vector<std::string> ValuesIn(const std::string& report, const std::string& key) {
    std::vector<std::string> values;
    const std::string mark = "\n" + key + " = ";
    for (size_t at = report.find(mark); at != std::string::npos; at = report.find(mark, at + 1)) {
        const size_t from = at + mark.size();
        values.push_back(report.substr(from, report.find('\n', from) - from));
    }
    return values;
}

class CentrexHands : public COperatorTest {
protected:
    void OpenCentrex() {
        StartClient(2000);
        w = Open(2);
        ASSERT_NE(w, nullptr);
        ASSERT_NE(w->m_pCentrexView, nullptr);
        dlg = w->m_pCentrexView->m_pCentrexDlg;
        ASSERT_NE(dlg, nullptr);
        groups = dlg->GroupList();
        ASSERT_GT(groups->GetItemCount(), 2);
    }
    // The Centrex window with the first group picked and its members listed.
    void OpenFirstGroup() {
        OpenCentrex();
        if (HasFatalFailure()) return;
        Click(groups, 0);
        ASSERT_TRUE(Settle(w));
        ASSERT_GT(dlg->MemberList()->GetItemCount(), 0);
    }
    // Both sub-lists show exactly what the switch holds for the group of that row.
    void ExpectGroupShown(int row) {
        const std::string cgno = groups->Model().CellText(row, 0);
        const std::vector<std::string> members =
            ValuesIn(OnSwitch("LST CXMEM: CGNO=" + cgno + ";"), "DN");
        const std::vector<std::string> prefixes =
            ValuesIn(OnSwitch("LST CXPFX: CGNO=" + cgno + ";"), "PFX");
        ASSERT_FALSE(members.empty());
        ASSERT_EQ(dlg->MemberList()->GetItemCount(), static_cast<int>(members.size()))
            << "group " << cgno;
        for (int r = 0; r < dlg->MemberList()->GetItemCount(); ++r)
            EXPECT_EQ(dlg->MemberList()->Model().CellText(r, 0), members[static_cast<size_t>(r)]);
        ASSERT_EQ(dlg->PrefixList()->GetItemCount(), static_cast<int>(prefixes.size()))
            << "group " << cgno;
        for (int r = 0; r < dlg->PrefixList()->GetItemCount(); ++r)
            EXPECT_EQ(dlg->PrefixList()->Model().CellText(r, 0), prefixes[static_cast<size_t>(r)]);
        EXPECT_EQ(dlg->Caption(1)->text().toStdString(),
                  "Centrex Member (" + std::to_string(members.size()) + " members)");
    }
    CUserObjWnd* w = nullptr;
    CCentrexDlg* dlg = nullptr;
    CObjListCtrl* groups = nullptr;
};

}  // namespace

// A pick lists the group's members and prefixes; picking it again takes the
// members from the cache and asks the switch for the prefixes only.
TEST_F(CentrexHands, PickingAGroupListsItsMembersAndPrefixes) {
    OpenCentrex();
    EXPECT_EQ(dlg->Caption(0)->text().toStdString(),
              "Centrex Group (" + std::to_string(groups->GetItemCount()) + " groups)");
    Sent();
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    std::vector<std::string> sent = Sent();
    EXPECT_EQ(CountSent(sent, "LST CXMEM"), 1u);
    EXPECT_EQ(CountSent(sent, "LST CXPFX"), 1u);
    ExpectGroupShown(0);

    Click(groups, 1);
    ASSERT_TRUE(Settle(w));
    ExpectGroupShown(1);
    Sent();
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    sent = Sent();
    EXPECT_EQ(CountSent(sent, "LST CXMEM"), 0u);
    EXPECT_EQ(CountSent(sent, "LST CXPFX"), 1u);
    ExpectGroupShown(0);

    // The detail view follows the list clicked; a page change of the view
    // shows the groups again.
    auto* panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    auto panelObject = [panel] {
        for (const auto& [name, value] : panel->Rows())
            if (name == "Object") return value;
        return std::string();
    };
    QWidget* prefixes = dlg->PrefixList()->viewport();
    ClickAt(prefixes, QPoint(10, prefixes->height() - 5));
    EXPECT_EQ(dlg->GetActiveListCtrl(), dlg->PrefixList());
    EXPECT_EQ(panelObject(), "Centrex Outgoing Prefix");
    EXPECT_EQ(SendMessage(w->m_pCentrexView, msg::WM_TABPAGECHANGE, 0, 0), 1);
    EXPECT_EQ(panelObject(), "Centrex Group");
}

// The newest pick wins: Enter binds both lists at once (and without a
// picked group binds nothing), and of two quick clicks the second.
TEST_F(CentrexHands, TheNewestPickWinsAndEnterWithoutAGroupBindsNothing) {
    OpenCentrex();
    ASSERT_EQ(groups->SelectedCount(), 0);
    groups->setFocus();
    Sent();
    Key(groups, Qt::Key_Return);
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(dlg->MemberList()->m_obj, nullptr);

    Click(groups, 2);
    ASSERT_TRUE(Settle(w));
    Click(groups, 1);             // its load is still on its way ...
    Key(groups, Qt::Key_Return);  // ... when Enter binds row 1 at once, members too
    ASSERT_TRUE(Settle(w));
    ExpectGroupShown(1);

    // Two quick clicks: only the second one's lists are asked for and shown.
    const std::string first = groups->Model().CellText(3, 0), second = groups->Model().CellText(4, 0);
    Sent();
    Click(groups, 3);
    Click(groups, 4);
    ASSERT_TRUE(Settle(w));
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(CountSent(sent, "LST CXMEM: CGNO=" + first + ","), 0u);
    EXPECT_EQ(CountSent(sent, "LST CXMEM: CGNO=" + second + ","), 1u);
    ExpectGroupShown(4);
}

// A change made in the members' list is followed by a new list of the
// groups, which also empties the members' cache.
TEST_F(CentrexHands, RemovingAMemberListsTheGroupsAgain) {
    OpenCentrex();
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(dlg->GroupCache().Size(), 1u);
    CObjListCtrl* members = dlg->MemberList();
    const std::string dn = members->Model().CellText(0, 0);
    Click(members, 0);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(dlg->GetActiveListCtrl(), members);
    Sent();
    Key(members, Qt::Key_Delete);  // answered Yes
    ASSERT_TRUE(Settle(w));
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(CountSent(sent, "RMV CXMEM"), 1u);
    EXPECT_EQ(CountSent(sent, "LST CXGRP"), 1u);
    EXPECT_EQ(OnSwitch("LST CXMEM: DN=" + dn + ";").find("DN = " + dn), std::string::npos);
    EXPECT_EQ(dlg->GroupCache().Size(), 0u);
}

// Two operators change the same member's description: this one's OK finds
// the member changed meanwhile and shows both values; applying puts this
// operator's value on the member as it is now, and what the other one
// changed elsewhere stays.
TEST_F(CentrexHands, AMemberChangedMeanwhileShowsBothValuesAndMineCanBeApplied) {
    ASSERT_NO_FATAL_FAILURE(OpenFirstGroup());
    CObjListCtrl* members = dlg->MemberList();
    const std::string dn = members->Model().CellText(0, 0);
    const std::string before = OnSwitch("LST CXMEM: DN=" + dn + ";");
    const std::string revision = Property(before, "REV");
    ASSERT_FALSE(revision.empty()) << before;
    SConflicts conflicts;
    OnDialog([&](QDialog& d) {
        if (ApplyMine(d, conflicts)) return;
        ASSERT_TRUE(TypeParameter(d, "Description", "Mine"));
        // Meanwhile, on another link: the same field, and another one.
        if (conflicts.count == 0) {
            EXPECT_EQ(Property(OnSwitch("MOD CXMEM: DN=" + dn + ", DESC=\"Theirs\";"), "RETCODE"), "0");
            EXPECT_EQ(Property(OnSwitch("MOD CXMEM: DN=" + dn + ", DISPNAME=\"Front\";"), "RETCODE"), "0");
        }
        PressButton(d, "ctl1");
    });
    ASSERT_TRUE(ChooseFromMenu(members, 0, "Modify"));
    ASSERT_TRUE(WaitFor([&] { return conflicts.count == 1; }));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(conflicts.rows, (std::vector<std::vector<QString>>{{"Display Name", "", "Front"},
                                                         {"Description", "Mine", "Theirs"}}));
    const std::string after = OnSwitch("LST CXMEM: DN=" + dn + ";");
    EXPECT_EQ(Property(after, "DESC"), "Mine");
    EXPECT_EQ(Property(after, "DISPNAME"), "Front");
    EXPECT_EQ(Property(after, "SHORTNO"), Property(before, "SHORTNO"));
    EXPECT_EQ(Property(after, "REV"), std::to_string(std::stoi(revision) + 3));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
}

// Another operator changes a member while this one confirms its removal:
// the removal is refused, the conflict dialog names what changed with its
// value now, and Cancel leaves the member as the other operator left it.
TEST_F(CentrexHands, AMemberChangedWhileItsRemovalIsConfirmedIsShownAndKept) {
    ASSERT_NO_FATAL_FAILURE(OpenFirstGroup());
    CObjListCtrl* members = dlg->MemberList();
    const std::string dn = members->Model().CellText(0, 0);
    Click(members, 0);
    ASSERT_TRUE(Settle(w));
    m_ui->onBox = [&](const platform::CRecordingUi::Box&) {
        EXPECT_EQ(Property(OnSwitch("MOD CXMEM: DN=" + dn + ", DESC=\"Theirs\";"), "RETCODE"), "0");
    };
    SConflicts conflicts;
    OnDialog([&](QDialog& d) {
        if (!ApplyMine(d, conflicts, false)) d.reject();
    });
    Key(members, Qt::Key_Delete);  // answered Yes
    ASSERT_TRUE(WaitFor([&] { return conflicts.count == 1; }));
    ASSERT_TRUE(Settle(w));
    m_ui->onBox = nullptr;
    EXPECT_EQ(conflicts.rows, (std::vector<std::vector<QString>>{{"Description", "", "Theirs"}}));
    const std::string after = OnSwitch("LST CXMEM: DN=" + dn + ";");
    EXPECT_EQ(Property(after, "DN"), dn);
    EXPECT_EQ(Property(after, "DESC"), "Theirs");
    ASSERT_EQ(m_ui->boxes.size(), 1u);  // the question only
}

namespace {

// The row of a list that shows that key in its first column, -1 when none.
int RowOfKey(CObjListCtrl* list, const std::string& key) {
    for (int r = 0; r < list->GetItemCount(); ++r)
        if (list->Model().CellText(r, 0) == key) return r;
    return -1;
}

}  // namespace

// A group of 800 members lists all 800, page by page, the first time and
// again when it comes back from the cache.
TEST_F(CentrexHands, AGroupOf800MembersComesBackWithAll800) {
    StartClient(2000);
    ASSERT_NE(OnSwitch("ADD CXGRP: CGNO=50, CGNAME=BigCo, MAXMEM=1000;").find("RETCODE = 0"),
              std::string::npos);
    for (int k = 0; k < 800; ++k) {
        const std::string answer = OnSwitch("ADD CXMEM: DN=" + std::to_string(20001000 + k) +
                                            ", CGNO=50, CGNAME=BigCo, SHORTNO=" + std::to_string(1000 + k) + ", KIND=SUB;");
        ASSERT_NE(answer.find("RETCODE = 0"), std::string::npos) << answer;
    }
    w = Open(2);
    ASSERT_NE(w, nullptr);
    dlg = w->m_pCentrexView->m_pCentrexDlg;
    groups = dlg->GroupList();
    const int row = RowOfKey(groups, "50");
    ASSERT_GE(row, 0);
    CObjListCtrl* members = dlg->MemberList();
    auto expectAll800 = [&] {
        EXPECT_EQ(members->GetItemCount(), 800);
        EXPECT_EQ(dlg->Caption(1)->text().toStdString(), "Centrex Member (800 members)");
        EXPECT_EQ(members->Model().CellText(0, 0), "20001000");
        members->setFocus();
        Key(members, Qt::Key_End);
        ASSERT_TRUE(Settle(w));
        EXPECT_EQ(members->Model().CellText(799, 0), "20001799");
    };
    Click(groups, row);
    ASSERT_TRUE(Settle(w));
    expectAll800();
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    Click(groups, row);
    ASSERT_TRUE(Settle(w));
    expectAll800();
}

// A click on a member keeps the group's members where the group finds
// them: listed again after a change on the switch, they come back from
// the cache as they were listed last.
TEST_F(CentrexHands, AfterAMemberClickTheGroupStillFindsItsMembersInTheCache) {
    OpenCentrex();
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    CObjListCtrl* members = dlg->MemberList();
    const std::string dn = members->Model().CellText(0, 0);
    Click(members, 0);
    ASSERT_TRUE(Settle(w));
    ASSERT_NE(OnSwitch("MOD CXMEM: DN=" + dn + ", DISPNAME=Reception;").find("RETCODE = 0"),
              std::string::npos);
    Key(members, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    const auto& titles = members->Model().Titles();
    const int column = static_cast<int>(std::find(titles.begin(), titles.end(), "Display Name") - titles.begin());
    ASSERT_LT(column, static_cast<int>(titles.size()));
    ASSERT_EQ(members->Model().CellText(0, column), "Reception");
    EXPECT_EQ(dlg->GroupCache().Size(), 1u);
    Click(groups, 1);
    ASSERT_TRUE(Settle(w));
    Sent();
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST CXMEM"), 0u);
    EXPECT_EQ(members->Model().CellText(0, column), "Reception");
}

// While group A's members are on their way the window is greyed: a click on
// the cached group B, or below the groups, does nothing; A's members are
// shown when they come, each group is cached under its own key, and B then
// comes back with its own members from the cache.
TEST_F(CentrexHands, AClickInTheGreyedWindowIsIgnoredAndEachGroupKeepsItsOwnMembers) {
    auto* sw = StartScriptedClient(2000);
    w = Open(2);
    ASSERT_NE(w, nullptr);
    dlg = w->m_pCentrexView->m_pCentrexDlg;
    groups = dlg->GroupList();
    ASSERT_GT(groups->GetItemCount(), 2);
    const int a = 0, b = 1;
    Click(groups, b);
    ASSERT_TRUE(Settle(w));
    ExpectGroupShown(b);
    const CRestrictInfo keyA = dlg->GroupData().GetRestrictInfo(groups->GetItemData(a));
    const CRestrictInfo keyB = dlg->GroupData().GetRestrictInfo(groups->GetItemData(b));
    ASSERT_NE(dlg->GroupCache().Find(keyB), nullptr);

    Sent();
    sw->hold = true;
    Click(groups, a);
    ASSERT_TRUE(WaitFor([&] { return !sw->held.empty(); }, 5000));
    ASSERT_FALSE(w->widget()->isEnabled());
    Click(groups, b);  // greyed: nothing happens
    // Nor does a click below the groups (room made for it), which would
    // otherwise make the list active and bind its group again.
    m_main->resize(m_main->width(), 1600);
    const QRect last = groups->visualRect(groups->model()->index(groups->GetItemCount() - 1, 0));
    ASSERT_TRUE(WaitFor([&] { return last.bottom() + 10 < groups->viewport()->height(); }, 2000));
    ClickAt(groups->viewport(), QPoint(last.center().x(), last.bottom() + 10));
    sw->Release();
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST CXMEM"), 1u);
    ExpectGroupShown(a);
    const CObjDescData* cachedA = dlg->GroupCache().Find(keyA);
    const CObjDescData* cachedB = dlg->GroupCache().Find(keyB);
    ASSERT_TRUE(cachedA && cachedB);
    const std::string firstOfA =
        ValuesIn(OnSwitch("LST CXMEM: CGNO=" + groups->Model().CellText(a, 0) + ";"), "DN").front();
    const std::string firstOfB =
        ValuesIn(OnSwitch("LST CXMEM: CGNO=" + groups->Model().CellText(b, 0) + ";"), "DN").front();
    ASSERT_NE(firstOfA, firstOfB);
    ASSERT_FALSE(cachedA->GetDynData()->GetData().empty());
    ASSERT_FALSE(cachedB->GetDynData()->GetData().empty());
    EXPECT_EQ(cachedA->GetDynData()->GetData().front().GetFieldText(0), firstOfA);
    EXPECT_EQ(cachedB->GetDynData()->GetData().front().GetFieldText(0), firstOfB);

    // Back to B: its own members, from the cache.
    Click(groups, b);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(CountSent(Sent(), "LST CXMEM"), 0u);
    ExpectGroupShown(b);
}


// Another operator adds, changes and removes members: the members of the
// picked group follow without F5, the operator's group and member stay
// picked, the caption counts; a member added to another group is there
// when the operator goes to that group. Each change checked on the switch.
TEST_F(CentrexHands, TheMembersFollowAnotherOperatorWhereItsOperatorStands) {
    OpenCentrex();
    const std::vector<std::string> numbers = SwitchNumbers();
    ASSERT_GT(numbers.size(), 3u);
    const std::string dnA = numbers[numbers.size() - 1], dnB = numbers[numbers.size() - 2];
    FreeFromCentrex({dnA, dnB});
    const std::string mine = groups->Model().CellText(0, 0), other = groups->Model().CellText(1, 0);
    Click(groups, 1);
    ASSERT_TRUE(Settle(w));
    Click(groups, 0);
    ASSERT_TRUE(Settle(w));
    CObjListCtrl* members = dlg->MemberList();
    Click(members, 1);
    ASSERT_TRUE(Settle(w));
    const std::string picked = members->Model().CellText(1, 0);
    auto expectPlaceKept = [&](const char* after) {
        ASSERT_EQ(groups->SelectedIds().size(), 1u) << after;
        EXPECT_EQ(groups->Model().CellText(groups->currentIndex().row(), 0), mine) << after;
        ASSERT_EQ(members->SelectedIds().size(), 1u) << after;
        EXPECT_EQ(members->Model().CellText(members->currentIndex().row(), 0), picked) << after;
        const size_t count = ValuesIn(OnSwitch("LST CXMEM: CGNO=" + mine + ";"), "DN").size();
        EXPECT_EQ(members->GetItemCount(), static_cast<int>(count)) << after;
        EXPECT_EQ(dlg->Caption(1)->text().toStdString(),
                  "Centrex Member (" + std::to_string(count) + " members)") << after;
    };

    auto groupName = [this](const std::string& cgno) {
        return op::Property(OnSwitch("LST CXGRP: CGNO=" + cgno + ";"), "CGNAME");
    };
    ByAnotherOperator("ADD CXMEM: CGNO=" + mine + ", CGNAME=\"" + groupName(mine) + "\", DN=" + dnA +
                      ", SHORTNO=8971, KIND=SUB;");
    ASSERT_EQ(op::Property(OnSwitch("LST CXMEM: DN=" + dnA + ";"), "CGNO"), mine);
    ASSERT_TRUE(WaitFor([&] { return RowOfKey(members, dnA) >= 0; }, 3000)) << "the new member is not shown";
    ASSERT_TRUE(Settle(w));
    expectPlaceKept("a member added");

    ByAnotherOperator("MOD CXMEM: DN=" + picked + ", DISPNAME=\"Named by B\";");
    ASSERT_EQ(op::Property(OnSwitch("LST CXMEM: DN=" + picked + ";"), "DISPNAME"), "Named by B");
    ASSERT_TRUE(WaitFor([&] {
        const int row = RowOfKey(members, picked);
        for (int c = 0; row >= 0 && c < members->Model().columnCount(); ++c)
            if (members->Model().CellText(row, c) == "Named by B") return true;
        return false;
    }, 3000)) << "the changed member keeps its old name";
    ASSERT_TRUE(Settle(w));
    expectPlaceKept("a member changed");

    ByAnotherOperator("RMV CXMEM: CGNO=" + mine + ", DN=" + dnA + ";");
    ASSERT_EQ(OnSwitch("LST CXMEM: DN=" + dnA + ";").find("DN = " + dnA), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return RowOfKey(members, dnA) < 0; }, 3000)) << "the removed member is still shown";
    ASSERT_TRUE(Settle(w));
    expectPlaceKept("a member removed");

    // The other group's members, kept from the operator's earlier pick,
    // are not what the switch has once another operator added one there.
    ByAnotherOperator("ADD CXMEM: CGNO=" + other + ", CGNAME=\"" + groupName(other) + "\", DN=" + dnB +
                      ", SHORTNO=8972, KIND=SUB;");
    ASSERT_EQ(op::Property(OnSwitch("LST CXMEM: DN=" + dnB + ";"), "CGNO"), other);
    ASSERT_TRUE(Settle(w));
    Click(groups, 1);
    ASSERT_TRUE(Settle(w));
    ExpectGroupShown(1);
}

// Another operator removes the group the operator picked, members first:
// the panel that showed the group lets it go, and the group's lists empty.
TEST_F(CentrexHands, APickedGroupRemovedByAnotherOperatorLeavesThePanel) {
    OpenCentrex();
    const std::vector<std::string> numbers = SwitchNumbers();
    ASSERT_GT(numbers.size(), 1u);
    const std::string dn = numbers.back();
    FreeFromCentrex({dn});
    ASSERT_NE(OnSwitch("ADD CXGRP: CGNO=98, CGNAME=\"Team two\", PREFIX=9, MAXMEM=50;").find("RETCODE = 0"),
              std::string::npos);
    ASSERT_NE(OnSwitch("ADD CXMEM: CGNO=98, CGNAME=\"Team two\", DN=" + dn + ", SHORTNO=801, KIND=SUB;")
                  .find("RETCODE = 0"), std::string::npos);
    Key(groups, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    int row = -1;
    for (int r = 0; r < groups->GetItemCount(); ++r)
        if (groups->Model().CellText(r, 0) == "98") row = r;
    ASSERT_GE(row, 0);
    Click(groups, row);
    Key(groups, Qt::Key_Return);  // the group's record in the panel
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(dlg->MemberList()->GetItemCount(), 1);
    auto* panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(op::PanelSays(panel, "Team two"));

    ByAnotherOperator("RMV CXMEM: CGNO=98, DN=" + dn + ";");
    ByAnotherOperator("RMV CXGRP: CGNO=98;");
    ASSERT_EQ(OnSwitch("LST CXGRP: CGNO=98;").find("CGNO = 98"), std::string::npos);
    ASSERT_TRUE(WaitFor([&] { return groups->GetItemCount() > 0 && groups->Model().CellText(row, 0) != "98"; }, 3000))
        << "the removed group is still listed";
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(dlg->MemberList()->GetItemCount(), 0);
    EXPECT_FALSE(op::PanelSays(panel, "Team two")) << "the panel still shows the removed group";
}
