// Operators' passwords are kept only as Argon2id hashes, at the cost meant
// for logins (a fraction of a second and 64 MiB each).
#pragma once

#include <string>

namespace mmlsw {

// The hash of a password in its self-describing text form; empty when the
// hash could not be made (out of memory).
std::string HashPassword(const std::string& password);
// Whether the password is the one the hash was made of. A malformed hash
// matches nothing.
bool VerifyPassword(const std::string& hash, const std::string& password);
// A hash of no operator's password, made once: a login of an unknown name
// verifies against it, so that it costs what a known name's login costs.
const std::string& DecoyHash();

}  // namespace mmlsw
