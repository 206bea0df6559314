// Export macro of the platform layer (libuoplatform).
#pragma once
#define UO_PLATFORM_API __attribute__((visibility("default")))
