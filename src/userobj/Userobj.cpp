// Entry of the module: the host calls ExternMain once per object window.
#include <QMdiArea>

#include <memory>

#include "CmdParaDlg.h"
#include "Filter.h"
#include "SortTable.h"
#include "UserObjWnd.h"
#include "hostlibs/ObjData.h"

namespace {
// The application object: the object-data library starts with the module,
// and its commands take their parameters from the parameter dialog.
struct CUserobjApp {
    CCmdParaEditor editor;
    CUserobjApp() {
        InitObjDataDLL();
        SetCmdParamEditor(&editor);
        FilterTable();  // the module-wide tables are read once, at load
        SortTable();
    }
    ~CUserobjApp() { SetCmdParamEditor(nullptr); }
};
CUserobjApp theApp;
}  // namespace

extern "C" __attribute__((visibility("default"))) void* ExternMain(void* hostFrame, int configType) {
    auto wnd = std::make_unique<CUserObjWnd>();
    switch (configType) {
        case 1: wnd->m_bNumSegCfg = TRUE; break;
        case 2: wnd->m_bCentrexCfg = TRUE; break;
        case 3: case 4: case 5: case 6: case 7: case 12: case 15:
            wnd->m_bUserCfg = TRUE;
            wnd->m_iConfigType = configType;
            break;
        case 8: case 9: case 10: case 11: case 13:
            wnd->m_bCmdObjCfg = TRUE;
            wnd->m_iConfigType = configType;
            break;
        default:
            return nullptr;
    }
    if (!wnd->Create(static_cast<QObject*>(hostFrame))) return nullptr;
    CUserObjWnd* w = wnd.release();  // from now on the MDI area owns the window
    // Restored, the window keeps three quarters of the area (of the frame
    // while it is not shown yet): room for its lists and the property panel.
    if (const QMdiArea* area = w->mdiArea())
        w->resize((area->isVisible() ? area->viewport()->size() : area->window()->size()) * 3 / 4);
    w->showMaximized();
    return w;
}
