// An operator at the V5 windows (configuration types 5 and 12): the
// interface and port trees against what the switch holds, picks by mouse,
// the port cache seen in the commands that go out, F5 in the tree, and a
// batch add through the list's menu and the parameter dialog.
#include "Operator.h"
#include "HostStrings.h"
#include "V5UserDlg.h"
#include "hostlibs/HostStringIds.h"

namespace {

using op::COperatorTest;

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

size_t Count(const std::vector<std::string>& sent, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& s : sent) n += s.rfind(prefix, 0) == 0;
    return n;
}

QStringList Texts(const QTreeWidgetItem* parent) {
    QStringList out;
    for (int i = 0; parent && i < parent->childCount(); ++i) out << parent->child(i)->text(0);
    return out;
}

class V5Hands : public COperatorTest {
protected:
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
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    void PickInterface(CV5DialogBase* dlg, const std::string& key) {
        ClickItem(dlg->GetInterfaceTree(), InterfaceItem(dlg->GetInterfaceTree(), key));
        ASSERT_TRUE(Settle(m_wnd));
    }
    CUserObjWnd* m_wnd = nullptr;
};

// The interface tree holds one group per distinct group number, in order
// of first appearance, with the switch's interfaces under them.
TEST_F(V5Hands, TheInterfaceTreeShowsTheSwitchsInterfacesByGroup) {
    for (int type : {5, 12}) {
        StartClient();
        CV5DialogBase* dlg = OpenV5(type);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle().toStdString(), HostString(10084));
        EXPECT_EQ(m_wnd->m_pConfigView->Sheets().GetSheetTitle(dlg), HostString(10084));  // never "Sheet"
        const std::string report = OnSwitch("LST V5IF:;");
        const std::vector<std::string> ids = Values(report, "V5IID"), groups = Values(report, "GROUP");
        ASSERT_EQ(ids.size(), 8u);
        std::vector<std::string> order;
        for (const std::string& g : groups)
            if (std::find(order.begin(), order.end(), g) == order.end()) order.push_back(g);
        QTreeWidgetItem* root = dlg->GetInterfaceTree()->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->childCount(), static_cast<int>(order.size()));
        for (size_t g = 0; g < order.size(); ++g) {
            QTreeWidgetItem* group = root->child(static_cast<int>(g));
            EXPECT_EQ(group->text(0).toStdString(), "Group " + order[g]);
            QStringList expected;
            for (size_t i = 0; i < ids.size(); ++i)
                if (groups[i] == order[g]) expected << QString::fromStdString(HostString(10075) + ids[i]);
            EXPECT_EQ(Texts(group), expected);
        }
        // After the build the port tree shows the last interface's ports.
        QTreeWidgetItem* ports = dlg->GetPortTree()->topLevelItem(0);
        ASSERT_NE(ports, nullptr);
        EXPECT_EQ(ports->text(0).toStdString(), HostString(10075) + ids.back());
        EXPECT_EQ(dlg->GetSubscriberList()->GetItemCount(), 0);
        m_main.reset();
    }
}

// A pick of an interface fills the port tree with its ports under their
// type group and the list with its subscribers; a second pick of it takes
// the ports from the cache.
TEST_F(V5Hands, PickingAnInterfaceShowsItsPortsAndSubscribersAndCachesThePorts) {
    StartClient();
    CV5DialogBase* dlg = OpenV5(12);  // V5 BRA: ports of type ISDN on interfaces 7 and 8
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "1");
    Sent();
    PickInterface(dlg, "7");
    std::vector<std::string> sent = Sent();
    EXPECT_EQ(Count(sent, "LST V5BRAPORT:"), 1u);
    const std::string ports = OnSwitch("LST V5BRAPORT: V5IID=7;");
    QTreeWidgetItem* root = dlg->GetPortTree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0).toStdString(), HostString(10075) + "7");
    ASSERT_EQ(Texts(root), QStringList{"ISDN"});
    QStringList expected;
    const auto first = Values(ports, "BGNL3ADDR"), last = Values(ports, "ENDL3ADDR");
    for (size_t i = 0; i < first.size(); ++i) expected << QString::fromStdString(first[i] + "-" + last[i]);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(Texts(root->child(0)), expected);
    const size_t subscribers = Values(OnSwitch("LST V5BRASUB: V5IID=7;"), "DN").size();
    ASSERT_GT(subscribers, 0u);
    EXPECT_EQ(static_cast<size_t>(dlg->GetSubscriberList()->GetItemCount()), subscribers);
    EXPECT_TRUE(dlg->ListBound());
    EXPECT_NE(dlg->Caption(CV5DialogBase::kCaptionSub)->text().toStdString().find(std::to_string(subscribers)),
              std::string::npos);

    PickInterface(dlg, "2");
    PickInterface(dlg, "7");
    sent = Sent();
    EXPECT_EQ(Count(sent, "LST V5BRAPORT: V5IID=2"), 1u);
    EXPECT_EQ(Count(sent, "LST V5BRAPORT: V5IID=7"), 0u);  // from the cache
    EXPECT_EQ(Count(sent, "LST V5BRASUB: V5IID=7"), 1u);
    EXPECT_EQ(Texts(dlg->GetPortTree()->topLevelItem(0)->child(0)), expected);
    EXPECT_EQ(static_cast<size_t>(dlg->GetSubscriberList()->GetItemCount()), subscribers);
}

