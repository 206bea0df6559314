// An operator at the V5 windows (configuration types 5 and 12): the
// interface and port trees against what the switch holds, picks by mouse,
// the port cache seen in the commands that go out, F5 in the tree, and a
// batch add through the list's menu and the parameter dialog.
#include <QJsonArray>

#include "ControlIds.h"
#include "Operator.h"
#include "WindowDump.h"
#include "HostStrings.h"
#include "PropertyDisplayView.h"
#include "TreePlaceOf.h"
#include "V5UserDlg.h"
#include "hostlibs/HostStringIds.h"

namespace {

using op::COperatorTest;
using op::CountSent;

// The values of one property, in the order of the report's records.
std::vector<std::string> Values(const std::string& report, const std::string& key) {
    std::vector<std::string> out;
    const std::string lead = "\n" + key + " = ";
    for (size_t at = report.find(lead); at != std::string::npos; at = report.find(lead, at + 1)) {
        const size_t from = at + lead.size();
        out.push_back(report.substr(from, report.find('\n', from) - from));
    }
    return out;
}

QStringList Texts(const QTreeWidgetItem* parent) {
    QStringList out;
    for (int i = 0; parent && i < parent->childCount(); ++i) out << parent->child(i)->text(0);
    return out;
}

class V5Hands : public COperatorTest {
protected:
    // A fresh client with a window of that type open, those interfaces
    // picked in turn.
    CV5DialogBase* Start(int type, std::initializer_list<const char*> picks = {}) {
        StartClient();
        CV5DialogBase* dlg = HasFatalFailure() ? nullptr : OpenV5(type);
        for (const char* key : picks)
            if (dlg) PickInterface(dlg, key);
        return dlg;
    }
    CV5DialogBase* OpenV5(int type) {
        m_wnd = Open(type);
        if (!m_wnd || !m_wnd->m_pConfigView) return nullptr;
        return dynamic_cast<CV5DialogBase*>(m_wnd->m_pConfigView->Dialogs().at(0));
    }
    // The interface item of that key.
    static QTreeWidgetItem* InterfaceItem(CV5InterfaceTree* tree, const std::string& key) {
        const QString text = QString::fromStdString(HostString(10075) + key);
        const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    // A click on an item's label, scrolled into view first as a hand would.
    static void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item) {
        ASSERT_NE(item, nullptr);
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(item).center());
    }
    void PickInterface(CV5DialogBase* dlg, const std::string& key) {
        ClickItem(dlg->GetInterfaceTree(), InterfaceItem(dlg->GetInterfaceTree(), key));
        ASSERT_TRUE(Settle(m_wnd));
    }
    // A click on the list's first row, the operation from its menu, the
    // values typed into the parameter dialog, OK: what went out meanwhile.
    std::vector<std::string> RunOperation(CObjListCtrl* list, const QString& operation,
                                          std::vector<std::pair<QString, QString>> values) {
        Click(list, 0);
        EXPECT_TRUE(Settle(m_wnd));
        OnParameterDialog([values](QDialog& d) {
            for (const auto& [name, value] : values)
                EXPECT_TRUE(TypeParameter(d, name, value)) << name.toStdString();
            PressButton(d, "ctl1");
        });
        Sent();
        EXPECT_TRUE(ChooseFromMenu(list, 0, operation));
        EXPECT_TRUE(Settle(m_wnd));
        return Sent();
    }
    // The port texts the switch holds for an interface, as the tree shows them.
    QStringList PortsOnSwitch(const std::string& object, const std::string& key) {
        const std::string ports = OnSwitch("LST " + object + ": V5IID=" + key + ";");
        QStringList texts;
        const auto first = Values(ports, "BGNL3ADDR"), last = Values(ports, "ENDL3ADDR");
        for (size_t i = 0; i < first.size() && i < last.size(); ++i)
            texts << QString::fromStdString(first[i] + "-" + last[i]);
        return texts;
    }
    // The port tree's root text and its ports.
    static std::pair<std::string, QStringList> PortTreeShows(CV5DialogBase* dlg) {
        QTreeWidgetItem* root = dlg->GetPortTree()->topLevelItem(0);
        if (!root) return {};
        return {root->text(0).toStdString(), Texts(root->childCount() ? root->child(0) : nullptr)};
    }
    static QStringList PortTexts(const CObjDescData* data) {
        QStringList texts;
        if (!data) return texts;
        for (const CInstData& r : data->GetDynData()->GetData())
            texts << QString::fromStdString(r.GetFieldText(1) + "-" + r.GetFieldText(2));
        return texts;
    }
    static CRestrictInfo InterfaceKey(const std::string& key) {
        return CRestrictInfo{{HostString(HS_V5_INTERFACE), key}};
    }
    // A V5 window on a switch the test holds answers of, interface 1 with
    // a second port range so that its ports differ from interface 2's.
    CV5DialogBase* StartScriptedWithTwoPortRanges() {
        sw = StartScriptedClient(2000);
        const std::string added = OnSwitch("ADD V5PORT: V5IID=1, PTYPE=PSTN, BGNL3ADDR=200, ENDL3ADDR=299;");
        EXPECT_NE(added.find("RETCODE = 0"), std::string::npos) << added;
        return OpenV5(5);
    }
    // The first command held back is sent; the rest stay held.
    void ReleaseOne() {
        ASSERT_FALSE(sw->held.empty());
        auto [window, command] = sw->held.front();
        sw->held.erase(sw->held.begin());
        sw->hold = false;
        if (window) sw->Send(window, command);
        sw->hold = true;
    }
    CUserObjWnd* m_wnd = nullptr;
    op::CScriptedSwitch* sw = nullptr;
};

