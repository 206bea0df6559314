// Filters under an operator's hands: the tool bar's combo, buttons and the
// customize dialog in the real host window with the module and the
// embedded switch. What a filtered list shows is held against the switch's
// own answer to the filter; what is saved is read back from the disk.
#include "Operator.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <set>

#include "CmdParaDlg.h"
#include "ControlIds.h"
#include "CustomizeFilterDlg.h"
#include "Filter.h"
#include "HostStrings.h"
#include "ProfileFile.h"
#include "TextHelpers.h"
#include "hostlibs/HostStringIds.h"

using op::COperatorTest;

namespace {

const std::string kG729 = "LST MGCPSUB: CODEC=G729;";
const std::string kBlocked = "LST MGCPSUB: STATUS=BLOCKED;";

// The numbers of the subscribers a switch answer lists.
std::set<std::string> DnsIn(const std::string& answer) {
    std::set<std::string> dns;
    static const QRegularExpression dn(QStringLiteral("\nDN = (\\d+)"));
    for (auto it = dn.globalMatch(QString::fromStdString(answer)); it.hasNext();)
        dns.insert(it.next().captured(1).toStdString());
    return dns;
}
std::set<std::string> DnsIn(CObjListCtrl* list) {
    std::set<std::string> dns;
    for (int r = 0; r < list->GetItemCount(); ++r) dns.insert(list->Model().CellText(r, 0));
    return dns;
}
// The count a paged answer's head gives.
int TotalIn(const std::string& answer) {
    static const QRegularExpression total(QString::fromStdString(HostString(HS_TOTAL_RECS)) + " = (\\d+)");
    const auto m = total.match(QString::fromStdString(answer));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList Entries(QComboBox* combo) {
    QStringList all;
    for (int i = 0; i < combo->count(); ++i) all << combo->itemText(i);
    return all;
}

QTreeWidgetItem* Row(QTreeWidget* list, const QString& name) {
    const auto found = list->findItems(name, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.front();
}
void ClickRow(QTreeWidget* list, const QString& name) {
    QTreeWidgetItem* item = Row(list, name);
    ASSERT_NE(item, nullptr) << name.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// Every filter of the file, section by section.
std::map<std::string, std::map<std::string, std::string>> FiltersOnDisk(const std::string& file) {
    const platform::CProfile profile = platform::CProfile::Load(file);
    std::map<std::string, std::map<std::string, std::string>> all;
    for (const std::string& section : profile.SectionNames())
        for (const std::string& key : profile.KeyNames(section))
            all[section][key] = profile.Value(section, key).value_or("");
    return all;
}

// The privileged may write into any folder; for a while this thread may not.
class CNoOverride {
public:
    CNoOverride() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0) return;
        __user_cap_data_struct less[2] = {m_saved[0], m_saved[1]};
        less[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_bChanged = syscall(SYS_capset, &m_header, less) == 0;
    }
    ~CNoOverride() {
        if (m_bChanged) syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_bChanged = false;
};

// The filter table reads and writes a copy of the shipped file in a
// folder of the test's own; the shipped file is never touched.
class FilterHands : public COperatorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_shipped = FilterTable().Path();
        m_file = m_dir.path().toStdString() + "/Filter.ini";
        ASSERT_TRUE(QFile::copy(QString::fromStdString(m_shipped), QString::fromStdString(m_file)));
        FilterTable().FilterInit(m_file);
    }
    void TearDown() override {
        COperatorTest::TearDown();
        FilterTable().FilterInit(m_shipped);
    }

    CUserObjWnd* OpenMgcp(long long subscribers) {
        StartClient(subscribers);
        if (HasFatalFailure()) return nullptr;
        CUserObjWnd* w = Open(3);
        Sent();
        return w;
    }
    static QAction* Tool(CUserObjWnd* w, int id) {
        return w->findChild<QAction*>(QStringLiteral("cmd%1").arg(id));
    }
    // Choose in the window's filter box, then wait for the list.
    bool Choose(CUserObjWnd* w, const QString& name) {
        const bool picked = ChooseFromCombo(w->m_pCbxFilter, name);
        return Settle(w) && picked;
    }

    // Types a filter into the customize dialog and stores it (Add or Change).
    static void StoreInDialog(QDialog& d, const QString& name, const QString& command) {
        auto* dlg = dynamic_cast<CCustomizeFilterDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        TypeOver(dlg->NameEdit(), name);
        TypeOver(dlg->CommandEdit(), command);
        PressButton(d, "ctl10217");
    }

    QTemporaryDir m_dir;
    std::string m_shipped, m_file;
};

}  // namespace

// The combo offers the list's filters from the file, sorted, each time it
// drops down; a choice sends its command once and the list then holds what
// the switch answers to it; refresh resends it; drop filter goes back; a
// filter that is no command is told and not sent.
TEST_F(FilterHands, ChoosingRefreshingAndDroppingAFilter) {
    CUserObjWnd* w = OpenMgcp(2000);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    for (int id : {ids::ID_PREDEFINED_QUERY, ids::ID_DROP_FILTER, ids::ID_CUSTOMIZE_FILTER,
                   ids::ID_REFRESH}) {
        ASSERT_NE(Tool(w, id), nullptr);
        EXPECT_EQ(Tool(w, id)->toolTip().toStdString(), HostString(id)) << id;
        EXPECT_FALSE(HostString(id).empty()) << id;
    }
    EXPECT_EQ(w->m_pCbxFilter->toolTip().toStdString(), HostString(ids::ID_FILTER_COMBO));
    EXPECT_FALSE(HostString(ids::ID_FILTER_COMBO).empty());
    EXPECT_TRUE(w->m_pCbxFilter->isEnabled());
    EXPECT_FALSE(Tool(w, ids::ID_DROP_FILTER)->isEnabled());  // nothing to drop yet

    // A sort in force: the filter's records come without its arrow.
    ClickHeader(list, 0);
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(list->Header().SortColumn(), 0);
    Sent();

    // A filter added to the table since the last look is offered at once.
    (*FilterTable().Section("MGCP Subscriber"))["Any idle line"] = "LST MGCPSUB: STATUS=IDLE;";
    ASSERT_TRUE(Choose(w, "G.729 lines"));
    EXPECT_EQ(Entries(w->m_pCbxFilter),
              (QStringList{"Any idle line", "Blocked lines", "G.729 lines"}));
    EXPECT_EQ(w->m_pCbxFilter->currentText(), "G.729 lines");
    EXPECT_EQ(Sent(), std::vector<std::string>{kG729});
    const std::set<std::string> g729 = DnsIn(OnSwitch(kG729));
    ASSERT_FALSE(g729.empty());
    EXPECT_EQ(DnsIn(list), g729);
    EXPECT_EQ(list->GetItemCount(), static_cast<int>(g729.size()));
    EXPECT_EQ(list->Header().SortColumn(), -1);
    EXPECT_TRUE(Tool(w, ids::ID_DROP_FILTER)->isEnabled());
    EXPECT_EQ(Dialog(w)->MainCaption()->text().toStdString(),
              "MGCP Subscriber (" + platform::GroupDigits(static_cast<long long>(g729.size())) +
                  " of 2,000 · G.729 lines)");

    // The filter in force once more: the switch is not asked again.
    ASSERT_TRUE(Choose(w, "G.729 lines"));
    EXPECT_TRUE(Sent().empty());

    // Refresh asks for the filtered records again, not for all.
    ClickTool(w, ids::ID_REFRESH);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Sent(), std::vector<std::string>{kG729});
    EXPECT_EQ(DnsIn(list), g729);

