// IObjWnd: the base of every object window a plug-in shows in the host's
// MDI area. It keeps the contract with the host frame: the host link, the
// identity the host gives it, reports and kill notices from the host, the
// table of outstanding binary requests with their timeouts, and the
// destruction handshake (the host must agree before the window goes).
#pragma once

#include <QMdiSubWindow>
#include <QPointer>

#include <memory>
#include <string>

#include "FrameApi.h"
#include "HostLink.h"
#include "MsgTarget.h"

// Context of a binary request; the window frees it when the request ends.
class UO_FRAME_API CBinContext {
public:
    virtual ~CBinContext() = default;
};

class UO_FRAME_API IObjWnd : public CWndT<QMdiSubWindow> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kBinSlots = 255;
    static constexpr int kBinTimerRunning = 255;

    IObjWnd();
    ~IObjWnd() override;

    // Builds the host link for the host frame and enters the host's MDI
    // area. False when there is no MDI area to enter (the window then
    // stays out of sight, with its host link if a host frame was given).
    virtual BOOL Create(QObject* hostFrame);
    // The destruction handshake: only the first call acts; the window goes
    // only when the host answers with its handle.
    virtual BOOL DestroyWindow();

    // ---- virtual operations, in slot order, with their defaults ----
    virtual int QueryString(std::string text, LPARAM value);               // 1: 1
    virtual void Report(BYTE* frame, WORD code);                            // 2
    virtual int SendBinCmd(BYTE a, BYTE b, const BYTE* payload, int length, DWORD tag,
                           int timeout, CBinContext* context);               // 3
    virtual void KillNotify(BYTE* frame, WORD code);                        // 4
    virtual void OnTimeoutDelivered(int index, WORD id);                    // 5
    virtual void OnBinTimedOut(int index);                                  // 6
    virtual void ProcessRst(const char* report);                            // 7
    virtual void KillCmdNotify(const char* command);                        // 8
    virtual void CreateNotify();                                            // 9
    virtual int Hook10();                                                   // 10: 1
    virtual bool OnEvent(const std::string& name, const std::string* data);  // 11: false
    virtual void OnIdentity10(WORD id, const std::string& text1, const std::string& text2,
                              DWORD value);                                 // 12
    virtual CBinContext* CopyContext(CBinContext* context);                  // 13: null
    virtual bool Predicate14(LPARAM a, LPARAM b);                            // 14: true
    virtual bool ReplyBelongs(BYTE* frame, CBinContext* context);            // 15: true
    virtual void FreeContext(CBinContext* context);                          // 16: deletes
    virtual bool WantsReply(const BYTE* payload);                            // 17: true
    virtual bool ConsumeUnsolicited(BYTE* frame);                            // 18: true
    virtual LRESULT OnObjIdentity(WPARAM wParam, LPARAM lParam);             // 19
    virtual LRESULT OnReport(WPARAM wParam, LPARAM lParam);                  // 20
    virtual LRESULT OnKill(WPARAM wParam, LPARAM lParam);                    // 21
    virtual LRESULT OnBinTimeout(WPARAM wParam, LPARAM lParam);              // 22
    virtual LRESULT OnHook1231(WPARAM wParam, LPARAM lParam);                // 23: 1
    virtual LRESULT OnHook1302(WPARAM wParam, LPARAM lParam);                // 24: -1
    virtual LRESULT OnHook1303(WPARAM wParam, LPARAM lParam);                // 25: -1
    virtual void OnOtherTimer(int timerId);                                  // 26
    LRESULT OnHostEvent(WPARAM wParam, LPARAM lParam);

    // WM_CLOSE: stops the binary timer, then the destruction handshake.
    virtual void OnClose();
    // One 100-ms tick of the binary request timer (the timer calls it).
    void OnBinTimerTick();

    CHostLink* HostLink() const { return m_pMainFrame.get(); }
    int BinPending() const { return m_nBinPending; }
    int BinTimer() const { return m_nBinTimer; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

public:
    struct SBinReq {
        WORD id = 0;  // 0: free
        int timeout = 0;
        CBinContext* context = nullptr;
    };

    BOOL m_bDestroying = FALSE;
    WORD m_wObjId = 0xFFFF;
    std::string m_strObjName;
    std::string m_strObjName2;
    std::string m_strReserved1, m_strReserved2;
    DWORD m_dwObjData = 0;
    SBinReq m_aBinReq[kBinSlots];
    int m_nBinPending = 0;
    int m_nBinTimer = -1;
    int m_nTick = 0;
    std::unique_ptr<CHostLink> m_pMainFrame;

private:
    void StopBinTimer();
    void FreeSlot(int index);
    int m_timerId = 0;  // the Qt timer behind m_nBinTimer
    // The plug-in module whose window this is, named to the host when the
    // window is gone (WM_USER+1000).
    HINSTANCE m_hInstance = nullptr;
};