// The interface tree holds one group per distinct group number, in order
// of first appearance, with the switch's interfaces under them; on the
// sample switch that is the groups' own order.
TEST_F(V5Hands, TheInterfaceTreeShowsTheSwitchsInterfacesByGroup) {
    for (int type : {5, 12}) {
        StartClient();
        CV5DialogBase* dlg = OpenV5(type);
        ASSERT_NE(dlg, nullptr);
        const std::string title = type == 5 ? "V5 Subscribers" : "V5 BRA Subscribers";
        EXPECT_EQ(dlg->windowTitle().toStdString(), title);
        EXPECT_EQ(m_wnd->m_pConfigView->Sheets().GetSheetTitle(dlg), title);  // never "Sheet"
        const std::string report = OnSwitch("LST V5IF:;");
        const std::vector<std::string> ids = Values(report, "V5IID"),
                                       groups = Values(report, "GROUP");
        ASSERT_EQ(ids.size(), 8u);
        std::vector<std::string> order;
        for (const std::string& g : groups)
            if (std::find(order.begin(), order.end(), g) == order.end()) order.push_back(g);
        QTreeWidgetItem* root = dlg->GetInterfaceTree()->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->childCount(), static_cast<int>(order.size()));
        // The sample switch lists its interfaces by key, and neighbouring
        // interfaces share a group: the groups come in their own order.
        std::vector<int> numbers;
        for (const std::string& g : order) numbers.push_back(std::stoi(g));
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << report;
        for (size_t g = 0; g < order.size(); ++g) {
            QTreeWidgetItem* group = root->child(static_cast<int>(g));
            EXPECT_EQ(group->text(0).toStdString(), "Group " + order[g]);
            QStringList expected;
            for (size_t i = 0; i < ids.size(); ++i)
                if (groups[i] == order[g])
                    expected << QString::fromStdString(HostString(10075) + ids[i]);
            EXPECT_EQ(Texts(group), expected);
        }
        // The dump shows the same tree with its children.
        const QJsonArray windows = host::DumpWindows(*m_main)["windows"].toArray();
        ASSERT_EQ(windows.size(), 1);
        QJsonObject dumped;
        for (const auto& t : windows[0].toObject()["trees"].toArray())
            if (t.toObject()["id"].toInt() == CV5DialogBase::kTreeIf) dumped = t.toObject();
        const QJsonArray dumpedGroups =
            dumped["items"].toArray()[0].toObject()["children"].toArray();
        ASSERT_EQ(dumpedGroups.size(), static_cast<int>(order.size()));
        EXPECT_EQ(dumpedGroups[0].toObject()["children"].toArray()[0].toObject()["text"].toString(),
                  root->child(0)->child(0)->text(0));
        // After the build the port tree shows the last interface's ports,
        // and that interface is the one selected.
        QTreeWidgetItem* ports = dlg->GetPortTree()->topLevelItem(0);
        ASSERT_NE(ports, nullptr);
        EXPECT_EQ(ports->text(0).toStdString(), HostString(10075) + ids.back());
        QTreeWidgetItem* shown = InterfaceItem(dlg->GetInterfaceTree(), ids.back());
        EXPECT_EQ(dlg->GetInterfaceTree()->currentItem(), shown);
        EXPECT_TRUE(shown && shown->isSelected());
        EXPECT_EQ(dlg->GetSubscriberList()->GetItemCount(), 0);
        m_main.reset();
    }
}

// A pick of an interface fills the port tree with its ports under their
// type group and the list with its subscribers; a second pick of it takes
// the ports from the cache.
TEST_F(V5Hands, PickingAnInterfaceShowsItsPortsAndSubscribersAndCachesThePorts) {
    CV5DialogBase* dlg = Start(12);  // V5 BRA: ports of type ISDN on interfaces 7 and 8
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "1");
    Sent();
    PickInterface(dlg, "7");
    std::vector<std::string> sent = Sent();
    EXPECT_EQ(CountSent(sent, "LST V5BRAPORT:"), 1u);
    const std::string ports = OnSwitch("LST V5BRAPORT: V5IID=7;");
    QTreeWidgetItem* root = dlg->GetPortTree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0).toStdString(), HostString(10075) + "7");
    ASSERT_EQ(Texts(root), QStringList{"ISDN"});
    QStringList expected;
    const auto first = Values(ports, "BGNL3ADDR"), last = Values(ports, "ENDL3ADDR");
    for (size_t i = 0; i < first.size(); ++i)
        expected << QString::fromStdString(first[i] + "-" + last[i]);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(Texts(root->child(0)), expected);
    const size_t subscribers = Values(OnSwitch("LST V5BRASUB: V5IID=7;"), "DN").size();
    ASSERT_GT(subscribers, 0u);
    EXPECT_EQ(static_cast<size_t>(dlg->GetSubscriberList()->GetItemCount()), subscribers);
    EXPECT_TRUE(dlg->ListBound());
    EXPECT_NE(dlg->Caption(CV5DialogBase::kCaptionSub)
                  ->text()
                  .toStdString()
                  .find(std::to_string(subscribers)),
              std::string::npos);

    PickInterface(dlg, "2");
    PickInterface(dlg, "7");
    sent = Sent();
    EXPECT_EQ(CountSent(sent, "LST V5BRAPORT: V5IID=2"), 1u);
    EXPECT_EQ(CountSent(sent, "LST V5BRAPORT: V5IID=7"), 0u);  // from the cache
    EXPECT_EQ(CountSent(sent, "LST V5BRASUB: V5IID=7"), 1u);
    EXPECT_EQ(Texts(dlg->GetPortTree()->topLevelItem(0)->child(0)), expected);
    EXPECT_EQ(static_cast<size_t>(dlg->GetSubscriberList()->GetItemCount()), subscribers);
}

