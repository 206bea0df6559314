// A scripted host frame for object windows under test: it has an MDI area,
// answers the database request, records every command block, and agrees to
// destruction requests when told to.
#pragma once

#include <QMainWindow>
#include <QMdiArea>

#include <string>
#include <vector>

#include "MsgTarget.h"
#include "WindowHandles.h"
#include "hostlibs/FrmDatabase.h"
#include "UserObjWnd.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

extern "C" void* ExternMain(void* hostFrame, int configType);

class CTestHost : public CWndT<QMainWindow> {
public:
    CTestHost() {
        setCentralWidget(new QMdiArea(this));
        resize(1000, 700);
    }
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        if (m == msg::WM_GETDATABASE) return ToLParam(static_cast<IFrmDatabase*>(&HostDatabase()));
        if (m == msg::WM_SENDMML) {
            auto* block = FromWParam<SCommandBlock>(w);
            commands.emplace_back(block->text);
            return 1;
        }
        if (m == msg::WM_OBJIDENTITY && l == msg::IDENT_DESTROY_REQUEST) {
            ++destroyRequests;
            return agree && window ? static_cast<LRESULT>(GetWindowHandle(window)) : 0;
        }
        if (m == msg::WM_OBJIDENTITY) identities.push_back(l);
        if (m == msg::WM_OBJWND_DESTROYED) gone.push_back(w);
        if (m == msg::WM_SENDBINFRAME) ++frames;
        return 0;
    }
    // The module's window of that type, its own dialogs' commands taken as
    // unanswered and forgotten.
    CUserObjWnd* OpenQuiet(int type) {
        auto* w = static_cast<CUserObjWnd*>(ExternMain(this, type));
        window = w;
        if (w) {
            commands.clear();
            w->m_nMMLCount = 0;
            w->UpdateBusyState();
        }
        return w;
    }
    std::vector<std::string> commands;
    std::vector<LPARAM> identities;
    std::vector<WPARAM> gone;  // the instance handles of WM_USER+1000
    int destroyRequests = 0;
    int frames = 0;
    bool agree = true;
    QObject* window = nullptr;
};
