// Arranging the object windows in the MDI area so that every one stays on
// the screen at a size its lists and panel can be used at: tiling,
// cascading, and the size a window takes when it is restored.
#pragma once

#include <QRect>

class QMdiArea;
class QMdiSubWindow;

namespace host {

// The least a restored or cascaded window is given: two thirds of the area
// each way, but never more than the area.
QSize UsableSize(const QRect& area);
// The geometry g moved and shrunk as little as needed to lie inside area,
// and grown to at least least (within the area).
QRect FitInside(const QRect& g, const QRect& area, const QSize& least);
// Tiles the windows that are not minimised over the whole area, in rows of
// equal height; the last row's windows share its width.
void TileWindows(QMdiArea* mdi);
// Cascades them down and to the right by a title bar's height, each at the
// same usable size, starting again at the top left when a step would leave
// the area; the active window stays in front.
void CascadeWindows(QMdiArea* mdi);
// A window restored from maximised or minimised comes back inside the area
// at a usable size, whatever size it had before.
void KeepWholeWhenRestored(QMdiArea* mdi, QMdiSubWindow* window);

}  // namespace host
