// The switch over TCP: several clients, clients that vanish, hostile input.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include "BlockingClient.h"
#include "SwitchFixture.h"
#include "SwitchServer.h"
#include "TcpClient.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

using Client = TcpClient;

class SwitchServerTest : public SwitchTest {
protected:
    void SetUp() override {
        SwitchTest::SetUp();
        std::string error;
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0, error)) << error;
    }
    int RetCode(const std::string& report) {
        CObjArray a;
        EXPECT_GE(::Parse(report, 1, a), 0) << report;
        return a.GetRetCode();
    }
    CSwitchServer server{sw};
};

}  // namespace

TEST_F(SwitchServerTest, TwoClientsAreAnsweredInTheirOwnOrder) {
    Client a(server.Port()), b(server.Port());
    a.Send("LST MGCPSUB: DN=20000001;");
    b.Send("DSP V5IF: V5IID=2;");
    a.Send("DSP V5IF: V5IID=3;");
    b.Send("LST MGCPSUB: DN=20000004;");
    ASSERT_TRUE(WaitFor([&] { return a.Reports() == 2 && b.Reports() == 2; }));
    EXPECT_NE(a.Report(0).find("%%LST MGCPSUB: DN=20000001;%%"), std::string::npos);
    EXPECT_NE(a.Report(1).find("V5IID = 3"), std::string::npos);
    EXPECT_NE(b.Report(0).find("V5IID = 2"), std::string::npos);
    EXPECT_NE(b.Report(1).find("DN = 20000004"), std::string::npos);
}

TEST_F(SwitchServerTest, AClientKilledMidCommandLosesNothingAndHarmsNoOne) {
    {
        Client gone(server.Port());
        ASSERT_TRUE(WaitFor([&] { return server.Connections() == 1; }));
        gone.Send("ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\";");
        gone.Send("LST MGCPSUB:;");
        gone.socket.flush();
        gone.socket.abort();  // before any answer could be read
    }
    ASSERT_TRUE(WaitFor([&] { return server.Connections() == 0; }));
    Client next(server.Port());
    next.Send("DSP MGCPSUB: DN=29000001;");
    ASSERT_TRUE(WaitFor([&] { return next.Reports() == 1; }));
    EXPECT_EQ(RetCode(next.Report(0)), 0);  // the add it sent was carried out whole
}

TEST_F(SwitchServerTest, GarbageAndHugeLinesGetErrorReportsNotACrash) {
    Client c(server.Port());
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 256 == '\n' ? 'x' : (i * 7919) % 256);
    c.Send(garbage);
    // 10 MB without a line break, then the break: one "too long" answer.
    const QByteArray chunk(1 << 20, 'A');
    for (int i = 0; i < 10; ++i) c.socket.write(chunk);
    c.Send("");
    c.Send("LST V5IF:;");
    ASSERT_TRUE(WaitFor([&] { return c.Reports() == 3; }, 20000)) << c.Reports();
    EXPECT_EQ(RetCode(c.Report(0)), RC_SYNTAX);
    EXPECT_EQ(RetCode(c.Report(1)), RC_TOO_LONG);
    EXPECT_EQ(RetCode(c.Report(2)), 0);
}

TEST(ListenAddress, LoopbackUnlessToldOtherwise) {
    QHostAddress a;
    quint16 p = 0;
    ASSERT_TRUE(ParseListenAddress(":7001", a, p));
    EXPECT_EQ(a, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(p, 7001);
    ASSERT_TRUE(ParseListenAddress("0.0.0.0:7002", a, p));
    EXPECT_EQ(a, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_FALSE(ParseListenAddress("host:notaport", a, p));
    EXPECT_FALSE(ParseListenAddress("1.2.3.4:70000", a, p));
}

TEST_F(SwitchServerTest, TheEchoIsTheLineAsSentAndControlCharactersInValuesAreRefused) {
    Client c(server.Port());
    c.socket.write("  DSP V5IF: V5IID=1;  \r\n");
    const char withNul[] = "MOD MGCPSUB: DN=20000003, DESC=\"a\0b\";";
    c.Send(QByteArray(withNul, sizeof withNul - 1));
    c.Send("MOD MGCPSUB: DN=20000003, DESC=\"a\rb\";");
    c.Send("MOD MGCPSUB: DN=20000003, DESC=a b;");
    c.Send("DSP MGCPSUB: DN=20000003;");
    const std::string was = ReportField(sw.Execute("DSP MGCPSUB: DN=20000003;").front(), "DESC");
    ASSERT_TRUE(WaitFor([&] { return c.Reports() == 5; }));
    EXPECT_EQ(c.Report(0).rfind("%%  DSP V5IF: V5IID=1;  %%\n", 0), 0u) << c.Report(0);
    EXPECT_EQ(RetCode(c.Report(1)), RC_BAD_VALUE);
    EXPECT_EQ(RetCode(c.Report(2)), RC_BAD_VALUE);
    EXPECT_EQ(RetCode(c.Report(3)), RC_SYNTAX);
    EXPECT_EQ(c.Field(4, "DESC"), was);
}

TEST_F(SwitchServerTest, AnOpenPageShowsOnlyMatchingRecordsAfterAnotherClientMovesOne) {
    Client lister(server.Port()), mover(server.Port());
    lister.Send("LST MGCPSUB: DN=2000*;");  // 1,200 records: a paged query
    ASSERT_TRUE(WaitFor([&] { return lister.Reports() == 1; }));
    const std::string qid = lister.Field(0, "QID");
    ASSERT_FALSE(qid.empty()) << lister.Report(0);
    const QByteArray page = "LST MGCPSUB: QID=\"" + QByteArray::fromStdString(qid) + "\", BEGIN=1195, END=1199;";
    lister.Send(page);
    ASSERT_TRUE(WaitFor([&] { return lister.Reports() == 2; }));
    const std::string before = lister.Report(1);
    ASSERT_NE(before.find("DN = 20001199"), std::string::npos) << before;

    // Moving a subscriber is removing it and adding it under another number.
    mover.Send("RMV MGCPSUB: DN=20001199;");
    mover.Send("ADD MGCPSUB: DN=1777, MGWNAME=\"gw\", EID=\"e\";");
    ASSERT_TRUE(WaitFor([&] { return mover.Reports() == 2; }));
    ASSERT_EQ(RetCode(mover.Report(0)), 0) << mover.Report(0);
    ASSERT_EQ(RetCode(mover.Report(1)), 0) << mover.Report(1);

    lister.Send(page);
    ASSERT_TRUE(WaitFor([&] { return lister.Reports() == 3; }));
    const std::string after = lister.Report(2);
    EXPECT_EQ(RetCode(after), 0) << after;
    EXPECT_EQ(after.find("1777"), std::string::npos) << after;
    EXPECT_NE(after.find("1 of these records were removed or changed"), std::string::npos) << after;
    // Five objects still, the first four as they were, the fifth empty.
    auto dns = [&](const std::string& report) {
        EXPECT_GE(::Parse(report, 1, parsed), 0) << report;
        std::vector<std::string> out;
        for (int o = 0; o < parsed.GetObjectCount(); ++o) out.push_back(Value(o, "DN"));
        return out;
    };
    std::vector<std::string> expected = dns(before);
    ASSERT_EQ(expected.size(), 5u);
    expected.back() = "";
    EXPECT_EQ(dns(after), expected);
}