// Twenty-two interfaces: the twenty-second evicts the least used from the
// port cache, which then queries the switch again for it.
TEST_F(V5Hands, TheTwentySecondInterfaceEvictsTheLeastUsedPorts) {
    StartClient();
    for (int i = 9; i <= 24; ++i)
        ASSERT_NE(OnSwitch("ADD V5IF: V5IID=" + std::to_string(i) + ", GROUP=" +
                           std::to_string(i % 4) + ", MGWID=" + std::to_string(100 + i) + ";")
                      .find("RETCODE = 0"),
                  std::string::npos);
    CV5DialogBase* dlg = OpenV5(5);
    ASSERT_NE(dlg, nullptr);
    const std::string last = "24";  // the build leaves its ports cached
    ASSERT_EQ(dlg->PortCache().Size(), 1u);
    std::vector<std::string> keys;
    for (int i = 1; i <= 24; ++i)
        if (std::to_string(i) != last) keys.push_back(std::to_string(i));
    for (size_t i = 0; i < 20; ++i) PickInterface(dlg, keys[i]);
    ASSERT_EQ(dlg->PortCache().Size(), 21u);
    // Loaded twice: never the victim.
    PickInterface(dlg, keys[0]);
    CRestrictInfo victim;
    unsigned least = ~0u;
    for (const CRestrictInfo& k : dlg->PortCache().Keys())
        if (dlg->PortCache().UseCount(k) < least) least = dlg->PortCache().UseCount(k), victim = k;
    ASSERT_EQ(least, 1u);
    Sent();
    PickInterface(dlg, keys[20]);
    EXPECT_EQ(CountSent(Sent(), "LST V5PORT: V5IID=" + keys[20]), 1u);
    EXPECT_EQ(dlg->PortCache().Size(), 21u);
    EXPECT_EQ(dlg->PortCache().Find(victim), nullptr);
    EXPECT_NE(dlg->PortCache().Find(CRestrictInfo{{HostString(HS_V5_INTERFACE), keys[0]}}),
              nullptr);
    const std::string victimKey = victim.Entries().front().second;
    PickInterface(dlg, keys[0]);
    EXPECT_EQ(CountSent(Sent(), "LST V5PORT:"), 0u);
    PickInterface(dlg, victimKey);
    EXPECT_EQ(CountSent(Sent(), "LST V5PORT: V5IID=" + victimKey), 1u);
}

// A port under the dialog's own type group binds the list to its range; a
// port under another group leaves the list as it was.
TEST_F(V5Hands, APortPickBindsTheListOnlyUnderTheDialogsTypeGroup) {
    CV5DialogBase* dlg = Start(5);
    ASSERT_NE(dlg, nullptr);
    // Before anything was picked the port tree shows interface 8's ports
    // (none of type PSTN): a click there changes nothing.
    PickInterface(dlg, "2");
    QTreeWidgetItem* group = dlg->GetPortTree()->topLevelItem(0)->child(0);
    ASSERT_NE(group, nullptr);
    Sent();
    ClickItem(dlg->GetPortTree(), group->child(0));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(dlg->DetailSource(), CV5DialogBase::kDetailPort);
    const std::string range = group->child(0)->text(0).toStdString();
    const std::string lo = range.substr(0, range.find('-')), hi = range.substr(range.find('-') + 1);
    std::vector<std::string> sent = Sent();
    ASSERT_EQ(CountSent(sent, "LST V5SUB:"), 1u);
    EXPECT_NE(sent.front().find("V5IID=2, BGNL3ADDR=" + lo + ", ENDL3ADDR=" + hi),
              std::string::npos)
        << sent.front();
    const int rows = dlg->GetSubscriberList()->GetItemCount();
    ASSERT_GT(rows, 0);

    // The switch's answer names ports of another type: they come under that group.
    dlg->PortData().ProcessCmdRslt("LST V5PORT: V5IID=2;", TRUE,
                                   {"PTYPE", "BGNL3ADDR", "ENDL3ADDR"}, [] {
                                       CDataTable t;
                                       t.Add({{"ISDN"}, {"0"}, {"9"}});
                                       return t;
                                   }());
    group = dlg->GetPortTree()->topLevelItem(0)->child(0);
    ASSERT_EQ(group->text(0), "ISDN");
    ClickItem(dlg->GetPortTree(), group->child(0));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(CountSent(Sent(), "LST V5SUB:"), 0u);
    EXPECT_EQ(dlg->GetSubscriberList()->GetItemCount(), rows);
}

