// Export macro of the frame code shared by the plug-ins (libuoframe).
#pragma once
#define UO_FRAME_API __attribute__((visibility("default")))
