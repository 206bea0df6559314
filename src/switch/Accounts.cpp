// The switch's operators: their accounts (ADD/MOD/RMV OP), logins and
// logouts (LGI, LGO), failed logins and locked names, and what each role may
// run. Passwords are kept only as hashes (PasswordHash.h).
#include <chrono>

#include "CatalogueHelpers.h"
#include "PasswordHash.h"
#include "Secrets.h"
#include "Switch.h"
#include "TextHelpers.h"
#include "Values.h"
#include "hostlibs/ReportWriter.h"

namespace mmlsw {

namespace {

// Lock times outlive the program: they are wall-clock times.
int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool ValidName(std::string_view name) {
    if (name.empty() || name.size() > 32) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-')) return false;
    return true;
}

// A password an MML command can carry: 8 to 128 characters, no quote and no
// control character.
bool ValidPassword(std::string_view pwd, std::string& why) {
    if (pwd.size() < 8 || pwd.size() > 128) return why = "(PWD: 8 to 128 characters)", false;
    for (char c : pwd)
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return why = "(PWD: no quote and no control character)", false;
    return true;
}

std::string Lower(std::string_view s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const std::string kOpTable = CSwitch::Table(kOperatorType);

}  // namespace

void CSwitch::CreateAccountTables() {
    // Failed logins by name, known or not, so that a lock says nothing about
    // whether a name exists.
    m_db.Exec("CREATE TABLE IF NOT EXISTS login_failures (name TEXT PRIMARY KEY, failures INTEGER NOT NULL, "
              "last_ms INTEGER NOT NULL, locked_until INTEGER NOT NULL DEFAULT 0)");
}

void CSwitch::OpenSession(SessionId session, const std::string& address) { Sessions().Open(session, address); }
void CSwitch::ForgetSession(SessionId session) { Sessions().Close(session); }
SAnswerHint CSwitch::TakeAnswerHint(SessionId session) { return Sessions().TakeHint(session); }

bool CSwitch::HasAccounts() {
    auto s = m_db.Prepared("SELECT 1 FROM " + kOpTable + " LIMIT 1");
    return s->Step();
}

SSessionIdentity CSwitch::Who(SessionId session) {
    SSessionIdentity who = Sessions().Get(session);
    if (who.mustLogIn && !who.loggedIn && !HasAccounts()) {
        // An open switch: nobody can log in, so the one who runs it answers
        // for what its clients do.
        who.op = SystemUser();
        who.role = kRoleAdmin;
        who.loggedIn = true;
    }
    return who;
}

int CSwitch::Permission(const SMmlCommand& cmd, const SSessionIdentity& who) const {
    if (!who.loggedIn) return RC_LOG_IN;
    const SComObj* obj = m_cat.FindByMml(cmd.object);
    const int rank = RoleRank(who.role);
    if (obj && obj->type == kOperatorType) return rank >= 2 ? RC_OK : RC_ROLE;
    if (IsRead(cmd.Word() + ":")) return rank >= 0 ? RC_OK : RC_ROLE;
    return rank >= 1 ? RC_OK : RC_ROLE;
}

bool CSwitch::LoginParams(std::string_view command, SMmlCommand& cmd, std::string& name, Failure& fail) {
    // LGI and LGO name no object: read as if they named one.
    const size_t colon = command.find(':');
    const std::string verb = MmlCommandWord(command);
    std::string error;
    if (colon == std::string::npos ||
        !ParseMml(verb + " SESSION" + std::string(command.substr(colon)), cmd, error, ShownValue))
        return fail = {RC_SYNTAX, "(" + error + ")"}, false;
    cmd.object.clear();
    const bool login = verb == "LGI";
    for (const SMmlParam& p : cmd.params)
        if (!login || (!platform::EqualsNoCase(p.name, "OP") && !platform::EqualsNoCase(p.name, kPasswordParam)))
            return fail = {RC_UNKNOWN_PARAM, "(" + ShownValue(p.name) + ")"}, false;
    if (!login) return true;
    const SMmlParam* op = cmd.Find("OP");
    if (!op || !cmd.Find(kPasswordParam)) return fail = {RC_MISSING, op ? "(PWD)" : "(OP)"}, false;
    name = std::string(platform::TrimBlanksView(op->value));
    return true;
}

std::pair<std::string, std::string> CSwitch::Account(const std::string& name) {
    if (!ValidName(name)) return {};
    auto s = m_db.Prepared("SELECT PWD, ROLE FROM " + kOpTable + " WHERE OP = ?");
    s->Bind(1, name);
    if (!s->Step()) return {};
    return {std::string(s->Text(0)), std::string(s->Text(1))};
}

std::optional<CSwitch::SLoginCheck> CSwitch::LoginCheck(std::string_view command) {
    if (MmlCommandWord(command) != "LGI") return std::nullopt;
    SMmlCommand cmd;
    std::string name;
    Failure fail;
    if (!LoginParams(command, cmd, name, fail)) return std::nullopt;
    const std::string hash = Account(name).first;
    return SLoginCheck{hash.empty() ? DecoyHash() : hash, cmd.Find(kPasswordParam)->value};
}

void CSwitch::SetLoginVerdict(SessionId session, const std::string& hash, bool match) {
    Sessions().SetVerdict(session, {hash, match});
}

CSwitch::Reports CSwitch::SessionCommand(const std::string& command, const std::string& echo, SessionId session,
                                         std::string& op) {
    SMmlCommand cmd;
    std::string name;
    Failure fail;
    if (!LoginParams(command, cmd, name, fail)) return Fail(echo, fail);
    if (MmlCommandWord(command) == "LGI") {
        op = ValidName(name) ? name : ShownValue(name);
        return Login(echo, cmd, session, op);
    }
    Sessions().LogOut(session);
    Sessions().SetHint(session, {0, true});
    return Ok(echo);
}

CSwitch::Reports CSwitch::Login(const std::string& echo, const SMmlCommand& cmd, SessionId session, std::string& op) {
    const std::string& given = op;
    const int64_t now = WallMs();
    int64_t failures = 0, lockedUntil = 0;
    {
        auto s = m_db.Prepared("SELECT failures, locked_until FROM login_failures WHERE name = ?");
        s->Bind(1, op);
        if (s->Step()) failures = s->Int(0), lockedUntil = s->Int(1);
    }
    // A lock that ran out leaves the name a fresh start.
    if (lockedUntil && lockedUntil <= now) {
        failures = 0, lockedUntil = 0;
        SetLocked(given, false);
    }
    const auto [hash, role] = Account(given);
    const std::optional<CSessions::SVerdict> verdict = Sessions().TakeVerdict(session);
    if (lockedUntil) {
        Sessions().SetHint(session, {LoginDelay() * kLockAfterFailures, false});
        return Fail(echo, RC_LOCKED);
    }
    // An unknown name costs a check as a known one does. A server checked
    // the password on a worker already, unless the hash changed meanwhile.
    const std::string& against = hash.empty() ? DecoyHash() : hash;
    const bool verified = verdict && verdict->hash == against
                              ? verdict->match
                              : VerifyPassword(against, cmd.Find(kPasswordParam)->value);
    const bool match = verified && !hash.empty();
    if (match) {
        m_db.Prepared("DELETE FROM login_failures WHERE name = ?")->Bind(1, op).Exec();
        SetLocked(given, false);
        Sessions().LogIn(session, given, role);
        CReportWriter w(echo, RC_OK, ResultText(RC_OK));
        w.BeginObject("SESSION");
        w.Add("OP", given);
        w.Add("ROLE", role);
        return {w.Finish()};
    }
    ++failures;
    if (failures >= kLockAfterFailures) lockedUntil = now + kLockMs;
    // Names that failed long ago and hold no lock are forgotten.
    m_db.Prepared("DELETE FROM login_failures WHERE locked_until < ? AND last_ms < ?")
        ->Bind(1, now)
        .Bind(2, now - kLockMs)
        .Exec();
    m_db.Prepared("INSERT OR REPLACE INTO login_failures (name, failures, last_ms, locked_until) VALUES (?, ?, ?, ?)")
        ->Bind(1, op)
        .Bind(2, failures)
        .Bind(3, now)
        .Bind(4, lockedUntil)
        .Exec();
    if (lockedUntil) SetLocked(given, true);
    Sessions().SetHint(session, {LoginDelay() * failures, false});
    return Fail(echo, RC_LOGIN_FAILED);
}

void CSwitch::SetLocked(const std::string& name, bool locked) {
    auto s = m_db.Prepared("UPDATE " + kOpTable + " SET LOCKED = ? WHERE OP = ? AND LOCKED IS NOT ?");
    s->Bind(1, locked ? "1" : "0").Bind(2, name).Bind(3, locked ? "1" : "0");
    s->Exec();
    if (sqlite3_changes(m_db.Handle())) Touch(kOperatorType, "LOCKED");
}

bool CSwitch::IsLastAdmin(const std::string& name) {
    auto s = m_db.Prepared("SELECT COUNT(*), SUM(OP = ?) FROM " + kOpTable + " WHERE ROLE = ?");
    s->Bind(1, name).Bind(2, kRoleAdmin);
    return s->Step() && s->Int(0) == 1 && s->Int(1) == 1;
}

CSwitch::Reports CSwitch::OperatorCommand(const std::string& echo, const SMmlCommand& cmd) {
    const bool add = cmd.verb == "ADD", mod = cmd.verb == "MOD", rmv = cmd.verb == "RMV";
    if (!add && !mod && !rmv)
        return Fail(echo, RC_UNKNOWN_VERB, "(" + ShownValue(cmd.verb) + " is no command of OP)");
    std::map<std::string, std::string> given;
    for (const SMmlParam& p : cmd.params) {
        const std::string n = platform::ToUpper(p.name);
        const bool known = n == "OP" || (!rmv && (n == "ROLE" || n == kPasswordParam)) || (mod && n == "LOCKED");
        if (!known) return Fail(echo, RC_UNKNOWN_PARAM, "(" + ShownValue(p.name) + ")");
        given[n] = n == kPasswordParam ? p.value : std::string(platform::TrimBlanksView(p.value));
    }
    if (!given.count("OP")) return Fail(echo, RC_MISSING, "(OP)");
    if (add && !given.count("ROLE")) return Fail(echo, RC_MISSING, "(ROLE)");
    if (add && !given.count(kPasswordParam)) return Fail(echo, RC_MISSING, "(PWD)");
    const std::string name = given["OP"];
    if (!ValidName(name))
        return Fail(echo, RC_BAD_VALUE, "(OP: 1 to 32 letters, digits, \"_\", \".\" or \"-\")");
    std::string role;
    if (given.count("ROLE")) {
        role = Lower(given["ROLE"]);
        if (RoleRank(role) < 0) return Fail(echo, RC_BAD_VALUE, "(ROLE: guest, operator or admin)");
    }
    std::string why;
    if (given.count(kPasswordParam) && !ValidPassword(given[kPasswordParam], why)) return Fail(echo, RC_BAD_VALUE, why);
    if (given.count("LOCKED") && given["LOCKED"] != "0")
        return Fail(echo, RC_BAD_VALUE, "(LOCKED: 0 unlocks; names lock themselves after failed logins)");
    bool exists = false;
    {
        auto s = m_db.Prepared("SELECT 1 FROM " + kOpTable + " WHERE OP = ?");
        s->Bind(1, name);
        exists = s->Step();
    }
    if (add && exists) return Fail(echo, RC_DUPLICATE, "(OP=" + name + ")");
    if (!add && !exists) return Fail(echo, RC_NOT_FOUND, "(OP=" + name + ")");
    // The store keeps someone who can manage the others.
    if ((rmv || (mod && !role.empty() && role != kRoleAdmin)) && IsLastAdmin(name))
        return Fail(echo, RC_IN_USE, "(the last admin)");
    std::string hash;
    if (given.count(kPasswordParam)) {
        hash = HashPassword(given[kPasswordParam]);
        if (hash.empty()) return Fail(echo, RC_INTERNAL, "(the password could not be hashed)");
    }
    CTransaction tx(m_db);
    if (add) {
        m_db.Prepared("INSERT INTO " + kOpTable + " (OP, ROLE, PWD, LOCKED) VALUES (?, ?, ?, '0')")
            ->Bind(1, name)
            .Bind(2, role)
            .Bind(3, hash)
            .Exec();
        Touch(kOperatorType);
    } else if (rmv) {
        m_db.Prepared("DELETE FROM " + kOpTable + " WHERE OP = ?")->Bind(1, name).Exec();
        m_db.Prepared("DELETE FROM login_failures WHERE name = ?")->Bind(1, name).Exec();
        Touch(kOperatorType);
    } else {
        if (!role.empty()) {
            m_db.Prepared("UPDATE " + kOpTable + " SET ROLE = ? WHERE OP = ?")->Bind(1, role).Bind(2, name).Exec();
            Touch(kOperatorType, "ROLE");
        }
        if (!hash.empty()) {
            m_db.Prepared("UPDATE " + kOpTable + " SET PWD = ? WHERE OP = ?")->Bind(1, hash).Bind(2, name).Exec();
            Touch(kOperatorType, kPasswordParam);
        }
        if (given.count("LOCKED")) {
            m_db.Prepared("DELETE FROM login_failures WHERE name = ?")->Bind(1, name).Exec();
            SetLocked(name, false);
        }
    }
    tx.Commit();
    return Ok(echo);
}

}  // namespace mmlsw
