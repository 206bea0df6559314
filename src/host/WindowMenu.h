// The Window menu: arranging the object windows, and one numbered entry per
// open window that brings it to the front. Rebuilt each time it opens.
#pragma once

class QMdiArea;
class QMenu;

namespace host {

// Fills menu for the windows of mdi as they are now.
void FillWindowMenu(QMenu* menu, QMdiArea* mdi);

}  // namespace host
