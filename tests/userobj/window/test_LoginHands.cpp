// The operator at a client whose switch, reached over TLS, asks for a
// login: the dialog typed into and clicked, a failed try said and asked
// again, the operator and role in the status bar, a guest's menus without
// changes, a cancelled login that leaves the windows free, a switch that
// comes back logged into again without a question, and the logout at the end.
#include "Operator.h"

#include <algorithm>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QSslSocket>
#include <QStatusBar>
#include <QTemporaryDir>

#include "DnSegDlg.h"
#include "DnSegTreeCtrl.h"
#include "HostStrings.h"
#include "hostlibs/HostStringIds.h"
#include "TcpSwitchLink.h"
#include "trees/TreePlaceOf.h"
#include "TlsSwitch.h"

using op::COperatorTest;

namespace {

class LoginHands : public COperatorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        cert = testtls::MakeCert(dir, "switch");
        served = std::make_unique<testtls::CServedSwitch>(1200);  // more than a page
        served->AddOperator("alice", "operator", "alice-secret");
        served->AddOperator("gary", "guest", "gary-secret");
        served->Serve(&cert);
    }
    void TearDown() override {
        COperatorTest::TearDown();
        served.reset();
    }
    // The client on the TLS switch, its certificate vouched for by the file
    // of the test (as --ca gives it).
    void StartOnSwitch(bool withAuthority = true) {
        auto link = std::make_unique<host::CTcpSwitchLink>(
            host::STcpTarget{QStringLiteral("127.0.0.1"), served->Port(), true, withAuthority ? cert.cert : QString()});
        link->SetKnownSwitches(host::CKnownSwitches(Settings()));
        tcp = link.get();
        StartClientOn(std::move(link));
        m_main->SetSettingsFile(Settings());
    }
    std::string Settings() const { return dir.filePath("omclient.ini").toStdString(); }
    // The served switch's whole answer to a command.
    std::string OnServed(const std::string& command) {
        std::string all;
        for (const std::string& r : served->sw.Execute(command)) all += r;
        return all;
    }
    // Alice logged in at the MGCP subscribers' window, its lists filled.
    CUserObjWnd* AliceAtHerSubscribers() {
        StartOnSwitch();
        LogInWith({{"alice", "alice-secret"}});
        return Open(3);
    }
    // The switch stops, its sessions and queries gone; the link has seen it
    // go. The port it served on (0 when the link did not notice).
    quint16 SwitchGoesDown() {
        const quint16 port = served->Port();
        bool down = false;
        const QMetaObject::Connection seen = QObject::connect(
            tcp, &host::CSwitchLink::StateChanged, [&down](bool connected, const QString&) { down = !connected; });
        served->server.reset();
        const bool noticed = WaitFor([&] { return down; });
        QObject::disconnect(seen);
        return noticed ? port : 0;
    }
    // Hands on the login dialog: what it said is kept, the name and
    // password typed, then Log In (or Cancel) clicked.
    struct STry {
        QString name, password;
        bool cancel = false;
    };
    void LogInWith(std::vector<STry> tries) {
        OnDialog([this, tries](QDialog& d) {
            const size_t n = shown.size();
            auto* problem = d.findChild<QLabel*>(QStringLiteral("loginProblem"));
            auto* name = d.findChild<QLineEdit*>(QStringLiteral("loginName"));
            shown.push_back({problem && problem->isVisible() ? problem->text() : QString(), name ? name->text() : QString()});
            ASSERT_LT(n, tries.size());
            const STry& t = tries[n];
            if (t.cancel) {
                PressButton(d, "loginCancel");
                return;
            }
            TypeOver(name, t.name);
            TypeOver(d.findChild<QLineEdit*>(QStringLiteral("loginPassword")), t.password);
            PressButton(d, "loginOk");
        });
    }
    QString StatusOperator() const {
        auto* label = m_main->statusBar()->findChild<QLabel*>(QStringLiteral("operatorLabel"));
        return label ? label->text() : QString();
    }
    // The menu of a list row opened with the right button: the entries
    // whose text starts so, enabled or not.
    std::vector<bool> EnabledEntries(CObjListCtrl* list, const QString& lead) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 0));
        const QPoint p = CellCentre(list, 0);
        QContextMenuEvent e(QContextMenuEvent::Mouse, p, list->viewport()->mapToGlobal(p));
        QApplication::sendEvent(list->viewport(), &e);
        QMenu* menu = list->MainMenu();
        std::vector<bool> on;
        if (!menu || !WaitFor([menu] { return menu->isVisible(); }, 2000)) return on;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(lead)) on.push_back(a->isEnabled());
        menu->close();
        return on;
    }
    struct SShown {
        QString problem, name;
    };
    QTemporaryDir dir;
    testtls::SCert cert;
    std::unique_ptr<testtls::CServedSwitch> served;
    host::CTcpSwitchLink* tcp = nullptr;
    std::vector<SShown> shown;
};