    // Drop: every subscriber again, no row picked, nothing in the box.
    Click(list, 3);
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(list->SelectedCount(), 1);
    Sent();
    ClickTool(w, ids::ID_DROP_FILTER);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Sent().front(), "LST MGCPSUB:;");
    EXPECT_EQ(list->m_nTotalRecords, 2000);
    EXPECT_EQ(list->SelectedCount(), 0);
    EXPECT_EQ(w->m_pCbxFilter->currentIndex(), -1);
    EXPECT_FALSE(list->m_bFilterActive);
    EXPECT_FALSE(Tool(w, ids::ID_DROP_FILTER)->isEnabled());
    EXPECT_EQ(Dialog(w)->MainCaption()->text().toStdString(),
              platform::Format(HostString(10153).c_str(), "MGCP Subscriber", 2000));

    // A filter text edited by hand into no command: choosing it sends
    // nothing, says why, and leaves the list as it was.
    const std::string broken = "LST MGCPSUB STATUS=BLOCKED;";
    (*FilterTable().Section("MGCP Subscriber"))["Hand edited"] = broken;
    ASSERT_TRUE(Choose(w, "Hand edited"));
    EXPECT_TRUE(Sent().empty());
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_EQ(m_ui->boxes.front().text, platform::Format(HostString(HS_FILTER_NOT_SENT).c_str(),
                                                         "Hand edited", broken.c_str()));
    EXPECT_FALSE(list->m_bFilterActive);
    EXPECT_EQ(w->m_pCbxFilter->currentIndex(), -1);
    EXPECT_EQ(list->m_nTotalRecords, 2000);
}

