// The switch's sessions and who works at them.
#include "Sessions.h"

#include <pwd.h>
#include <unistd.h>

namespace mmlsw {

int RoleRank(const std::string& role) {
    if (role == kRoleGuest) return 0;
    if (role == kRoleOperator) return 1;
    if (role == kRoleAdmin) return 2;
    return -1;
}

const std::string& SystemUser() {
    static const std::string name = [] {
        const passwd* pw = getpwuid(getuid());
        return pw && pw->pw_name ? std::string(pw->pw_name) : "uid" + std::to_string(getuid());
    }();
    return name;
}

void CSessions::Open(SessionId session, const std::string& address) {
    std::lock_guard lock(m_mutex);
    SSessionIdentity& s = m_sessions[session];
    s = {};
    s.addr = address;
    s.mustLogIn = true;
}

void CSessions::Close(SessionId session) {
    std::lock_guard lock(m_mutex);
    m_sessions.erase(session);
    m_hints.erase(session);
    m_verdicts.erase(session);
}

SSessionIdentity CSessions::Get(SessionId session) const {
    std::lock_guard lock(m_mutex);
    if (auto it = m_sessions.find(session); it != m_sessions.end()) return it->second;
    SSessionIdentity local;
    local.op = SystemUser();
    local.role = kRoleAdmin;
    local.loggedIn = true;
    return local;
}

void CSessions::LogIn(SessionId session, const std::string& op, const std::string& role) {
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(session);
    if (it == m_sessions.end()) return;  // a local session stays the system user's
    it->second.op = op;
    it->second.role = role;
    it->second.loggedIn = true;
}

void CSessions::LogOut(SessionId session) {
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(session);
    if (it == m_sessions.end()) return;
    it->second.op.clear();
    it->second.role.clear();
    it->second.loggedIn = false;
}

void CSessions::SetHint(SessionId session, const SAnswerHint& hint) {
    std::lock_guard lock(m_mutex);
    m_hints[session] = hint;
}

void CSessions::SetVerdict(SessionId session, const SVerdict& verdict) {
    std::lock_guard lock(m_mutex);
    m_verdicts[session] = verdict;
}

std::optional<CSessions::SVerdict> CSessions::TakeVerdict(SessionId session) {
    std::lock_guard lock(m_mutex);
    auto it = m_verdicts.find(session);
    if (it == m_verdicts.end()) return std::nullopt;
    SVerdict v = std::move(it->second);
    m_verdicts.erase(it);
    return v;
}

SAnswerHint CSessions::TakeHint(SessionId session) {
    std::lock_guard lock(m_mutex);
    auto it = m_hints.find(session);
    if (it == m_hints.end()) return {};
    SAnswerHint h = it->second;
    m_hints.erase(it);
    return h;
}

}  // namespace mmlsw