TEST_F(LoginHands, AFailedLoginIsSaidAndAskedAgainAndTheLoginThenFillsTheListsAndNamesTheOperator) {
    StartOnSwitch();
    EXPECT_EQ(StatusOperator(), "Not logged in");
    LogInWith({{"alice", "not-her-password"}, {"alice", "alice-secret"}});
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].problem.isEmpty());
    EXPECT_TRUE(shown[1].problem.contains("Login failed")) << shown[1].problem.toStdString();
    EXPECT_EQ(shown[1].name, "alice");  // remembered
    CObjListCtrl* list = Dialog(w)->MainList();
    EXPECT_GT(list->GetItemCount(), 0);
    EXPECT_FALSE(w->IsBusy());
    EXPECT_EQ(StatusOperator(), "Operator: alice (operator)");
    // An operator's menu offers the changes.
    const std::vector<bool> removes = EnabledEntries(list, "Remove");
    ASSERT_FALSE(removes.empty());
    EXPECT_TRUE(removes.front());
    // The name is kept in the settings, the password nowhere.
    QFile settings(QString::fromStdString(Settings()));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_TRUE(text.contains("alice"));
    EXPECT_FALSE(text.contains("alice-secret"));
    EXPECT_FALSE(text.contains("not-her-password"));
    // The switch logged the login by name.
    const std::string log = OnServed("LST OPLOG: OP=\"alice\";");
    EXPECT_NE(log.find("LGI"), std::string::npos) << log;
    EXPECT_EQ(log.find("alice-secret"), std::string::npos);
}

TEST_F(LoginHands, AGuestSeesNoChangeEnabledAndHisKeysChangeNothing) {
    StartOnSwitch();
    LogInWith({{"gary", "gary-secret"}});
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(StatusOperator(), "Operator: gary (guest)");
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_GT(list->GetItemCount(), 0);
    for (const char* change : {"Add", "Modify", "Remove"}) {
        const std::vector<bool> entries = EnabledEntries(list, change);
        EXPECT_FALSE(entries.empty()) << change;
        for (bool on : entries) EXPECT_FALSE(on) << change;
    }
    EXPECT_FALSE(ChooseFromMenu(list, 0, "Remove"));
    // The refresh stays.
    const std::vector<bool> refresh = EnabledEntries(list, QString::fromStdString(HostString(10050)));
    ASSERT_EQ(refresh.size(), 1u);
    EXPECT_TRUE(refresh.front());
    // Delete and Insert on a row send nothing.
    Sent();
    Click(list, 0);
    Key(list, Qt::Key_Delete);
    Key(list, Qt::Key_Insert);
    QTest::qWait(50);
    for (const std::string& c : Sent()) EXPECT_EQ(c.rfind("LST", 0), 0u) << c;
    EXPECT_EQ(m_ui->dialogTitles.size(), 1u);  // the login's, no parameter dialog
}

