// The host's switch link: reports come back posted, in order, to the window
// that asked; a dropped link turns outstanding commands into kill notices.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <QWidget>

#include <gtest/gtest.h>

#include "WaitFor.h"

#include "DemoData.h"
#include "EmbeddedSwitchLink.h"
#include "MsgTarget.h"
#include "NoticeRouter.h"
#include "Switch.h"
#include "SwitchServer.h"
#include "TcpSwitchLink.h"
#include "hostlibs/ObjArray.h"
#include "hostlibs/ReportWriter.h"
#include "userobj/Messages.h"

namespace {


// Keeps what WM_USER+1004 and +1006 bring, and the notices of host events.
class CWindow : public CWndT<QWidget> {
public:
    std::vector<std::pair<UINT, std::string>> got;
    std::vector<std::string> notices;
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        if (m == msg::WM_REPORT || m == msg::WM_KILLCMD) got.emplace_back(m, FromWParam<const char>(w));
        if (m == msg::WM_HOSTEVENT) {
            std::unique_ptr<std::string> data(FromLParam<std::string>(l));
            if (data && *FromWParam<std::string>(w) == "Notice") notices.push_back(*data);
        }
        return 0;
    }
    std::string Command(size_t i) const {
        CObjArray a;
        Parse(got.at(i).second, 1, a);
        return a.GetCommand();
    }
};

// A switch served over TCP on a loopback port of its own.
struct Served {
    mmlsw::CSwitch sw{HostDatabase()};
    std::unique_ptr<mmlsw::CSwitchServer> server;
    explicit Served(quint16 port = 0) {
        std::string error;
        sw.Open(":memory:", error);
        mmlsw::SeedDemo(sw, {600}, error);
        Start(port);
    }
    void Start(quint16 port) {
        server = std::make_unique<mmlsw::CSwitchServer>(sw);
        std::string error;
        EXPECT_TRUE(server->Listen(QHostAddress::LocalHost, port, error)) << error;
    }
};

}  // namespace

TEST(EmbeddedSwitchLink, ReportsArriveLaterInOrderToTheAskingWindow) {
    host::CEmbeddedSwitchLink link(":memory:", 100);
    std::string error;
    ASSERT_TRUE(link.WaitReady(error)) << error;
    CWindow a, b;
    link.Send(&a, "DSP V5IF: V5IID=1;");
    link.Send(&b, "DSP V5IF: V5IID=2;");
    link.Send(&a, "LST NOSUCH:;");
    EXPECT_TRUE(a.got.empty());  // never inside Send
    EXPECT_EQ(link.Outstanding(), 3);
    ASSERT_TRUE(WaitFor([&] { return a.got.size() == 2 && b.got.size() == 1; }));
    EXPECT_EQ(a.Command(0), "DSP V5IF: V5IID=1;");
    EXPECT_EQ(a.Command(1), "LST NOSUCH:;");
    EXPECT_EQ(b.Command(0), "DSP V5IF: V5IID=2;");
    EXPECT_EQ(link.Outstanding(), 0);
}

TEST(EmbeddedSwitchLink, AWindowThatIsGoneGetsNothingAndBreaksNothing) {
    host::CEmbeddedSwitchLink link(":memory:", 100);
    std::string error;
    ASSERT_TRUE(link.WaitReady(error));
    auto gone = std::make_unique<CWindow>();
    CWindow stays;
    link.Send(gone.get(), "DSP V5IF: V5IID=1;");
    link.Send(&stays, "DSP V5IF: V5IID=2;");
    gone.reset();
    ASSERT_TRUE(WaitFor([&] { return stays.got.size() == 1; }));
    EXPECT_EQ(link.Outstanding(), 0);
}

