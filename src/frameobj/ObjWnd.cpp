// The object window base.
#include "ObjWnd.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QShortcut>
#include <QTimerEvent>

#include <cstring>
#include <typeinfo>

#include <dlfcn.h>

#include "ClientRoot.h"
#include "WindowHandles.h"
#include "userobj/Messages.h"

const MsgMap* IObjWnd::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_OBJIDENTITY, &IObjWnd::OnObjIdentity),
        ON_MESSAGE(msg::WM_REPORT, &IObjWnd::OnReport),
        ON_MESSAGE(msg::WM_KILLCMD, &IObjWnd::OnKill),
        ON_MESSAGE(msg::WM_BINTIMEOUT, &IObjWnd::OnBinTimeout),
        ON_MESSAGE(msg::WM_HOSTHOOK_1231, &IObjWnd::OnHook1231),
        ON_MESSAGE(msg::WM_HOSTHOOK_1302, &IObjWnd::OnHook1302),
        ON_MESSAGE(msg::WM_HOSTHOOK_1303, &IObjWnd::OnHook1303),
        ON_MESSAGE(msg::WM_HOSTEVENT, &IObjWnd::OnHostEvent),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

IObjWnd::IObjWnd() {
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Ctrl+F4 closes; Ctrl+F6 / Ctrl+Tab and their Shift forms walk the MDI windows.
    auto shortcut = [this](const QKeySequence& keys, auto fn) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, fn);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_F4), [this] { close(); });
    auto next = [this] { if (mdiArea()) mdiArea()->activateNextSubWindow(); };
    auto prev = [this] { if (mdiArea()) mdiArea()->activatePreviousSubWindow(); };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_F6), next);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), next);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), prev);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), prev);
}

IObjWnd::~IObjWnd() {
    for (int i = 0; i < kBinSlots; ++i)
        if (m_aBinReq[i].id) FreeContext(m_aBinReq[i].context);
    if (m_pMainFrame && m_pMainFrame->IsHostAlive())
        m_pMainFrame->Post(msg::WM_OBJWND_DESTROYED, ToWParam(m_hInstance), 0);
}

namespace {
// The module loaded at the address's place: a shared library, or the program.
HINSTANCE ModuleOf(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) ? info.dli_fbase : nullptr;
}
}  // namespace

BOOL IObjWnd::Create(QObject* hostFrame) {
    // The window's own class lives in the plug-in that made it; the base
    // here is shared by every plug-in and cannot tell them apart otherwise.
    m_hInstance = ModuleOf(&typeid(*this));
    if (hostFrame) m_pMainFrame = std::make_unique<CHostLink>(hostFrame);
    auto* frame = qobject_cast<QMainWindow*>(hostFrame);
    QMdiArea* area = frame ? qobject_cast<QMdiArea*>(frame->centralWidget()) : nullptr;
    if (!area) return FALSE;
    area->addSubWindow(this);
    return TRUE;
}

BOOL IObjWnd::DestroyWindow() {
    if (m_bDestroying) return FALSE;
    m_bDestroying = TRUE;
    LRESULT answer = 0;
    if (m_pMainFrame) {
        auto block = std::make_unique<SIdentityBlock>();
        std::memset(block.get(), 0, sizeof(SIdentityBlock));
        block->objId = m_wObjId;
        CopyField(block->text1, m_strObjName);
        CopyField(block->text2, m_strObjName2);
        answer = m_pMainFrame->Send(msg::WM_OBJIDENTITY, ToWParam(block.get()), msg::IDENT_DESTROY_REQUEST);
    }
    if (answer == 0 || static_cast<DWORD>(answer) != GetWindowHandle(this)) {
        // Refused: the window stays and may ask again later. Only a call made
        // while the host is still deciding is turned away.
        m_bDestroying = FALSE;
        return FALSE;
    }
    hide();
    deleteLater();
    return TRUE;
}

int IObjWnd::QueryString(std::string, LPARAM) { return 1; }
void IObjWnd::Report(BYTE*, WORD) {}
void IObjWnd::KillNotify(BYTE*, WORD) {}
void IObjWnd::OnTimeoutDelivered(int, WORD) {}
void IObjWnd::OnBinTimedOut(int) {}
void IObjWnd::ProcessRst(const char*) {}
void IObjWnd::KillCmdNotify(const char*) {}
void IObjWnd::CreateNotify() {}
int IObjWnd::Hook10() { return 1; }
bool IObjWnd::OnEvent(const std::string&, const std::string*) { return false; }
void IObjWnd::OnIdentity10(WORD, const std::string&, const std::string&, DWORD) {}
CBinContext* IObjWnd::CopyContext(CBinContext*) { return nullptr; }
bool IObjWnd::Predicate14(LPARAM, LPARAM) { return true; }
bool IObjWnd::ReplyBelongs(BYTE*, CBinContext*) { return true; }
void IObjWnd::FreeContext(CBinContext* context) { delete context; }
bool IObjWnd::WantsReply(const BYTE*) { return true; }
bool IObjWnd::ConsumeUnsolicited(BYTE*) { return true; }
LRESULT IObjWnd::OnHook1231(WPARAM, LPARAM) { return 1; }
LRESULT IObjWnd::OnHook1302(WPARAM, LPARAM) { return -1; }
LRESULT IObjWnd::OnHook1303(WPARAM, LPARAM) { return -1; }
void IObjWnd::OnOtherTimer(int) {}

