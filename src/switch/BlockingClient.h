// A plain blocking client of the switch's TCP framing (docs/mml.md): one
// command per line out, reports up to their END line back. For load tests
// and tests that must not share the server's event loop.
#pragma once

#include <cstdint>
#include <string>

namespace mmlsw {

class CBlockingClient {
public:
    CBlockingClient() = default;
    ~CBlockingClient();
    CBlockingClient(const CBlockingClient&) = delete;
    CBlockingClient& operator=(const CBlockingClient&) = delete;

    // Connects to 127.0.0.1; false with a reason.
    bool Connect(uint16_t port, std::string& error);
    // Sends the text as it is (a caller's lines end in '\n'); false when the
    // connection is gone.
    bool Send(const std::string& text);
    // The next whole report; false on timeout or when the connection ends.
    bool Receive(std::string& report, int timeoutMs = 30000);
    void Close();

private:
    int m_fd = -1;
    std::string m_buffer;
};

// The value of "KEY = value" in a report; empty when it has none.
std::string ReportField(const std::string& report, const std::string& key);

}  // namespace mmlsw