// The shipped "G.729 lines" on the demo switch: the result is paged like
// the list itself, and the caption counts what the switch counts.
TEST_F(FilterHands, TheShippedG729FilterOnAPagedList) {
    CUserObjWnd* w = OpenMgcp(20000);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    CObjListCtrl* list = mgcp->MainList();
    ASSERT_TRUE(list->IsPaged());
    const int expected = TotalIn(OnSwitch(kG729));
    ASSERT_GT(expected, CObjListCtrl::kPageSize);

    ASSERT_TRUE(Choose(w, "G.729 lines"));
    const std::string caption =
        "MGCP Subscriber (" + platform::GroupDigits(expected) + " of 20,000 · G.729 lines)";
    EXPECT_EQ(mgcp->MainCaption()->text().toStdString(), caption);
    EXPECT_TRUE(list->IsPaged());
    EXPECT_EQ(list->m_nTotalRecords, expected);
    EXPECT_EQ(list->GetItemCount(), expected);

    // The last page of the filtered records: still G.729 lines, same caption.
    Click(list, 0);
    Key(list, Qt::Key_End);
    ASSERT_TRUE(Settle(w));
    const int last = list->GetItemCount() - 1;
    ASSERT_NE(list->GetItemData(last), 0u) << "the last row holds no record";
    const std::string dn = list->Model().CellText(last, 0);
    EXPECT_NE(OnSwitch("LST MGCPSUB: DN=" + dn + ";").find("CODEC = G729"), std::string::npos)
        << dn;
    EXPECT_EQ(mgcp->MainCaption()->text().toStdString(), caption);

    // Refresh of the filtered list asks for the filter again.
    Sent();
    ClickTool(w, ids::ID_REFRESH);
    ASSERT_TRUE(Settle(w));
    const std::vector<std::string> sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), kG729);
    EXPECT_EQ(list->m_nTotalRecords, expected);

    ClickTool(w, ids::ID_DROP_FILTER);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(list->m_nTotalRecords, 20000);
    EXPECT_EQ(mgcp->MainCaption()->text().toStdString(),
              platform::Format(HostString(10153).c_str(), "MGCP Subscriber", 20000));
}

// Two windows of one list keep a filter each, side by side: choosing and
// dropping act on the window they were done in, while the saved filters
// are shared (a filter saved in one window is offered in the other).
TEST_F(FilterHands, TwoWindowsOfOneListKeepTwoFilters) {
    StartClient(2000);
    CUserObjWnd* first = Open(3);
    CUserObjWnd* second = Open(3);
    ASSERT_TRUE(first && second && first != second);
    CObjListCtrl* firstList = Dialog(first)->MainList();
    CObjListCtrl* secondList = Dialog(second)->MainList();
    ASSERT_EQ(m_main->MdiArea()->activeSubWindow(), second);
    ASSERT_TRUE(Choose(second, "Blocked lines"));
    ASSERT_TRUE(Settle(first));
    EXPECT_EQ(secondList->m_strFilterCommand, kBlocked);
    EXPECT_EQ(DnsIn(secondList), DnsIn(OnSwitch(kBlocked)));
    EXPECT_FALSE(firstList->m_bFilterActive);
    EXPECT_EQ(firstList->m_nTotalRecords, 2000);
    EXPECT_EQ(Dialog(first)->MainCaption()->text().indexOf("Blocked lines"), -1);

    m_main->MdiArea()->setActiveSubWindow(first);
    ASSERT_TRUE(Choose(first, "G.729 lines"));
    ASSERT_TRUE(Settle(second));
    EXPECT_EQ(firstList->m_strFilterCommand, kG729);
    EXPECT_EQ(DnsIn(firstList), DnsIn(OnSwitch(kG729)));
    EXPECT_EQ(secondList->m_strFilterCommand, kBlocked);
    EXPECT_EQ(DnsIn(secondList), DnsIn(OnSwitch(kBlocked)));
    EXPECT_EQ(second->m_pCbxFilter->currentText(), "Blocked lines");

    ClickTool(first, ids::ID_DROP_FILTER);
    ASSERT_TRUE(Settle(first) && Settle(second));
    EXPECT_FALSE(firstList->m_bFilterActive);
    EXPECT_EQ(firstList->m_nTotalRecords, 2000);
    EXPECT_TRUE(secondList->m_bFilterActive);
    EXPECT_EQ(DnsIn(secondList), DnsIn(OnSwitch(kBlocked)));
    EXPECT_NE(Dialog(second)->MainCaption()->text().indexOf("Blocked lines"), -1);

    // A filter saved in the first window is offered in the second.
    OnDialog([](QDialog& d) {
        StoreInDialog(d, "Idle lines", "LST MGCPSUB: STATUS=IDLE;");
        PressButton(d, "ctl1");
    });
    ClickTool(first, ids::ID_CUSTOMIZE_FILTER);
    m_main->MdiArea()->setActiveSubWindow(second);
    ASSERT_TRUE(Choose(second, "Idle lines"));
    EXPECT_EQ(secondList->m_strFilterCommand, "LST MGCPSUB: STATUS=IDLE;");
    EXPECT_FALSE(firstList->m_bFilterActive);
}

