// Serving many operators at once: queries that belong to their connection,
// fair turns, bounded answers for clients that do not read, and connections
// that are idle or stuck halfway through a line closed.
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "BlockingClient.h"
#include "SwitchFixture.h"
#include "SwitchServer.h"
#include "TcpClient.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

class ServiceTest : public SwitchTest {
protected:
    void Serve(CSwitch& on, const SServerOptions& options = {}) {
        server = std::make_unique<CSwitchServer>(on, options);
        std::string error;
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0, error)) << error;
    }
    quint16 Port() const { return server->Port(); }
    static void Pause(int ms) {
        QElapsedTimer t;
        t.start();
        WaitFor([&] { return t.elapsed() >= ms; }, ms + 1000);
    }
    std::unique_ptr<CSwitchServer> server;
};

// A client pipelines 100 commands, long reads and changes of one record in
// turn; another client's lookup of that record, sent once the first of them
// is answered, is answered before half of them ran (the value it reads tells how many did),
// and within 2 s. The clients run on threads of their own, as other
// programs would.
void ExpectLookupNotHeldUp(quint16 port) {
    CBlockingClient a, b;
    std::string error;
    ASSERT_TRUE(a.Connect(port, error)) << error;
    ASSERT_TRUE(b.Connect(port, error)) << error;
    std::string pipeline;
    for (int i = 0; i < 50; ++i)
        pipeline += "LST MGCPSUB: DESC=\"none\";\nMOD MGCPSUB: DN=20000007, DESC=\"a" + std::to_string(i) + "\";\n";
    std::atomic<int> answered{0};
    std::atomic<bool> started{false}, aDone{false}, bDone{false};
    std::atomic<int64_t> lookupMs{-1};
    std::string seen = "<none>";
    std::thread ta([&] {
        a.Send(pipeline);
        std::string r;
        while (answered < 100 && a.Receive(r)) {
            ++answered;
            started = true;
        }
        aDone = true;
    });
    std::thread tb([&] {
        while (!started && !aDone) std::this_thread::yield();
        const auto start = std::chrono::steady_clock::now();
        std::string r;
        if (b.Send("DSP MGCPSUB: DN=20000007;\n") && b.Receive(r)) {
            seen = ReportField(r, "DESC");
            lookupMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                           .count();
        }
        bDone = true;
    });
    WaitFor([&] { return aDone && bDone; }, 60000);
    ta.join();
    tb.join();
    EXPECT_EQ(answered, 100);
    EXPECT_GE(lookupMs, 0);
    EXPECT_LT(lookupMs, 2000);
    // "a<i>": 2 * (i + 1) of the pipelined commands had run; the seeded text: none.
    const int ran = seen.rfind("a", 0) == 0 ? 2 * (std::stoi(seen.substr(1)) + 1) : 0;
    EXPECT_LT(ran, 50) << seen;
}

}  // namespace

TEST_F(ServiceTest, AConnectionsQueriesAreReleasedWhenItCloses) {
    Serve(sw);
    {
        TcpClient c(Port());
        c.Send("LST MGCPSUB:;");
        c.Send("LST MGCPSUB: SORT=DN-DESC;");
        ASSERT_TRUE(WaitFor([&] { return c.Reports() == 2; }));
        EXPECT_EQ(sw.OpenQueries(), 2u);
        c.socket.disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return sw.OpenQueries() == 0; }));
    }
    // A client that vanishes without closing releases its queries as well.
    TcpClient gone(Port());
    gone.Send("LST MGCPSUB:;");
    ASSERT_TRUE(WaitFor([&] { return gone.Reports() == 1; }));
    gone.socket.abort();
    EXPECT_TRUE(WaitFor([&] { return sw.OpenQueries() == 0 && server->Connections() == 0; }));
    EXPECT_EQ(sw.HeldRecords(), 0);
}

TEST_F(ServiceTest, AQuerySurvivesTwoHundredOtherConnectionsOpeningQueries) {
    Serve(sw);
    TcpClient mine(Port());
    mine.Send("LST MGCPSUB:;");
    ASSERT_TRUE(WaitFor([&] { return mine.Reports() == 1; }));
    const std::string qid = mine.Field(0, "QID");
    std::vector<std::unique_ptr<TcpClient>> others;
    for (int i = 0; i < 200; ++i) {
        others.push_back(std::make_unique<TcpClient>(Port()));
        others.back()->Send("LST MGCPSUB:;");
        others.back()->Send("LST MGCPSUB: SORT=DN-DESC;");
    }
    ASSERT_TRUE(WaitFor(
        [&] { return std::all_of(others.begin(), others.end(), [](const auto& c) { return c->Reports() == 2; }); },
        30000));
    EXPECT_EQ(sw.OpenQueries(), 401u);
    mine.Send(QByteArray::fromStdString("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=700, END=701;"));
    ASSERT_TRUE(WaitFor([&] { return mine.Reports() == 2; }));
    EXPECT_EQ(mine.Field(1, "RETCODE"), "0");
    EXPECT_EQ(mine.Field(1, "OBJECTS"), "2");
    // Someone else's query is not theirs to page or release.
    others.front()->Send(QByteArray::fromStdString("RLS MGCPSUB: QID=\"" + qid + "\";"));
    ASSERT_TRUE(WaitFor([&] { return others.front()->Reports() == 3; }));
    EXPECT_EQ(others.front()->Field(2, "RETCODE"), std::to_string(RC_NO_QUERY));
}