// Clicks on the port tree before any port data was bound change nothing.
TEST_F(V5Hands, APortTreeClickBeforeAnyBindingDoesNothing) {
    StartClient();
    auto* dlg = new CV5UserDlg();
    std::unique_ptr<CV5UserDlg> owned(dlg);
    dlg->resize(600, 300);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    QTest::mouseClick(dlg->GetPortTree()->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
    EXPECT_FALSE(dlg->PortBound());
    EXPECT_EQ(dlg->DetailSource(), CV5DialogBase::kDetailInterface);
}

// A batch of V5 subscribers added from the list's menu: the list command
// that follows is held back, the list asked first, and the held command
// goes out rewritten to the port range that holds the new L3 addresses.
TEST_F(V5Hands, ABatchAddListsThePortRangeOfTheNewSubscribers) {
    CV5DialogBase* dlg = Start(5);
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "1");
    CObjListCtrl* list = dlg->GetSubscriberList();
    ASSERT_GT(list->GetItemCount(), 0);
    const size_t before = Values(OnSwitch("LST V5SUB: V5IID=1;"), "DN").size();
    const std::vector<std::string> sent = RunOperation(
        list, "Add Batch",
        {{"First Number", "70009000"}, {"First L3 Address", "50"}, {"Last L3 Address", "52"}});
    EXPECT_EQ(dlg->GetActiveListCtrl(), list);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.front().rfind("ADB V5SUB:", 0), 0u) << sent.front();
    EXPECT_EQ(CountSent(sent, "LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=99;"), 1u);
    EXPECT_EQ(Values(OnSwitch("LST V5SUB: V5IID=1;"), "DN").size(), before + 3);
    const std::string inRange = OnSwitch("LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=99;");
    EXPECT_EQ(static_cast<size_t>(list->GetItemCount()), Values(inRange, "DN").size());
    EXPECT_NE(inRange.find("DN = 70009002"), std::string::npos);
}

// The trees' right-button menus and F5 in the interface tree refresh them
// (the interfaces' reload empties the port cache); a double click on an
// interface asks for its details; while a command is outstanding neither
// F5 nor a double click does anything.
TEST_F(V5Hands, TreeMenusAndF5RefreshAndADoubleClickShowsTheInterface) {
    CV5DialogBase* dlg = Start(5, {"1", "2"});
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(dlg->PortCache().Size(), 3u);
    auto chooseRefresh = [](CV5TreeBase* tree, QTreeWidgetItem* item) {
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {},
                          tree->visualItemRect(item).center());
        QMenu* menu = tree->ContextMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); }, 2000));
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_TRUE(
            menu->actions()[0]->text().endsWith(QStringLiteral("                       F5")));
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions()[0]).center());
    };
    Sent();
    CV5PortL3Tree* ports = dlg->GetPortTree();
    chooseRefresh(ports, ports->topLevelItem(0)->child(0)->child(0));
    ASSERT_TRUE(Settle(m_wnd));
    std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "LST V5PORT: V5IID=2;");

    CV5InterfaceTree* tree = dlg->GetInterfaceTree();
    chooseRefresh(tree, InterfaceItem(tree, "4"));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(CountSent(Sent(), "LST V5IF:"), 1u);
    EXPECT_EQ(dlg->PortCache().Size(), 1u);  // emptied, then the rebuild's last interface
    EXPECT_EQ(dlg->PortCache().Find(CRestrictInfo{{HostString(HS_V5_INTERFACE), "1"}}), nullptr);
    PickInterface(dlg, "1");
    EXPECT_EQ(CountSent(Sent(), "LST V5PORT: V5IID=1"), 1u);
    // F5 does the same; while a command is outstanding it does nothing.
    SendMessage(tree, msg::WM_BUSYLOCK, 1, 0);
    Key(tree, Qt::Key_F5);
    EXPECT_TRUE(Sent().empty());
    SendMessage(tree, msg::WM_BUSYLOCK, 0, 0);
    Key(tree, Qt::Key_F5);
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(CountSent(Sent(), "LST V5IF:"), 1u);
    EXPECT_EQ(dlg->PortCache().Size(), 1u);

    QTreeWidgetItem* item = InterfaceItem(tree, "3");
    tree->scrollToItem(item);
    const QPoint at = tree->visualItemRect(item).center();
    SendMessage(tree, msg::WM_BUSYLOCK, 1, 0);  // as while a command is outstanding
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    SendMessage(tree, msg::WM_BUSYLOCK, 0, 0);
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(CountSent(Sent(), "DSP V5IF:"), 0u);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(Settle(m_wnd));
    sent = Sent();
    ASSERT_EQ(CountSent(sent, "DSP V5IF:"), 1u);
    const auto dsp = std::find_if(sent.begin(), sent.end(), [](const std::string& t) {
        return t.rfind("DSP V5IF:", 0) == 0;
    });
    EXPECT_NE(dsp->find("V5IID=3"), std::string::npos) << *dsp;
}

