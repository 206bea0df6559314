// Notices of changes over TCP: they reach the sessions that subscribed to
// the object, framed so that a reader of reports tells them apart, never
// the session that made the change nor one that did not ask; and a
// subscriber that stops reading holds up neither the sender nor the switch.
#include <QTcpServer>

#include <set>

#include <gtest/gtest.h>

#include "DemoData.h"
#include "Notices.h"
#include "SwitchServer.h"
#include "TcpClient.h"
#include "WaitFor.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjArray.h"

using namespace mmlsw;

namespace {

// The blocks a client was sent, in order.
std::vector<std::string> Blocks(const TcpClient& c) {
    std::vector<std::string> out;
    const QByteArray end = "---    END\n";
    for (qsizetype from = 0, at; (at = c.data.indexOf(end, from)) >= 0; from = at + end.size())
        out.push_back(c.data.mid(from, at + end.size() - from).toStdString());
    return out;
}
std::vector<std::string> NoticesOf(const TcpClient& c) {
    std::vector<std::string> out;
    for (const std::string& b : Blocks(c))
        if (IsNoticeText(b)) out.push_back(b);
    return out;
}
std::string Field(const std::string& block, const std::string& key) {
    const size_t at = block.find("\n" + key + " = ");
    if (at == std::string::npos) return "<missing>";
    const size_t from = at + key.size() + 4;
    return block.substr(from, block.find('\n', from) - from);
}

class NoticeTest : public ::testing::Test {
protected:
    void Serve(const SServerOptions& options = {}) {
        std::string error;
        ASSERT_TRUE(sw.Open(":memory:", error)) << error;
        ASSERT_TRUE(SeedDemo(sw, {300}, error)) << error;
        server = std::make_unique<CSwitchServer>(sw, options);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0, error)) << error;
    }
    // Sends a command and waits for its answer (a notice may come first).
    static std::string Ask(TcpClient& c, const QByteArray& command) {
        const qsizetype from = c.data.size();
        c.Send(command);
        auto answer = [&]() -> std::string {
            const QByteArray end = "---    END\n";
            for (qsizetype at = from, stop; (stop = c.data.indexOf(end, at)) >= 0; at = stop + end.size())
                if (c.data.mid(at, 2) == "%%") return c.data.mid(at, stop + end.size() - at).toStdString();
            return {};
        };
        EXPECT_TRUE(WaitFor([&] { return !answer().empty(); }, 20000)) << command.toStdString();
        return answer();
    }
    quint16 Port() const { return server->Port(); }

    CSwitch sw{HostDatabase()};
    std::unique_ptr<CSwitchServer> server;
};

}  // namespace

