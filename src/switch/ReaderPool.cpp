// The threads of long reads.
#include "ReaderPool.h"

#include <pthread.h>

namespace mmlsw {

CReaderPool::CReaderPool(const CSwitch& sw, int threads, Done done) : m_done(std::move(done)) {
    for (int i = 0; i < threads; ++i) {
        std::string error;
        auto reader = sw.OpenReader(error);
        if (!reader) break;
        reader->AnswerHeadsFirst();
        m_readers.push_back(std::move(reader));
    }
    for (auto& r : m_readers) m_threads.emplace_back([this, reader = r.get()] { Work(*reader); });
}

CReaderPool::~CReaderPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads) t.join();
}

void CReaderPool::Post(SessionId session, std::string command) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace_back(session, std::move(command));
    }
    m_wake.notify_one();
}

size_t CReaderPool::Cancel(SessionId session) {
    std::lock_guard lock(m_mutex);
    const auto before = m_queue.size();
    std::erase_if(m_queue, [session](const auto& job) { return job.first == session; });
    return before - m_queue.size();
}

void CReaderPool::Work(CSwitch& reader) {
    // Named, so that tools that show threads tell the readers apart.
    pthread_setname_np(pthread_self(), "mmlsw-reader");
    for (;;) {
        std::pair<SessionId, std::string> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_done(job.first, reader.Execute(job.second, job.first));
        // The rest of the orders its head left unread, while its first
        // page is on its way and from the data the head saw.
        try {
            reader.FinishSorts();
        } catch (const CStoreError&) {
            // Their later pages say so.
        }
    }
}

}  // namespace mmlsw