// The tool bar's refresh asks again for what the detail view shows: the
// interfaces, the ports or the subscribers, whichever was picked last.
TEST_F(V5Hands, TheRefreshButtonFollowsTheLastPickedPane) {
    CV5DialogBase* dlg = Start(5);
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "3");
    Sent();
    ClickTool(m_wnd, ids::ID_REFRESH);
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(CountSent(Sent(), "LST V5IF:"), 1u);

    PickInterface(dlg, "3");
    QTreeWidgetItem* port = dlg->GetPortTree()->topLevelItem(0)->child(0)->child(0);
    ClickItem(dlg->GetPortTree(), port);
    ASSERT_TRUE(Settle(m_wnd));
    Sent();
    ClickTool(m_wnd, ids::ID_REFRESH);
    ASSERT_TRUE(Settle(m_wnd));
    std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "LST V5PORT: V5IID=3;");

    CObjListCtrl* list = dlg->GetSubscriberList();
    ASSERT_GT(list->GetItemCount(), 0);
    Click(list, 0);
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(dlg->DetailSource(), CV5DialogBase::kDetailSubscriber);
    Sent();
    ClickTool(m_wnd, ids::ID_REFRESH);
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(CountSent(Sent(), "LST V5SUB: V5IID=3"), 1u);
}

// A single add is shown at once; the list command that follows it (here
// the list's own F5) is held back and goes out for the port range that
// holds the new L3 address, the second of the interface's two ranges.
TEST_F(V5Hands, AfterAnAddTheNextListCommandCoversThePortRangeOfTheNewAddress) {
    StartClient();
    ASSERT_NE(OnSwitch("ADD V5PORT: V5IID=2, PTYPE=PSTN, BGNL3ADDR=100, ENDL3ADDR=199;").find("RETCODE = 0"),
              std::string::npos);
    CV5DialogBase* dlg = OpenV5(5);
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "2");
    CObjListCtrl* list = dlg->GetSubscriberList();
    const int rows = list->GetItemCount();
    ASSERT_GT(rows, 0);
    std::vector<std::string> sent = RunOperation(
        list, "Add V5 Subscriber", {{"Directory Number", "70008000"}, {"L3 Address", "150"}});
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].rfind("ADD V5SUB:", 0), 0u) << sent[0];
    EXPECT_NE(OnSwitch("LST V5SUB: DN=70008000;").find("L3ADDR = 150"), std::string::npos);
    EXPECT_EQ(list->GetItemCount(), rows + 1);
    EXPECT_TRUE(m_wnd->m_bAddPending);

    Key(list, Qt::Key_F5);
    ASSERT_TRUE(Settle(m_wnd));
    sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "LST V5SUB: V5IID=2, BGNL3ADDR=100, ENDL3ADDR=199;");
    EXPECT_FALSE(m_wnd->m_bUpdateInvoked);
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->Model().CellText(0, 0), "70008000");
}

// The bars between the panes move the panes beside them: the port tree
// narrows from the left with the first bar and from the right with the
// second, and its caption follows.
TEST_F(V5Hands, TheBarsBetweenThePanesMoveThem) {
    CV5DialogBase* dlg = Start(12);
    ASSERT_NE(dlg, nullptr);
    auto drag = [](QWidget* bar, int dx) {
        const QPoint grip(bar->width() / 2, bar->height() / 2);
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(bar, grip + QPoint(dx / 2, 0));
        QTest::mouseMove(bar, grip + QPoint(dx, 0));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(dx, 0));
    };
    auto* first = dlg->findChild<QWidget*>(QStringLiteral("ctl%1").arg(CV5DialogBase::kBarIfPort));
    auto* second =
        dlg->findChild<QWidget*>(QStringLiteral("ctl%1").arg(CV5DialogBase::kBarPortSub));
    ASSERT_TRUE(first && second);
    const QRect ports = dlg->GetPortTree()->geometry();
    const int ifWidth = dlg->GetInterfaceTree()->width(), listLeft = dlg->GetSubscriberList()->x();
    drag(first, 30);
    EXPECT_EQ(dlg->GetInterfaceTree()->width(), ifWidth + 30);
    EXPECT_EQ(dlg->GetPortTree()->x(), ports.x() + 30);
    EXPECT_EQ(dlg->Caption(CV5DialogBase::kCaptionPort)->x(), ports.x() + 30);
    drag(second, -20);
    EXPECT_EQ(dlg->GetPortTree()->geometry().right(), ports.right() - 20);
    EXPECT_EQ(dlg->GetSubscriberList()->x(), listLeft - 20);
    EXPECT_EQ(dlg->GetPortTree()->width(), ports.width() - 50);
}