// What the customize dialog saves comes back at the next start as it was
// entered: a name that begins with '#', commands with outer blanks or quotes.
TEST_F(FilterHands, SavedFiltersSurviveARestartAsEntered) {
    CUserObjWnd* w = OpenMgcp(500);
    ASSERT_NE(w, nullptr);
    const std::vector<std::pair<QString, QString>> entered = {
        {"#1 idle", "LST MGCPSUB: STATUS=IDLE;"},
        {"Padded", "  LST MGCPSUB: STATUS=BUSY;  "},
        {"Quoted", "\"LST MGCPSUB: STATUS=FAULT;\""},
    };
    OnDialog([&entered](QDialog& d) {
        for (const auto& [name, command] : entered) StoreInDialog(d, name, command);
        PressButton(d, "ctl1");
    });
    ClickTool(w, ids::ID_CUSTOMIZE_FILTER);
    EXPECT_TRUE(m_ui->boxes.empty());
    // The next start reads the file anew.
    FilterTable().FilterInit(m_file);
    const CFilter::FilterMap* section = FilterTable().Section("MGCP Subscriber");
    ASSERT_NE(section, nullptr);
    for (const auto& [name, command] : entered) {
        const auto it = section->find(name.toStdString());
        ASSERT_NE(it, section->end()) << name.toStdString();
        EXPECT_EQ(it->second, command.toStdString());
    }
    EXPECT_EQ(section->size(), 5u);
    ASSERT_TRUE(Choose(w, "#1 idle"));
    EXPECT_EQ(DnsIn(Dialog(w)->MainList()), DnsIn(OnSwitch("LST MGCPSUB: STATUS=IDLE;")));
}

// The predefined query opens the parameter dialog on the filter query; what
// the operator enters is the list's filter, and a sort keeps it.
TEST_F(FilterHands, ThePredefinedQueryFiltersWhatTheOperatorEnters) {
    CUserObjWnd* w = OpenMgcp(2000);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    OnDialog([](QDialog& d) {
        ASSERT_NE(dynamic_cast<CCmdParaDlg*>(&d), nullptr);
        ASSERT_TRUE(TypeParameter(d, "Gateway", "mgw-1"));
        PressButton(d, "ctl1");
    });
    ClickTool(w, ids::ID_PREDEFINED_QUERY);
    ASSERT_TRUE(Settle(w));
    const std::string command = "LST MGCPSUB: MGWNAME=\"mgw-1\";";
    EXPECT_EQ(Sent(), std::vector<std::string>{command});
    const std::set<std::string> onMgw1 = DnsIn(OnSwitch(command));
    ASSERT_FALSE(onMgw1.empty());
    EXPECT_EQ(DnsIn(list), onMgw1);
    EXPECT_TRUE(list->m_bFilterActive);
    EXPECT_TRUE(Tool(w, ids::ID_DROP_FILTER)->isEnabled());
    EXPECT_EQ(w->m_pCbxFilter->currentIndex(), -1);  // none of the saved filters
    EXPECT_NE(Dialog(w)->MainCaption()->text().indexOf("MGWNAME=\"mgw-1\""), -1);

    ClickHeader(list, 0);
    ASSERT_TRUE(Settle(w));
    ClickHeader(list, 0);  // descending
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(DnsIn(list), onMgw1);
    EXPECT_EQ(list->Model().CellText(0, 0), *onMgw1.rbegin());
}

