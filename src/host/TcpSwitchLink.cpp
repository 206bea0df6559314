// The TCP link to a switch: framing, TLS, and the login the switch may ask for.
#include "TcpSwitchLink.h"

#include <QMetaObject>
#include <QSslConfiguration>

#include <algorithm>
#include <cstring>
#include <utility>

#include "Notices.h"
#include "StartWindows.h"

namespace host {

namespace {
const QByteArray kEnd = "\n---    END";
constexpr qsizetype kMaxReport = 256 * 1024 * 1024;  // a peer that never ends a report is cut off
constexpr const char* kTlsScheme = "tls://";
constexpr int kLogoutMs = 300;  // the most a close waits for the logout to leave
// Tries to connect again after a logged-in link dropped: soon, then less and less often.
constexpr int kFirstReconnectMs = 250;
constexpr int kMostReconnectMs = 8000;

std::string OneLine(std::string line) {
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';  // one command, one line
    return line;
}
}  // namespace

bool ParseSwitchAddress(const QString& text, STcpTarget& out, QString& error) {
    QString rest = text;
    out.tls = rest.startsWith(QLatin1String(kTlsScheme), Qt::CaseInsensitive);
    if (out.tls) rest = rest.mid(static_cast<qsizetype>(std::strlen(kTlsScheme)));
    const qsizetype colon = rest.lastIndexOf(':');
    bool ok = false;
    const uint port = colon > 0 ? rest.mid(colon + 1).toUInt(&ok) : 0;
    if (!ok || port == 0 || port > 65535) {
        error = QStringLiteral("--switch takes HOST:PORT or tls://HOST:PORT");
        return false;
    }
    out.host = rest.left(colon);
    // [::1]:7000 names an IPv6 address.
    if (out.host.startsWith('[') && out.host.endsWith(']')) out.host = out.host.mid(1, out.host.size() - 2);
    out.port = static_cast<quint16>(port);
    return true;
}

CTcpSwitchLink::CTcpSwitchLink(QString host, quint16 port, QObject* parent)
    : CTcpSwitchLink(STcpTarget{std::move(host), port, false, {}}, parent) {}

CTcpSwitchLink::CTcpSwitchLink(STcpTarget target, QObject* parent)
    : CSwitchLink(parent), m_target(std::move(target)), m_known(DefaultWindowsFile()) {
    connect(&m_socket, &QSslSocket::connected, this, &CTcpSwitchLink::OnConnected);
    connect(&m_socket, &QSslSocket::encrypted, this, &CTcpSwitchLink::OnEncrypted);
    connect(&m_socket, &QSslSocket::sslErrors, this, &CTcpSwitchLink::OnSslErrors);
    connect(&m_socket, &QSslSocket::readyRead, this, &CTcpSwitchLink::OnReadable);
    connect(&m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_bAskingTrust) return;  // closed on purpose while the operator decides
        QString why = std::exchange(m_strTrustProblem, {});
        if (why.isEmpty()) why = m_socket.errorString();
        if (m_target.tls && !m_socket.isEncrypted() && m_socket.error() == QAbstractSocket::SslHandshakeFailedError &&
            !why.contains(QLatin1String("certificate")))
            why += QStringLiteral(" (the TLS handshake failed: is the switch at %1 a plain TCP switch? Then "
                                  "give --switch %1)")
                       .arg(m_target.host + ":" + QString::number(m_target.port));
        m_bErrorTold = true;
        OnLost(why);
    });
    // After an error the socket also says it closed: the error told more.
    connect(&m_socket, &QSslSocket::disconnected, this, [this] {
        if (!m_bErrorTold && !m_bAskingTrust) OnLost(QStringLiteral("the switch closed the connection"));
    });
    m_handshake.setSingleShot(true);
    connect(&m_handshake, &QTimer::timeout, this, [this] {
        m_socket.abort();
        OnLost(QStringLiteral("no TLS handshake from the switch within %1 s: is it a plain TCP switch? Then give "
                              "--switch %2")
                   .arg(m_nHandshakeMs / 1000)
                   .arg(m_target.host + ":" + QString::number(m_target.port)));
    });
    m_reconnect.setSingleShot(true);
    connect(&m_reconnect, &QTimer::timeout, this, [this] {
        if (m_login == Login::None && !m_strPassword.isEmpty()) Connect();
    });
    // A login the switch does not answer in time ends the link as a
    // silent switch does; the commands waiting for it are given up.
    connect(this, &CSwitchLink::CommandTimedOut, this, [this](const QString& command) {
        if (m_login != Login::Sending || command.toStdString() != MaskedLoginCommand(m_strName)) return;
        m_socket.abort();
        OnLost(QStringLiteral("the switch did not answer the login"));
    });
}