// While interface 1's ports are on their way the window is greyed and the
// port tree shows no other interface's ports: a click on interface 2, whose
// ports are cached, does nothing, interface 1's ports are shown under
// interface 1, and each interface keeps its own ports.
TEST_F(V5Hands, AClickInTheGreyedWindowIsIgnoredAndEachInterfaceKeepsItsOwnPorts) {
    CV5DialogBase* dlg = StartScriptedWithTwoPortRanges();
    ASSERT_NE(dlg, nullptr);
    const QStringList ports1 = PortsOnSwitch("V5PORT", "1"), ports2 = PortsOnSwitch("V5PORT", "2");
    ASSERT_FALSE(ports1.isEmpty());
    ASSERT_NE(ports1, ports2);
    PickInterface(dlg, "2");
    ASSERT_EQ(PortTreeShows(dlg).second, ports2);

    sw->hold = true;
    ClickItem(dlg->GetInterfaceTree(), InterfaceItem(dlg->GetInterfaceTree(), "1"));
    ASSERT_TRUE(WaitFor([&] { return !sw->held.empty(); }, 5000));
    ASSERT_FALSE(m_wnd->widget()->isEnabled());
    // Meanwhile the port tree is interface 1's and shows no other's ports.
    EXPECT_EQ(dlg->GetPortTree()->m_strInterfaceKey, "1");
    EXPECT_TRUE(dlg->GetPortTree()->Records().empty());
    EXPECT_EQ(dlg->GetPortTree()->topLevelItemCount(), 0);
    ClickItem(dlg->GetInterfaceTree(), InterfaceItem(dlg->GetInterfaceTree(), "2"));  // greyed
    sw->Release();
    ASSERT_TRUE(Settle(m_wnd));

    EXPECT_EQ(PortTreeShows(dlg), std::make_pair(HostString(10075) + "1", ports1));
    EXPECT_EQ(PortTexts(dlg->PortCache().Find(InterfaceKey("1"))), ports1);
    EXPECT_EQ(PortTexts(dlg->PortCache().Find(InterfaceKey("2"))), ports2);
    Sent();
    PickInterface(dlg, "2");
    EXPECT_EQ(CountSent(Sent(), "LST V5PORT:"), 0u);
    EXPECT_EQ(PortTreeShows(dlg), std::make_pair(HostString(10075) + "2", ports2));
}

// While the window opens each interface is announced in turn; the ports of
// an interface that is no longer the port tree's are neither shown under
// another interface's name nor cached under its key.
TEST_F(V5Hands, PortsOfAnInterfaceNoLongerBoundAreNeitherShownNorCached) {
    sw = StartScriptedClient(2000);
    sw->hold = true;
    ASSERT_TRUE(m_main->OpenObjectWindow(12));
    m_wnd = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(m_wnd, nullptr);
    auto* dlg = dynamic_cast<CV5DialogBase*>(m_wnd->m_pConfigView->Dialogs().at(0));
    ASSERT_NE(dlg, nullptr);
    auto heldPortQueries = [&] {
        size_t n = 0;
        for (const auto& held : sw->held) n += held.second.rfind("LST V5BRAPORT:", 0) == 0;
        return n;
    };
    // Everything up to the interfaces' list goes out; their ports are held.
    while (WaitFor([&] { return !sw->held.empty(); }, 5000) && heldPortQueries() == 0) {
        ReleaseOne();
        WaitFor([&] { return m_main->Link()->Outstanding() == 0; }, 5000);
        QTest::qWait(50);
    }
    ASSERT_GE(heldPortQueries(), 2u);
    while (sw->held.front().second.rfind("LST V5BRAPORT:", 0) != 0) ReleaseOne();
    // The first interface's ports come while the tree is bound to the last.
    const std::string first = sw->held.front().second;
    ASSERT_EQ(first.find("V5IID=8;"), std::string::npos) << first;
    ReleaseOne();
    ASSERT_TRUE(WaitFor([&] { return m_main->Link()->Outstanding() == 0; }, 5000));
    QTest::qWait(50);
    const auto [root, shown] = PortTreeShows(dlg);
    EXPECT_TRUE(root.empty() || (root == HostString(10075) + "8" && shown == PortsOnSwitch("V5BRAPORT", "8")))
        << root << " shows " << shown.join(',').toStdString();
    EXPECT_EQ(dlg->PortCache().Find(InterfaceKey("8")), nullptr);

    sw->Release();
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(PortTreeShows(dlg), std::make_pair(HostString(10075) + "8", PortsOnSwitch("V5BRAPORT", "8")));
    EXPECT_EQ(dlg->PortCache().UseCount(InterfaceKey("8")), 1u);
    EXPECT_EQ(PortTexts(dlg->PortCache().Find(InterfaceKey("8"))), PortsOnSwitch("V5BRAPORT", "8"));
}

// A click on the root or a group names no interface: nothing is asked for
// and both panes keep what they show; no query ever names an empty interface.
TEST_F(V5Hands, TheRootAndGroupLabelsBindNothing) {
    StartClient();
    Sent();
    CV5DialogBase* dlg = OpenV5(5);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(CountSent(Sent(), "V5IID=\"\""), 0u);
    PickInterface(dlg, "3");
    const auto ports = PortTreeShows(dlg);
    const int rows = dlg->GetSubscriberList()->GetItemCount();
    ASSERT_GT(rows, 0);
    Sent();
    CV5InterfaceTree* tree = dlg->GetInterfaceTree();
    ClickItem(tree, tree->topLevelItem(0));
    ASSERT_TRUE(Settle(m_wnd));
    ClickItem(tree, tree->topLevelItem(0)->child(0));
    ASSERT_TRUE(Settle(m_wnd));
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(CountSent(sent, "LST V5PORT"), 0u);
    EXPECT_EQ(CountSent(sent, "LST V5SUB"), 0u);
    EXPECT_EQ(PortTreeShows(dlg), ports);
    EXPECT_TRUE(dlg->ListBound());
    EXPECT_EQ(dlg->GetSubscriberList()->GetItemCount(), rows);
}

