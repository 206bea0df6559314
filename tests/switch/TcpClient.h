// A test client of the switch's TCP server: sends lines, collects reports.
#pragma once

#include <QTcpSocket>

#include <string>

template <class Socket>
struct BasicClient {
    Socket socket;
    QByteArray data;
    BasicClient() { QObject::connect(&socket, &QTcpSocket::readyRead, [this] { data += socket.readAll(); }); }
    // From now on nothing that arrives is taken: the socket buffers a little
    // and then the network holds the rest back.
    void StopReading() {
        QObject::disconnect(&socket, &QTcpSocket::readyRead, nullptr, nullptr);
        socket.setReadBufferSize(16 * 1024);
    }
    void Send(const QByteArray& line) { socket.write(line + "\n"); }
    int Reports() const { return static_cast<int>(data.count("---    END\n")); }
    // The n-th report.
    std::string Report(int n) const {
        qsizetype start = 0;
        for (int i = 0; i < n; ++i) start = data.indexOf("---    END\n", start) + 11;
        const qsizetype end = data.indexOf("---    END\n", start) + 11;
        return data.mid(start, end - start).toStdString();
    }
    // The value of "KEY = value" in the n-th report.
    std::string Field(int n, const std::string& key) const {
        const std::string r = Report(n);
        const size_t at = r.find("\n" + key + " = ");
        if (at == std::string::npos) return {};
        const size_t from = at + key.size() + 4;
        return r.substr(from, r.find('\n', from) - from);
    }
};

struct TcpClient : BasicClient<QTcpSocket> {
    explicit TcpClient(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }
};
