// The Window menu of the host's main window.
#include "WindowMenu.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

#include "WindowArrange.h"

namespace host {

void FillWindowMenu(QMenu* menu, QMdiArea* mdi) {
    menu->clear();
    const QList<QMdiSubWindow*> windows = mdi->subWindowList(QMdiArea::CreationOrder);
    // Arranged by the host: every window inside the area at a usable size.
    QAction* tile = menu->addAction(QStringLiteral("&Tile"), mdi, [mdi] { TileWindows(mdi); });
    QAction* cascade = menu->addAction(QStringLiteral("&Cascade"), mdi, [mdi] { CascadeWindows(mdi); });
    // Ctrl+F6 is the windows' own shortcut; a second one would make it ambiguous.
    QAction* next = menu->addAction(QStringLiteral("&Next Window\tCtrl+F6"), mdi,
                                    &QMdiArea::activateNextSubWindow);
    QAction* closeAll =
        menu->addAction(QStringLiteral("Close &All"), mdi, &QMdiArea::closeAllSubWindows);
    for (QAction* a : {tile, cascade, next, closeAll}) a->setEnabled(!windows.isEmpty());
    if (windows.isEmpty()) return;
    menu->addSeparator();
    for (int i = 0; i < windows.size(); ++i) {
        QPointer<QMdiSubWindow> w(windows[i]);
        // The first nine are reached by their digit.
        const QString number =
            i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QStringLiteral("%1 ").arg(i + 1);
        QString title = w->windowTitle();
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* a = menu->addAction(number + title, mdi, [mdi, w] {
            if (!w) return;
            if (w->isMinimized()) w->showNormal();
            mdi->setActiveSubWindow(w);
        });
        a->setCheckable(true);
        a->setChecked(w == mdi->activeSubWindow());
    }
}

}  // namespace host
