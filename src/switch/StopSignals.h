// SIGTERM and SIGINT end the event loop instead of the process, so that the
// switch closes its store cleanly: the last transaction is in, the log is
// checkpointed into the database and removed. SIGHUP, when asked for,
// reloads what the switch reads from files.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace mmlsw {

class CStopSignals : public QObject {
public:
    // Until destroyed, either signal quits the application's event loop.
    explicit CStopSignals(QObject* parent = nullptr);
    ~CStopSignals() override;
    // The signal that arrived, 0 if none.
    int Received() const { return m_received; }
    // From now on SIGHUP calls this on the event loop (and stops nothing).
    void OnHangUp(std::function<void()> reload);

private:
    std::function<void()> m_reload;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_received = 0;
};

}  // namespace mmlsw
