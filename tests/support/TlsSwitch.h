// A switch served over TLS inside the test program: a certificate made for
// the test (openssl), the demo set, and operators' accounts when asked for.
#pragma once

#include <QProcess>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DemoData.h"
#include "Switch.h"
#include "SwitchServer.h"
#include "TlsConfig.h"
#include "hostlibs/FrmDatabase.h"

namespace testtls {

// A self-signed certificate for 127.0.0.1 and localhost, with its key.
struct SCert {
    QString cert, key;
};
inline SCert MakeCert(const QTemporaryDir& dir, const QString& name) {
    SCert c{dir.filePath(name + ".crt"), dir.filePath(name + ".key")};
    QProcess p;
    p.start(QStringLiteral("openssl"),
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
             "-subj", "/CN=" + name, "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", c.key,
             "-out", c.cert});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return c;
}

// The switch, served on a loopback port; with TLS when given a certificate.
struct CServedSwitch {
    mmlsw::CSwitch sw{HostDatabase()};
    std::unique_ptr<mmlsw::CSwitchServer> server;
    explicit CServedSwitch(long long subscribers = 300) {
        std::string error;
        EXPECT_TRUE(sw.Open(":memory:", error)) << error;
        EXPECT_TRUE(mmlsw::SeedDemo(sw, {subscribers}, error)) << error;
        sw.SetLoginDelay(0);
    }
    // From now on the switch asks for a login.
    void AddOperator(const std::string& name, const std::string& role, const std::string& password) {
        const auto reports = sw.Execute("ADD OP: OP=\"" + name + "\", ROLE=" + role + ", PWD=\"" + password + "\";");
        ASSERT_FALSE(reports.empty());
        ASSERT_NE(reports.front().find("RETCODE = 0\n"), std::string::npos) << reports.front();
    }
    void Serve(const SCert* cert, quint16 port = 0) {
        mmlsw::SServerOptions options;
        if (cert) {
            QSslConfiguration tls;
            std::string error;
            ASSERT_TRUE(mmlsw::LoadTls(cert->cert, cert->key, tls, error)) << error;
            options.tls = tls;
        }
        server = std::make_unique<mmlsw::CSwitchServer>(sw, options);
        std::string error;
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, port, error)) << error;
    }
    quint16 Port() const { return server->Port(); }
};

}  // namespace testtls
