// A switch reached over TCP (docs/mml.md, TCP framing), in plain text or
// inside TLS. Commands of this client go out one per line; reports come
// back in order. A dropped link kills every outstanding command and is
// reopened by the next one.
//
// A switch that holds accounts refuses commands until the client logs in
// (1019). Such a command is not lost: it waits, with every command sent
// meanwhile, until the login is done and then goes out again. The link asks
// for a name and password with LoginNeeded the first time and after a
// failed try; once logged in it keeps them for the run. When a logged-in link
// drops, it connects again by itself (at growing intervals) and logs in
// again; SessionRenewed then tells that the switch forgot every query of
// this client. It logs out when it is closed.
#pragma once

#include <QSslSocket>
#include <QTimer>

#include "LinkLogin.h"
#include "SwitchLink.h"
#include "TlsTrust.h"

namespace host {

// Where a switch is: "HOST:PORT" (plain TCP) or "tls://HOST:PORT".
struct STcpTarget {
    QString host;
    quint16 port = 0;
    bool tls = false;
    QString caFile;  // authority certificates to verify with instead of the system's store
};
// False with the reason when the text names no switch.
bool ParseSwitchAddress(const QString& text, STcpTarget& out, QString& error);

class CTcpSwitchLink : public CSwitchLink {
    Q_OBJECT
public:
    CTcpSwitchLink(QString host, quint16 port, QObject* parent = nullptr);
    CTcpSwitchLink(STcpTarget target, QObject* parent = nullptr);
    ~CTcpSwitchLink() override;
    void Send(QObject* window, const std::string& command) override;
    QString Describe() const override;

    // TLS: where accepted fingerprints are kept (default: the client's
    // settings), who is asked about an unknown certificate (nobody: it is
    // refused), how long a handshake may take.
    void SetKnownSwitches(CKnownSwitches known) { m_known = std::move(known); }
    void SetTrustQuestion(TrustQuestion ask) { m_askTrust = std::move(ask); }
    void SetHandshakeTimeout(int ms) { m_nHandshakeMs = ms; }

    // The answer to LoginNeeded: log in with these, or give up the
    // commands that wait for a login (their windows get kill notices).
    void LogIn(const QString& name, const QString& password);
    void CancelLogin();
    // Known before the switch asks (scripts): used at its first 1019.
    void SetCredentials(const QString& name, const QString& password);
    // Commands waiting for a login.
    int WaitingForLogin() const { return static_cast<int>(m_retry.size() + m_held.size()); }
    bool LoginAsked() const { return m_login == Login::Asking; }
    // Closes the link on purpose: a logged-in link logs out first (LGO),
    // waiting a moment at most for it to leave; outstanding commands are
    // given up. The next command connects and logs in again. The link logs
    // out the same way when it goes (the client's end).
    void Close();

signals:
    // The switch wants a login and the link has no password that works.
    // problem: empty the first time, else the switch's word on the last try.
    void LoginNeeded(const QString& problem);
    // Logged in again after the link dropped: the switch's queries of the
    // earlier session are gone.
    void SessionRenewed();

private:
    enum class Login { None, Asking, Sending, In };
    void Connect();
    void OnConnected();
    void OnEncrypted();
    void OnSslErrors(const QList<QSslError>& errors);
    void OnReadable();
    void OnLost(const QString& why);
    void Write(QObject* window, const std::string& command, const std::string& line);
    // A report of the oldest outstanding command: true when the link took
    // it (the login's answer, or a refusal for want of a login).
    bool TakeReport(const std::string& report);
    void OnLoginAnswer(const std::string& report);
    void SendLogin();
    void ReleaseWaiting();
    void GiveUpWaiting();
    // After a logged-in link dropped: the next try to connect and log in again.
    void ScheduleReconnect();
    // A logged-in link says LGO, waiting a moment at most for it to leave.
    void LogOut();
    bool Ready() const;

    STcpTarget m_target;
    QSslSocket m_socket;
    QByteArray m_buffer;
    std::deque<std::string> m_unsent;  // queued while connecting
    QTimer m_handshake;
    int m_nHandshakeMs = 15000;
    CKnownSwitches m_known;
    TrustQuestion m_askTrust;
    QString m_strTrustProblem;  // why the last handshake was refused
    bool m_bErrorTold = false;  // the connection's end was told with its error
    bool m_bAskingTrust = false;  // the operator is asked about a certificate: commands wait

    Login m_login = Login::None;
    QString m_strName, m_strPassword;  // the password: in memory only, for this run
    struct Waiting {
        QPointer<QObject> window;
        std::string command;
        bool own = false;  // the host's own (a subscription), sent for no window
    };
    std::deque<Waiting> m_retry;  // refused for want of a login, in the order sent
    std::deque<Waiting> m_held;   // sent by windows while the login was under way
    bool m_bRenew = false;        // a session was lost: the next login renews it
    QTimer m_reconnect;
    int m_nReconnectMs = 0;       // the wait before the next try; 0: none made yet
};

}  // namespace host
