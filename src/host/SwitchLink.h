// The host's link to a switch. Commands go out tagged with the window that
// wants the report; reports come back to that window asynchronously, as a
// posted WM_USER+1004. When the link drops, every outstanding command comes
// back as a kill notice (WM_USER+1006) so that no window stays locked.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <string>

namespace host {

class CSwitchLink : public QObject {
    Q_OBJECT
public:
    explicit CSwitchLink(QObject* parent = nullptr);
    ~CSwitchLink() override = default;

    // Queues one command for the switch; the report goes to window. The
    // host's own commands (no window: subscriptions to notices) are
    // answered in their turn but are nothing the operator waits for: they
    // count in neither Outstanding nor LongestWait, and are never given up.
    virtual void Send(QObject* window, const std::string& command) = 0;
    // "embedded", "host:port"
    virtual QString Describe() const = 0;
    // Commands still waiting for their reports (given up ones are not).
    int Outstanding() const;
    // A command without an answer after this long is given up: its window
    // gets the kill notice. 0 waits for ever.
    void SetCommandTimeout(int ms);
    int CommandTimeout() const { return m_nTimeoutMs; }
    // Commands given up so far, by timeout, by the operator or by a dropped link.
    int KilledCommands() const { return m_nKilled; }
    // How long the longest-waiting outstanding command has waited (ms),
    // with its text; -1 when nothing is outstanding.
    qint64 LongestWait(std::string* command = nullptr) const;
    // The operator stops waiting: every outstanding command that has waited
    // at least minWaitMs is given up as an overdue one is (its window gets
    // the kill notice, a late report is dropped). Returns how many.
    int StopWaiting(qint64 minWaitMs = 0);
    // Whom the switch takes this client for, and the role it gave: set
    // once logged in (the embedded switch: the system user, admin); empty
    // while a switch that asks for no login is used.
    const QString& OperatorName() const { return m_strOperator; }
    const QString& Role() const { return m_strRole; }

signals:
    void StateChanged(bool connected, const QString& text);
    void OutstandingChanged(int count);
    // The link dropped while commands were outstanding; they were killed.
    void LinkLost(const QString& why);
    // The switch did not answer a command in time; it was killed.
    void CommandTimedOut(const QString& command);
    // The switch told of a change another session made (docs/mml.md,
    // Notices): a block that answers no command.
    void NoticeArrived(const std::string& text);
    // Logged in (or out: both empty).
    void SessionChanged(const QString& op, const QString& role);

protected:
    struct Pending {
        QPointer<QObject> window;
        std::string command;
        qint64 sentAt = 0;
        // Given up: it keeps its place, so that a late report is matched
        // with it and dropped rather than handed to the next command.
        bool killed = false;
        bool own = false;  // the host's own, sent for no window
        // Sent before the operator declined to log in: a refusal for want
        // of a login gives it up instead of asking again.
        bool loginDeclined = false;
    };
    // Queues a command as sent now.
    void AddPending(QObject* window, const std::string& command);
    // Hands a report to the oldest outstanding command's window; a report
    // marked to continue keeps the command outstanding. A notice answers
    // no command: it is told as NoticeArrived.
    void DeliverReport(const std::string& report);
    // Every outstanding command becomes a kill notice to its window.
    void KillAll();
    // A command that never went out is given up: its window gets the kill notice.
    void GiveUp(QObject* window, const std::string& command);
    void SetSession(const QString& op, const QString& role);
    std::deque<Pending> m_pending;

private:
    void KillOverdue();
    void Kill(Pending& p);
    QElapsedTimer m_clock;
    QTimer m_watch;
    int m_nTimeoutMs = 0;
    int m_nKilled = 0;
    QString m_strOperator, m_strRole;
};

// Posts WM_USER+1004 (report) or WM_USER+1006 (kill) with the text to the
// window; the text lives until the window has handled it.
void PostText(QObject* window, unsigned message, const std::string& text);

// True when a report says more reports for its command follow.
bool ReportContinues(const std::string& report);

}  // namespace host
