// Serves the switch over TCP: one command per line in, reports out, in
// order per connection (docs/mml.md, TCP framing). Each connection is a
// session of the switch with its own paged queries, released when it closes.
//
// Service is fair and memory bounded: connections take turns, one command
// each; long reads run on reader threads (file databases) while the event
// loop answers the short commands (key lookups among them); a connection
// whose answers pile up unread is not served, nor read from, until they
// drain; connections idle too long, or stuck halfway through a line, are
// closed, and those beyond the most served are refused. A command that finds
// the store locked by another program waits off the event loop, tried again
// until the busy timeout; the long reads of a connection that closed are
// dropped unless begun.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QThreadPool>
#include <QTimer>

#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "Switch.h"

class QTcpSocket;

namespace mmlsw {

class CReaderPool;

struct SServerOptions {
    qint64 maxUnsent = 1 << 20;      // answer bytes a connection may leave unread before it waits
    qint64 idleMs = 15 * 60 * 1000;  // a connection that neither sends nor reads this long is closed
    qint64 lineMs = 30 * 1000;       // a line not finished this long after it began closes its connection
    int readers = 1;                 // threads for long reads (file databases only)
    int maxConnections = 512;        // open connections served at once; more are refused
    std::optional<QSslConfiguration> tls;  // speak TLS with this certificate and key
};

class CSwitchServer : public QObject {
    Q_OBJECT
public:
    explicit CSwitchServer(CSwitch& sw, QObject* parent = nullptr);
    CSwitchServer(CSwitch& sw, const SServerOptions& options, QObject* parent = nullptr);
    ~CSwitchServer() override;
    bool Listen(const QHostAddress& address, quint16 port, std::string& error);
    quint16 Port() const { return m_server->serverPort(); }
    // Connections from now on use the new certificate and key; those open
    // keep theirs. Nothing happens on a server without TLS.
    void SetTls(const QSslConfiguration& tls);
    // Open connections (not those closed that still finish their commands).
    int Connections() const;
    // The most answer bytes any connection has not taken yet.
    qint64 LargestUnsent() const;
    // Threads answering long reads; 0 when the event loop answers everything.
    size_t Readers() const;

private:
    struct SConnection;
    struct SLine {
        QByteArray text;
        bool tooLong = false;
    };

    void OnConnection();
    // Takes bytes off the socket until the connection's next line is complete.
    void Fill(SConnection& c);
    // Queues the connection for a turn if it has a line and may be served.
    void MaybeReady(SConnection& c);
    void ScheduleRun();
    // Serves the queued connections one command each.
    void Run();
    void Deliver(SConnection& c, const CSwitch::Reports& reports);
    // Delivers a command's answer as the switch asks: after a delay (a
    // failed login), or closing the connection after it (a logout).
    void Answer(SConnection& c, CSwitch::Reports reports);
    void OnAnswer(SessionId session, CSwitch::Reports reports);
    void OnClosed(SessionId session);
    void Forget(SessionId session);
    void Maintain();
    // A command that found the store locked: tried again until its deadline.
    struct SDeferred {
        SessionId session = 0;
        std::string command;
        qint64 deadline = 0;
    };
    void Defer(SConnection& c, std::string command);
    void Retry();
    // A login's password is checked on a worker (a tenth of a second of
    // hashing); the login then runs on the event loop with the verdict.
    // False when the command is no such login.
    bool VerifyAside(SConnection& c, const std::string& command);
    void OnVerified(SessionId session, std::string command);

    CSwitch& m_sw;
    SServerOptions m_options;
    std::unique_ptr<QTcpServer> m_server;
    QTimer m_maintenance;
    QTimer m_retry;
    std::deque<SDeferred> m_deferred;
    bool m_trimDue = false;  // connections went: their memory goes back to the system
    std::unique_ptr<CReaderPool> m_pool;
    std::unique_ptr<QThreadPool> m_verifiers;
    std::map<SessionId, std::unique_ptr<SConnection>> m_connections;
    std::deque<SessionId> m_ready;
    SessionId m_nextSession = 1;
    bool m_runScheduled = false;
};

// "HOST:PORT", ":PORT" or "PORT" (loopback); false for anything else.
bool ParseListenAddress(const QString& text, QHostAddress& address, quint16& port);

// Other hosts may reach the switch only over TLS, or with the operator's
// explicit leave to do without (insecure). False with the refusal when
// neither is there; otherwise true, with a warning to print when the
// address is not loopback and the connection is plain text.
bool MayListenOn(const QHostAddress& address, bool allowRemote, bool tls, bool insecure, std::string& message);

}  // namespace mmlsw
