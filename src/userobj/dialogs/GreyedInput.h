// A window greyed while a command is out disables its controls, yet Qt still
// hands a disabled control's mouse events to the event filters installed on
// it. A dialog's filter acts on a control's input only while it takes input.
#pragma once

#include <QWidget>

inline bool TakesInput(const QObject* watched) {
    const auto* w = qobject_cast<const QWidget*>(watched);
    return !w || w->isEnabled();
}
