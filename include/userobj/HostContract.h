// The records that travel between the host frame and an object window. Their
// sizes and offsets are the host's interface and must not change.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "userobj/WinTypes.h"

#pragma pack(push, 1)
// WM_USER+1001, both directions.
struct SIdentityBlock {
    WORD objId;           // offset 0
    char text1[4096];     // offset 2, zero-terminated
    char text2[4096];     // offset 4098, zero-terminated
    DWORD value;          // offset 8194
};
#pragma pack(pop)
static_assert(sizeof(SIdentityBlock) == 8198);
static_assert(offsetof(SIdentityBlock, text2) == 4098);
static_assert(offsetof(SIdentityBlock, value) == 8194);

// WM_USER+1002 (lParam 1): one command and the windows that want its report.
struct SCommandBlock {
    char text[32768];     // offset 0, zero-terminated
    DWORD windows[300];   // offset 32768: window handles (see WindowHandles.h)
    WORD count;           // offset 33968: handles used
    WORD flag;            // offset 33970
};
static_assert(sizeof(SCommandBlock) == 33972);
static_assert(offsetof(SCommandBlock, windows) == 32768);
static_assert(offsetof(SCommandBlock, count) == 33968);
static_assert(offsetof(SCommandBlock, flag) == 33970);

// WM_USER+1008: the frame to send and its tag.
struct SBinFrameRecord {
    BYTE* frame;
    DWORD tag;
};

// Dynamic property of the host frame: the QMetaObject (as void*) of the
// host's property display view, which object windows create by class.
inline constexpr const char* kPropertyViewClass = "runtimeClass.CPropertyDisplayView";
// Dynamic property of an object window: the QMenu (as QObject*) the host
// shows while the window is active.
inline constexpr const char* kSharedMenuProperty = "uoSharedMenu";

inline constexpr size_t kFrameBufferSize = 65533;
// Binary frame layout in the frame buffer.
inline constexpr size_t kFrameCaller0 = 2, kFrameCaller1 = 3;  // caller-given bytes
inline constexpr size_t kFrameLength = 4;   // 16-bit: payload length + 5
inline constexpr size_t kFrameKind = 8;     // high bit kept, low bits 3
inline constexpr size_t kFrameMark = 9;     // 0x7E
inline constexpr size_t kFrameMark2 = 10;   // high bit kept, low bits 0x7E
inline constexpr size_t kFramePayload = 11;

// Copies text into a fixed field, cut to fit and always terminated.
template <size_t N>
inline void CopyField(char (&field)[N], const std::string& text) {
    const size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}
