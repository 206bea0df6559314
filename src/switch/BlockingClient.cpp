// The blocking client.
#include "BlockingClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace mmlsw {

namespace {

constexpr const char* kEnd = "\n---    END\n";

}  // namespace

CBlockingClient::~CBlockingClient() { Close(); }

void CBlockingClient::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
}

bool CBlockingClient::Connect(uint16_t port, std::string& error) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) return error = std::strerror(errno), false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        error = std::strerror(errno);
        Close();
        return false;
    }
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}

bool CBlockingClient::Send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(m_fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool CBlockingClient::Receive(std::string& report, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t searched = 0;
    for (;;) {
        const size_t end = m_buffer.find(kEnd, searched);
        if (end != std::string::npos) {
            const size_t cut = end + std::strlen(kEnd);
            report.assign(m_buffer, 0, cut);
            m_buffer.erase(0, cut);
            return true;
        }
        searched = m_buffer.size() >= 12 ? m_buffer.size() - 12 : 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (m_fd < 0 || left.count() <= 0) return false;
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char chunk[64 * 1024];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

std::string ReportField(const std::string& report, const std::string& key) {
    const std::string start = key + " = ";
    size_t at = report.find('\n' + start);
    if (at == std::string::npos) return {};
    at += 1 + start.size();
    return report.substr(at, report.find('\n', at) - at);
}

}  // namespace mmlsw