// The operations of a command-object window that a guest may not run are
// drawn greyed, those that read in colour, and a click on a greyed one
// opens nothing.
TEST_F(LoginHands, AGuestSeesTheChangesOfACommandObjectGreyed) {
    StartOnSwitch();
    LogInWith({{"gary", "gary-secret"}});
    ASSERT_NE(Open(3), nullptr);  // logged in
    CUserObjWnd* w = Open(8);
    ASSERT_NE(w, nullptr);
    auto* view = w->findChild<QListWidget*>(QStringLiteral("cmdList"));
    ASSERT_NE(view, nullptr);
    // The most coloured point of an operation's icon, as drawn.
    const QImage drawn = view->viewport()->grab().toImage();
    auto colour = [&](const QString& name) {
        const QList<QListWidgetItem*> found = view->findItems(name, Qt::MatchExactly);
        if (found.isEmpty()) return -1;
        const QRect r = view->visualItemRect(found.front());
        const QRect icon(r.center().x() - view->iconSize().width() / 2, r.top(), view->iconSize().width(),
                         view->iconSize().height());
        int most = 0;
        for (int y = icon.top(); y <= icon.bottom(); y += 2)
            for (int x = icon.left(); x <= icon.right(); x += 2)
                if (drawn.rect().contains(x, y)) most = std::max(most, QColor(drawn.pixel(x, y)).hsvSaturation());
        return most;
    };
    EXPECT_GT(colour(QStringLiteral("Display Batch Job Progress")), 100);
    for (const char* change : {"Add Batch Subscribers", "Remove Subscriber Batch Job"})
        EXPECT_LT(colour(QString::fromLatin1(change)), 60) << change;
    QListWidgetItem* add = view->findItems(QStringLiteral("Add Batch Subscribers"), Qt::MatchExactly).value(0);
    ASSERT_NE(add, nullptr);
    const size_t dialogs = m_ui->dialogTitles.size();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(add).center());
    QTest::qWait(50);
    EXPECT_EQ(m_ui->dialogTitles.size(), dialogs);
}

TEST_F(LoginHands, ACancelledLoginLeavesTheWindowsFreeWithAClearError) {
    StartOnSwitch();
    LogInWith({{{}, {}, true}, {"alice", "alice-secret"}});
    ASSERT_TRUE(m_main->OpenObjectWindow(3));
    auto* w = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WaitFor([&] { return shown.size() == 1 && !w->IsBusy(); }));
    ASSERT_FALSE(m_ui->boxes.empty());
    EXPECT_NE(m_ui->boxes.back().text.find("Not logged in"), std::string::npos) << m_ui->boxes.back().text;
    EXPECT_EQ(tcp->WaitingForLogin(), 0);
    CObjListCtrl* list = Dialog(w)->MainList();
    EXPECT_EQ(list->GetItemCount(), 0);
    // Not locked: F5 asks again, and this time the login is made.
    Key(list, Qt::Key_F5);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_GT(list->GetItemCount(), 0);
}

TEST_F(LoginHands, ASwitchThatCameBackIsLoggedIntoAgainWithoutAQuestionAndTheListsAskAnew) {
    CUserObjWnd* w = AliceAtHerSubscribers();
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(list->IsPaged());
    const int rows = list->GetItemCount();
    ASSERT_GT(rows, 500);
    // The switch restarts: its paged queries are gone with its sessions.
    const quint16 port = SwitchGoesDown();
    ASSERT_NE(port, 0);
    served->Serve(&cert, port);
    Sent();
    // The end of the list needs a page the old query held: the link logs
    // in again unasked and the list asks its query anew.
    Click(list, 0);
    Key(list, Qt::Key_End);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    EXPECT_EQ(list->GetItemCount(), rows);
    EXPECT_FALSE(list->Model().CellText(rows - 1, 0).empty());
    EXPECT_GE(op::CountSent(Sent(), "LST MGCPSUB"), 1u);
    EXPECT_EQ(StatusOperator(), "Operator: alice (operator)");
}