CTcpSwitchLink::~CTcpSwitchLink() {
    // The socket still talks while it closes; nobody here is listening any more.
    disconnect(&m_socket, nullptr, this, nullptr);
    m_reconnect.stop();
    LogOut();
    m_socket.abort();
}

void CTcpSwitchLink::LogOut() {
    if (m_login != Login::In || !Ready()) return;
    m_login = Login::None;
    // Best effort: the switch answers and closes its end; the answer is not
    // awaited, and a switch that does not take the line in a moment does
    // not hold the client up.
    m_socket.readAll();  // unread input would make the close a reset that drops the logout
    m_socket.write(QByteArrayLiteral("LGO:;\n"));
    m_socket.waitForBytesWritten(kLogoutMs);
}

void CTcpSwitchLink::Close() {
    m_handshake.stop();
    m_reconnect.stop();
    m_bRenew = false;
    m_nReconnectMs = 0;
    LogOut();
    if (m_login != Login::None) {
        m_login = Login::None;
        GiveUpWaiting();  // a login under way is not finished
    }
    m_socket.abort();
    m_unsent.clear();
    m_buffer.clear();
    if (!m_pending.empty()) KillAll();  // no answer comes on a closed link
}

QString CTcpSwitchLink::Describe() const {
    return (m_target.tls ? QString::fromLatin1(kTlsScheme) : QString()) + m_target.host + ":" +
           QString::number(m_target.port);
}

bool CTcpSwitchLink::Ready() const {
    return m_socket.state() == QAbstractSocket::ConnectedState && (!m_target.tls || m_socket.isEncrypted());
}

void CTcpSwitchLink::Connect() {
    if (m_socket.state() != QAbstractSocket::UnconnectedState || m_bAskingTrust) return;
    m_buffer.clear();
    m_strTrustProblem.clear();
    m_bErrorTold = false;
    if (!m_target.tls) {
        m_socket.connectToHost(m_target.host, m_target.port);
        return;
    }
    if (!QSslSocket::supportsSsl()) {
        OnLost(QStringLiteral("this client cannot speak TLS here (no TLS library found)"));
        return;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!m_target.caFile.isEmpty()) {
        const QList<QSslCertificate> authority = QSslCertificate::fromPath(m_target.caFile, QSsl::Pem);
        if (authority.isEmpty()) {
            OnLost(QStringLiteral("%1 holds no certificate (PEM) to verify the switch with").arg(m_target.caFile));
            return;
        }
        config.setCaCertificates(authority);
    }
    m_socket.setSslConfiguration(config);
    m_socket.connectToHostEncrypted(m_target.host, m_target.port);
}

void CTcpSwitchLink::Send(QObject* window, const std::string& command) {
    // While the login is under way, commands wait for it.
    if (m_login == Login::Asking || m_login == Login::Sending) {
        m_held.push_back({window, command, window == nullptr});
        return;
    }
    Write(window, command, OneLine(command));
}

void CTcpSwitchLink::Write(QObject* window, const std::string& command, const std::string& line) {
    AddPending(window, command);
    if (Ready()) {
        m_socket.write(QByteArray::fromStdString(line + "\n"));
    } else {
        m_unsent.push_back(line);
        Connect();
    }
}

