// 32-bit window handles for the records of the host contract, which carry
// windows in 32-bit fields. A window gets its handle on first request; the
// handle dies with the window. GUI thread only.
#pragma once

#include <QObject>

#include "PlatformApi.h"
#include "userobj/WinTypes.h"

UO_PLATFORM_API DWORD GetWindowHandle(QObject* window);
// Null for 0, an unknown handle, or a window that is gone.
UO_PLATFORM_API QObject* FromWindowHandle(DWORD handle);
