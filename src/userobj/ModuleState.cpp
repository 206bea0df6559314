// The module-wide state.
#include "ModuleState.h"

#include <QMenu>

int g_nListLock = 0;

QMenu* SharedMenu() {
    // Built once on first use and kept for the module's life; the windows
    // only point at it.
    static QMenu* menu = [] {
        auto* m = new QMenu(QStringLiteral("&Subscriber Data"));
        m->setObjectName(QStringLiteral("menu128"));
        return m;
    }();
    return menu;
}