void CTcpSwitchLink::OnConnected() {
    if (m_target.tls) {
        // The handshake follows; a peer that never answers it is given up.
        if (m_nHandshakeMs > 0) m_handshake.start(m_nHandshakeMs);
        return;
    }
    OnEncrypted();
}

void CTcpSwitchLink::OnEncrypted() {
    m_handshake.stop();
    emit StateChanged(true, Describe());
    while (!m_unsent.empty()) {
        m_socket.write(QByteArray::fromStdString(m_unsent.front() + "\n"));
        m_unsent.pop_front();
    }
    // Back after a drop: the login comes first, unasked (what went out
    // before it is refused and waits for it).
    if (m_bRenew && m_login == Login::None && !m_strPassword.isEmpty()) SendLogin();
}

void CTcpSwitchLink::OnSslErrors(const QList<QSslError>& errors) {
    QStringList words;
    for (const QSslError& e : errors) words << e.errorString();
    const QString address = m_target.host + ":" + QString::number(m_target.port);
    const QSslCertificate certificate = m_socket.peerCertificate();
    if (m_askTrust && m_target.caFile.isEmpty() && !certificate.isNull() && !m_known.Known(address)) {
        // A certificate seen for the first time is put to the operator with
        // the connection closed: the switch does not wait for a handshake
        // while the operator reads. Accepted, it is known the next time.
        m_handshake.stop();
        m_bAskingTrust = true;
        m_socket.abort();
        QMetaObject::invokeMethod(
            this,
            [this, address, certificate, errors = words.join(QStringLiteral("; "))] {
                const STlsTrust trust = DecideTrust(address, certificate, errors, false, m_known, m_askTrust);
                m_bAskingTrust = false;
                if (trust.verdict == STlsTrust::Trusted)
                    Connect();
                else
                    OnLost(trust.why);
            },
            Qt::QueuedConnection);
        return;
    }
    m_handshake.stop();
    const STlsTrust trust = DecideTrust(address, certificate, words.join(QStringLiteral("; ")),
                                        !m_target.caFile.isEmpty(), m_known, m_askTrust);
    if (trust.verdict == STlsTrust::Trusted) {
        m_socket.ignoreSslErrors();
        if (m_nHandshakeMs > 0 && !m_socket.isEncrypted()) m_handshake.start(m_nHandshakeMs);
    } else {
        m_strTrustProblem = trust.why;
    }
}

void CTcpSwitchLink::OnReadable() {
    m_buffer += m_socket.readAll();
    for (;;) {
        const qsizetype end = m_buffer.indexOf(kEnd);
        if (end < 0) break;
        qsizetype stop = m_buffer.indexOf('\n', end + kEnd.size());
        if (stop < 0) break;  // the end line is not complete yet
        const std::string report = m_buffer.left(stop + 1).toStdString();
        m_buffer.remove(0, stop + 1);
        if (!TakeReport(report)) DeliverReport(report);
    }
    if (m_buffer.size() > kMaxReport) {
        m_socket.abort();
        OnLost(QStringLiteral("the switch sent a report without end"));
    }
}

bool CTcpSwitchLink::TakeReport(const std::string& report) {
    if (m_pending.empty() || m_pending.front().killed || mmlsw::IsNoticeText(report)) return false;
    Pending& front = m_pending.front();
    if (front.window.data() == this) {
        m_pending.pop_front();
        emit OutstandingChanged(Outstanding());
        OnLoginAnswer(report);
        return true;
    }
    if (!AsksForLogin(report)) return false;
    if (front.loginDeclined) {
        // On its way when the operator declined to log in: given up, not
        // asked about again.
        const Pending p = std::move(front);
        m_pending.pop_front();
        emit OutstandingChanged(Outstanding());
        if (!p.own) GiveUp(p.window.data(), p.command);
        return true;
    }
    m_retry.push_back({front.window, front.command, front.own});
    m_pending.pop_front();
    emit OutstandingChanged(Outstanding());
    if (m_login == Login::None || m_login == Login::In) {
        if (!m_strPassword.isEmpty()) {
            SendLogin();
        } else {
            m_login = Login::Asking;
            // Asked once this report is done: the question may run an event loop.
            QMetaObject::invokeMethod(this, [this] { emit LoginNeeded({}); }, Qt::QueuedConnection);
        }
    }
    return true;
}