TEST_F(NoticeTest, ReachSubscribersOfTheObjectOnlyAndNeverTheSender) {
    Serve();
    TcpClient sender(Port()), mgcp(Port()), other(Port()), never(Port());
    // The sender subscribes too: its own changes come back as answers only.
    EXPECT_EQ(Field(Ask(sender, "SUB NOTICE: OBJ=MGCPSUB;"), "RETCODE"), "0");
    EXPECT_EQ(Field(Ask(mgcp, "SUB NOTICE: OBJ=mgcpsub&CXGRP;"), "RETCODE"), "0");
    EXPECT_EQ(Field(Ask(other, "SUB NOTICE: OBJ=H248SUB;"), "RETCODE"), "0");
    EXPECT_EQ(Field(Ask(never, "LST MGCPSUB: DN=20000001;"), "RETCODE"), "0");
    const std::string rev = Field(Ask(never, "LST MGCPSUB: DN=20000001;"), "REV");

    EXPECT_EQ(Field(Ask(sender, "MOD MGCPSUB: DN=20000001, DESC=\"Front desk\";"), "RETCODE"), "0");
    EXPECT_EQ(Field(Ask(sender, "ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e1\";"), "RETCODE"), "0");
    EXPECT_EQ(Field(Ask(sender, "RMV MGCPSUB: DN=29000001;"), "RETCODE"), "0");
    // A refusal and a read change nothing: nobody hears of them.
    EXPECT_NE(Field(Ask(sender, "RMV MGCPSUB: DN=29000001;"), "RETCODE"), "0");
    Ask(sender, "LST MGCPSUB: DN=20000002;");

    ASSERT_TRUE(WaitFor([&] { return NoticesOf(mgcp).size() >= 3; }));
    // A command after the changes: its answer comes after any notice would.
    Ask(other, "LST H248SUB: DN=1;");
    Ask(never, "LST MGCPSUB: DN=20000002;");
    Ask(mgcp, "LST MGCPSUB: DN=20000002;");
    const std::vector<std::string> told = NoticesOf(mgcp);
    ASSERT_EQ(told.size(), 3u);
    // Framed as a report whose first line is no echo.
    for (const std::string& n : told) {
        EXPECT_EQ(n.rfind("NOTICE\nRETCODE = 0\n", 0), 0u) << n;
        CObjArray parsed;
        EXPECT_GE(Parse("%%%%" + n.substr(n.find('\n')), 1, parsed), 0) << n;
    }
    EXPECT_EQ(Field(told[0], "VERB"), "MOD");
    EXPECT_EQ(Field(told[0], "OBJECT"), "MGCPSUB");
    EXPECT_EQ(Field(told[0], "DN"), "20000001");
    EXPECT_EQ(Field(told[0], "REV"), std::to_string(std::stoi(rev) + 1));
    EXPECT_EQ(Field(told[1], "VERB"), "ADD");
    EXPECT_EQ(Field(told[1], "DN"), "29000001");
    EXPECT_EQ(Field(told[1], "REV"), "1");
    EXPECT_EQ(Field(told[2], "VERB"), "RMV");
    EXPECT_EQ(Field(told[2], "DN"), "29000001");
    EXPECT_EQ(Field(told[2], "REV"), "<missing>");
    EXPECT_TRUE(NoticesOf(sender).empty());
    EXPECT_TRUE(NoticesOf(other).empty());
    EXPECT_TRUE(NoticesOf(never).empty());
    for (const std::string& b : Blocks(never)) EXPECT_EQ(b.rfind("%%", 0), 0u) << b;

    // Unsubscribed, nothing more; another object's subscription stays.
    EXPECT_EQ(Field(Ask(mgcp, "USB NOTICE: OBJ=MGCPSUB;"), "RETCODE"), "0");
    Ask(sender, "MOD MGCPSUB: DN=20000001, DESC=\"Back office\";");
    Ask(mgcp, "LST MGCPSUB: DN=20000002;");
    EXPECT_EQ(NoticesOf(mgcp).size(), 3u);
    EXPECT_EQ(sw.Subscriptions(2).size(), 1u);
    // Naming an object the switch does not have subscribes to nothing.
    EXPECT_EQ(Field(Ask(never, "SUB NOTICE: OBJ=NOSUCH;"), "RETCODE"), "1005");
    EXPECT_EQ(Field(Ask(never, "SUB NOTICE:;"), "RETCODE"), "1004");
}

TEST_F(NoticeTest, ASubscriberThatNeverReadsHoldsUpNobodyAndIsToldOnceToRefresh) {
    SServerOptions options;
    options.maxNoticeUnsent = 64 * 1024;
    Serve(options);
    TcpClient sender(Port()), reader(Port()), stuck(Port());
    Ask(stuck, "SUB NOTICE: OBJ=MGCPSUB;");
    Ask(reader, "SUB NOTICE: OBJ=MGCPSUB;");
    // Its network buffers are kept small, so that the switch soon holds what it does not take.
    stuck.socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    stuck.StopReading();
    // The sender changes on, batch after batch, and every change is answered,
    // until the switch holds more for the stuck one than it would take.
    int changes = 0;
    for (int batch = 0; batch < 60 && server->LargestUnsent() < options.maxNoticeUnsent / 2; ++batch) {
        QByteArray lines;
        for (int i = 0; i < 1000; ++i, ++changes)
            lines += "MOD MGCPSUB: DN=" + QByteArray::number(20000001 + i % 100) + ", DESC=\"d" +
                     QByteArray::number(changes) + "\";\n";
        const int before = sender.Reports();
        sender.socket.write(lines);
        ASSERT_TRUE(WaitFor([&] { return sender.Reports() == before + 1000; }, 30000)) << "batch " << batch;
    }
    ASSERT_GE(server->LargestUnsent(), options.maxNoticeUnsent / 2) << "the stuck subscriber took everything";
    EXPECT_LE(server->LargestUnsent(), options.maxNoticeUnsent + 1024);
    for (const std::string& b : Blocks(sender)) EXPECT_EQ(b.rfind("%%", 0), 0u);
    // The subscriber that reads had every one.
    ASSERT_TRUE(WaitFor([&] { return reader.Reports() == changes + 1; }, 30000));
    EXPECT_EQ(static_cast<int>(NoticesOf(reader).size()), changes);

    // The stuck one reads again: the notices it was sent, then one refresh.
    QObject::connect(&stuck.socket, &QTcpSocket::readyRead, [&] { stuck.data += stuck.socket.readAll(); });
    stuck.socket.setReadBufferSize(0);
    stuck.data += stuck.socket.readAll();
    ASSERT_TRUE(WaitFor([&] { return server->LargestUnsent() == 0; }, 30000));
    Ask(stuck, "LST MGCPSUB: DN=20000001;");
    std::vector<std::string> told = NoticesOf(stuck);
    ASSERT_FALSE(told.empty());
    EXPECT_LT(static_cast<int>(told.size()), changes);
    EXPECT_EQ(Field(told.back(), "VERB"), "REFRESH");
    int refreshes = 0;
    for (const std::string& n : told) refreshes += Field(n, "VERB") == "REFRESH";
    EXPECT_EQ(refreshes, 1);
    // Having read, it hears of changes again.
    Ask(sender, "MOD MGCPSUB: DN=20000001, DESC=\"again\";");
    ASSERT_TRUE(WaitFor([&] { return NoticesOf(stuck).size() == told.size() + 1; }));
    EXPECT_EQ(Field(NoticesOf(stuck).back(), "VERB"), "MOD");
}

