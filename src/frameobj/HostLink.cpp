// The object window's link to the host frame.
#include "HostLink.h"

#include <memory>

#include "TextHelpers.h"
#include "WindowHandles.h"
#include "userobj/Messages.h"

CHostLink::CHostLink(QObject* hostFrame) : m_hostFrame(hostFrame), m_frame(kFrameBufferSize, 0) {
    m_pDatabase = FromLParam<IFrmDatabase>(Send(msg::WM_GETDATABASE, 0, 0));
}

LRESULT CHostLink::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hostFrame ? SendMessage(m_hostFrame.data(), message, wParam, lParam) : 0;
}

BOOL CHostLink::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hostFrame ? PostMessage(m_hostFrame.data(), message, wParam, lParam) : FALSE;
}

bool CHostLink::SendCommands(const std::string& text, QObject* window) const {
    if (text.find(';') == std::string::npos) return false;
    auto block = std::make_unique<SCommandBlock>();
    size_t start = 0;
    for (size_t semi = text.find(';'); semi != std::string::npos; semi = text.find(';', start)) {
        const std::string cmd = platform::Trim(text.substr(start, semi - start + 1));
        start = semi + 1;
        std::memset(block.get(), 0, sizeof(SCommandBlock));
        CopyField(block->text, cmd);
        block->windows[0] = GetWindowHandle(window);
        block->count = 1;
        block->flag = 1;
        Send(msg::WM_SENDMML, ToWParam(block.get()), 1);
    }
    return true;
}
