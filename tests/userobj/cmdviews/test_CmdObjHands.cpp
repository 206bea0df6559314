// The command-object windows under an operator's hands: the real host window
// with the module and the embedded switch; objects picked with a click,
// operations chosen by click, Enter and the right-button menu, parameters
// typed into the parameter dialog, reports read where the window shows them,
// and the switch asked afterwards what changed.
#include "Operator.h"

#include <QJsonArray>
#include <QPlainTextEdit>

#include "CmdCategories.h"
#include "CmdListView.h"
#include "CmdObjListView.h"
#include "HostStrings.h"
#include "WindowDump.h"

using op::COperatorTest;
using op::CountSent;
using op::Property;

namespace {

class CmdObjHands : public COperatorTest {
protected:
    void OpenCmdWindow(int type) {
        StartClient(200);
        if (HasFatalFailure()) return;
        w = Open(type);
        ASSERT_NE(w, nullptr);
        ASSERT_NE(w->m_pCmdListView, nullptr);
        ASSERT_NE(w->m_pCmdObjListView, nullptr);
        cmds = w->m_pCmdListView;
        objs = w->m_pCmdObjListView;
        OnDialog([this](QDialog& d) { Hands(d); });
    }

    // What the hands type for a parameter of the command chosen.
    QString Value(const QString& p) const {
        const std::string& c = chosen;
        auto starts = [&c](const char* s) { return c.rfind(s, 0) == 0; };
        // Adds and removes work on an instance of the test's own.
        const bool mine = (starts("Add ") || starts("Remove ")) && c.find("Batch") == std::string::npos;
        if (p == "Interface ID" && !interfaceId.isEmpty()) return interfaceId;
        if (p == "Interface ID") return mine ? "900" : c.find("BRA") != std::string::npos ? "7" : "1";
        if (p == "Call Source Code" || p == "Charging Source Code") return mine ? "200" : "1";
        if (p == "Route Number") return mine ? "500" : "1";
        if (p == "Job") return starts("Remove ") ? "1" : "2";
        if (p == "Directory Number") return "70000000";
        if (p == "Subscriber Type") return "MGCP";
        if (p == "First Number") return "5550000";
        if (p == "Last Number") return "5550003";
        if (p == "Destination") return "203.0.113.0";
        if (p == "Net Mask") return "255.255.255.0";
        if (p == "Next Hop") return "198.51.100.9";
        if (p == "Group") return "9";
        if (p == "Media Gateway") return "101";
        if ((p == "Interface Name" || p == "Name" || p == "Description") && starts("Modify ")) return "Changed";
        return {};
    }
    // Report dialogs are read and closed; a parameter dialog is filled and
    // confirmed, and cancelled when it comes back after a refusal.
    void Hands(QDialog& d) {
        if (d.objectName() == "dlg10041") {
            auto* text = d.findChild<QPlainTextEdit*>(QStringLiteral("ctl10164"));
            reports.push_back(text ? text->toPlainText().toStdString() : std::string());
            PressButton(d, "ctl1");
            return;
        }
        if (++parameterDialogs > 1) {
            d.reject();
            return;
        }
        auto* list = d.findChild<CParaListCtrl*>();
        ASSERT_NE(list, nullptr);
        QStringList names;
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->item(r, 0)) names << list->item(r, 0)->text();
        for (const QString& name : names) {
            const QString v = Value(name);
            if (v.isEmpty()) continue;
            const bool done = name == "Subscriber Type" ? ChooseParameter(d, name, v) : TypeParameter(d, name, v);
            EXPECT_TRUE(done) << chosen << ": " << name.toStdString();
        }
        PressButton(d, "ctl1");
    }

    // The reports shown since the last look: report dialogs and message boxes.
    std::vector<std::string> Shown() {
        std::vector<std::string> all;
        all.swap(reports);
        for (const auto& box : m_ui->boxes) all.push_back(box.text);
        m_ui->boxes.clear();
        return all;
    }

