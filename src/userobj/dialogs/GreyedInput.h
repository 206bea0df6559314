// A window greyed while a command is out disables its controls, yet Qt still
// hands a disabled control's mouse events to the event filters installed on
// it. A dialog's filter leaves the clicks on such a control alone.
#pragma once

#include <QEvent>
#include <QWidget>

inline bool IsGreyedClick(const QObject* watched, const QEvent* e) {
    switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto* w = qobject_cast<const QWidget*>(watched);
            return w && !w->isEnabled();
        }
        default:
            return false;
    }
}
