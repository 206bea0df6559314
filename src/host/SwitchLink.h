// The host's link to a switch. Commands go out tagged with the window that
// wants the report; reports come back to that window asynchronously, as a
// posted WM_USER+1004. When the link drops, every outstanding command comes
// back as a kill notice (WM_USER+1006) so that no window stays locked.
#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <string>

namespace host {

class CSwitchLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~CSwitchLink() override = default;

    // Queues one command for the switch; the report goes to window.
    virtual void Send(QObject* window, const std::string& command) = 0;
    // "embedded", "host:port"
    virtual QString Describe() const = 0;
    int Outstanding() const { return static_cast<int>(m_pending.size()); }

signals:
    void StateChanged(bool connected, const QString& text);
    void OutstandingChanged(int count);
    // The link dropped while commands were outstanding; they were killed.
    void LinkLost(const QString& why);

protected:
    struct Pending {
        QPointer<QObject> window;
        std::string command;
    };
    // Hands a report to the oldest outstanding command's window; a report
    // marked to continue keeps the command outstanding.
    void DeliverReport(const std::string& report);
    // Every outstanding command becomes a kill notice to its window.
    void KillAll();
    std::deque<Pending> m_pending;
};

// Posts WM_USER+1004 (report) or WM_USER+1006 (kill) with the text to the
// window; the text lives until the window has handled it.
void PostText(QObject* window, unsigned message, const std::string& text);

// True when a report says more reports for its command follow.
bool ReportContinues(const std::string& report);

}  // namespace host