// The switch restarts while the operator works far down a list, and two
// more windows open meanwhile (their list and tree cut off by the drop). The
// link comes back and logs in by itself; every list and tree asks its query
// anew, with no key pressed: the empty windows fill, and the list keeps its
// place and the row the operator had picked.
TEST_F(LoginHands, AfterTheSwitchCameBackEveryListAsksAnewUnaskedAndKeepsItsPlace) {
    CUserObjWnd* w = AliceAtHerSubscribers();
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(list->IsPaged());
    Click(list, 0);
    Key(list, Qt::Key_End);
    ASSERT_TRUE(Settle(w));
    for (int i = 0; i < 3; ++i) Key(list, Qt::Key_Up);
    ASSERT_TRUE(Settle(w));
    const int row = list->currentIndex().row(), top = list->TopRow();
    ASSERT_GT(row, 600);
    const std::string dn = list->Model().CellText(row, 0);
    ASSERT_FALSE(dn.empty());
    const std::string qid = list->m_mapQueryInfo[HostString(HS_QID)];

    const quint16 port = SwitchGoesDown();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(m_main->OpenObjectWindow(6));  // its lists' queries cannot reach the switch
    auto* other = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(Settle(other));
    CObjListCtrl* empty = Dialog(other)->MainList();
    ASSERT_EQ(empty->GetItemCount(), 0);
    ASSERT_TRUE(m_main->OpenObjectWindow(1));  // and a tree's
    auto* segments = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(segments, nullptr);
    ASSERT_TRUE(Settle(segments));
    ASSERT_NE(segments->m_pUserView, nullptr);
    QTreeWidget* tree = segments->m_pUserView->m_pDnSegDlg->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 0);

    served->Serve(&cert, port);
    Sent();
    ASSERT_TRUE(WaitFor([&] { return empty->GetItemCount() > 0 && tree->topLevelItemCount() > 0; }, 20000));
    ASSERT_TRUE(Settle(other));
    ASSERT_TRUE(Settle(segments));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(shown.size(), 1u);  // no question
    EXPECT_EQ(StatusOperator(), "Operator: alice (operator)");
    EXPECT_GE(op::CountSent(Sent(), "LST MGCPSUB"), 1u);
    EXPECT_NE(list->m_mapQueryInfo[HostString(HS_QID)], qid);  // a query of the new session
    EXPECT_EQ(list->currentIndex().row(), row);
    ASSERT_EQ(list->SelectedIds().size(), 1u);
    EXPECT_EQ(list->Model().CellText(row, 0), dn);
    EXPECT_TRUE(list->selectionModel()->isRowSelected(row, {}));
    EXPECT_EQ(list->TopRow(), top);
}

// The switch restarts while the operator has a segment opened and one of
// its blocks picked: the tree, read anew on the new session, shows them so
// again.
TEST_F(LoginHands, AfterTheSwitchCameBackATreeKeepsTheOperatorsPlace) {
    ASSERT_NE(AliceAtHerSubscribers(), nullptr);
    ASSERT_TRUE(m_main->OpenObjectWindow(1));
    auto* segments = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(segments, nullptr);
    ASSERT_TRUE(Settle(segments));
    CDnSegTreeCtrl* tree = segments->m_pUserView->m_pDnSegDlg->Tree();
    QTreeWidgetItem* split = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && !split; ++i)
        if (tree->topLevelItem(i)->childCount() > 2) split = tree->topLevelItem(i);
    ASSERT_NE(split, nullptr);
    ClickItem(tree, split->child(2));
    ASSERT_TRUE(Settle(segments));
    const op::STreePlace place = op::PlaceIn(tree);
    ASSERT_FALSE(place.opened.empty());
    ASSERT_FALSE(place.selected.empty());

    const quint16 port = SwitchGoesDown();
    ASSERT_NE(port, 0);
    Sent();
    served->Serve(&cert, port);
    ASSERT_TRUE(WaitFor([&] { return op::CountSent(m_host->commands, "LST DNSEG") > 0; }, 20000));
    ASSERT_TRUE(Settle(segments));
    EXPECT_EQ(op::PlaceIn(tree), place);
}

