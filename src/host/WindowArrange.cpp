// Arranging the object windows in the MDI area.
#include "WindowArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace host {

namespace {

QRect AreaOf(const QMdiArea* mdi) { return mdi->viewport()->rect(); }

// The windows to arrange, the front one last.
QList<QMdiSubWindow*> Arranged(QMdiArea* mdi) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi->subWindowList(QMdiArea::StackingOrder))
        if (!w->isMinimized() && !w->isHidden()) windows.push_back(w);
    return windows;
}

// Set while an arrangement restores a window: it places the window itself.
constexpr char kPlacing[] = "uoPlacing";

void Place(QMdiSubWindow* w, const QRect& g) {
    if (w->isMaximized() || w->isMinimized()) {
        w->setProperty(kPlacing, true);
        w->showNormal();
        w->setProperty(kPlacing, false);
    }
    w->setGeometry(g);
}

}  // namespace

QSize UsableSize(const QRect& area) { return QSize(area.width() * 2 / 3, area.height() * 2 / 3); }

QRect FitInside(const QRect& g, const QRect& area, const QSize& least) {
    const int w = std::clamp(g.width(), std::min(least.width(), area.width()), area.width());
    const int h = std::clamp(g.height(), std::min(least.height(), area.height()), area.height());
    const int x = std::clamp(g.x(), area.left(), area.left() + area.width() - w);
    const int y = std::clamp(g.y(), area.top(), area.top() + area.height() - h);
    return QRect(x, y, w, h);
}

void TileWindows(QMdiArea* mdi) {
    const QList<QMdiSubWindow*> windows = Arranged(mdi);
    if (windows.isEmpty()) return;
    QMdiSubWindow* front = mdi->activeSubWindow();
    const QRect area = AreaOf(mdi);
    const int n = static_cast<int>(windows.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const int rows = (n + columns - 1) / columns;
    for (int i = 0; i < n; ++i) {
        const int row = i / columns;
        const int inRow = row + 1 == rows ? n - row * columns : columns;
        const int col = i % columns;
        const int x0 = area.width() * col / inRow, x1 = area.width() * (col + 1) / inRow;
        const int y0 = area.height() * row / rows, y1 = area.height() * (row + 1) / rows;
        Place(windows[i], QRect(area.left() + x0, area.top() + y0, x1 - x0, y1 - y0));
    }
    if (front) mdi->setActiveSubWindow(front);
}

void CascadeWindows(QMdiArea* mdi) {
    const QList<QMdiSubWindow*> windows = Arranged(mdi);
    if (windows.isEmpty()) return;
    QMdiSubWindow* front = mdi->activeSubWindow();
    const QRect area = AreaOf(mdi);
    const int step = std::max(8, windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                                       windows.front()));
    const int n = static_cast<int>(windows.size());
    // As large as the steps allow, but never below the usable size: the
    // steps then start again at the top left.
    const QSize least = UsableSize(area);
    const QSize size(std::max(least.width(), area.width() - (n - 1) * step),
                     std::max(least.height(), area.height() - (n - 1) * step));
    const int stepsFit = std::max(1, std::min((area.width() - size.width()) / step,
                                              (area.height() - size.height()) / step) + 1);
    for (int i = 0; i < n; ++i) {
        const int k = i % stepsFit;
        Place(windows[i], QRect(area.topLeft() + QPoint(k * step, k * step), size));
        windows[i]->raise();
    }
    if (front) {
        front->raise();
        mdi->setActiveSubWindow(front);
    }
}

void KeepWholeWhenRestored(QMdiArea* mdi, QMdiSubWindow* window) {
    QPointer<QMdiArea> area(mdi);
    QObject::connect(window, &QMdiSubWindow::windowStateChanged, window,
                     [area, window](Qt::WindowStates before, Qt::WindowStates now) {
                         const Qt::WindowStates away = Qt::WindowMaximized | Qt::WindowMinimized;
                         if (!(before & away) || (now & away) || window->property(kPlacing).toBool()) return;
                         // The restore geometry stands when the state has
                         // changed: it is fitted before it is shown.
                         if (!area) return;
                         const QRect r = AreaOf(area);
                         window->setGeometry(FitInside(window->geometry(), r, UsableSize(r)));
                     });
}

}  // namespace host