void CTcpSwitchLink::OnLoginAnswer(const std::string& report) {
    if (const std::optional<SSession> session = ReadSession(report)) {
        m_login = Login::In;
        m_nReconnectMs = 0;
        SetSession(session->op, session->role);
        ReleaseWaiting();
        if (std::exchange(m_bRenew, false)) emit SessionRenewed();
        return;
    }
    m_strPassword.clear();
    m_login = Login::Asking;
    QString problem = ReportResult(report);
    if (problem.isEmpty())
        problem = QStringLiteral("The switch refused the login (return code %1).").arg(ReportRetCode(report));
    QMetaObject::invokeMethod(this, [this, problem] { emit LoginNeeded(problem); }, Qt::QueuedConnection);
}

void CTcpSwitchLink::SendLogin() {
    m_login = Login::Sending;
    // Its report comes back to the link itself; what stands in the list of
    // outstanding commands (and in any notice about it) has no password.
    Write(this, MaskedLoginCommand(m_strName), LoginCommand(m_strName, m_strPassword));
}

void CTcpSwitchLink::LogIn(const QString& name, const QString& password) {
    m_strName = name;
    m_strPassword = password;
    if (m_login != Login::Sending) SendLogin();
}

void CTcpSwitchLink::SetCredentials(const QString& name, const QString& password) {
    m_strName = name;
    m_strPassword = password;
}

void CTcpSwitchLink::CancelLogin() {
    for (Pending& p : m_pending) p.loginDeclined = true;
    m_strPassword.clear();
    m_login = Login::None;
    GiveUpWaiting();
}

void CTcpSwitchLink::ReleaseWaiting() {
    std::deque<Waiting> all = std::exchange(m_retry, {});
    for (Waiting& w : std::exchange(m_held, {})) all.push_back(std::move(w));
    for (const Waiting& w : all)
        if (w.window || w.own) Write(w.window.data(), w.command, OneLine(w.command));
}

void CTcpSwitchLink::GiveUpWaiting() {
    std::deque<Waiting> all = std::exchange(m_retry, {});
    for (Waiting& w : std::exchange(m_held, {})) all.push_back(std::move(w));
    for (const Waiting& w : all)
        if (!w.own) GiveUp(w.window.data(), w.command);
}

void CTcpSwitchLink::ScheduleReconnect() {
    if (!m_bRenew || m_strPassword.isEmpty() || m_reconnect.isActive()) return;
    m_nReconnectMs = m_nReconnectMs == 0 ? kFirstReconnectMs : std::min(m_nReconnectMs * 2, kMostReconnectMs);
    m_reconnect.start(m_nReconnectMs);
}

void CTcpSwitchLink::OnLost(const QString& why) {
    m_handshake.stop();
    // A login cut off gives up what waited for it (the next command asks
    // again); a login the operator is still answering keeps it waiting.
    if (m_login == Login::Sending) {
        m_login = Login::None;
        GiveUpWaiting();
    } else if (m_login == Login::In) {
        m_login = Login::None;  // the next connection logs in again
        m_bRenew = true;
    }
    ScheduleReconnect();
    if (m_pending.empty() && m_unsent.empty() && m_socket.state() == QAbstractSocket::UnconnectedState &&
        m_buffer.isEmpty()) {
        emit StateChanged(false, QStringLiteral("%1: %2").arg(Describe(), why));
        return;
    }
    m_unsent.clear();
    m_buffer.clear();
    const bool killed = Outstanding() > 0;
    KillAll();
    const QString text = QStringLiteral("%1: %2").arg(Describe(), why);
    emit StateChanged(false, text);
    if (killed) emit LinkLost(text);
}

}  // namespace host
