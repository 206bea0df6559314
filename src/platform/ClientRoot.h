// Where the client's files live. The client root is the directory above the
// one holding the running executable (a build tree: build/bin/omclient gives
// build; an installation: /usr/bin/omclient gives /usr).
//
// A build tree keeps everything below its root: data/ holds what is shipped
// and what the client writes, beside switch/, log/ and Output/. An installed
// client (share/userobj/ beside bin/, no CMakeCache.txt) never writes below
// its root: it reads what is shipped from share/userobj/ and keeps each
// user's files in the XDG places:
//   settings        $XDG_CONFIG_HOME/userobj/  (first use copies the shipped
//                   default from share/userobj/defaults/; a user's file is
//                   never replaced)
//   switch database $XDG_DATA_HOME/userobj/
//   trace           $XDG_STATE_HOME/userobj/log/
//   exports         the user's documents folder
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

// Whether the client root is an installation rather than a build tree.
UO_PLATFORM_API bool IsInstalledRoot(const std::string& root);

// The data file of that name: in a build tree client root + "/data/" +
// name; installed, the user's file in the settings folder when it exists or
// a shipped default can be copied there, else the shipped file, else the
// user's (not yet written) file.
UO_PLATFORM_API std::string DataFile(std::string_view name);
// The folder of the embedded switch's database: the client root of a build
// tree, $XDG_DATA_HOME/userobj of an installation.
UO_PLATFORM_API std::string StateFolder();
// The folder of the trace file.
UO_PLATFORM_API std::string LogFolder();
// The folder exports are proposed in: client root + "/Output" of a build
// tree, the documents folder of an installation.
UO_PLATFORM_API std::string OutputFolder();
// The folder of the client's plug-in modules.
UO_PLATFORM_API std::string ModuleFolder();
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