// The buttons follow the active list; refresh follows only the switch.
TEST_F(FilterHands, TheButtonsFollowTheActiveListAndTheSwitch) {
    StartClient(500);
    CUserObjWnd* v5 = Open(5);  // V5 subscribers: no list is active at first
    ASSERT_NE(v5, nullptr);
    ASSERT_NE(v5->m_pActiveDlg, nullptr);
    ASSERT_EQ(v5->m_pActiveDlg->GetActiveListCtrl(), nullptr);
    EXPECT_FALSE(v5->m_pCbxFilter->isEnabled());
    for (int id : {ids::ID_PREDEFINED_QUERY, ids::ID_DROP_FILTER, ids::ID_CUSTOMIZE_FILTER})
        EXPECT_FALSE(Tool(v5, id)->isEnabled()) << id;
    EXPECT_TRUE(Tool(v5, ids::ID_REFRESH)->isEnabled());

    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CSubscriberDlg* mgcp = Dialog(w);
    EXPECT_TRUE(w->m_pCbxFilter->isEnabled());
    EXPECT_TRUE(Tool(w, ids::ID_PREDEFINED_QUERY)->isEnabled());
    EXPECT_TRUE(Tool(w, ids::ID_CUSTOMIZE_FILTER)->isEnabled());
    Key(mgcp->MainList(), Qt::Key_F5);
    ASSERT_TRUE(w->IsBusy());
    EXPECT_FALSE(Tool(w, ids::ID_REFRESH)->isEnabled());
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(Tool(w, ids::ID_REFRESH)->isEnabled());

    // The secondary list has no saved filters: the box is closed to it.
    Click(mgcp->MainList(), 0);
    ASSERT_TRUE(Settle(w));
    QWidget* sub = mgcp->SecondaryList()->viewport();
    ClickAt(sub, QPoint(10, sub->height() - 5));
    ASSERT_EQ(mgcp->GetActiveListCtrl(), mgcp->SecondaryList());
    EXPECT_FALSE(w->m_pCbxFilter->isEnabled());
    EXPECT_TRUE(Tool(w, ids::ID_CUSTOMIZE_FILTER)->isEnabled());
}

// Every refusal of the customize dialog, and what it lets through: a
// replaced command, a deletion the operator confirmed. OK writes the file,
// which then holds exactly the changes.
TEST_F(FilterHands, TheCustomizeDialogRefusesWhatItCannotKeep) {
    CUserObjWnd* w = OpenMgcp(500);
    ASSERT_NE(w, nullptr);
    const auto before = FiltersOnDisk(m_file);
    OnDialog([this](QDialog& d) {
        auto* dlg = dynamic_cast<CCustomizeFilterDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle().toStdString(),
                  platform::Format(HostString(10156).c_str(), HostString(10244).c_str(),
                                   "MGCP Subscriber", 2));
        QTreeWidget* rows = dlg->FilterList();
        ASSERT_EQ(rows->topLevelItemCount(), 2);
        auto refused = [&](int id) {
            const bool said = !m_ui->boxes.empty() && m_ui->boxes.back().text == HostString(id);
            m_ui->boxes.clear();
            return said;
        };

        PressButton(d, "ctl10217");
        EXPECT_TRUE(refused(10138)) << "no name";
        TypeOver(dlg->NameEdit(), "   ");
        PressButton(d, "ctl10217");
        EXPECT_TRUE(refused(10138)) << "spaces only";
        TypeOver(dlg->NameEdit(), "Idle;= lines");
        EXPECT_EQ(dlg->NameEdit()->text(), "Idle lines");  // ; and = never get in
        PressButton(d, "ctl10217");
        EXPECT_TRUE(refused(10139)) << "no command";
        TypeOver(dlg->CommandEdit(), "LST MGCPSUB: STATUS;");
        PressButton(d, "ctl10217");
        EXPECT_TRUE(refused(10128)) << "no condition";
        TypeOver(dlg->CommandEdit(), QString::fromStdString(kBlocked));
        PressButton(d, "ctl10217");
        ASSERT_FALSE(m_ui->boxes.empty());
        EXPECT_EQ(m_ui->boxes.back().text,
                  platform::Format(HostString(10127).c_str(), "Idle lines"));
        m_ui->boxes.clear();
        EXPECT_EQ(rows->topLevelItemCount(), 2);

        TypeOver(dlg->CommandEdit(), "LST MGCPSUB: STATUS=IDLE;");
        PressButton(d, "ctl10217");
        EXPECT_TRUE(m_ui->boxes.empty());
        ASSERT_EQ(rows->topLevelItemCount(), 3);
        // The same name again replaces its command.
        TypeOver(dlg->CommandEdit(), "LST MGCPSUB: STATUS=BUSY;");
        PressButton(d, "ctl10217");
        ASSERT_EQ(rows->topLevelItemCount(), 3);
        EXPECT_EQ(Row(rows, "Idle lines")->text(1), "LST MGCPSUB: STATUS=BUSY;");

        // Delete without a row picked, then the Delete key in the name field:
        // answered No, then Yes.
        PressButton(d, "ctl10219");
        EXPECT_TRUE(refused(10141));
        ClickRow(rows, "Blocked lines");
        EXPECT_EQ(dlg->NameEdit()->text(), "Blocked lines");
        EXPECT_EQ(dlg->CommandEdit()->text().toStdString(), kBlocked);
        m_ui->boxAnswers = {IDNO};
        Key(dlg->NameEdit(), Qt::Key_Delete);
        ASSERT_EQ(m_ui->boxes.size(), 1u);
        EXPECT_EQ(m_ui->boxes.back().text,
                  platform::Format(HostString(10140).c_str(), "Blocked lines"));
        EXPECT_EQ(m_ui->boxes.back().style & 0xF0F, MB_YESNO | MB_DEFBUTTON2);
        EXPECT_EQ(dlg->NameEdit()->text(), "Blocked lines");  // the key deleted no character either
        EXPECT_EQ(rows->topLevelItemCount(), 3);
        m_ui->boxAnswers = {IDYES};
        Key(dlg->NameEdit(), Qt::Key_Delete);
        EXPECT_EQ(rows->topLevelItemCount(), 2);
        EXPECT_EQ(Row(rows, "Blocked lines"), nullptr);
        EXPECT_TRUE(dlg->NameEdit()->text().isEmpty());
        m_ui->boxes.clear();
        PressButton(d, "ctl1");
    });
    ClickTool(w, ids::ID_CUSTOMIZE_FILTER);
    EXPECT_TRUE(m_ui->boxes.empty());

    auto after = before;
    after["MGCP Subscriber"].erase("Blocked lines");
    after["MGCP Subscriber"]["Idle lines"] = "LST MGCPSUB: STATUS=BUSY;";
    EXPECT_EQ(FiltersOnDisk(m_file), after);
    // The box offers what is saved.
    ASSERT_TRUE(Choose(w, "Idle lines"));
    EXPECT_EQ(Entries(w->m_pCbxFilter), (QStringList{"G.729 lines", "Idle lines"}));
    EXPECT_EQ(Dialog(w)->MainList()->m_strFilterCommand, "LST MGCPSUB: STATUS=BUSY;");
}

