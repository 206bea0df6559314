// Export macro of the host libraries (libuohostlibs).
#pragma once
#define UO_HOSTLIBS_API __attribute__((visibility("default")))
