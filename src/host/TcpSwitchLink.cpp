// The TCP link to a switch.
#include "TcpSwitchLink.h"

namespace host {

namespace {
const QByteArray kEnd = "\n---    END";
constexpr qsizetype kMaxReport = 256 * 1024 * 1024;  // a peer that never ends a report is cut off
}  // namespace

CTcpSwitchLink::CTcpSwitchLink(QString host, quint16 port, QObject* parent)
    : CSwitchLink(parent), m_host(std::move(host)), m_port(port) {
    connect(&m_socket, &QTcpSocket::connected, this, &CTcpSwitchLink::OnConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &CTcpSwitchLink::OnReadable);
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { OnLost(m_socket.errorString()); });
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { OnLost(QStringLiteral("the switch closed the connection")); });
}

CTcpSwitchLink::~CTcpSwitchLink() {
    // The socket still talks while it closes; nobody here is listening any more.
    disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

void CTcpSwitchLink::Connect() {
    if (m_socket.state() != QAbstractSocket::UnconnectedState) return;
    m_buffer.clear();
    m_socket.connectToHost(m_host, m_port);
}

void CTcpSwitchLink::Send(QObject* window, const std::string& command) {
    std::string line = command;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';  // one command, one line
    AddPending(window, command);
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.write(QByteArray::fromStdString(line + "\n"));
    } else {
        m_unsent.push_back(line);
        Connect();
    }
}

void CTcpSwitchLink::OnConnected() {
    emit StateChanged(true, Describe());
    while (!m_unsent.empty()) {
        m_socket.write(QByteArray::fromStdString(m_unsent.front() + "\n"));
        m_unsent.pop_front();
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
        DeliverReport(report);
    }
    if (m_buffer.size() > kMaxReport) {
        m_socket.abort();
        OnLost(QStringLiteral("the switch sent a report without end"));
    }
}

void CTcpSwitchLink::OnLost(const QString& why) {
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
