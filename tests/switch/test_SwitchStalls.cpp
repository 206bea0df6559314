// No connection can stall the others: key lookups that do not queue behind
// scans, long reads of closed connections dropped, a store locked by
// another program that delays only the changes, and a bound on connections.
#include <QTemporaryDir>

#include <future>
#include <mutex>
#include <set>

#include "BlockingClient.h"
#include "FileSwitchFixture.h"
#include "ReaderPool.h"
#include "SwitchFixture.h"
#include "SwitchServer.h"
#include "TcpClient.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

using StallTest = FileSwitchTest;

}  // namespace

TEST_F(StallTest, KeyLookupsDoNotQueueBehindScanningHeads) {
    // 30 connections keep the reader thread busy with heads that scan 20,000
    // records each (no index serves a DESC condition, and no two are alike).
    Open(20000);
    Serve();
    std::vector<std::unique_ptr<TcpClient>> scanners;
    for (int i = 0; i < 30; ++i) {
        scanners.push_back(std::make_unique<TcpClient>(Port()));
        QByteArray heads;
        for (int k = 0; k < 20; ++k) heads += "LST MGCPSUB: DESC=\"none " + QByteArray::number(i * 100 + k) + "\";\n";
        scanners.back()->socket.write(heads);
    }
    auto answered = [&] {
        int n = 0;
        for (const auto& s : scanners) n += s->Reports();
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return answered() > 0; }, 20000));
    // Ten lookups by key: behind the scans they would wait for about 300 of them.
    TcpClient lookups(Port());
    for (int k = 0; k < 10; ++k) lookups.Send("LST MGCPSUB: DN=2000000" + QByteArray::number(k) + ";");
    ASSERT_TRUE(WaitFor([&] { return lookups.Reports() == 10; }, 60000));
    EXPECT_LT(answered(), 150) << "heads answered before the ten lookups";
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(lookups.Field(k, "RETCODE"), "0");
        EXPECT_EQ(lookups.Field(k, "DN"), "2000000" + std::to_string(k));
    }
    // A prefix or a list without its key is a scan, which the reader answers.
    EXPECT_TRUE(sw.IsLongRead("LST MGCPSUB: DN=2000000*;"));
    EXPECT_TRUE(sw.IsLongRead("LST MGCPSUB: CODEC=G729;"));
    EXPECT_FALSE(sw.IsLongRead("LST MGCPSUB: DN=20000001, CODEC=G729;"));
}

TEST_F(StallTest, LongReadsOfAConnectionThatClosedAreDroppedUnlessBegun) {
    Open(200);
    std::promise<void> entered, release;
    std::shared_future<void> go = release.get_future().share();
    std::mutex m;
    std::set<SessionId> answered;
    {
        CReaderPool pool(sw, 1, [&](SessionId s, CSwitch::Reports) {
            if (s == 1) {
                entered.set_value();
                go.wait();  // the reader is busy with session 1 meanwhile
            }
            std::lock_guard lock(m);
            answered.insert(s);
        });
        ASSERT_EQ(pool.Threads(), 1u);
        pool.Post(1, "LST MGCPSUB:;");
        entered.get_future().wait();
        for (SessionId s = 2; s <= 5; ++s) pool.Post(s, "LST MGCPSUB:;");
        EXPECT_EQ(pool.Cancel(2), 1u);
        EXPECT_EQ(pool.Cancel(4), 1u);
        EXPECT_EQ(pool.Cancel(1), 0u);  // begun: it finishes
        release.set_value();
        ASSERT_TRUE(WaitFor(
            [&] {
                std::lock_guard lock(m);
                return answered.size() == 3;
            },
            10000));
    }
    EXPECT_EQ(answered, (std::set<SessionId>{1, 3, 5}));
}

TEST_F(StallTest, AStoreLockedByAnotherProgramDelaysOnlyTheChanges) {
    Open(200);
    sw.SetBusyTimeout(10000);
    Serve();
    CDatabase other;
    std::string error;
    ASSERT_TRUE(other.Open(file, CDatabase::Mode::ReadWrite, 0, error)) << error;
    other.Exec("BEGIN IMMEDIATE");
    TcpClient changer(Port()), reader(Port());
    changer.Send("MOD MGCPSUB: DN=20000002, DESC=\"after the lock\";");
    changer.Send("DSP MGCPSUB: DN=20000002;");
    ASSERT_TRUE(WaitFor([&] { return server->Connections() == 2; }));
    reader.Send("DSP MGCPSUB: DN=20000001;");
    reader.Send("LST MGCPSUB: DN=20000003;");
    ASSERT_TRUE(WaitFor([&] { return reader.Reports() == 2; }, 3000));
    EXPECT_EQ(reader.Field(0, "RETCODE"), "0");
    EXPECT_EQ(changer.Reports(), 0);  // waits, in order, for the lock
    other.Exec("ROLLBACK");
    ASSERT_TRUE(WaitFor([&] { return changer.Reports() == 2; }));
    EXPECT_EQ(changer.Field(0, "RETCODE"), "0");
    EXPECT_EQ(changer.Field(1, "DESC"), "after the lock");

    // Held past the busy timeout: 1014, nothing changed, and others were served meanwhile.
    sw.SetBusyTimeout(300);
    other.Exec("BEGIN IMMEDIATE");
    changer.Send("MOD MGCPSUB: DN=20000002, DESC=\"never\";");
    reader.Send("DSP MGCPSUB: DN=20000001;");
    ASSERT_TRUE(WaitFor([&] { return reader.Reports() == 3; }, 3000));
    ASSERT_TRUE(WaitFor([&] { return changer.Reports() == 3; }, 3000));
    EXPECT_EQ(changer.Field(2, "RETCODE"), std::to_string(RC_BUSY));
    EXPECT_NE(changer.Report(2).find("%%MOD MGCPSUB: DN=20000002, DESC=\"never\";%%"), std::string::npos);
    other.Exec("ROLLBACK");
    EXPECT_EQ(ReportField(sw.Execute("DSP MGCPSUB: DN=20000002;").front(), "DESC"), "after the lock");
}

TEST_F(StallTest, ConnectionsBeyondTheMostAreRefusedWithAReport) {
    Open(200);
    SServerOptions options;
    options.maxConnections = 2;
    Serve(options);
    auto a = std::make_unique<TcpClient>(Port());
    TcpClient b(Port());
    a->Send("DSP V5IF: V5IID=1;");
    b.Send("DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return a->Reports() == 1 && b.Reports() == 1; }));
    TcpClient refused(Port());
    ASSERT_TRUE(WaitFor([&] {
        return refused.Reports() == 1 && refused.socket.state() == QAbstractSocket::UnconnectedState;
    }));
    EXPECT_EQ(refused.Field(0, "RETCODE"), std::to_string(RC_BUSY));
    EXPECT_NE(refused.Field(0, "RESULT").find("2 connections"), std::string::npos) << refused.Report(0);
    CObjArray parsed;
    EXPECT_GE(Parse(refused.Report(0), 1, parsed), 0);
    EXPECT_EQ(server->Connections(), 2);
    // One goes: the next is served.
    a.reset();
    ASSERT_TRUE(WaitFor([&] { return server->Connections() == 1; }));
    TcpClient next(Port());
    next.Send("DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return next.Reports() == 1; }));
    EXPECT_EQ(next.Field(0, "RETCODE"), "0");
}