    QListWidgetItem* Icon(const std::string& name) {
        const auto found = cmds->findItems(QString::fromStdString(name), Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
    void PickObject(int row) {
        QTest::mouseClick(objs->viewport(), Qt::LeftButton, {}, objs->visualItemRect(objs->item(row)).center());
    }
    // Chooses an operation with a click on its icon and lets it run.
    void ClickIcon(const std::string& name) {
        QListWidgetItem* item = Icon(name);
        ASSERT_NE(item, nullptr) << name;
        chosen = name;
        parameterDialogs = 0;
        QTest::mouseClick(cmds->viewport(), Qt::LeftButton, {}, cmds->visualItemRect(item).center());
        ASSERT_TRUE(Ran());
    }
    // The chosen operation (posted to the view) ran and its report (posted
    // to the window) was shown.
    bool Ran() {
        QTest::qWait(30);
        const bool settled = Settle(w);
        QTest::qWait(30);
        return settled;
    }
    // The texts of the command list's context menu, "-" for separators.
    QStringList MenuTexts() {
        QStringList t;
        if (QMenu* m = cmds->ContextMenu())
            for (QAction* a : m->actions()) t << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return t;
    }

    // Every operation each object of a window shows runs, with the parameters
    // the operator types, and its report reaches the window.
    void RunEveryOperation(int type) {
        for (int row = 0; row < objs->count(); ++row) {
            PickObject(row);
            ASSERT_EQ(cmds->GetObj(), CCmdObjListView::ItemObject(objs->item(row)));
            QStringList names;
            for (int i = 0; i < cmds->count(); ++i) names << cmds->item(i)->text();
            ASSERT_FALSE(names.isEmpty());
            for (const QString& name : names) {
                SCOPED_TRACE("type " + std::to_string(type) + ": " + name.toStdString());
                ClickIcon(name.toStdString());
                ASSERT_FALSE(HasFatalFailure());
                const std::vector<std::string> sent = Sent();
                const std::vector<std::string> shown = Shown();
                ASSERT_EQ(sent.size(), 1u) << (shown.empty() ? std::string() : shown.front());
                ASSERT_EQ(shown.size(), 1u) << sent[0];
                // The report of a query in full, of a change its success.
                const bool query = sent[0].rfind("DSP", 0) == 0 || sent[0].rfind("LST", 0) == 0;
                if (query)
                    EXPECT_NE(shown[0].find("RETCODE = 0"), std::string::npos) << shown[0];
                else
                    EXPECT_EQ(shown[0], name.toStdString() + " " + HostString(10264)) << sent[0];
            }
        }
    }

    CUserObjWnd* w = nullptr;
    CCmdListView* cmds = nullptr;
    CCmdObjListView* objs = nullptr;
    std::string chosen;
    int parameterDialogs = 0;
    QString interfaceId;  // typed instead of the usual one when set
    std::vector<std::string> reports;
};

// Every command-object window: each operation of each of its objects runs
// with what the operator types, and the switch holds the changes after.
struct SWindowRun {
    int type;
    std::vector<std::pair<std::string, std::string>> afterwards;  // a query and what its answer holds
};

class CmdObjWindows : public CmdObjHands, public ::testing::WithParamInterface<SWindowRun> {};

TEST_P(CmdObjWindows, EveryOperationRuns) {
    OpenCmdWindow(GetParam().type);
    RunEveryOperation(GetParam().type);
    for (const auto& [query, holds] : GetParam().afterwards)
        EXPECT_NE(OnSwitch(query).find(holds), std::string::npos) << query << " lacks " << holds;
}

INSTANTIATE_TEST_SUITE_P(
    CommandObjects, CmdObjWindows,
    ::testing::Values(
        SWindowRun{8, {{"LST SUBBATCH: JOBID=1;", "OBJECTS = 0"}}},  // batch jobs and statistics
        SWindowRun{9, {{"LST V5IF: V5IID=1;", "\nNAME = Changed\n"}, {"LST V5IF: V5IID=900;", "OBJECTS = 0"}}},
        SWindowRun{10, {{"LST CALLSRC: CSC=1;", "\nNAME = Changed\n"},
                        {"LST CHGSRC: RCHS=1;", "\nNAME = Changed\n"},
                        {"LST CALLSRC: CSC=200;", "OBJECTS = 0"}}},
        SWindowRun{11, {{"LST IPNROUTE: RTNO=1;", "\nDESC = Changed\n"}, {"LST IPNROUTE: RTNO=500;", "OBJECTS = 0"}}},
        SWindowRun{13, {{"LST V5BRACFG: V5IID=7;", "\nDESC = Changed\n"}}}),
    [](const ::testing::TestParamInfo<SWindowRun>& info) { return "Type" + std::to_string(info.param.type); });

// Block by a click on its icon, unblock from the right-button menu, the
// interface's state read on the switch after each.
TEST_F(CmdObjHands, BlockAndUnblockAV5InterfaceOnTheSwitch) {
    OpenCmdWindow(9);
    const std::string block = "Block V5 Interface", unblock = "Unblock V5 Interface";
    ClickIcon(block);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"BLK V5IF: V5IID=1;"}));
    EXPECT_EQ(Shown(), (std::vector<std::string>{block + " " + HostString(10264)}));
    EXPECT_EQ(Property(OnSwitch("LST V5IF: V5IID=1;"), "STATUS"), "BLOCKED");

    chosen = unblock;
    parameterDialogs = 0;
    const QPoint at = cmds->visualItemRect(Icon(block)).center();
    QTest::mouseClick(cmds->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, cmds->viewport()->mapToGlobal(at));
    QApplication::sendEvent(cmds->viewport(), &e);
    QMenu* menu = cmds->ContextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); }, 2000));
    QAction* found = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromStdString(unblock)) found = a;
    ASSERT_NE(found, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(found).center());
    ASSERT_TRUE(Ran());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"UBL V5IF: V5IID=1;"}));
    EXPECT_EQ(Shown(), (std::vector<std::string>{unblock + " " + HostString(10264)}));
    EXPECT_NE(Property(OnSwitch("LST V5IF: V5IID=1;"), "STATUS"), "BLOCKED");

    // Enter on the current icon: the interface's state, as a report.
    chosen = "Display V5 Interface State";
    parameterDialogs = 0;
    cmds->setCurrentItem(Icon(chosen));
    Key(cmds, Qt::Key_Return);
    ASSERT_TRUE(Ran());
    const std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Property(shown[0], "STATUS"), Property(OnSwitch("LST V5IF: V5IID=1;"), "STATUS"));
}

