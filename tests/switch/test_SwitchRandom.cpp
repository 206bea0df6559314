// Thousands of random changes from several sessions, many of which must
// fail, and kill -9 in the middle of them: the invariant checker
// (mmlswitch --check) then finds nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <set>
#include <thread>

#include "BlockingClient.h"
#include "RandomCommands.h"
#include "SwitchFixture.h"

using namespace mmlsw;

namespace {

class RandomChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = QCoreApplication::applicationDirPath() + "/mmlswitch";
        if (!QFileInfo::exists(program)) GTEST_SKIP() << "mmlswitch is not built";
        ASSERT_TRUE(dir.isValid());
    }
    // mmlswitch --check on the file: its exit code, what it printed.
    int Check(QString& said) {
        QProcess p;
        p.start(program, {"--db", db, "--check"});
        EXPECT_TRUE(p.waitForFinished(120000));
        said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    }
    QString program;
    QTemporaryDir dir;
    const QString db = dir.path() + "/switch.db";
};

}  // namespace

TEST_F(RandomChangesTest, ThousandsOfChangesFromSeveralSessionsLeaveNothingForTheChecker) {
    {
        CSwitch sw(HostDatabase());
        std::string error;
        ASSERT_TRUE(sw.Open(db.toStdString(), error)) << error;
        ASSERT_TRUE(SeedDemo(sw, {1200}, error)) << error;
        test::CRandomCommands random(25);
        std::map<int, int> codes;
        for (int i = 0; i < 4000; ++i) {
            const SessionId session = 1 + i % 4;
            CObjArray a;
            const std::string cmd = random.Next();
            ASSERT_GE(Parse(sw.Execute(cmd, session).front(), 1, a), 0);
            ++codes[a.GetRetCode()];
            ASSERT_NE(a.GetRetCode(), RC_INTERNAL) << cmd << "\n" << a.GetResultText();
            if (i % 500 == 0) {
                // Paged queries stay open among the changes.
                Parse(sw.Execute("LST MGCPSUB:;", session).front(), 1, a);
                ASSERT_EQ(a.GetRetCode(), 0);
            }
        }
        EXPECT_GT(codes[0], 800) << ::testing::PrintToString(codes);
        EXPECT_GT(4000 - codes[0], 800) << ::testing::PrintToString(codes);
        for (int refused : {RC_DUPLICATE, RC_NOT_FOUND, RC_IN_USE, RC_NO_PARENT, RC_MISSING, RC_BAD_VALUE})
            EXPECT_GT(codes[refused], 0) << refused << " " << ::testing::PrintToString(codes);
        EXPECT_EQ(sw.CheckInvariants(), std::vector<std::string>{});
    }
    QString said;
    EXPECT_EQ(Check(said), 0) << said.toStdString();
    EXPECT_TRUE(said.contains("0 violations")) << said.toStdString();
}

TEST_F(RandomChangesTest, KilledInTheMiddleOfChangesItLeavesNothingForTheChecker) {
    {
        QProcess seed;
        seed.start(program, {"--db", db, "--seed", "demo", "--subscribers", "1200"});
        ASSERT_TRUE(seed.waitForFinished(60000));
        ASSERT_EQ(seed.exitCode(), 0);
    }
    for (int round = 0; round < 3; ++round) {
        QProcess p;
        p.setReadChannel(QProcess::StandardError);
        p.start(program, {"--db", db, "--listen", "127.0.0.1:0"});
        quint16 port = 0;
        QString output;
        const QRegularExpression serving(QStringLiteral("serving on \\S+:(\\d+)"));
        for (QElapsedTimer t; !port && (t.isValid() || (t.start(), true)) && t.elapsed() < 30000;) {
            p.waitForReadyRead(200);
            output += QString::fromUtf8(p.readAllStandardError());
            if (const auto m = serving.match(output); m.hasMatch()) port = static_cast<quint16>(m.captured(1).toUInt());
        }
        ASSERT_NE(port, 0) << output.toStdString();
        std::atomic<int> answered{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < 3; ++c)
            clients.emplace_back([&, c] {
                CBlockingClient client;
                std::string error, report;
                if (!client.Connect(port, error)) return;
                test::CRandomCommands random(static_cast<unsigned>(round * 10 + c));
                while (client.Send(random.Next() + "\n") && client.Receive(report, 5000)) ++answered;
            });
        QElapsedTimer t;
        t.start();
        while (answered < 300 * (round + 1) && t.elapsed() < 20000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(30000));
        for (std::thread& c : clients) c.join();
        EXPECT_GT(answered.load(), 100);
        QString said;
        ASSERT_EQ(Check(said), 0) << "round " << round << ":\n" << said.toStdString();
    }
}
