// Serves the switch over TCP: one command per line in, reports out, in
// order per connection (docs/mml.md, TCP framing). A client that goes away
// mid-command costs nothing: commands run whole inside the event loop and
// their reports are dropped with the connection.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include "Switch.h"

class QTcpSocket;

namespace mmlsw {

class CSwitchServer : public QObject {
    Q_OBJECT
public:
    explicit CSwitchServer(CSwitch& sw, QObject* parent = nullptr);
    ~CSwitchServer() override;
    bool Listen(const QHostAddress& address, quint16 port, std::string& error);
    quint16 Port() const { return m_server.serverPort(); }
    int Connections() const { return m_connections; }

private:
    void OnConnection();
    void OnReadable(QTcpSocket* socket);

    CSwitch& m_sw;
    QTcpServer m_server;
    QTimer m_expiry;
    int m_connections = 0;
};

// "HOST:PORT", ":PORT" or "PORT" (loopback); false for anything else.
bool ParseListenAddress(const QString& text, QHostAddress& address, quint16& port);

}  // namespace mmlsw
