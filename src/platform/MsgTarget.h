// The message layer: window messages {id, wParam, lParam} delivered to window
// objects, with synchronous send, queued post, per-class message maps and a
// broadcast to every descendant of a window. A "window" is any QObject that
// also derives from CMsgTarget; its handle is its QObject pointer.
#pragma once

#include <QEvent>
#include <QObject>

#include <span>

#include "PlatformApi.h"
#include "userobj/WinTypes.h"

class CMsgTarget;
using HWND = QObject*;
using MsgHandler = LRESULT (*)(CMsgTarget*, WPARAM, LPARAM);

struct MsgMapEntry {
    UINT id;
    MsgHandler fn;
};

// One class's table, chained to its base class's table.
struct MsgMap {
    const MsgMap* base;
    std::span<const MsgMapEntry> entries;
};

template <class T>
struct MsgClassOf;
template <class T>
struct MsgClassOf<LRESULT (T::*)(WPARAM, LPARAM)> {
    using type = T;
};

// Calls one handler of a class on a target known to be of that class.
template <auto Fn>
LRESULT MsgThunk(CMsgTarget* target, WPARAM wParam, LPARAM lParam) {
    using T = typename MsgClassOf<decltype(Fn)>::type;
    return (static_cast<T*>(target)->*Fn)(wParam, lParam);
}

// Entry of a class's map: ON_MESSAGE(id, &CDerived::OnSomething).
#define ON_MESSAGE(id, fn) MsgMapEntry{(id), &MsgThunk<fn>}

// Declares a class's message map; define MessageMap() in the .cpp as
//   const MsgMap* C::MessageMap() {
//       static const MsgMapEntry e[] = {ON_MESSAGE(...), ...};
//       static const MsgMap m{Base::MessageMap(), e};
//       return &m;
//   }
#define DECLARE_MESSAGE_MAP()                                            \
public:                                                                  \
    static const MsgMap* MessageMap();                                   \
                                                                         \
protected:                                                               \
    const MsgMap* GetMessageMap() const override { return MessageMap(); } \
                                                                         \
private:

class UO_PLATFORM_API CMsgTarget {
public:
    virtual ~CMsgTarget();

    // Routes a message through the message map chain, most derived class
    // first; a number no map knows falls to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    static const MsgMap* MessageMap();

protected:
    virtual const MsgMap* GetMessageMap() const { return MessageMap(); }
};

// The one event type that carries a window message through Qt's event queue.
class UO_PLATFORM_API CWmEvent : public QEvent {
public:
    CWmEvent(UINT message, WPARAM wParam, LPARAM lParam)
        : QEvent(Type()), message(message), wParam(wParam), lParam(lParam) {}
    static QEvent::Type Type();

    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
};

// Mixin that turns a Qt class into a window: CWndT<QWidget>, CWndT<QTreeView>...
template <class Base>
class CWndT : public Base, public CMsgTarget {
public:
    using Base::Base;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CWmEvent::Type()) {
            auto* m = static_cast<CWmEvent*>(e);
            m->result = WindowProc(m->message, m->wParam, m->lParam);
            return true;
        }
        return Base::event(e);
    }
};

// Synchronous: runs the target's handler now and returns its result; a
// target that is null or no window answers 0. Call on the target's thread.
UO_PLATFORM_API LRESULT SendMessage(HWND target, UINT message, WPARAM wParam = 0,
                                    LPARAM lParam = 0);
// Queued on the event loop of the target's thread; safe from any thread. A
// target destroyed before delivery drops the message. False for a null target.
UO_PLATFORM_API BOOL PostMessage(HWND target, UINT message, WPARAM wParam = 0,
                                 LPARAM lParam = 0);
// Sends to every descendant (children of children too), parents before
// their children. A window destroyed by an earlier handler is skipped.
UO_PLATFORM_API void SendMessageToDescendants(HWND root, UINT message, WPARAM wParam = 0,
                                              LPARAM lParam = 0);
// True when the handle is a live window of the message layer.
UO_PLATFORM_API bool IsWindow(HWND target);