TEST(TcpSwitchLink, ContinuedReportsAllReachTheOneWindow) {
    Served s;
    // 600 more number segments (a list that is not paged): two reports
    // for one command.
    for (int k = 0; k < 600; ++k)
        s.sw.Execute("ADD DNSEG: SEGIDX=" + std::to_string(1000 + k) + ", TYPE=FIXED, BGNDN=" +
                     std::to_string(90000000 + 10 * k) + ", ENDDN=" + std::to_string(90000009 + 10 * k) + ";");
    host::CTcpSwitchLink link(QStringLiteral("127.0.0.1"), s.server->Port());
    CWindow w;
    link.Send(&w, "LST DNSEG:;");
    link.Send(&w, "DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 3; }));
    EXPECT_EQ(w.Command(0), w.Command(1));
    EXPECT_EQ(w.Command(2), "DSP V5IF: V5IID=1;");
    EXPECT_EQ(link.Outstanding(), 0);
}

TEST(TcpSwitchLink, ADroppedLinkKillsOutstandingCommandsAndTheNextCommandReconnects) {
    auto s = std::make_unique<Served>();
    const quint16 port = s->server->Port();
    host::CTcpSwitchLink link(QStringLiteral("127.0.0.1"), port);
    CWindow w;
    QString lost;
    QObject::connect(&link, &host::CSwitchLink::LinkLost, [&](const QString& why) { lost = why; });
    link.Send(&w, "DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
    // The switch goes away with a command outstanding.
    link.Send(&w, "DSP V5IF: V5IID=2;");
    s.reset();
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 2; }));
    EXPECT_EQ(w.got[1].first, msg::WM_KILLCMD);
    EXPECT_EQ(w.got[1].second, "DSP V5IF: V5IID=2;");
    EXPECT_FALSE(lost.isEmpty());
    EXPECT_EQ(link.Outstanding(), 0);

    Served again(port);
    link.Send(&w, "DSP V5IF: V5IID=3;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 3; }));
    EXPECT_EQ(w.got[2].first, msg::WM_REPORT);
    EXPECT_EQ(w.Command(2), "DSP V5IF: V5IID=3;");
}

TEST(TcpSwitchLink, NoSwitchThereKillsTheCommand) {
    quint16 port = 0;
    {
        Served s;
        port = s.server->Port();
    }
    host::CTcpSwitchLink link(QStringLiteral("127.0.0.1"), port);
    CWindow w;
    link.Send(&w, "DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
    EXPECT_EQ(w.got[0].first, msg::WM_KILLCMD);
}

// A switch that answers too late: the command is given up (its window gets
// the kill notice and unlocks), and its report, when it comes, goes nowhere
// rather than to the next command's window.
TEST(TcpSwitchLink, ACommandWithoutAnAnswerIsGivenUpAndItsLateReportDropped) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket* peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] { peer = server.nextPendingConnection(); });
    host::CTcpSwitchLink link(QStringLiteral("127.0.0.1"), server.serverPort());
    link.SetCommandTimeout(200);
    QStringList timedOut;
    QObject::connect(&link, &host::CSwitchLink::CommandTimedOut, [&](const QString& c) { timedOut << c; });
    CWindow first, second;
    link.Send(&first, "LST V5IF:;");
    ASSERT_TRUE(WaitFor([&] { return first.got.size() == 1; }));
    EXPECT_EQ(first.got[0], std::make_pair(UINT(msg::WM_KILLCMD), std::string("LST V5IF:;")));
    EXPECT_EQ(timedOut, QStringList{"LST V5IF:;"});
    EXPECT_EQ(link.Outstanding(), 0);
    EXPECT_EQ(link.KilledCommands(), 1);

    link.Send(&second, "LST MGCPSUB:;");
    ASSERT_TRUE(WaitFor([&] { return peer && peer->bytesAvailable() > 0 && QByteArray(peer->peek(100)).count('\n') >= 2; }));
    peer->write(QByteArray::fromStdString(CReportWriter("LST V5IF:;", 0, "ok").Finish() +
                                          CReportWriter("LST MGCPSUB:;", 0, "ok").Finish()));
    ASSERT_TRUE(WaitFor([&] { return !second.got.empty(); }));
    EXPECT_EQ(second.got[0].first, UINT(msg::WM_REPORT));
    EXPECT_EQ(second.Command(0), "LST MGCPSUB:;");
    QCoreApplication::processEvents();
    EXPECT_EQ(first.got.size(), 1u);  // the late report reached nobody
    EXPECT_EQ(link.Outstanding(), 0);
}

