// The object windows the client opens when it is started without a choice
// of its own: those that were open at the last exit, remembered in a small
// settings file; on the very first start the MGCP and H.248 subscriber
// window, so that a newcomer sees subscribers at once.
#pragma once

#include <string>
#include <vector>

namespace host {

// The configuration type opened on a first start.
inline constexpr int kFirstStartConfig = 3;

// client root + "/data/omclient.ini"
std::string DefaultWindowsFile();
// The configuration types remembered in file, oldest window first; on a
// first start (nothing remembered yet) kFirstStartConfig alone.
std::vector<int> StartWindows(const std::string& file);
// Remembers the types for the next start (an empty list is remembered too).
bool RememberWindows(const std::string& file, const std::vector<int>& types);

}  // namespace host
