// The object window's link to the host frame: the host's database
// interface, a buffer for binary frames, and the host frame itself. Every
// message to the host goes through here.
#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

#include "FrameApi.h"
#include "MsgTarget.h"
#include "hostlibs/FrmDatabase.h"
#include "userobj/HostContract.h"

class UO_FRAME_API CHostLink {
public:
    // Asks the host for its database (WM_USER+1005).
    explicit CHostLink(QObject* hostFrame);

    IFrmDatabase* GetDatabase() const { return m_pDatabase; }
    QObject* GetHostFrame() const { return m_hostFrame.data(); }
    BYTE* FrameBuffer() { return m_frame.data(); }
    bool IsHostAlive() const { return !m_hostFrame.isNull(); }

    // Synchronous, the host's answer; 0 when the host is gone.
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    BOOL Post(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Splits text at ";" into commands (each up to and including its ";",
    // trimmed) and sends each in its own command block with the window as
    // the one receiver. False when the text holds no ";".
    bool SendCommands(const std::string& text, QObject* window) const;

private:
    QPointer<QObject> m_hostFrame;
    IFrmDatabase* m_pDatabase = nullptr;
    std::vector<BYTE> m_frame;
};
