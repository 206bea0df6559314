// Secrets in command texts: what a report echoes or the operation log keeps
// shows the value of a secret parameter as "******".
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace mmlsw {

// The login password: masked in every echo.
inline constexpr const char* kPasswordParam = "PWD";
inline constexpr const char* kMask = "******";

// The command with the value of each named parameter (upper-case names,
// compared without regard to case) replaced by the mask, kept in quotes when
// it had them. A text cut short is masked as far as it goes; one that does
// not parse keeps its shape, values being taken as ParseMml would take them.
std::string MaskSecrets(std::string_view command, const std::set<std::string>& names);

}  // namespace mmlsw
