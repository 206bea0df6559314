// The embedded switch on its worker thread.
#include "EmbeddedSwitchLink.h"

#include <QFileInfo>
#include <QDir>
#include <QTimer>

#include <map>
#include <mutex>
#include <condition_variable>

#include "DemoData.h"
#include "LinkLogin.h"
#include "Switch.h"
#include "hostlibs/FrmDatabase.h"

namespace host {

// Owns the switch; every call runs on the worker thread.
class CSwitchWorker : public QObject {
public:
    CSwitchWorker() : m_sw(HostDatabase()) {}

    void Open(const std::string& path, mmlsw::SDemoSize demo) {
        std::string error;
        const bool fresh = path != ":memory:" && !QFileInfo::exists(QString::fromStdString(path));
        if (fresh) QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        bool ok = m_sw.Open(path, error);
        if (ok && (fresh || path == ":memory:" || !m_sw.HasRecords(308)))
            ok = mmlsw::SeedDemo(m_sw, demo, error);
        std::lock_guard lock(m_mutex);
        m_ready = true;
        m_error = ok ? "" : error;
        m_cv.notify_all();
    }
    bool IsReady() {
        std::lock_guard lock(m_mutex);
        return m_ready;
    }
    std::vector<std::string> Execute(const std::string& command, mmlsw::SessionId session = mmlsw::kDefaultSession) {
        std::vector<std::string> reports = m_sw.Execute(command, session);
        if (m_sw.HasUnfinishedSorts()) {
            // The rest of a sorted list's order is read once the commands
            // that follow its head at once (its first page) are answered.
            if (!m_idle) {
                m_idle = new QTimer(this);
                m_idle->setSingleShot(true);
                m_idle->setInterval(kIdleMs);
                connect(m_idle, &QTimer::timeout, this, [this] { m_sw.FinishSorts(); });
            }
            m_idle->start();
        }
        return reports;
    }
    std::vector<mmlsw::SNotice> TakeNotices() { return m_sw.TakeNotices(); }
    void CloseSession(mmlsw::SessionId session) { m_sw.CloseSession(session); }
    void SetQueryTtl(int64_t ms) { m_sw.SetQueryTtl(ms); }
    bool WaitReady(std::string& error) {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_ready; });
        error = m_error;
        return m_error.empty();
    }

private:
    static constexpr int kIdleMs = 150;
    mmlsw::CSwitch m_sw;
    QTimer* m_idle = nullptr;  // a child: lives on the worker thread
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_ready = false;
    std::string m_error;
};

// The switch and its thread, shared by the links on it; the links by
// their sessions, for the notices (touched on the links' thread only).
struct SEmbeddedSwitch {
    QThread thread;
    CSwitchWorker* worker = new CSwitchWorker;  // lives on thread, deleted when it ends
    std::map<mmlsw::SessionId, QPointer<CEmbeddedSwitchLink>> links;
    mmlsw::SessionId nextSession = mmlsw::kDefaultSession + 1;
    SEmbeddedSwitch() {
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
    }
    ~SEmbeddedSwitch() {
        thread.quit();
        thread.wait();
    }
};

CEmbeddedSwitchLink::CEmbeddedSwitchLink(const std::string& dbPath, long long demoSubscribers,
                                         QObject* parent)
    : CSwitchLink(parent), m_switch(std::make_shared<SEmbeddedSwitch>()), m_worker(m_switch->worker) {
    m_switch->links[m_session] = this;
    // The switch inside the client asks for no login: it takes the system
    // user for its operator, with every right.
    SetSession(SystemUserName(), QStringLiteral("admin"));
    CSwitchWorker* w = m_worker;
    // Progress and readiness are told on this object's thread.
    QPointer<CEmbeddedSwitchLink> self(this);
    mmlsw::SDemoSize demo{demoSubscribers};
    demo.progress = [self](int percent) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, percent] {
                if (self) emit self->SeedProgress(percent);
            },
            Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(
        w,
        [w, self, dbPath, demo] {
            w->Open(dbPath, demo);
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self) emit self->Ready();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

bool CEmbeddedSwitchLink::IsReady() const {
    return m_worker->IsReady();
}

CEmbeddedSwitchLink::CEmbeddedSwitchLink(CEmbeddedSwitchLink& sameSwitch, QObject* parent)
    : CSwitchLink(parent), m_switch(sameSwitch.m_switch), m_worker(m_switch->worker),
      m_session(m_switch->nextSession++) {
    m_switch->links[m_session] = this;
    SetSession(SystemUserName(), QStringLiteral("admin"));
}

CEmbeddedSwitchLink::~CEmbeddedSwitchLink() {
    m_switch->links.erase(m_session);
    // Its queries and subscriptions end with it; the switch may go on for others.
    CSwitchWorker* w = m_worker;
    const mmlsw::SessionId session = m_session;
    if (!m_switch->links.empty()) QMetaObject::invokeMethod(w, [w, session] { w->CloseSession(session); });
}

bool CEmbeddedSwitchLink::WaitReady(std::string& error) {
    const bool ok = m_worker->WaitReady(error);
    emit StateChanged(ok, ok ? Describe() : QString::fromStdString(error));
    return ok;
}

std::vector<std::string> CEmbeddedSwitchLink::ExecuteNow(const std::string& command) {
    std::vector<std::string> reports;
    CSwitchWorker* w = m_worker;
    QMetaObject::invokeMethod(w, [w, &reports, command] { reports = w->Execute(command); },
                              Qt::BlockingQueuedConnection);
    return reports;
}

void CEmbeddedSwitchLink::SetQueryTtl(qint64 ms) {
    CSwitchWorker* w = m_worker;
    QMetaObject::invokeMethod(w, [w, ms] { w->SetQueryTtl(ms); }, Qt::BlockingQueuedConnection);
}

void CEmbeddedSwitchLink::Send(QObject* window, const std::string& command) {
    AddPending(window, command);
    CSwitchWorker* w = m_worker;
    QPointer<CEmbeddedSwitchLink> self(this);
    std::weak_ptr<SEmbeddedSwitch> shared = m_switch;
    const mmlsw::SessionId session = m_session;
    QMetaObject::invokeMethod(
        w,
        [w, self, shared, session, command] {
            std::vector<std::string> reports = w->Execute(command, session);
            std::vector<mmlsw::SNotice> notices = w->TakeNotices();
            if (!self) return;
            // The answer first, then what the other links hear of it.
            QMetaObject::invokeMethod(
                self.data(),
                [self, shared, reports, notices] {
                    if (self) self->OnReports(reports);
                    auto sw = shared.lock();
                    if (!sw) return;
                    for (const mmlsw::SNotice& n : notices)
                        if (auto it = sw->links.find(n.session); it != sw->links.end() && it->second)
                            it->second->DeliverReport(n.text);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void CEmbeddedSwitchLink::OnReports(const std::vector<std::string>& reports) {
    for (const std::string& r : reports) DeliverReport(r);
}

}  // namespace host
