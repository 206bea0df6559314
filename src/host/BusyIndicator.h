// The status bar's busy indicator: once a command has waited for the switch
// longer than a moment, it says so with the time waited, and offers to stop
// waiting (the command is given up as an overdue one is, and its window is
// free again).
#pragma once

#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

namespace host {

class CSwitchLink;

class CBusyIndicator : public QWidget {
    Q_OBJECT
public:
    CBusyIndicator(CSwitchLink* link, QWidget* parent = nullptr);
    // How long a command waits before the indicator shows (ms).
    void SetDelay(int ms) { m_nDelayMs = ms; }
    QToolButton* StopButton() const { return m_stop; }
    QString Text() const { return m_label->text(); }
    // Looks at the link again (the indicator also does so several times a second).
    void Update();

signals:
    // The operator stopped waiting; n commands were given up.
    void Stopped(int n);

private:
    CSwitchLink* m_link;
    QLabel* m_label;
    QToolButton* m_stop;
    QTimer m_tick;
    int m_nDelayMs = 1000;
};

}  // namespace host