// A double click on an interface whose state changed on the switch shows
// the new state; the panes keep what they show and nothing is asked again.
TEST_F(V5Hands, ADetailAnswerWithAChangedStatusLeavesThePanesAsTheyWere) {
    CV5DialogBase* dlg = Start(5, {"4", "3"});
    ASSERT_NE(dlg, nullptr);
    const auto ports = PortTreeShows(dlg);
    ASSERT_EQ(ports.first, HostString(10075) + "3");
    const int rows = dlg->GetSubscriberList()->GetItemCount();
    const size_t cached = dlg->PortCache().Size();
    ASSERT_EQ(cached, 3u);
    const std::string before = OnSwitch("LST V5IF: V5IID=3;");
    ASSERT_NE(OnSwitch("BLK V5IF: V5IID=3;").find("RETCODE = 0"), std::string::npos);
    ASSERT_NE(OnSwitch("LST V5IF: V5IID=3;"), before);
    CV5InterfaceTree* tree = dlg->GetInterfaceTree();
    QTreeWidgetItem* item = InterfaceItem(tree, "3");
    Sent();
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    ASSERT_TRUE(Settle(m_wnd));
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(CountSent(sent, "DSP V5IF:"), 1u);
    EXPECT_EQ(CountSent(sent, "LST V5PORT:"), 0u);
    const CDynData& data = *dlg->InterfaceData().GetDynData();
    const CInstData* rec = data.FindInst(tree->FirstInstanceOf("3"));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->GetFieldText(data.ColumnOf("STATUS")), "Blocked");
    EXPECT_EQ(InterfaceItem(tree, "3"), item);  // not rebuilt
    EXPECT_EQ(PortTreeShows(dlg), ports);
    EXPECT_TRUE(dlg->ListBound());
    EXPECT_EQ(dlg->GetSubscriberList()->GetItemCount(), rows);
    EXPECT_EQ(dlg->PortCache().Size(), cached);
}

// A V5 subscriber modified in its window while, on another link, its line
// was blocked through maintenance and its description changed: both are
// shown, and applying puts this operator's description on the subscriber
// as it is now, the block kept; the line's maintenance record follows the
// subscriber's revision.
TEST_F(V5Hands, AV5SubscriberChangedMeanwhileKeepsTheBlockAndTakesMine) {
    CV5DialogBase* dlg = Start(5, {"1"});
    ASSERT_NE(dlg, nullptr);
    CObjListCtrl* list = dlg->GetSubscriberList();
    ASSERT_GT(list->GetItemCount(), 0);
    const std::string dn = list->Model().CellText(0, 0);
    const std::string revision = op::Property(OnSwitch("DSP V5SUB: DN=" + dn + ";"), "REV");
    ASSERT_FALSE(revision.empty());
    SConflicts conflicts;
    OnDialog([&](QDialog& d) {
        if (ApplyMine(d, conflicts)) return;
        ASSERT_TRUE(TypeParameter(d, "Description", "Mine"));
        if (conflicts.count == 0) {
            EXPECT_EQ(op::Property(OnSwitch("BLK V5SUBMNT: DN=" + dn + ";"), "RETCODE"), "0");
            EXPECT_EQ(op::Property(OnSwitch("MOD V5SUB: DN=" + dn + ", DESC=\"Theirs\";"), "RETCODE"), "0");
        }
        PressButton(d, "ctl1");
    });
    Click(list, 0);
    ASSERT_TRUE(Settle(m_wnd));
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Modify"));
    ASSERT_TRUE(WaitFor([&] { return conflicts.count == 1; }));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(conflicts.rows, (std::vector<std::vector<QString>>{{"Description", "Mine", "Theirs"}, {"Status", "", "Blocked"}}));
    const std::string after = OnSwitch("DSP V5SUB: DN=" + dn + ";");
    EXPECT_EQ(op::Property(after, "DESC"), "Mine");
    EXPECT_EQ(op::Property(after, "STATUS"), "BLOCKED");
    EXPECT_EQ(op::Property(after, "REV"), std::to_string(std::stoi(revision) + 3));
    const std::string line = OnSwitch("LST V5SUBMNT: DN=" + dn + ";");
    EXPECT_EQ(op::Property(line, "BLOCKED"), "YES");
    EXPECT_EQ(op::Property(line, "REV"), op::Property(after, "REV"));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
}

}  // namespace

