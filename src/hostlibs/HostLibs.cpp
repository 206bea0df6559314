// Version tag of the host libraries.
#include "PlatformApi.h"

extern "C" UO_PLATFORM_API const char* UoHostLibsVersion() { return "0.1"; }
