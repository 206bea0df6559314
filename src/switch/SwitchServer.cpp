// The switch's TCP server.
#include "SwitchServer.h"

#include <QTcpSocket>

namespace mmlsw {

namespace {
// Per connection: the bytes of an unfinished line, and whether the line
// being received is already too long (its rest is skipped).
const char* const kBuffer = "mmlBuffer";
const char* const kSkipping = "mmlSkipping";
}  // namespace

CSwitchServer::CSwitchServer(CSwitch& sw, QObject* parent) : QObject(parent), m_sw(sw) {
    connect(&m_server, &QTcpServer::newConnection, this, &CSwitchServer::OnConnection);
    connect(&m_expiry, &QTimer::timeout, this, [this] { m_sw.ExpireQueries(); });
    m_expiry.start(10000);
}

CSwitchServer::~CSwitchServer() {
    // Connections close with the server; their signals must not reach it then.
    for (QTcpSocket* s : m_server.findChildren<QTcpSocket*>()) {
        disconnect(s, nullptr, this, nullptr);
        s->abort();
    }
}

bool CSwitchServer::Listen(const QHostAddress& address, quint16 port, std::string& error) {
    if (m_server.listen(address, port)) return true;
    error = m_server.errorString().toStdString();
    return false;
}

void CSwitchServer::OnConnection() {
    while (QTcpSocket* s = m_server.nextPendingConnection()) {
        ++m_connections;
        connect(s, &QTcpSocket::readyRead, this, [this, s] { OnReadable(s); });
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            --m_connections;
            s->deleteLater();
        });
    }
}

void CSwitchServer::OnReadable(QTcpSocket* socket) {
    QByteArray buffer = socket->property(kBuffer).toByteArray() + socket->readAll();
    bool skipping = socket->property(kSkipping).toBool();
    qsizetype start = 0;
    for (qsizetype nl = buffer.indexOf('\n'); nl >= 0; nl = buffer.indexOf('\n', start)) {
        QByteArray line = buffer.mid(start, nl - start);
        start = nl + 1;
        std::vector<std::string> reports;
        if (skipping || static_cast<size_t>(line.size()) > kMaxCommand) {
            skipping = false;
            reports = m_sw.RefuseTooLong(line.left(64).toStdString());
        } else if (line.trimmed().isEmpty()) {
            continue;
        } else {
            reports = m_sw.Execute(line.toStdString());
        }
        for (const std::string& r : reports) socket->write(r.data(), static_cast<qint64>(r.size()));
        if (socket->state() != QAbstractSocket::ConnectedState) return;
    }
    buffer.remove(0, start);
    if (static_cast<size_t>(buffer.size()) > kMaxCommand) {
        // Never hold more than one command's worth of an endless line.
        buffer.clear();
        skipping = true;
    }
    socket->setProperty(kBuffer, buffer);
    socket->setProperty(kSkipping, skipping);
}

bool ParseListenAddress(const QString& text, QHostAddress& address, quint16& port) {
    QString host = QStringLiteral("127.0.0.1"), p = text;
    const qsizetype colon = text.lastIndexOf(':');
    if (colon >= 0) {
        if (colon > 0) host = text.left(colon);
        p = text.mid(colon + 1);
    }
    bool ok = false;
    const uint value = p.toUInt(&ok);
    if (!ok || value > 65535 || !address.setAddress(host)) return false;
    port = static_cast<quint16>(value);
    return true;
}

}  // namespace mmlsw
