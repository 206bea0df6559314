// The login a switch over TCP may ask for (docs/mml.md, Accounts and login):
// the command that logs in, what its answer says, and the return codes the
// link acts on. The password lives in memory only, for logging in again
// when the link comes back during the run.
#pragma once

#include <QString>

#include <optional>
#include <string>

namespace host {

inline constexpr int kRetLogInFirst = 1019;  // the command waits for a login
inline constexpr int kRetLoginFailed = 1020;
inline constexpr int kRetAccountLocked = 1021;

struct SSession {
    QString op;
    QString role;  // guest, operator or admin
};

// The name of the system user running the client: the operator of the
// embedded switch, with role admin.
QString SystemUserName();

// The password of a scripted run: USEROBJ_PASSWORD, else the first line of
// standard input.
QString ScriptPassword();

// Why a name and password cannot be sent, or empty when they can.
QString CheckCredentials(const QString& name, const QString& password);
// LGI: OP="name", PWD="secret";
std::string LoginCommand(const QString& name, const QString& password);
// The same with the password masked, as the switch echoes it.
std::string MaskedLoginCommand(const QString& name);

// Whether a report refuses its command for want of a login (1019).
bool AsksForLogin(const std::string& report);
// RETCODE of a report; -1 when it has none.
int ReportRetCode(const std::string& report);
// The report's result text ("Login failed: ...").
QString ReportResult(const std::string& report);
// The session a successful login's report names.
std::optional<SSession> ReadSession(const std::string& report);

}  // namespace host
