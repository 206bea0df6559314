// Threads that answer long reads (list heads, whole lists, live counts) on
// connections of their own, so that a scan over a million records never
// holds up the short commands the server answers meanwhile. Each thread owns
// a reader of the switch (CSwitch::OpenReader); commands are taken in the
// order they were posted. A sorted head is answered with its first records
// and its count; its thread reads the rest of the order right after the
// answer went out, before it takes another command.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Switch.h"

namespace mmlsw {

class CReaderPool {
public:
    // Called on a pool thread with the answer to a posted command.
    using Done = std::function<void(SessionId, CSwitch::Reports)>;

    // Opens up to `threads` readers of the switch's database; none for a
    // database in memory (Threads() is then 0).
    CReaderPool(const CSwitch& sw, int threads, Done done);
    // Finishes the commands being answered; the queued ones are dropped.
    ~CReaderPool();
    CReaderPool(const CReaderPool&) = delete;
    CReaderPool& operator=(const CReaderPool&) = delete;

    size_t Threads() const { return m_threads.size(); }
    void Post(SessionId session, std::string command);
    // Drops the commands of a session that were posted and not begun (its
    // connection closed: nobody would read the answers); how many.
    size_t Cancel(SessionId session);

private:
    void Work(CSwitch& reader);

    Done m_done;
    std::vector<std::unique_ptr<CSwitch>> m_readers;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<SessionId, std::string>> m_queue;
    bool m_stop = false;
};

}  // namespace mmlsw
