// Integer types of the window-message contract between the host client, its
// libraries and the plug-in modules. Parameters are pointer-sized so that a
// pointer travels in either of them.
#pragma once

#include <cstdint>

using UINT = unsigned int;
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;  // unsigned, pointer-sized
using LPARAM = std::intptr_t;   // signed, pointer-sized
using LRESULT = std::intptr_t;
// A loaded module (the program or a shared library), named by its load address.
using HINSTANCE = void*;

#ifndef TRUE
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
#endif

inline constexpr UINT WM_USER = 0x0400;
// A command from a menu or a control: wParam's low 16 bits are the command
// identifier, its high 16 bits the notification code (0 for a menu), l: 0.
inline constexpr UINT WM_COMMAND = 0x0111;

// Carrying pointers in message parameters.
template <class T>
inline WPARAM ToWParam(T* p) {
    return reinterpret_cast<WPARAM>(p);
}
template <class T>
inline LPARAM ToLParam(T* p) {
    return reinterpret_cast<LPARAM>(p);
}
template <class T>
inline T* FromWParam(WPARAM w) {
    return reinterpret_cast<T*>(w);
}
template <class T>
inline T* FromLParam(LPARAM l) {
    return reinterpret_cast<T*>(l);
}
