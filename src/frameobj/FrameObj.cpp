// Version tag of the frame code.
#include "PlatformApi.h"

extern "C" UO_PLATFORM_API const char* UoFrameVersion() { return "0.1"; }