// A refused add brings the parameter dialog back over its report; confirmed
// again and refused again, the new report takes the place of the one still
// open instead of stacking a second report dialog on it.
TEST_F(CmdObjHands, ARefusalWhileAReportIsOpenShowsInThatReport) {
    OpenCmdWindow(9);
    ASSERT_NE(OnSwitch("ADD V5IF: V5IID=900, GROUP=9, MGWID=101;").find("RETCODE = 0"), std::string::npos);
    int open = 0, mostOpen = 0, reportDialogs = 0;
    std::vector<std::string> lastTexts;
    OnDialog([&](QDialog& d) {
        if (d.objectName() != "dlg10041") {
            // The parameter dialog: interface 900, then 1 (both there), then given up.
            const int n = parameterDialogs;
            if (n >= 2) {
                ++parameterDialogs;
                d.reject();
                return;
            }
            interfaceId = n == 0 ? "900" : "1";
            parameterDialogs = 0;
            Hands(d);
            parameterDialogs = n + 1;
            return;
        }
        ++reportDialogs;
        mostOpen = std::max(mostOpen, ++open);
        auto* text = d.findChild<QPlainTextEdit*>(QStringLiteral("ctl10164"));
        ASSERT_NE(text, nullptr);
        // The operator reads the parameter dialog that came over the report
        // first; the report is closed once the second answer is in.
        WaitFor([&] { return parameterDialogs >= 2 && !w->IsBusy() && m_main->Link()->Outstanding() == 0; }, 10000);
        QTest::qWait(50);
        lastTexts.push_back(text->toPlainText().toStdString());
        PressButton(d, "ctl1");
        --open;
    });
    chosen = "Add V5 Interface";
    parameterDialogs = 0;
    QListWidgetItem* item = Icon(chosen);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(cmds->viewport(), Qt::LeftButton, {}, cmds->visualItemRect(item).center());
    ASSERT_TRUE(WaitFor([&] { return reportDialogs > 0 && open == 0 && parameterDialogs >= 3; }, 20000));
    ASSERT_TRUE(Ran());
    EXPECT_EQ(CountSent(Sent(), "ADD V5IF"), 2u);
    EXPECT_EQ(mostOpen, 1);
    ASSERT_FALSE(lastTexts.empty());
    // The report open shows the newest refusal.
    EXPECT_NE(lastTexts.back().find("V5IID=1"), std::string::npos) << lastTexts.back();
    EXPECT_EQ(lastTexts.back().find("V5IID=900"), std::string::npos) << lastTexts.back();
    EXPECT_EQ(lastTexts.back().find("RETCODE = 0\n"), std::string::npos) << lastTexts.back();
}