// A list without filters: the dialog opens empty, the command is composed
// in the parameter dialog on the filter query, the first filter starts the
// list's section, and the file holds it after OK with nothing else changed.
TEST_F(FilterHands, TheFirstFilterOfAListStartsItsSection) {
    CUserObjWnd* w = OpenMgcp(500);
    ASSERT_NE(w, nullptr);
    ClickTab(w->m_pConfigView->Sheets(), 1);  // H.248 subscribers
    ASSERT_TRUE(Settle(w));
    CSubscriberDlg* h248 = Dialog(w, 1);
    ASSERT_EQ(w->m_pActiveDlg, h248);
    ASSERT_EQ(h248->MainList()->m_strListKey, "H.248 Subscriber");
    ASSERT_EQ(FilterTable().Section("H.248 Subscriber"), nullptr);
    EXPECT_FALSE(w->m_pCbxFilter->isEnabled());
    const auto before = FiltersOnDisk(m_file);

    OnDialog([](QDialog& d) {
        if (dynamic_cast<CCmdParaDlg*>(&d)) {
            ASSERT_TRUE(TypeParameter(d, "Media Gateway", "0"));
            PressButton(d, "ctl1");
            return;
        }
        auto* dlg = dynamic_cast<CCustomizeFilterDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        EXPECT_NE(dlg->windowTitle().indexOf("(0 filters)"), -1);
        EXPECT_EQ(dlg->FilterList()->topLevelItemCount(), 0);
        TypeOver(dlg->NameEdit(), "Gateway 0");
        PressButton(d, "ctl10209");
        EXPECT_EQ(dlg->CommandEdit()->text(), "LST H248SUB: MGWID=0;");
        PressButton(d, "ctl10217");
        EXPECT_EQ(dlg->FilterList()->topLevelItemCount(), 1);
        PressButton(d, "ctl1");
    });
    ClickTool(w, ids::ID_CUSTOMIZE_FILTER);
    EXPECT_TRUE(m_ui->boxes.empty());
    auto after = before;
    after["H.248 Subscriber"]["Gateway 0"] = "LST H248SUB: MGWID=0;";
    EXPECT_EQ(FiltersOnDisk(m_file), after);

    EXPECT_TRUE(w->m_pCbxFilter->isEnabled());
    ASSERT_TRUE(Choose(w, "Gateway 0"));
    EXPECT_EQ(DnsIn(h248->MainList()), DnsIn(OnSwitch("LST H248SUB: MGWID=0;")));
    EXPECT_FALSE(DnsIn(h248->MainList()).empty());
}

