// The switch's TCP server.
#include "SwitchServer.h"

#include <QElapsedTimer>
#include <QSslServer>
#include <QTcpSocket>

#include <malloc.h>

#include <algorithm>
#include <optional>

#include "PasswordHash.h"
#include "ReaderPool.h"

namespace mmlsw {

namespace {

constexpr qint64 kChunk = 64 * 1024;        // bytes taken off a socket at once
constexpr qint64 kReadBuffer = 256 * 1024;  // bytes a socket buffers before its peer must wait
constexpr int kRetryMs = 10;                // between tries of a command that found the store locked

qint64 NowMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

}  // namespace

struct CSwitchServer::SConnection {
    SessionId id = 0;
    QTcpSocket* socket = nullptr;  // null once the peer is gone
    QByteArray unread;             // taken off the socket, not yet split into lines
    QByteArray partial;            // the start of the line being received
    bool skipping = false;         // the line being received is too long: its rest is dropped
    QByteArray tooLongStart;       // ... and this was its start
    std::optional<SLine> next;     // the next command, complete
    bool busy = false;             // a command of it is being answered
    bool queued = false;           // waiting for its turn
    bool closed = false;           // the peer is gone: what it sent is carried out unanswered
    qint64 lastActivity = 0;
    qint64 lineStart = -1;         // when the unfinished line began
    bool noticesDropped = false;   // notices for it are dropped until it has read what it was sent
};

CSwitchServer::CSwitchServer(CSwitch& sw, QObject* parent) : CSwitchServer(sw, SServerOptions{}, parent) {}

CSwitchServer::CSwitchServer(CSwitch& sw, const SServerOptions& options, QObject* parent)
    : QObject(parent), m_sw(sw), m_options(options) {
    if (options.tls) {
        auto tls = std::make_unique<QSslServer>();
        tls->setSslConfiguration(*options.tls);
        // A connection joins once its handshake is done; one that fails it
        // (a plain-text client) is dropped by the TLS server.
        connect(tls.get(), &QTcpServer::pendingConnectionAvailable, this, &CSwitchServer::OnConnection);
        // A failed handshake (or one not finished within a line's time)
        // leaves nothing behind.
        auto drop = [](QSslSocket* socket) {
            if (socket->isEncrypted()) return;
            socket->abort();
            socket->deleteLater();
        };
        connect(tls.get(), &QSslServer::errorOccurred, this, [drop](QSslSocket* socket) { drop(socket); });
        connect(tls.get(), &QSslServer::startedEncryptionHandshake, this, [this, drop](QSslSocket* socket) {
            QTimer::singleShot(m_options.lineMs, socket, [socket, drop] { drop(socket); });
        });
        m_server = std::move(tls);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    connect(m_server.get(), &QTcpServer::newConnection, this, &CSwitchServer::OnConnection);
    connect(&m_maintenance, &QTimer::timeout, this, &CSwitchServer::Maintain);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &CSwitchServer::Retry);
    m_maintenance.start(static_cast<int>(std::clamp<qint64>(std::min(options.idleMs, options.lineMs) / 4, 20, 1000)));
    m_pool = std::make_unique<CReaderPool>(m_sw, options.readers, [this](SessionId s, CSwitch::Reports r) {
        QMetaObject::invokeMethod(
            this, [this, s, r = std::move(r)]() mutable { OnAnswer(s, std::move(r)); }, Qt::QueuedConnection);
    });
    if (!m_pool->Threads()) m_pool.reset();
    // Each check holds 64 MiB while it runs: two at a time.
    m_verifiers = std::make_unique<QThreadPool>();
    m_verifiers->setMaxThreadCount(2);
}

CSwitchServer::~CSwitchServer() {
    // No answer may arrive from a reader thread or a check once this is gone.
    m_pool.reset();
    m_verifiers->waitForDone();
    // Connections close with the server; their signals must not reach it then.
    for (auto& [id, c] : m_connections) {
        if (!c->socket) continue;
        disconnect(c->socket, nullptr, this, nullptr);
        c->socket->abort();
    }
}

bool CSwitchServer::Listen(const QHostAddress& address, quint16 port, std::string& error) {
    // A room full of operators may connect at the same moment.
    m_server->setListenBacklogSize(1024);
    if (m_server->listen(address, port)) return true;
    error = m_server->errorString().toStdString();
    return false;
}

void CSwitchServer::SetTls(const QSslConfiguration& tls) {
    if (auto* server = qobject_cast<QSslServer*>(m_server.get())) {
        server->setSslConfiguration(tls);
        m_options.tls = tls;
    }
}

int CSwitchServer::Connections() const {
    return static_cast<int>(std::count_if(m_connections.begin(), m_connections.end(),
                                          [](const auto& c) { return !c.second->closed; }));
}

qint64 CSwitchServer::LargestUnsent() const {
    qint64 most = 0;
    for (const auto& [id, c] : m_connections)
        if (c->socket) most = std::max(most, c->socket->bytesToWrite());
    return most;
}

size_t CSwitchServer::Readers() const { return m_pool ? m_pool->Threads() : 0; }

void CSwitchServer::OnConnection() {
    while (QTcpSocket* s = m_server->nextPendingConnection()) {
        if (Connections() >= m_options.maxConnections) {
            // One report says why, then the connection closes; what it
            // sends meanwhile is not kept.
            s->setReadBufferSize(1024);
            for (const std::string& r : m_sw.RefuseConnection(m_options.maxConnections))
                s->write(r.data(), static_cast<qint64>(r.size()));
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            s->disconnectFromHost();
            continue;
        }
        auto c = std::make_unique<SConnection>();
        c->id = m_nextSession++;
        c->socket = s;
        c->lastActivity = NowMs();
        // Bytes beyond this wait in the network until the connection's turn.
        s->setReadBufferSize(kReadBuffer);
        // An answer's last segment must not wait for the peer's delayed ack.
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const SessionId id = c->id;
        m_connections[id] = std::move(c);
        m_sw.OpenSession(id, s->peerAddress().toString().toStdString());
        connect(s, &QTcpSocket::readyRead, this, [this, id] {
            SConnection& c = *m_connections.at(id);
            c.lastActivity = NowMs();
            Fill(c);
            MaybeReady(c);
        });
        connect(s, &QTcpSocket::bytesWritten, this, [this, id] {
            SConnection& c = *m_connections.at(id);
            c.lastActivity = NowMs();
            ResumeNotices(c);
            MaybeReady(c);
        });
        connect(s, &QTcpSocket::disconnected, this, [this, id] { OnClosed(id); });
    }
}

void CSwitchServer::Fill(SConnection& c) {
    while (!c.next) {
        if (c.unread.isEmpty()) {
            if (!c.socket || c.socket->bytesAvailable() <= 0) break;
            c.unread = c.socket->read(kChunk);
            if (c.unread.isEmpty()) break;
        }
        const qsizetype nl = c.unread.indexOf('\n');
        const QByteArray piece = nl < 0 ? c.unread : c.unread.left(nl);
        c.unread = nl < 0 ? QByteArray() : c.unread.mid(nl + 1);
        if (c.skipping) {
            if (nl >= 0) {
                c.next = SLine{std::move(c.tooLongStart), true};
                c.tooLongStart.clear();
                c.skipping = false;
            }
            continue;
        }
        c.partial += piece;
        if (static_cast<size_t>(c.partial.size()) > kMaxCommand) {
            // Never hold more than one command's worth of an endless line.
            if (nl >= 0) {
                c.next = SLine{c.partial.left(64), true};
            } else {
                c.skipping = true;
                c.tooLongStart = c.partial.left(64);
            }
            c.partial.clear();
            continue;
        }
        if (nl < 0) continue;
        QByteArray line = std::move(c.partial);
        c.partial.clear();
        if (line.endsWith('\r')) line.chop(1);  // the line break was CR LF
        if (!line.trimmed().isEmpty()) c.next = SLine{std::move(line), false};
    }
    // Only a line the peer has not finished is its delay, not one waiting here.
    if (!c.next && (!c.partial.isEmpty() || c.skipping)) {
        if (c.lineStart < 0) c.lineStart = NowMs();
    } else {
        c.lineStart = -1;
    }
}

void CSwitchServer::MaybeReady(SConnection& c) {
    if (c.busy || c.queued || !c.next) return;
    if (c.socket && c.socket->bytesToWrite() >= m_options.maxUnsent) return;  // served again as it drains
    m_ready.push_back(c.id);
    c.queued = true;
    ScheduleRun();
}

void CSwitchServer::ScheduleRun() {
    if (m_runScheduled) return;
    m_runScheduled = true;
    QMetaObject::invokeMethod(this, &CSwitchServer::Run, Qt::QueuedConnection);
}

void CSwitchServer::Run() {
    m_runScheduled = false;
    // One turn: one command of each connection that was waiting; then the
    // event loop takes in what the network brought meanwhile, so that a
    // connection that just sent joins the next turn.
    for (size_t turn = m_ready.size(); turn > 0 && !m_ready.empty(); --turn) {
        const SessionId id = m_ready.front();
        m_ready.pop_front();
        auto it = m_connections.find(id);
        if (it == m_connections.end()) continue;
        SConnection& c = *it->second;
        c.queued = false;
        if (c.busy || !c.next) continue;
        if (c.socket && c.socket->bytesToWrite() >= m_options.maxUnsent) continue;
        SLine line = std::move(*c.next);
        c.next.reset();
        if (line.tooLong) {
            Deliver(c, m_sw.RefuseTooLong(line.text.toStdString()));
            continue;
        }
        std::string text = line.text.toStdString();
        if (c.closed && CSwitch::IsRead(text)) {
            Deliver(c, {});  // a read nobody will see changes nothing
            continue;
        }
        if (m_sw.IsLongRead(text)) {
            if (m_pool) {
                c.busy = true;
                m_pool->Post(id, std::move(text));
                continue;
            }
        }
        if (VerifyAside(c, text)) continue;
        if (auto reports = m_sw.TryExecute(text, id)) {
            Answer(c, std::move(*reports));
            PassNotices();
        } else {
            Defer(c, std::move(text));
        }
    }
    if (!m_ready.empty()) ScheduleRun();
}

bool CSwitchServer::VerifyAside(SConnection& c, const std::string& command) {
    std::optional<CSwitch::SLoginCheck> check;
    try {
        check = m_sw.LoginCheck(command);
    } catch (const CStoreError&) {
        return false;  // answered as the store allows, on the event loop
    }
    if (!check) return false;
    c.busy = true;  // its later commands wait behind the login
    m_verifiers->start([this, id = c.id, command, check = std::move(*check)]() mutable {
        const bool match = VerifyPassword(check.hash, check.password);
        check.password.assign(check.password.size(), '\0');
        m_sw.SetLoginVerdict(id, check.hash, match);
        QMetaObject::invokeMethod(
            this, [this, id, command = std::move(command)]() mutable { OnVerified(id, std::move(command)); },
            Qt::QueuedConnection);
    });
    return true;
}

void CSwitchServer::OnVerified(SessionId session, std::string command) {
    auto it = m_connections.find(session);
    if (it == m_connections.end()) return;
    // A login of a connection that closed meanwhile still counts (and is logged).
    if (auto reports = m_sw.TryExecute(command, session))
        Answer(*it->second, std::move(*reports));
    else
        Defer(*it->second, std::move(command));
}

void CSwitchServer::Defer(SConnection& c, std::string command) {
    // Its later commands wait behind it; other connections go on.
    c.busy = true;
    m_deferred.push_back({c.id, std::move(command), NowMs() + m_sw.BusyTimeout()});
    if (!m_retry.isActive()) m_retry.start(kRetryMs);
}

void CSwitchServer::Retry() {
    for (size_t n = m_deferred.size(); n > 0; --n) {
        SDeferred d = std::move(m_deferred.front());
        m_deferred.pop_front();
        auto it = m_connections.find(d.session);
        if (it == m_connections.end()) continue;
        // A change of a connection that closed is still carried out.
        if (auto reports = m_sw.TryExecute(d.command, d.session)) {
            Answer(*it->second, std::move(*reports));
            PassNotices();
        } else if (NowMs() >= d.deadline)
            Deliver(*it->second, m_sw.RefuseBusy(d.command));
        else
            m_deferred.push_back(std::move(d));
    }
    if (!m_deferred.empty()) m_retry.start(kRetryMs);
}

void CSwitchServer::Deliver(SConnection& c, const CSwitch::Reports& reports) {
    c.busy = false;
    if (c.socket) {
        for (const std::string& r : reports) c.socket->write(r.data(), static_cast<qint64>(r.size()));
        c.lastActivity = NowMs();
    }
    Fill(c);
    if (c.closed && !c.next) return Forget(c.id);
    MaybeReady(c);
}

void CSwitchServer::PassNotices() {
    for (SNotice& n : m_sw.TakeNotices()) {
        auto it = m_connections.find(n.session);
        if (it == m_connections.end() || !it->second->socket || it->second->closed) continue;
        SConnection& c = *it->second;
        if (c.noticesDropped) continue;
        QTcpSocket& s = *c.socket;
        if (s.bytesToWrite() + static_cast<qint64>(n.text.size()) > m_options.maxNoticeUnsent) {
            // Said once; what it shows is read again once it has read this.
            c.noticesDropped = true;
            n.text = RefreshNoticeText();
        }
        s.write(n.text.data(), static_cast<qint64>(n.text.size()));
    }
}

void CSwitchServer::ResumeNotices(SConnection& c) {
    if (c.noticesDropped && c.socket && c.socket->bytesToWrite() <= m_options.maxNoticeUnsent / 2)
        c.noticesDropped = false;
}

void CSwitchServer::Answer(SConnection& c, CSwitch::Reports reports) {
    const SAnswerHint hint = m_sw.TakeAnswerHint(c.id);
    if (hint.delayMs > 0) {
        // The connection waits; the others are served meanwhile.
        c.busy = true;
        QTimer::singleShot(hint.delayMs, this, [this, id = c.id, reports = std::move(reports)] {
            if (auto it = m_connections.find(id); it != m_connections.end()) Deliver(*it->second, reports);
        });
        return;
    }
    if (!hint.close) return Deliver(c, reports);
    const SessionId id = c.id;
    Deliver(c, reports);
    // A client that closed right after its logout is forgotten by now.
    auto it = m_connections.find(id);
    if (it == m_connections.end()) return;
    SConnection& open = *it->second;
    // Nothing the client sent after its logout is carried out.
    open.next.reset();
    open.unread.clear();
    open.partial.clear();
    if (open.socket) {
        open.socket->readAll();
        open.socket->disconnectFromHost();
    }
}

void CSwitchServer::OnAnswer(SessionId session, CSwitch::Reports reports) {
    auto it = m_connections.find(session);
    if (it == m_connections.end()) {
        m_sw.CloseSession(session);  // a query the read may have opened has no owner
        return;
    }
    Deliver(*it->second, reports);
}

void CSwitchServer::OnClosed(SessionId session) {
    auto it = m_connections.find(session);
    if (it == m_connections.end() || it->second->closed) return;
    SConnection& c = *it->second;
    c.closed = true;
    m_sw.CloseSession(session);
    // A long read waiting for a reader thread would be answered to nobody.
    if (c.busy && m_pool && m_pool->Cancel(session)) c.busy = false;
    // What arrived before the peer went is still carried out, in order.
    c.unread += c.socket->readAll();
    disconnect(c.socket, nullptr, this, nullptr);
    c.socket->deleteLater();
    c.socket = nullptr;
    c.partial.clear();
    c.skipping = false;
    Fill(c);
    if (!c.busy && !c.next) return Forget(session);
    MaybeReady(c);
}

void CSwitchServer::Forget(SessionId session) {
    m_sw.CloseSession(session);
    m_sw.ForgetSession(session);
    auto it = m_connections.find(session);
    if (it == m_connections.end()) return;
    if (QTcpSocket* s = it->second->socket) {
        disconnect(s, nullptr, this, nullptr);
        s->abort();
        s->deleteLater();
    }
    m_connections.erase(it);
    m_trimDue = true;
}

void CSwitchServer::Maintain() {
    m_sw.ExpireQueries();
    if (m_trimDue) {
        // Answers that waited unread for connections now gone may have
        // taken hundreds of MB; the allocator would keep them otherwise.
        m_trimDue = false;
        malloc_trim(0);
    }
    const qint64 now = NowMs();
    std::vector<SessionId> stale;
    for (const auto& [id, c] : m_connections) {
        if (c->closed) continue;
        const bool idle = !c->busy && now - c->lastActivity > m_options.idleMs;
        const bool stuck = c->lineStart >= 0 && now - c->lineStart > m_options.lineMs;
        if (idle || stuck) stale.push_back(id);
    }
    // Closed by the switch: what they still sent is not carried out.
    for (SessionId id : stale) {
        SConnection& c = *m_connections.at(id);
        if (c.busy && m_pool && m_pool->Cancel(id)) c.busy = false;
        if (c.busy) {
            c.closed = true;
            c.next.reset();
            c.unread.clear();
            disconnect(c.socket, nullptr, this, nullptr);
            c.socket->abort();
            c.socket->deleteLater();
            c.socket = nullptr;
            m_sw.CloseSession(id);
        } else {
            Forget(id);
        }
    }
}

bool ParseListenAddress(const QString& text, QHostAddress& address, quint16& port) {
    QString host = QStringLiteral("127.0.0.1"), p = text;
    const qsizetype colon = text.lastIndexOf(':');
    if (colon >= 0) {
        if (colon > 0) host = text.left(colon);
        p = text.mid(colon + 1);
    }
    if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint value = p.toUInt(&ok);
    if (!ok || value > 65535 || !address.setAddress(host)) return false;
    port = static_cast<quint16>(value);
    return true;
}

bool MayListenOn(const QHostAddress& address, bool allowRemote, bool tls, bool insecure, std::string& message) {
    message.clear();
    if (address.isLoopback()) return true;
    const std::string where = address.toString().toStdString();
    if (!allowRemote) {
        message = "refusing to serve on " + where +
                  ": use a loopback address, or --allow-remote to serve other hosts";
        return false;
    }
    if (tls) return true;
    if (!insecure) {
        message = "refusing to serve on " + where +
                  " in plain text: passwords and data would cross the network readable by anyone on the way; "
                  "give --tls-cert and --tls-key, or --insecure to serve in plain text anyway";
        return false;
    }
    message = "warning: serving on " + where +
              " in plain text: passwords and data cross the network readable, and anyone on the way can "
              "take over a session";
    return true;
}

}  // namespace mmlsw