TEST(TcpSwitchLink, ReportsArrivingInPiecesAreDeliveredWhole) {
    // A peer of our own that answers in fragments.
    QTcpServer peer;
    ASSERT_TRUE(peer.listen(QHostAddress::LocalHost, 0));
    host::CTcpSwitchLink link(QStringLiteral("127.0.0.1"), peer.serverPort());
    CWindow w;
    link.Send(&w, "DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return peer.hasPendingConnections(); }));
    QTcpSocket* s = peer.nextPendingConnection();
    ASSERT_TRUE(WaitFor([&] { return s->bytesAvailable() > 0; }));
    EXPECT_EQ(s->readAll(), "DSP V5IF: V5IID=1;\n");
    const QByteArray report = "%%DSP V5IF: V5IID=1;%%\nRETCODE = 0\nRESULT = ok\nCONTINUE = 0\nOBJECTS = 0\n\n---    END\n";
    for (qsizetype at = 0; at < report.size(); at += 7) {
        s->write(report.mid(at, 7));
        s->flush();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
    EXPECT_EQ(w.got[0].second, report.toStdString());
    // A report nobody asked for is dropped; the link stays usable.
    s->write(report);
    s->flush();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(w.got.size(), 1u);
    EXPECT_EQ(link.Outstanding(), 0);
}

TEST(EmbeddedSwitchLink, AnUnusableDatabaseIsReportedWhenWaitingForIt) {
    // A file where the database's folder should be.
    QTemporaryDir dir;
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    host::CEmbeddedSwitchLink link(dir.filePath("blocker/switch.db").toStdString(), 10);
    std::string error;
    QString state;
    QObject::connect(&link, &host::CSwitchLink::StateChanged, [&](bool, const QString& t) { state = t; });
    EXPECT_FALSE(link.WaitReady(error));
    EXPECT_NE(error.find("switch.db"), std::string::npos) << error;
    EXPECT_EQ(state.toStdString(), error);
}

TEST(SwitchLinkReports, OnlyTheContinuationFlagKeepsACommandOpen) {
    EXPECT_TRUE(host::ReportContinues("%%X:;%%\nRETCODE = 0\nRESULT = a\nCONTINUE = 1\nOBJECTS = 0\n"));
    EXPECT_FALSE(host::ReportContinues("%%X:;%%\nRETCODE = 0\nRESULT = a\nCONTINUE = 0\nOBJECTS = 0\n"));
    EXPECT_FALSE(host::ReportContinues("garbage"));
    EXPECT_FALSE(host::ReportContinues(""));
}

namespace {

// A link whose reports the test hands in.
class CManualLink : public host::CSwitchLink {
public:
    void Send(QObject* window, const std::string& command) override { AddPending(window, command); }
    QString Describe() const override { return QStringLiteral("manual"); }
    using CSwitchLink::DeliverReport;
};

}  // namespace

TEST(SwitchLink, StoppingToWaitGivesCommandsUpAndDropsTheirLateReports) {
    CManualLink link;
    CWindow a;
    EXPECT_EQ(link.LongestWait(), -1);
    link.Send(&a, "LST A:;");
    std::string command;
    EXPECT_GE(link.LongestWait(&command), 0);
    EXPECT_EQ(command, "LST A:;");
    EXPECT_EQ(link.StopWaiting(3600000), 0);  // nothing waited that long
    EXPECT_EQ(link.Outstanding(), 1);
    EXPECT_EQ(link.StopWaiting(0), 1);
    EXPECT_EQ(link.Outstanding(), 0);
    EXPECT_EQ(link.LongestWait(), -1);
    EXPECT_EQ(link.KilledCommands(), 1);
    EXPECT_EQ(link.StopWaiting(0), 0);  // given up once only

    link.Send(&a, "LST B:;");
    EXPECT_GE(link.LongestWait(&command), 0);
    EXPECT_EQ(command, "LST B:;");
    link.DeliverReport("late answer to A");  // dropped
    link.DeliverReport("answer to B");
    ASSERT_TRUE(WaitFor([&] { return a.got.size() == 2; }));
    EXPECT_EQ(a.got[0], std::make_pair(UINT(msg::WM_KILLCMD), std::string("LST A:;")));
    EXPECT_EQ(a.got[1], std::make_pair(UINT(msg::WM_REPORT), std::string("answer to B")));
    EXPECT_EQ(link.Outstanding(), 0);
}

// Notices of other sessions' changes answer no command: the link tells
// them apart and hands them on, the windows get their own answers only.
// Two links on one embedded switch are two sessions, as two connections
// to a served switch are; the switch lasts while a link is on it.
TEST(SwitchLinkNotices, TwoLinksOnOneEmbeddedSwitchHearOfEachOthersChanges) {
    auto first = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", 100);
    std::string error;
    ASSERT_TRUE(first->WaitReady(error)) << error;
    host::CEmbeddedSwitchLink second(*first);
    ASSERT_TRUE(second.WaitReady(error)) << error;
    std::vector<std::string> heardFirst, heardSecond;
    QObject::connect(first.get(), &host::CSwitchLink::NoticeArrived, [&](const std::string& n) { heardFirst.push_back(n); });
    QObject::connect(&second, &host::CSwitchLink::NoticeArrived, [&](const std::string& n) { heardSecond.push_back(n); });
    CWindow a, b;
    second.Send(&b, "SUB NOTICE: OBJ=MGCPSUB;");
    first.get()->Send(&a, "SUB NOTICE: OBJ=MGCPSUB;");
    ASSERT_TRUE(WaitFor([&] { return a.got.size() == 1 && b.got.size() == 1; }));
    first->Send(&a, "MOD MGCPSUB: DN=20000001, DESC=\"From the first\";");
    second.Send(&b, "DSP MGCPSUB: DN=20000001;");
    ASSERT_TRUE(WaitFor([&] { return a.got.size() == 2 && b.got.size() == 2 && heardSecond.size() == 1; }));
    EXPECT_EQ(b.Command(1), "DSP MGCPSUB: DN=20000001;");
    EXPECT_NE(b.got[1].second.find("DESC = From the first"), std::string::npos);
    EXPECT_EQ(heardSecond[0].rfind("NOTICE\n", 0), 0u);
    EXPECT_NE(heardSecond[0].find("\nDN = 20000001\n"), std::string::npos);
    EXPECT_TRUE(heardFirst.empty());  // its own change is its answer
    EXPECT_EQ(second.Outstanding(), 0);

    // The first link goes; the switch stays for the second.
    first.reset();
    second.Send(&b, "DSP MGCPSUB: DN=20000001;");
    ASSERT_TRUE(WaitFor([&] { return b.got.size() == 3; }));
    EXPECT_NE(b.got[2].second.find("DESC = From the first"), std::string::npos);
}

TEST(SwitchLinkNotices, ANoticeBetweenACommandAndItsAnswerOverTcpGoesToNoWindow) {
    Served served;
    host::CTcpSwitchLink changer(QStringLiteral("127.0.0.1"), served.server->Port());
    host::CTcpSwitchLink watcher(QStringLiteral("127.0.0.1"), served.server->Port());
    std::vector<std::string> heard;
    QObject::connect(&watcher, &host::CSwitchLink::NoticeArrived, [&](const std::string& n) { heard.push_back(n); });
    CWindow a, b;
    watcher.Send(&b, "SUB NOTICE: OBJ=MGCPSUB;");
    ASSERT_TRUE(WaitFor([&] { return b.got.size() == 1; }));
    // Many changes, and the watcher asking meanwhile: its answers stay its own.
    for (int i = 0; i < 20; ++i) {
        changer.Send(&a, "MOD MGCPSUB: DN=20000002, DESC=\"change " + std::to_string(i) + "\";");
        watcher.Send(&b, "DSP MGCPSUB: DN=2000000" + std::to_string(3 + i % 5) + ";");
    }
    ASSERT_TRUE(WaitFor([&] { return a.got.size() == 20 && b.got.size() == 21 && heard.size() == 20; }));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(b.Command(static_cast<size_t>(i) + 1), "DSP MGCPSUB: DN=2000000" + std::to_string(3 + i % 5) + ";");
    EXPECT_EQ(watcher.Outstanding(), 0);
}

// The host's router subscribes for what its windows list, hands each
// notice to the windows of its object, and subscribes again when the link
// comes back after the switch went away (a new connection knows nothing).
TEST(SwitchLinkNotices, TheRouterSubscribesAgainOnANewConnection) {
    auto s = std::make_unique<Served>();
    const quint16 port = s->server->Port();
    host::CTcpSwitchLink link(QStringLiteral("127.0.0.1"), port);
    host::CNoticeRouter router(link);
    CWindow mgcp, other, changerWindow;
    router.Seen(&mgcp, "LST MGCPSUB:;");
    link.Send(&mgcp, "LST MGCPSUB: DN=20000001;");
    router.Seen(&other, "LST V5IF:;");
    link.Send(&other, "LST V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return mgcp.got.size() == 1 && other.got.size() == 1 && link.Outstanding() == 0; }));
    EXPECT_EQ(router.Subscribed(), (std::set<std::string>{"MGCPSUB", "V5IF"}));
    // Another session changes a subscriber: only the MGCP window hears of it.
    auto changeElsewhere = [&](const std::string& desc) {
        host::CTcpSwitchLink changer(QStringLiteral("127.0.0.1"), port);
        const size_t before = changerWindow.got.size();
        changer.Send(&changerWindow, "MOD MGCPSUB: DN=20000001, DESC=\"" + desc + "\";");
        return WaitFor([&] { return changerWindow.got.size() == before + 1; });
    };
    ASSERT_TRUE(changeElsewhere("first"));
    ASSERT_TRUE(WaitFor([&] { return mgcp.notices.size() == 1; }));
    EXPECT_NE(mgcp.notices[0].find("\nDN = 20000001\n"), std::string::npos);
    EXPECT_TRUE(other.notices.empty());
    EXPECT_EQ(mgcp.got.size(), 1u);  // a notice is no report

    // The switch goes and comes back on the port; the next command
    // reconnects, and the subscriptions are made again on that connection.
    bool down = false;
    QObject::connect(&link, &host::CSwitchLink::StateChanged, [&](bool connected, const QString&) { down = !connected; });
    s.reset();
    ASSERT_TRUE(WaitFor([&] { return down; }));
    Served again(port);
    link.Send(&other, "LST V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return other.got.size() == 2 && link.Outstanding() == 0; }));
    ASSERT_EQ(other.got[1].first, msg::WM_REPORT);
    // The link's new connection is the fresh switch's first session.
    ASSERT_TRUE(WaitFor([&] { return again.sw.Subscriptions(1).size() == 2; }));
    const size_t heard = mgcp.notices.size();
    ASSERT_TRUE(changeElsewhere("second"));
    ASSERT_TRUE(WaitFor([&] { return mgcp.notices.size() == heard + 1; }));
    EXPECT_TRUE(other.notices.empty());
}
