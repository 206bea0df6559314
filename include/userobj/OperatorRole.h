// The operator's role, as the host tells it to the object windows: a
// dynamic property of the host frame holding the role the switch gave the
// operator at login ("guest", "operator" or "admin", a QString). Windows
// read it whenever they enable their operations, so a new login counts at
// once. No property, or an empty one: the switch asked for no login and
// restricts nothing.
#pragma once

#include <string_view>

inline constexpr const char* kOperatorRoleProperty = "uoOperatorRole";

// Whether a role may run commands of that verb ("ADD", "LST"): a guest
// only looks (LST, DSP, RLS); an operator and an admin run every command
// of the subscriber data. A role this client does not know is left to the
// switch to judge.
inline bool RoleMayRun(std::string_view role, std::string_view verb) {
    if (role != "guest") return true;
    return verb == "LST" || verb == "DSP" || verb == "RLS";
}
