// 32-bit window handles.
#include "WindowHandles.h"

#include <QPointer>

#include <unordered_map>

namespace {
struct Handles {
    std::unordered_map<DWORD, QPointer<QObject>> byHandle;
    std::unordered_map<QObject*, DWORD> byWindow;
    DWORD next = 0x10000;
};
Handles& Table() {
    static Handles h;
    return h;
}
}  // namespace

DWORD GetWindowHandle(QObject* window) {
    if (!window) return 0;
    Handles& t = Table();
    auto it = t.byWindow.find(window);
    if (it != t.byWindow.end() && t.byHandle[it->second] == window) return it->second;
    const DWORD h = t.next++;
    t.byHandle[h] = window;
    t.byWindow[window] = h;
    QObject::connect(window, &QObject::destroyed, [h, window] {
        Table().byHandle.erase(h);
        Table().byWindow.erase(window);
    });
    return h;
}

QObject* FromWindowHandle(DWORD handle) {
    auto& t = Table().byHandle;
    auto it = t.find(handle);
    return it == t.end() ? nullptr : it->second.data();
}
