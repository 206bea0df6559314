// What the operator sees, as JSON, on request from outside the process:
// a script that drives the client through the X server (clicks, keys)
// learns where things are and what they show without reading pixels.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace host {

class CHostMainWindow;

// Every visible top-level window (the main window, dialogs, open menus and
// drop-down lists) with its controls in screen coordinates: buttons, menu
// items, tabs, header sections, the rows shown in lists and trees, editors.
QJsonObject DumpScreen();

// On SIGUSR1 writes {"outstanding", "killed", "windows" (as --dump), "screen"}
// to a file, atomically (a reader never sees half of it), and once when the
// event loop starts, to say that the signal is taken. Only one writer can
// exist in a process: it owns the signal.
class CStateOnSignal : public QObject {
public:
    CStateOnSignal(CHostMainWindow& main, QString file);
    ~CStateOnSignal() override;
    CStateOnSignal(const CStateOnSignal&) = delete;
    CStateOnSignal& operator=(const CStateOnSignal&) = delete;

    // Empty when the signal could be taken over; otherwise why not.
    const QString& Error() const { return m_error; }
    bool Write() const;

private:
    CHostMainWindow& m_main;
    QString m_file;
    QString m_error;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace host