TEST_F(ServiceTest, APipeliningClientCannotHoldUpAnotherClientsLookup) {
    // 20,000 subscribers: each long read takes milliseconds, far longer than
    // the other client takes to send its lookup.
    QTemporaryDir dir;
    for (const std::string& path : {std::string(":memory:"), dir.path().toStdString() + "/s.db"}) {
        SCOPED_TRACE(path);
        CSwitch big(HostDatabase());
        std::string error;
        ASSERT_TRUE(big.Open(path, error)) << error;
        ASSERT_TRUE(SeedDemo(big, {20000}, error)) << error;
        Serve(big);
        // In memory the event loop answers everything; on a file long reads go to a reader.
        EXPECT_EQ(server->Readers(), path == ":memory:" ? 0u : 1u);
        ExpectLookupNotHeldUp(Port());
        server.reset();
    }
}

TEST_F(ServiceTest, AClientThatDoesNotReadIsNotServedBeyondItsBound) {
    SServerOptions options;
    options.maxUnsent = 256 * 1024;
    Serve(sw, options);
    TcpClient sink(Port());
    sink.Send("LST MGCPSUB:;");
    ASSERT_TRUE(WaitFor([&] { return sink.Reports() == 1; }));
    // 2000 pages of 500 records, about 200 MB of answers, never read.
    sink.StopReading();
    const QByteArray page = "LST MGCPSUB: QID=\"" + QByteArray::fromStdString(sink.Field(0, "QID")) +
                            "\", BEGIN=0, END=499;\n";
    sink.socket.write(page.repeated(2000));
    Pause(1500);
    EXPECT_LT(server->LargestUnsent(), options.maxUnsent + (1 << 20));
    TcpClient other(Port());
    QElapsedTimer t;
    t.start();
    other.Send("DSP MGCPSUB: DN=20000007;");
    EXPECT_TRUE(WaitFor([&] { return other.Reports() == 1; }, 2000)) << t.elapsed() << " ms";
    EXPECT_LT(server->LargestUnsent(), options.maxUnsent + (1 << 20));
}

TEST_F(ServiceTest, IdleConnectionsAndLinesLeftUnfinishedAreClosed) {
    SServerOptions options;
    options.idleMs = 800;
    options.lineMs = 400;
    Serve(sw, options);
    // One says nothing; one keeps sending a line it never finishes; one
    // sends a command every 50 ms.
    TcpClient silent(Port()), trickle(Port()), busy(Port());
    trickle.socket.write("LST MGCPSUB: DN=2000");
    int sent = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000) {
        busy.Send("DSP V5IF: V5IID=1;");
        if (trickle.socket.state() == QAbstractSocket::ConnectedState) trickle.socket.write("0");
        ++sent;
        Pause(50);
        if (t.elapsed() < 700) {
            EXPECT_EQ(silent.socket.state(), QAbstractSocket::ConnectedState);
        }
    }
    EXPECT_EQ(silent.socket.state(), QAbstractSocket::UnconnectedState);
    EXPECT_EQ(trickle.socket.state(), QAbstractSocket::UnconnectedState);
    EXPECT_EQ(busy.socket.state(), QAbstractSocket::ConnectedState);
    EXPECT_TRUE(WaitFor([&] { return busy.Reports() == sent; }));
    EXPECT_EQ(server->Connections(), 1);
}

TEST(ListenPolicy, OtherHostsOnlyWithLeaveAndOverTlsUnlessInsecure) {
    std::string message;
    EXPECT_TRUE(MayListenOn(QHostAddress(QHostAddress::LocalHost), false, false, false, message));
    EXPECT_TRUE(MayListenOn(QHostAddress(QHostAddress::LocalHostIPv6), false, false, false, message));
    EXPECT_TRUE(message.empty());
    EXPECT_FALSE(MayListenOn(QHostAddress(QHostAddress::AnyIPv4), false, true, true, message));
    EXPECT_NE(message.find("--allow-remote"), std::string::npos);
    EXPECT_FALSE(MayListenOn(QHostAddress(QStringLiteral("192.0.2.7")), false, false, false, message));
    EXPECT_FALSE(MayListenOn(QHostAddress(QHostAddress::Any), false, false, false, message));
    // Leave to serve other hosts is not leave to do so in plain text.
    EXPECT_FALSE(MayListenOn(QHostAddress(QHostAddress::AnyIPv4), true, false, false, message));
    EXPECT_NE(message.find("--tls-cert"), std::string::npos);
    EXPECT_NE(message.find("--insecure"), std::string::npos);
    EXPECT_TRUE(MayListenOn(QHostAddress(QHostAddress::AnyIPv4), true, true, false, message));
    EXPECT_TRUE(message.empty());
    EXPECT_TRUE(MayListenOn(QHostAddress(QHostAddress::AnyIPv4), true, false, true, message));
    EXPECT_NE(message.find("warning"), std::string::npos);
}
