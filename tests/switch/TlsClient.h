// A test client of the switch over TLS, and test certificates made by the
// openssl command.
#pragma once

#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

#include "TcpClient.h"

inline constexpr const char* kHost = "switch.test";

// A self-signed certificate for the switch's name and its key, made by the
// openssl command; the certificate's path.
inline QString MakeCertificate(const QString& dir, const QString& name) {
    const QString cert = dir + "/" + name + ".pem", key = dir + "/" + name + ".key";
    QProcess p;
    p.start(QStringLiteral("openssl"),
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-days", "2", "-subj",
             "/CN=" + name, "-addext", QStringLiteral("subjectAltName=DNS:") + kHost, "-keyout", key, "-out", cert});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return cert;
}

inline QString KeyOf(const QString& cert) { return cert.left(cert.size() - 4) + ".key"; }

struct TlsClient : BasicClient<QSslSocket> {
    // Trusts only the certificate given, as a client given --ca would.
    TlsClient(quint16 port, const QString& ca) {
        QSslConfiguration c = socket.sslConfiguration();
        c.setCaCertificates(QSslCertificate::fromPath(ca));
        socket.setSslConfiguration(c);
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port, QString::fromLatin1(kHost));
    }
};
