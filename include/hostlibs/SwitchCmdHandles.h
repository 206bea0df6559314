// A switch command (the command a jump runs in another object window) goes
// to the host in the 32-bit value of an identity block. This table turns
// the command into such a value and back; whoever takes it owns it.
#pragma once

#include <memory>

#include "hostlibs/ObjData.h"

// A handle for the command, never 0; the command is kept until taken.
UO_HOSTLIBS_API DWORD HandOverSwitchCmd(std::unique_ptr<SSwitchCmd> cmd);
// The command behind a handle, once; null for a handle that holds none.
UO_HOSTLIBS_API std::unique_ptr<SSwitchCmd> TakeSwitchCmd(DWORD handle);
