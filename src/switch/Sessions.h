// Who works at each session of the switch: the operator, the role and the
// client's address. Shared by a switch and its readers, so that a long read
// on a reader thread is checked against the same login.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "Queries.h"

namespace mmlsw {

inline constexpr const char* kRoleGuest = "guest";
inline constexpr const char* kRoleOperator = "operator";
inline constexpr const char* kRoleAdmin = "admin";
// 0 guest, 1 operator, 2 admin; -1 for no role.
int RoleRank(const std::string& role);

// The name of the system user running this program: the operator of the
// embedded switch and of the command-line options that work on the file.
const std::string& SystemUser();

struct SSessionIdentity {
    std::string op;            // empty until a login
    std::string role;
    std::string addr = "local";
    bool mustLogIn = false;    // a TCP session: it logs in while the store holds an account
    bool loggedIn = false;
};

// What the server does with the answer it just got for a session.
struct SAnswerHint {
    int64_t delayMs = 0;  // send it after this long (a failed login)
    bool close = false;   // close the connection after it (LGO)
};

class CSessions {
public:
    // A TCP client's session; it has no operator until it logs in.
    void Open(SessionId session, const std::string& address);
    void Close(SessionId session);
    // A session never opened is a local one: the system user, admin.
    SSessionIdentity Get(SessionId session) const;
    void LogIn(SessionId session, const std::string& op, const std::string& role);
    void LogOut(SessionId session);
    void SetHint(SessionId session, const SAnswerHint& hint);
    SAnswerHint TakeHint(SessionId session);
    // A login's password checked off the event loop against this hash.
    struct SVerdict {
        std::string hash;
        bool match = false;
    };
    void SetVerdict(SessionId session, const SVerdict& verdict);
    std::optional<SVerdict> TakeVerdict(SessionId session);

private:
    mutable std::mutex m_mutex;
    std::map<SessionId, SSessionIdentity> m_sessions;
    std::map<SessionId, SAnswerHint> m_hints;
    std::map<SessionId, SVerdict> m_verdicts;
};

}  // namespace mmlsw
