// Where the client's files live: the client root is the directory above the
// one holding the running executable (a build tree: build/bin/omclient gives
// build). Everything the client reads or writes lies below it.
#pragma once

#include <string>
#include <string_view>

#include "PlatformApi.h"

namespace platform {

// The directory above the executable's directory, without a trailing "/";
// empty when the executable sits directly below the file system root or
// its path cannot be read.
UO_PLATFORM_API std::string GetClientRoot();
// The same rule on a given executable path.
UO_PLATFORM_API std::string ClientRootFromExePath(std::string_view exePath);

// client root + "/data/" + name
UO_PLATFORM_API std::string DataFile(std::string_view name);
// client root + "/data/Marrowind.ini": the host client's main settings.
UO_PLATFORM_API std::string MainSettingsFile();

// "BinTimeOut" of section "SYSTEM" of the main settings, read afresh on
// every call; 0 when missing.
UO_PLATFORM_API int GetBinTimeOut();
// The same key read from a given settings file.
UO_PLATFORM_API int ReadBinTimeOut(const std::string& settingsFile);
// Seconds the host waits for the switch's answer to a command before it
// gives the command up ("CmdTimeOut" of section "SYSTEM"; default 30, 0
// waits for ever).
UO_PLATFORM_API int GetCmdTimeOut();

}  // namespace platform
