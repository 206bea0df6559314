// SIGTERM and SIGINT end the event loop instead of the process, so that the
// switch closes its store cleanly: the last transaction is in, the log is
// checkpointed into the database and removed.
#pragma once

#include <QObject>

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

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_received = 0;
};

}  // namespace mmlsw