LRESULT IObjWnd::OnObjIdentity(WPARAM wParam, LPARAM lParam) {
    auto* block = FromWParam<SIdentityBlock>(wParam);
    if (block) {
        const std::string t1(block->text1, strnlen(block->text1, sizeof block->text1));
        const std::string t2(block->text2, strnlen(block->text2, sizeof block->text2));
        if (lParam == msg::IDENT_TYPE10) {
            OnIdentity10(block->objId, t1, t2, block->value);
        } else if (lParam == msg::IDENT_FILL) {
            block->objId = m_wObjId;
            CopyField(block->text1, m_strObjName);
            CopyField(block->text2, m_strObjName);
        } else {
            m_wObjId = block->objId;
            m_strObjName = t1;
            m_strObjName2 = t2;
            m_dwObjData = block->value;
        }
    }
    if (lParam != msg::IDENT_TYPE10) CreateNotify();
    m_nBinTimer = -1;  // the timer itself keeps running, as the host expects
    return 0;
}

LRESULT IObjWnd::OnReport(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        ProcessRst(FromWParam<const char>(wParam));
        return 0;
    }
    BYTE* frame = FromWParam<BYTE>(wParam);
    const WORD code = static_cast<WORD>(lParam);
    if (!frame) return 0;
    WORD id = 0;
    std::memcpy(&id, frame + kFramePayload, sizeof id);
    if (m_nBinPending > 0) {
        for (int i = 0; i < kBinSlots; ++i) {
            SBinReq& r = m_aBinReq[i];
            if (r.id == 0 || r.id != id) continue;
            if (r.context && !ReplyBelongs(frame, r.context)) continue;
            FreeSlot(i);
            Report(frame, code);
        }
        if (m_nBinPending == 0) StopBinTimer();
        return 0;
    }
    if (platform::GetBinTimeOut() != -1 && ConsumeUnsolicited(frame)) return 0;
    Report(frame, code);
    return 0;
}

LRESULT IObjWnd::OnKill(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0)
        KillCmdNotify(FromWParam<const char>(wParam));
    else
        KillNotify(FromWParam<BYTE>(wParam), static_cast<WORD>(lParam));
    return 0;
}

LRESULT IObjWnd::OnBinTimeout(WPARAM wParam, LPARAM lParam) {
    OnTimeoutDelivered(static_cast<int>(wParam), static_cast<WORD>(lParam));
    return -1;
}

LRESULT IObjWnd::OnHostEvent(WPARAM wParam, LPARAM lParam) {
    std::unique_ptr<std::string> data(FromLParam<std::string>(lParam));  // ours to delete
    const auto* name = FromWParam<std::string>(wParam);
    OnEvent(name ? *name : std::string(), data.get());
    return -1;
}

int IObjWnd::SendBinCmd(BYTE a, BYTE b, const BYTE* payload, int length, DWORD tag, int timeout,
                        CBinContext* context) {
    if (!payload || length < 2) return -1;
    if (m_nBinPending > kBinSlots || timeout == 0) return -1;
    if (!m_pMainFrame) return 0;
    BYTE* frame = m_pMainFrame->FrameBuffer();
    if (static_cast<size_t>(length) + kFramePayload > kFrameBufferSize) return -1;
    frame[kFrameCaller0] = a;
    frame[kFrameCaller1] = b;
    const WORD len = static_cast<WORD>(length + 5);
    std::memcpy(frame + kFrameLength, &len, sizeof len);
    frame[kFrameKind] = static_cast<BYTE>((frame[kFrameKind] & 0x80) | 3);
    frame[kFrameMark] = 0x7E;
    frame[kFrameMark2] = static_cast<BYTE>((frame[kFrameMark2] & 0x80) | 0x7E);
    std::memcpy(frame + kFramePayload, payload, static_cast<size_t>(length));
    SBinFrameRecord rec{frame, tag};

    if (timeout == -1 || !WantsReply(payload)) {
        m_pMainFrame->Send(msg::WM_SENDBINFRAME, 0, ToLParam(&rec));
        return 256;
    }
    WORD id = 0;
    std::memcpy(&id, payload, sizeof id);
    int slot = -1;
    for (int i = 0; i < kBinSlots && slot < 0; ++i)
        if (m_aBinReq[i].id == 0) slot = i;
    if (slot < 0) return -1;
    m_aBinReq[slot] = {id, timeout, context ? CopyContext(context) : nullptr};
    ++m_nBinPending;
    if (m_nBinTimer == -1) {
        if (m_timerId == 0) m_timerId = startTimer(100);
        m_nBinTimer = kBinTimerRunning;
    }
    m_pMainFrame->Send(msg::WM_SENDBINFRAME, 0, ToLParam(&rec));
    return slot;
}

void IObjWnd::FreeSlot(int index) {
    SBinReq& r = m_aBinReq[index];
    FreeContext(r.context);
    r = {};
    --m_nBinPending;
}

void IObjWnd::StopBinTimer() {
    if (m_timerId) killTimer(m_timerId);
    m_timerId = 0;
    m_nBinTimer = -1;
}

void IObjWnd::OnBinTimerTick() {
    if (m_nTick < 10) {
        ++m_nTick;
        return;
    }
    m_nTick = 0;
    for (int i = 0; i < kBinSlots; ++i) {
        SBinReq& r = m_aBinReq[i];
        if (r.id == 0) continue;
        if (--r.timeout >= 1) continue;
        const WORD id = r.id;
        OnBinTimedOut(i);
        PostMessage(this, msg::WM_BINTIMEOUT, static_cast<WPARAM>(i), id);
        FreeSlot(i);
    }
    if (m_nBinPending == 0) StopBinTimer();
}

void IObjWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timerId) {
        OnBinTimerTick();
        return;
    }
    OnOtherTimer(event->timerId());
    QMdiSubWindow::timerEvent(event);
}

void IObjWnd::OnClose() {
    if (m_timerId) StopBinTimer();
    DestroyWindow();
}

void IObjWnd::closeEvent(QCloseEvent* event) {
    // The window goes only through the handshake; OnClose decides.
    event->ignore();
    OnClose();
}