// The operator closes the client: it logs out (the switch's log shows the
// LGO by the operator) and ends at once.
TEST_F(LoginHands, TheClientLogsOutWhenItEnds) {
    CUserObjWnd* w = AliceAtHerSubscribers();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(StatusOperator(), "Operator: alice (operator)");
    auto logouts = [this] {
        const std::string log = OnServed("LST OPLOG: OP=\"alice\";");
        size_t n = 0;
        for (size_t at = log.find("LGO"); at != std::string::npos; at = log.find("LGO", at + 1)) ++n;
        return n;
    };
    ASSERT_EQ(logouts(), 0u);
    m_main->close();
    m_main.reset();  // the program's end
    ASSERT_TRUE(WaitFor([&] { return logouts() == 1; }, 5000)) << logouts();
}

// Without an authority file the operator is shown the certificate's
// fingerprint and asked; accepted, it is kept, and a later client meeting
// another certificate at that address refuses it, naming both.
TEST_F(LoginHands, AnUnknownCertificateIsShownByItsFingerprintAndAChangedOneRefused) {
    StartOnSwitch(false);
    LogInWith({{"alice", "alice-secret"}});
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    const std::string question = m_ui->boxes[0].text;
    const size_t at = question.find("SHA256:");
    ASSERT_NE(at, std::string::npos) << question;
    const std::string first = question.substr(at, question.find_first_of(" \n", at) - at);
    EXPECT_GT(Dialog(w)->MainList()->GetItemCount(), 0);
    QFile settings(QString::fromStdString(Settings()));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains(QByteArray::fromStdString(first)));

    // The switch comes back with another certificate.
    m_main.reset();
    const quint16 port = served->Port();
    served->server.reset();
    const testtls::SCert other = testtls::MakeCert(dir, "impostor");
    served->Serve(&other, port);
    m_ui->boxes.clear();
    StartOnSwitch(false);
    ASSERT_TRUE(m_main->OpenObjectWindow(3));
    auto* again = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !m_ui->boxes.empty() && !again->IsBusy(); }));
    const std::string refusal = m_ui->boxes.front().text;
    EXPECT_NE(refusal.find(first), std::string::npos) << refusal;
    const size_t firstAt = refusal.find("SHA256:");
    ASSERT_NE(firstAt, std::string::npos) << refusal;
    EXPECT_NE(refusal.find("SHA256:", firstAt + 1), std::string::npos) << refusal;
    EXPECT_EQ(m_ui->boxes.size(), 1u);  // nothing was asked
    EXPECT_EQ(shown.size(), 1u);        // nor a login
    EXPECT_EQ(Dialog(again)->MainList()->GetItemCount(), 0);
}

// The operator reads the fingerprint longer than the switch waits for a
// handshake: the question is asked with the connection closed, and the
// answer connects again.
TEST_F(LoginHands, AnOperatorWhoTakesTimeOverTheCertificateStillGetsIn) {
    StartOnSwitch(false);
    LogInWith({{"alice", "alice-secret"}});
    m_ui->onBox = [](const platform::CRecordingUi::Box&) { QTest::qWait(6000); };
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    m_ui->onBox = nullptr;
    ASSERT_EQ(m_ui->boxes.size(), 1u) << m_ui->boxes.back().text;
    EXPECT_NE(m_ui->boxes[0].text.find("SHA256:"), std::string::npos) << m_ui->boxes[0].text;
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_GT(Dialog(w)->MainList()->GetItemCount(), 0);
}

