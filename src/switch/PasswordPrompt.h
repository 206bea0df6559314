// Reading a new password for the account options of mmlswitch.
#pragma once

#include <string>

namespace mmlsw {

// From a terminal: asked on stderr twice without echo, and the two must
// agree. From anything else: the first line of standard input. False with a
// reason when there is none or the two differ.
bool ReadNewPassword(const std::string& name, std::string& password, std::string& error);

}  // namespace mmlsw
