// The switch over TLS: sessions as over plain TCP, nothing for a plain-text
// client, and a renewed certificate that new connections see while open
// sessions go on.
#include <QTemporaryDir>

#include "SwitchFixture.h"
#include "SwitchServer.h"
#include "TcpClient.h"
#include "TlsClient.h"
#include "TlsConfig.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

class TlsTest : public SwitchTest {
protected:
    void SetUp() override {
        SwitchTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        first = MakeCertificate(dir.path(), "first");
        if (first.isEmpty()) GTEST_SKIP() << "no openssl command to make a test certificate";
        std::string error;
        QSslConfiguration tls;
        ASSERT_TRUE(LoadTls(first, KeyOf(first), tls, error)) << error;
        SServerOptions options;
        options.tls = tls;
        server = std::make_unique<CSwitchServer>(sw, options);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0, error)) << error;
    }
    QTemporaryDir dir;
    QString first;
    std::unique_ptr<CSwitchServer> server;
};

}  // namespace

TEST_F(TlsTest, ASessionRunsOverTlsOneTwoOrLater) {
    TlsClient c(server->Port(), first);
    ASSERT_TRUE(WaitFor([&] { return c.socket.isEncrypted(); })) << c.socket.errorString().toStdString();
    EXPECT_GE(c.socket.sessionProtocol(), QSsl::TlsV1_2);
    c.Send("LST MGCPSUB: DN=20000001;");
    ASSERT_TRUE(WaitFor([&] { return c.Reports() == 1; }));
    EXPECT_EQ(c.Field(0, "DN"), "20000001");
}

TEST_F(TlsTest, APlainTextClientGetsNoAnswerAndIsDropped) {
    TcpClient plain(server->Port());
    plain.Send("LST MGCPSUB: DN=20000001;");
    ASSERT_TRUE(WaitFor([&] { return plain.socket.state() == QAbstractSocket::UnconnectedState; }, 10000));
    EXPECT_EQ(plain.data.indexOf("RETCODE"), -1);
    EXPECT_EQ(plain.data.indexOf("20000001"), -1);
    EXPECT_EQ(server->Connections(), 0);
    // Nor did it leave anything behind.
    TlsClient c(server->Port(), first);
    c.Send("LST MGCPSUB: DN=20000001;");
    EXPECT_TRUE(WaitFor([&] { return c.Reports() == 1; }));
}

TEST_F(TlsTest, ARenewedCertificateIsSeenByNewConnectionsWhileOpenSessionsGoOn) {
    TlsClient old(server->Port(), first);
    ASSERT_TRUE(WaitFor([&] { return old.socket.isEncrypted(); }));
    const QString second = MakeCertificate(dir.path(), "second");
    ASSERT_FALSE(second.isEmpty());
    QSslConfiguration renewed;
    std::string error;
    ASSERT_TRUE(LoadTls(second, KeyOf(second), renewed, error)) << error;
    server->SetTls(renewed);

    old.Send("LST MGCPSUB: DN=20000001;");
    ASSERT_TRUE(WaitFor([&] { return old.Reports() == 1; }));
    EXPECT_EQ(old.socket.peerCertificate(), QSslCertificate::fromPath(first).front());
    TlsClient fresh(server->Port(), second);
    ASSERT_TRUE(WaitFor([&] { return fresh.socket.isEncrypted(); })) << fresh.socket.errorString().toStdString();
    EXPECT_EQ(fresh.socket.peerCertificate(), QSslCertificate::fromPath(second).front());
    // A client that trusts only the old one refuses the new one.
    TlsClient stale(server->Port(), first);
    EXPECT_TRUE(WaitFor([&] { return stale.socket.state() == QAbstractSocket::UnconnectedState; }, 10000));
    EXPECT_FALSE(stale.socket.isEncrypted());
}

TEST_F(TlsTest, FilesThatCannotServeAreRefusedNamingTheFile) {
    const QString second = MakeCertificate(dir.path(), "second");
    QSslConfiguration tls;
    std::string error;
    EXPECT_FALSE(LoadTls(dir.path() + "/none.pem", KeyOf(first), tls, error));
    EXPECT_NE(error.find("none.pem"), std::string::npos) << error;
    EXPECT_FALSE(LoadTls(KeyOf(first), KeyOf(first), tls, error));
    EXPECT_NE(error.find("no PEM certificate"), std::string::npos) << error;
    EXPECT_FALSE(LoadTls(first, first, tls, error));
    EXPECT_NE(error.find("private key"), std::string::npos) << error;
    // Each half fine, but not of one pair.
    EXPECT_FALSE(LoadTls(first, KeyOf(second), tls, error));
    EXPECT_NE(error.find("not the key of the certificate"), std::string::npos) << error;
}