// Another operator adds and removes a port of the interface the operator
// looks at, adds an interface and moves the operator's to another group:
// both trees follow without F5, with the interface and the port the
// operator picked and the subscribers listed for that port. The operator's
// own F5 starts afresh. Each change is checked on the switch.
TEST_F(V5Hands, TheTreesFollowAnotherOperatorWhereItsOperatorStands) {
    StartClient();
    const std::vector<std::string> ids = Values(OnSwitch("LST V5IF:;"), "V5IID");
    ASSERT_GE(ids.size(), 2u);
    const std::string mine = ids.front();  // not the interface a build ends on
    CV5DialogBase* dlg = OpenV5(5);
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, mine);
    CV5InterfaceTree* ifTree = dlg->GetInterfaceTree();
    CV5PortL3Tree* portTree = dlg->GetPortTree();
    ASSERT_EQ(PortTreeShows(dlg).first, HostString(10075) + mine);
    QTreeWidgetItem* root = portTree->topLevelItem(0);
    ASSERT_TRUE(root && root->childCount() > 0 && root->child(0)->childCount() > 0);
    ClickItem(portTree, root->child(0)->child(0));
    ASSERT_TRUE(Settle(m_wnd));
    CObjListCtrl* subs = dlg->GetSubscriberList();
    const int listed = subs->GetItemCount();
    ASSERT_GT(listed, 0);
    const op::STreePlace ifPlace = op::PlaceIn(ifTree), portPlace = op::PlaceIn(portTree);
    ASSERT_EQ(ifPlace.current, op::PathOf(InterfaceItem(ifTree, mine)));
    auto expectPlaceKept = [&](const char* after) {
        EXPECT_EQ(op::PlaceIn(portTree), portPlace) << after;
        EXPECT_EQ(op::PlaceIn(ifTree).current, op::PathOf(InterfaceItem(ifTree, mine))) << after;
        EXPECT_EQ(op::PlaceIn(ifTree).selected, op::PlaceIn(ifTree).current) << after;
        EXPECT_EQ(subs->GetItemCount(), listed) << after;
    };

    ByAnotherOperator("ADD V5PORT: V5IID=" + mine + ", PTYPE=PSTN, BGNL3ADDR=30000, ENDL3ADDR=30099;");
    ASSERT_TRUE(PortsOnSwitch("V5PORT", mine).contains("30000-30099"));
    ASSERT_TRUE(WaitFor([&] { return PortTreeShows(dlg).second.contains("30000-30099"); }, 3000))
        << "the new port is not shown";
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(PortTreeShows(dlg).second, PortsOnSwitch("V5PORT", mine));
    expectPlaceKept("a port added");

    const std::string gateway = op::Property(OnSwitch("LST V5IF: V5IID=" + mine + ";"), "MGWID");
    ByAnotherOperator("ADD V5IF: V5IID=77, GROUP=201, MGWID=" + gateway + ";");
    ASSERT_EQ(op::Property(OnSwitch("LST V5IF: V5IID=77;"), "V5IID"), "77");
    ASSERT_TRUE(WaitFor([&] { return InterfaceItem(ifTree, "77") != nullptr; }, 3000)) << "the new interface is not shown";
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(op::PlaceIn(ifTree).top, ifPlace.top);
    EXPECT_EQ(op::PlaceIn(ifTree).current, ifPlace.current);
    expectPlaceKept("an interface added");

    // The operator's interface moved to another group: it moves in the
    // tree, still picked.
    ByAnotherOperator("MOD V5IF: V5IID=" + mine + ", GROUP=201;");
    ASSERT_EQ(op::Property(OnSwitch("LST V5IF: V5IID=" + mine + ";"), "GROUP"), "201");
    ASSERT_TRUE(WaitFor([&] {
        QTreeWidgetItem* item = InterfaceItem(ifTree, mine);
        return item && item->parent() && item->parent() == InterfaceItem(ifTree, "77")->parent();
    }, 3000)) << "the interface stays in its old group";
    ASSERT_TRUE(Settle(m_wnd));
    expectPlaceKept("the interface moved");

    ByAnotherOperator("RMV V5PORT: V5IID=" + mine + ", PTYPE=PSTN, BGNL3ADDR=30000;");
    ASSERT_FALSE(PortsOnSwitch("V5PORT", mine).contains("30000-30099"));
    ASSERT_TRUE(WaitFor([&] { return !PortTreeShows(dlg).second.contains("30000-30099"); }, 3000))
        << "the removed port is still shown";
    ASSERT_TRUE(Settle(m_wnd));
    expectPlaceKept("a port removed");

    // The operator's own F5 lists the interfaces again from scratch: the
    // build ends on its last interface, whose ports the port tree shows
    // with none picked, and no subscribers are listed.
    Key(ifTree, Qt::Key_F5);
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(op::PlaceIn(ifTree).current, op::PathOf(InterfaceItem(ifTree, "77")));
    EXPECT_EQ(PortTreeShows(dlg).first, HostString(10075) + "77");
    EXPECT_TRUE(portTree->selectedItems().isEmpty());
    EXPECT_EQ(subs->GetItemCount(), 0);

    // A change the trees do not show: the panel showing the interface's
    // details (a double click) follows it.
    PickInterface(dlg, mine);
    QTest::mouseDClick(ifTree->viewport(), Qt::LeftButton, {},
                       ifTree->visualItemRect(InterfaceItem(ifTree, mine)).center());
    ASSERT_TRUE(Settle(m_wnd));
    auto* panel = dynamic_cast<CPropertyDisplayView*>(m_wnd->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return op::PanelSays(panel, mine); }, 3000)) << "the panel does not show the interface";
    ByAnotherOperator("MOD V5IF: V5IID=" + mine + ", NAME=\"named by B\";");
    ASSERT_EQ(op::Property(OnSwitch("LST V5IF: V5IID=" + mine + ";"), "NAME"), "named by B");
    EXPECT_TRUE(WaitFor([&] { return op::PanelSays(panel, "named by B"); }, 3000)) << "the panel kept the old name";
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(op::PlaceIn(ifTree).current, op::PathOf(InterfaceItem(ifTree, mine)));
}
