// Message dispatch and delivery for the client's windows.
#include "MsgTarget.h"

#include <QCoreApplication>
#include <QPointer>

CMsgTarget::~CMsgTarget() = default;

const MsgMap* CMsgTarget::MessageMap() {
    static const MsgMap root{nullptr, {}};
    return &root;
}

LRESULT CMsgTarget::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MsgMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (const MsgMapEntry& e : map->entries) {
            if (e.id == message) return e.fn(this, wParam, lParam);
        }
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CMsgTarget::DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }

QEvent::Type CWmEvent::Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

LRESULT SendMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* t = dynamic_cast<CMsgTarget*>(target)) return t->WindowProc(message, wParam, lParam);
    return 0;
}

BOOL PostMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (target == nullptr) return FALSE;
    QCoreApplication::postEvent(target, new CWmEvent(message, wParam, lParam));
    return TRUE;
}

static void SendToChildren(QObject* parent, UINT message, WPARAM wParam, LPARAM lParam) {
    // Copy: a handler may create or destroy siblings while we walk.
    const QObjectList children = parent->children();
    std::vector<QPointer<QObject>> guarded(children.begin(), children.end());
    for (const QPointer<QObject>& child : guarded) {
        if (child.isNull()) continue;
        SendMessage(child.data(), message, wParam, lParam);
        if (!child.isNull()) SendToChildren(child.data(), message, wParam, lParam);
    }
}

void SendMessageToDescendants(HWND root, UINT message, WPARAM wParam, LPARAM lParam) {
    if (root != nullptr) SendToChildren(root, message, wParam, lParam);
}

bool IsWindow(HWND target) { return dynamic_cast<CMsgTarget*>(target) != nullptr; }