// Picking the other object replaces the icons and the menu with its own.
TEST_F(CmdObjHands, PickingAnotherObjectReplacesIconsAndMenu) {
    OpenCmdWindow(9);
    ASSERT_EQ(objs->count(), 2);
    const QStringList menuBefore = MenuTexts();
    ASSERT_NE(Icon("Add V5 Interface"), nullptr);
    PickObject(1);
    EXPECT_EQ(cmds->GetObj(), &w->m_aComObj[14]);
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    w->m_aComObj[14].EnumAllCmds(codes, names);
    const std::vector<SCmdIcon> expected = ArrangeCmdIcons(codes, names);
    ASSERT_EQ(cmds->count(), static_cast<int>(expected.size()));
    for (int i = 0; i < cmds->count(); ++i) {
        EXPECT_EQ(cmds->item(i)->text().toStdString(), expected[static_cast<size_t>(i)].name);
        EXPECT_FALSE(cmds->item(i)->icon().isNull()) << "icons blank after the object changed";
        EXPECT_EQ(cmds->item(i)->data(kImageNameRole).toString(),
                  w->m_imlCmd.names.at(expected[static_cast<size_t>(i)].image));
    }
    EXPECT_EQ(Icon("Add V5 Interface"), nullptr);
    const QStringList menuAfter = MenuTexts();
    EXPECT_NE(menuAfter, menuBefore);
    EXPECT_TRUE(menuAfter.contains("Block V5 Subscriber"));
    EXPECT_FALSE(menuAfter.contains("Block V5 Interface"));
    // And back.
    PickObject(0);
    EXPECT_EQ(MenuTexts(), menuBefore);
}


// The window dump names each icon's image, the current object and the menu.
TEST_F(CmdObjHands, TheDumpListsObjectsAndOperationsWithTheirImages) {
    OpenCmdWindow(11);
    const QJsonObject win = host::DumpWindows(*m_main)["windows"].toArray().at(0).toObject();
    const QJsonArray objects = win["objects"]["items"].toArray();
    ASSERT_EQ(objects.size(), 1);
    EXPECT_EQ(objects[0]["image"].toString(), "cmdobj");
    EXPECT_TRUE(objects[0]["current"].toBool());
    const QJsonArray ops = win["operations"]["items"].toArray();
    ASSERT_EQ(ops.size(), cmds->count());
    for (int i = 0; i < ops.size(); ++i) {
        EXPECT_EQ(ops[i]["text"].toString(), cmds->item(i)->text());
        EXPECT_EQ(ops[i]["image"].toString(), cmds->item(i)->data(kImageNameRole).toString());
    }
    EXPECT_EQ(ops[0]["image"].toString(), "cmd_add");
    const QJsonArray menu = win["operations"]["menu"].toArray();
    ASSERT_EQ(menu.size(), MenuTexts().size());
    for (int i = 0; i < menu.size(); ++i) EXPECT_EQ(menu[i].toString(), MenuTexts().at(i));
}

}  // namespace
