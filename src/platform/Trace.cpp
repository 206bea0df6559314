// The trace library.
#include "Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/time.h>

#include "ClientRoot.h"

namespace {

struct TraceState {
    std::mutex mutex;
    std::ofstream file;
    bool opened = false;
    bool toStderr = false;
    std::function<void(const std::string&)> capture;
};

TraceState& State() {
    static TraceState state;
    return state;
}

std::string Timestamp() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm parts{};
    localtime_r(&tv.tv_sec, &parts);
    char buf[64];
    size_t n = std::strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M:%S", &parts);
    std::snprintf(buf + n, sizeof(buf) - n, ".%03ld", static_cast<long>(tv.tv_usec / 1000));
    return buf;
}

}  // namespace

void W2L(int level, const char* file, int line, const char* format, ...) {
    char message[2048];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(message, sizeof(message), format, ap);
    va_end(ap);
    size_t len = std::strlen(message);
    while (len > 0 && (message[len - 1] == '\n' || message[len - 1] == '\r')) message[--len] = 0;

    const char* base = file ? std::strrchr(file, '/') : nullptr;
    base = base ? base + 1 : (file ? file : "?");
    std::string text = Timestamp() + " " + std::to_string(level) + " " + base + ":" +
                       std::to_string(line) + " " + message;

    TraceState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.opened) {
        s.opened = true;
        const char* env = std::getenv("USEROBJ_TRACE");
        s.toStderr = env != nullptr && std::strcmp(env, "1") == 0;
        std::error_code ec;
        const std::filesystem::path dir = platform::LogFolder();
        std::filesystem::create_directories(dir, ec);
        s.file.open(dir / "userobj.log", std::ios::app);
    }
    if (s.file.is_open()) {
        s.file << text << '\n';
        s.file.flush();
    }
    if (s.toStderr) std::fprintf(stderr, "%s\n", text.c_str());
    if (s.capture) s.capture(text);
}

namespace platform {

CTraceCapture::CTraceCapture(std::function<void(const std::string&)> sink) {
    TraceState& s = State();
    std::lock_guard lock(s.mutex);
    s.capture = std::move(sink);
}

CTraceCapture::~CTraceCapture() {
    TraceState& s = State();
    std::lock_guard lock(s.mutex);
    s.capture = nullptr;
}

}  // namespace platform
