// A switch reached over TCP (docs/mml.md, TCP framing). Commands of this
// client go out one per line; reports come back in order. A dropped link
// kills every outstanding command and is reopened by the next one.
#pragma once

#include <QTcpSocket>

#include "SwitchLink.h"

namespace host {

class CTcpSwitchLink : public CSwitchLink {
    Q_OBJECT
public:
    CTcpSwitchLink(QString host, quint16 port, QObject* parent = nullptr);
    ~CTcpSwitchLink() override;
    void Send(QObject* window, const std::string& command) override;
    QString Describe() const override { return m_host + ":" + QString::number(m_port); }

private:
    void Connect();
    void OnConnected();
    void OnReadable();
    void OnLost(const QString& why);

    QString m_host;
    quint16 m_port;
    QTcpSocket m_socket;
    QByteArray m_buffer;
    std::deque<std::string> m_unsent;  // queued while connecting
};

}  // namespace host