// The command button loads the command in the field into the filter query,
// so a saved filter comes back to the operator as its values.
TEST_F(FilterHands, TheCommandButtonStartsFromTheCommandInTheField) {
    CUserObjWnd* w = OpenMgcp(500);
    ASSERT_NE(w, nullptr);
    QString codecShown;
    OnDialog([&](QDialog& d) {
        if (auto* para = dynamic_cast<CCmdParaDlg*>(&d)) {
            for (int r = 0; r < para->List()->rowCount(); ++r)
                if (para->List()->item(r, 0)->text() == "Codec")
                    codecShown = para->List()->item(r, 1)->text();
            ASSERT_TRUE(TypeParameter(d, "Gateway", "mgw-2"));
            PressButton(d, "ctl1");
            return;
        }
        auto* dlg = dynamic_cast<CCustomizeFilterDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        ClickRow(dlg->FilterList(), "G.729 lines");
        PressButton(d, "ctl10209");
        PressButton(d, "ctl10217");
        PressButton(d, "ctl2");  // cancelled: the file stays as it was
    });
    const auto before = FiltersOnDisk(m_file);
    ClickTool(w, ids::ID_CUSTOMIZE_FILTER);
    EXPECT_EQ(codecShown, "G.729");
    EXPECT_EQ(FilterTable().Section("MGCP Subscriber")->at("G.729 lines"),
              "LST MGCPSUB: MGWNAME=\"mgw-2\", CODEC=G729;");
    EXPECT_EQ(FiltersOnDisk(m_file), before);
}

// A folder that cannot be written: OK tells the operator, the dialog stays,
// and the file keeps every byte it had.
TEST_F(FilterHands, AFailedSaveKeepsTheOldFileAndSaysSo) {
    CUserObjWnd* w = OpenMgcp(500);
    ASSERT_NE(w, nullptr);
    QFile shipped(QString::fromStdString(m_file));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QByteArray bytes = shipped.readAll();
    shipped.close();
    bool stayedOpen = false;
    OnDialog([&](QDialog& d) {
        auto* dlg = dynamic_cast<CCustomizeFilterDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        TypeOver(dlg->NameEdit(), "Idle lines");
        TypeOver(dlg->CommandEdit(), "LST MGCPSUB: STATUS=IDLE;");
        PressButton(d, "ctl10217");
        PressButton(d, "ctl1");
        stayedOpen = d.isVisible();
        PressButton(d, "ctl2");
    });
    ASSERT_EQ(chmod(m_dir.path().toLocal8Bit().constData(), 0555), 0);
    {
        CNoOverride unprivileged;
        ClickTool(w, ids::ID_CUSTOMIZE_FILTER);
    }
    chmod(m_dir.path().toLocal8Bit().constData(), 0755);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_EQ(m_ui->boxes.front().text,
              platform::Format(HostString(HS_FILTER_SAVE_FAILED).c_str(), m_file.c_str()));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(shipped.readAll(), bytes);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"Filter.ini"});
}

