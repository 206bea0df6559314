// The trace library: failures that are not shown to the operator are logged
// as "time level file:line message" lines to log/userobj.log under the client
// root, and also to stderr when USEROBJ_TRACE=1.
#pragma once

#include <functional>
#include <string>

#include "PlatformApi.h"

UO_PLATFORM_API void W2L(int level, const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Logs at level 1 with this source file's base name and line.
#define W2L_FAIL(...) W2L(1, __FILE_NAME__, __LINE__, __VA_ARGS__)

namespace platform {

// While one exists, every trace line is also handed to the callback (tests).
class UO_PLATFORM_API CTraceCapture {
public:
    explicit CTraceCapture(std::function<void(const std::string&)> sink);
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;
};

}  // namespace platform
