// The module-wide state every window of the module shares: the list lock
// (raised while commands are outstanding) and the shared menu.
#pragma once

class QMenu;

// While greater than 0, object lists ignore clicks, keys and menu commands.
extern int g_nListLock;

// The shared MDI menu, built by the first object window (menu 128).
QMenu* SharedMenu();