// The file's keys do not tell case apart, so neither do filter names: a
// file holding "Blocked lines" and "blocked LINES" loads as one filter (the
// value the file gives for that key); a new name that differs from a saved
// one only in case asks before it replaces that filter; deleting goes by
// the name whatever its case; the file never holds two keys of one name.
TEST_F(FilterHands, NamesThatDifferOnlyInCaseAreOneFilter) {
    {
        QFile file(QString::fromStdString(m_file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        text.replace("Blocked lines=LST MGCPSUB: STATUS=BLOCKED;\n",
                     "Blocked lines=LST MGCPSUB: STATUS=BLOCKED;\nblocked LINES=LST MGCPSUB: STATUS=IDLE;\n");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    FilterTable().FilterInit(m_file);
    CUserObjWnd* w = OpenMgcp(500);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(Choose(w, "Blocked lines"));
    EXPECT_EQ(Entries(w->m_pCbxFilter), (QStringList{"Blocked lines", "G.729 lines"}));
    EXPECT_EQ(list->m_strFilterCommand, kBlocked);
    EXPECT_EQ(DnsIn(list), DnsIn(OnSwitch(kBlocked)));

    const std::string idle = "LST MGCPSUB: STATUS=IDLE;";
    OnDialog([&](QDialog& d) {
        auto* dlg = dynamic_cast<CCustomizeFilterDlg*>(&d);
        ASSERT_NE(dlg, nullptr);
        QTreeWidget* rows = dlg->FilterList();
        ASSERT_EQ(rows->topLevelItemCount(), 2);
        const std::string question =
            platform::Format(HostString(HS_FILTER_NAME_CASE).c_str(), "Blocked lines", "BLOCKED LINES");
        // Answered No: nothing changes.
        TypeOver(dlg->NameEdit(), "BLOCKED LINES");
        TypeOver(dlg->CommandEdit(), QString::fromStdString(idle));
        m_ui->boxAnswers = {IDNO};
        PressButton(d, "ctl10217");
        ASSERT_EQ(m_ui->boxes.size(), 1u);
        EXPECT_EQ(m_ui->boxes.back().text, question);
        EXPECT_EQ(m_ui->boxes.back().style & 0xF0F, MB_YESNO | MB_DEFBUTTON2);
        ASSERT_EQ(rows->topLevelItemCount(), 2);
        ASSERT_NE(Row(rows, "Blocked lines"), nullptr);
        EXPECT_EQ(Row(rows, "Blocked lines")->text(1).toStdString(), kBlocked);
        EXPECT_EQ(FilterTable().Section("MGCP Subscriber")->at("Blocked lines"), kBlocked);
        // Answered Yes: the filter takes the name as typed and the command.
        m_ui->boxes.clear();
        m_ui->boxAnswers = {IDYES};
        PressButton(d, "ctl10217");
        EXPECT_EQ(m_ui->boxes.size(), 1u);
        ASSERT_EQ(rows->topLevelItemCount(), 2);
        EXPECT_EQ(Row(rows, "Blocked lines"), nullptr);
        ASSERT_NE(Row(rows, "BLOCKED LINES"), nullptr);
        EXPECT_EQ(Row(rows, "BLOCKED LINES")->text(1).toStdString(), idle);
        // The same command under a name of another case is that filter, not
        // a second one with its command.
        m_ui->boxes.clear();
        TypeOver(dlg->NameEdit(), "g.729 Lines");
        TypeOver(dlg->CommandEdit(), QString::fromStdString(kG729));
        m_ui->boxAnswers = {IDNO};
        PressButton(d, "ctl10217");
        ASSERT_EQ(m_ui->boxes.size(), 1u);
        EXPECT_EQ(m_ui->boxes.back().text,
                  platform::Format(HostString(HS_FILTER_NAME_CASE).c_str(), "G.729 lines", "g.729 Lines"));
        // Delete by the name in the field, in another case than saved.
        m_ui->boxes.clear();
        ClickRow(rows, "BLOCKED LINES");
        TypeOver(dlg->NameEdit(), "blocked lines");
        m_ui->boxAnswers = {IDYES};
        PressButton(d, "ctl10219");
        EXPECT_EQ(rows->topLevelItemCount(), 1);
        EXPECT_EQ(FilterTable().Section("MGCP Subscriber")->count("Blocked lines"), 0u);
        // And added again: one filter.
        m_ui->boxes.clear();
        TypeOver(dlg->NameEdit(), "Idle lines");
        TypeOver(dlg->CommandEdit(), QString::fromStdString(idle));
        PressButton(d, "ctl10217");
        EXPECT_TRUE(m_ui->boxes.empty());
        PressButton(d, "ctl1");
    });
    ClickTool(w, ids::ID_CUSTOMIZE_FILTER);
    EXPECT_TRUE(m_ui->boxes.empty());

    const auto onDisk = FiltersOnDisk(m_file);
    const std::map<std::string, std::string> mgcp = {{"G.729 lines", kG729}, {"Idle lines", idle}};
    EXPECT_EQ(onDisk.at("MGCP Subscriber"), mgcp);
    QFile file(QString::fromStdString(m_file));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QString::fromUtf8(file.readAll()).contains("blocked", Qt::CaseInsensitive));
    ASSERT_TRUE(Choose(w, "Idle lines"));
    EXPECT_EQ(Entries(w->m_pCbxFilter), (QStringList{"G.729 lines", "Idle lines"}));
    EXPECT_EQ(DnsIn(list), DnsIn(OnSwitch(idle)));
}