// Records changed along with the one a command named are told of one by
// one, by their keys (and their revision while they are there), so that a
// list follows them in place: an ISDN BRA subscriber's MSNs removed with
// it, a V5 subscriber blocked through its line's maintenance.
TEST_F(NoticeTest, RecordsChangedAlongWithTheNamedOneAreToldByTheirKeys) {
    Serve();
    TcpClient sender(Port()), watcher(Port());
    EXPECT_EQ(Field(Ask(watcher, "SUB NOTICE: OBJ=BRAMSN&V5SUB&V5SUBMNT;"), "RETCODE"), "0");
    ASSERT_EQ(Field(Ask(sender, "ADD BRASUB: DN=29100001, MGWID=1, TID=\"t1\", MAXMSN=4;"), "RETCODE"), "0");
    ASSERT_EQ(Field(Ask(sender, "ADD BRAMSN: DN=29100001, MSN=29100002;"), "RETCODE"), "0");
    ASSERT_EQ(Field(Ask(sender, "ADD BRAMSN: DN=29100001, MSN=29100003;"), "RETCODE"), "0");
    const std::string dn = Field(Ask(sender, "LST V5SUB:;"), "DN");
    ASSERT_EQ(Field(Ask(sender, "TST V5SUBMNT: DN=" + QByteArray::fromStdString(dn) + ";"), "RETCODE"), "0");
    ASSERT_TRUE(WaitFor([&] { return NoticesOf(watcher).size() >= 3; }));
    const size_t before = NoticesOf(watcher).size();

    ASSERT_EQ(Field(Ask(sender, "RMV BRASUB: DN=29100001;"), "RETCODE"), "0");
    ASSERT_EQ(Field(Ask(sender, "BLK V5SUBMNT: DN=" + QByteArray::fromStdString(dn) + ";"), "RETCODE"), "0");
    const std::string rev = Field(Ask(sender, "DSP V5SUB: DN=" + QByteArray::fromStdString(dn) + ";"), "REV");
    Ask(watcher, "LST V5SUB: DN=1;");
    std::vector<std::string> told = NoticesOf(watcher);
    told.erase(told.begin(), told.begin() + static_cast<std::ptrdiff_t>(before));
    std::set<std::string> seen;
    for (const std::string& n : told) {
        EXPECT_NE(Field(n, "DN"), "<missing>") << n;
        seen.insert(Field(n, "OBJECT") + " " + Field(n, "VERB") + " " + Field(n, "DN") + " " + Field(n, "MSN") + " " +
                    Field(n, "REV"));
    }
    // The subscriber's own number is an MSN of its own.
    EXPECT_TRUE(seen.count("BRAMSN RMV 29100001 29100002 <missing>")) << ::testing::PrintToString(seen);
    EXPECT_TRUE(seen.count("BRAMSN RMV 29100001 29100003 <missing>")) << ::testing::PrintToString(seen);
    EXPECT_TRUE(seen.count("V5SUB MOD " + dn + " <missing> " + rev)) << ::testing::PrintToString(seen);
    EXPECT_TRUE(seen.count("V5SUBMNT BLK " + dn + " <missing> " + rev)) << ::testing::PrintToString(seen);
}
