// CReportSlot: the one report of a window that the operator has in front of
// him at a time. A report that comes while another is open does not stack a
// second dialog on it: it takes the open report dialog's place in that
// dialog, or, while a message box is open, waits and follows it when it is
// closed (only the newest waits).
#pragma once

#include <QPointer>

#include <optional>
#include <string>

class CReportDlg;
class QObject;
class QWidget;

class CReportSlot {
public:
    struct SReport {
        bool dialog = false;   // the report dialog; else a message box
        std::string text;
        std::string details;   // behind the box's "Details" button
        std::string caption;   // the box's
        unsigned style = 0;    // the box's
    };
    // Shows the report over owner, or hands it to the report open.
    void Show(QWidget* owner, QObject* hostMainWindow, SReport report);
    bool IsOpen() const { return m_open; }

private:
    void Present(QWidget* owner, QObject* hostMainWindow, const SReport& report);

    bool m_open = false;
    QPointer<CReportDlg> m_dialog;
    std::optional<SReport> m_waiting;
};