// Twenty-two interfaces: the twenty-second evicts the least used from the
// port cache, which then queries the switch again for it.
TEST_F(V5Hands, TheTwentySecondInterfaceEvictsTheLeastUsedPorts) {
    StartClient();
    for (int i = 9; i <= 24; ++i)
        ASSERT_NE(OnSwitch("ADD V5IF: V5IID=" + std::to_string(i) + ", GROUP=" + std::to_string(i % 4) +
                           ", MGWID=" + std::to_string(100 + i) + ";")
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
    EXPECT_EQ(Count(Sent(), "LST V5PORT: V5IID=" + keys[20]), 1u);
    EXPECT_EQ(dlg->PortCache().Size(), 21u);
    EXPECT_EQ(dlg->PortCache().Find(victim), nullptr);
    EXPECT_NE(dlg->PortCache().Find(CRestrictInfo{{HostString(HS_V5_INTERFACE), keys[0]}}), nullptr);
    const std::string victimKey = victim.Entries().front().second;
    PickInterface(dlg, keys[0]);
    EXPECT_EQ(Count(Sent(), "LST V5PORT:"), 0u);
    PickInterface(dlg, victimKey);
    EXPECT_EQ(Count(Sent(), "LST V5PORT: V5IID=" + victimKey), 1u);
}

// F5 in the interface tree lists the interfaces again and empties the port
// cache; while a command is outstanding F5 does nothing.
TEST_F(V5Hands, F5InTheInterfaceTreeReloadsItAndEmptiesThePortCache) {
    StartClient();
    CV5DialogBase* dlg = OpenV5(5);
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "1");
    PickInterface(dlg, "2");
    ASSERT_EQ(dlg->PortCache().Size(), 3u);
    CV5InterfaceTree* tree = dlg->GetInterfaceTree();
    Sent();
    SendMessage(tree, msg::WM_BUSYLOCK, 1, 0);  // as while a command is outstanding
    Key(tree, Qt::Key_F5);
    EXPECT_TRUE(Sent().empty());
    SendMessage(tree, msg::WM_BUSYLOCK, 0, 0);
    Key(tree, Qt::Key_F5);
    ASSERT_TRUE(Settle(m_wnd));
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(Count(sent, "LST V5IF:"), 1u);
    EXPECT_EQ(dlg->PortCache().Size(), 1u);  // only what the rebuild bound
    EXPECT_EQ(dlg->PortCache().Find(CRestrictInfo{{HostString(HS_V5_INTERFACE), "1"}}), nullptr);
    PickInterface(dlg, "1");
    EXPECT_EQ(Count(Sent(), "LST V5PORT: V5IID=1"), 1u);
}

// A port under the dialog's own type group binds the list to its range; a
// port under another group leaves the list as it was.
TEST_F(V5Hands, APortPickBindsTheListOnlyUnderTheDialogsTypeGroup) {
    StartClient();
    CV5DialogBase* dlg = OpenV5(5);
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
    ASSERT_EQ(Count(sent, "LST V5SUB:"), 1u);
    EXPECT_NE(sent.front().find("V5IID=2, BGNL3ADDR=" + lo + ", ENDL3ADDR=" + hi), std::string::npos)
        << sent.front();
    const int rows = dlg->GetSubscriberList()->GetItemCount();
    ASSERT_GT(rows, 0);

    // The switch's answer names ports of another type: they come under that group.
    dlg->PortData().ProcessCmdRslt("LST V5PORT: V5IID=2;", TRUE, {"PTYPE", "BGNL3ADDR", "ENDL3ADDR"},
                                   [] {
                                       CDataTable t;
                                       t.Add({{"ISDN"}, {"0"}, {"9"}});
                                       return t;
                                   }());
    group = dlg->GetPortTree()->topLevelItem(0)->child(0);
    ASSERT_EQ(group->text(0), "ISDN");
    ClickItem(dlg->GetPortTree(), group->child(0));
    ASSERT_TRUE(Settle(m_wnd));
    EXPECT_EQ(Count(Sent(), "LST V5SUB:"), 0u);
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
    StartClient();
    CV5DialogBase* dlg = OpenV5(5);
    ASSERT_NE(dlg, nullptr);
    PickInterface(dlg, "1");
    CObjListCtrl* list = dlg->GetSubscriberList();
    ASSERT_GT(list->GetItemCount(), 0);
    const size_t before = Values(OnSwitch("LST V5SUB: V5IID=1;"), "DN").size();
    Click(list, 0);
    ASSERT_TRUE(Settle(m_wnd));
    ASSERT_EQ(dlg->GetActiveListCtrl(), list);
    OnParameterDialog([](QDialog& d) {
        EXPECT_TRUE(TypeParameter(d, "First Number", "70009000"));
        EXPECT_TRUE(TypeParameter(d, "First L3 Address", "50"));
        EXPECT_TRUE(TypeParameter(d, "Last L3 Address", "52"));
        PressButton(d, "ctl1");
    });
    Sent();
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Add Batch"));
    ASSERT_TRUE(Settle(m_wnd));
    const std::vector<std::string> sent = Sent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.front().rfind("ADB V5SUB:", 0), 0u) << sent.front();
    EXPECT_EQ(Count(sent, "LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=99;"), 1u);
    EXPECT_EQ(Values(OnSwitch("LST V5SUB: V5IID=1;"), "DN").size(), before + 3);
    const std::string inRange = OnSwitch("LST V5SUB: V5IID=1, BGNL3ADDR=0, ENDL3ADDR=99;");
    EXPECT_EQ(static_cast<size_t>(list->GetItemCount()), Values(inRange, "DN").size());
    EXPECT_NE(inRange.find("DN = 70009002"), std::string::npos);
}

}  // namespace