// The operation log window, opened from the Objects menu, lists the change
// the operator just made, by his name, newest first.
TEST_F(LoginHands, TheOperationLogWindowShowsTheChangeJustMade) {
    CUserObjWnd* w = AliceAtHerSubscribers();
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    // A subscriber no Centrex group names.
    int row = 0;
    std::string dn;
    for (; row < list->GetItemCount(); ++row) {
        dn = list->Model().CellText(row, 0);
        if (op::Property(OnServed("LST CXMEM: DN=" + dn + ";"), "CGNO").empty() &&
            op::Property(OnServed("LST CXGRP: NIGHTDN=" + dn + ";"), "CGNO").empty())
            break;
    }
    ASSERT_LT(row, list->GetItemCount());
    Click(list, row);
    ASSERT_TRUE(Settle(w));
    Key(list, Qt::Key_Delete);  // answered Yes
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(op::Property(OnServed("LST MGCPSUB: DN=" + dn + ";"), "DN"), "");

    ASSERT_TRUE(ChooseFromMenuBar("Objects/Operation Log"));
    auto* log = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
    ASSERT_NE(log, nullptr);
    ASSERT_TRUE(Settle(log));
    EXPECT_EQ(log->windowTitle(), "Operation Log");
    CObjListCtrl* entries = Dialog(log)->MainList();
    ASSERT_GT(entries->GetItemCount(), 0);
    auto column = [entries](const char* title) { return op::ColumnOf(entries, title); };
    // Newest first: the remove leads (the log's own query is not logged
    // before it is answered).
    const std::string command = entries->Model().CellText(0, column("Command"));
    EXPECT_EQ(command.rfind("RMV MGCPSUB", 0), 0u) << command;
    EXPECT_NE(command.find(dn), std::string::npos) << command;
    EXPECT_EQ(entries->Model().CellText(0, column("Operator")), "alice");
    EXPECT_EQ(entries->Model().CellText(0, column("Return Code")), "0");
    // Filtered as every list is: the login goes, the change stays.
    const int all = entries->GetItemCount();
    ASSERT_TRUE(ChooseFromCombo(log->m_pCbxFilter, "MGCP subscriber changes"));
    ASSERT_TRUE(Settle(log));
    ASSERT_GT(entries->GetItemCount(), 0);
    EXPECT_LT(entries->GetItemCount(), all);
    for (int r = 0; r < entries->GetItemCount(); ++r)
        EXPECT_EQ(entries->Model().CellText(r, column("Object")), "MGCPSUB") << r;
}

// Another operator at a client of his own: logs in over TLS and sends one
// change; its report.
std::string AnotherOperatorSends(quint16 port, const std::string& name, const std::string& password,
                                 const std::string& command) {
    QSslSocket s;
    s.setPeerVerifyMode(QSslSocket::VerifyNone);
    s.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    if (!WaitFor([&] { return s.isEncrypted(); })) return "no TLS session";
    s.write(QByteArray::fromStdString("LGI: OP=\"" + name + "\", PWD=\"" + password + "\";\n" + command + "\n"));
    QByteArray got;
    if (!WaitFor([&] {
            got += s.readAll();
            return got.count("---    END\n") >= 2;
        }))
        return "no answer: " + got.toStdString();
    return got.mid(got.indexOf("---    END\n") + 11).toStdString();
}

}  // namespace

// The windows of a client that logged in hear of the others' changes: the
// subscriptions refused before the login go out again after it.
TEST_F(LoginHands, AnotherOperatorsChangeAppearsWithoutARefresh) {
    served->AddOperator("bob", "operator", "bob-secret1");
    CUserObjWnd* w = AliceAtHerSubscribers();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Settle(w));
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_GT(list->GetItemCount(), 3);
    const std::string dn = list->Model().CellText(2, 0);
    const std::string answer =
        AnotherOperatorSends(served->Port(), "bob", "bob-secret1", "MOD MGCPSUB: DN=" + dn + ", DESC=\"Set by Bob\";");
    ASSERT_NE(answer.find("RETCODE = 0\n"), std::string::npos) << answer;
    const int desc = op::ColumnOf(list, "Description");
    EXPECT_TRUE(WaitFor([&] { return list->Model().CellText(2, desc) == "Set by Bob"; }))
        << list->Model().CellText(2, desc);
}
