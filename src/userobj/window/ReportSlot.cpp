// The window's one open report.
#include "ReportSlot.h"

#include <utility>

#include "ReportDlg.h"
#include "UiService.h"

void CReportSlot::Show(QWidget* owner, QObject* hostMainWindow, SReport report) {
    if (m_dialog) {
        // The report dialog open shows the newest report, a refusal with
        // the command behind it.
        std::string text = std::move(report.text);
        if (!report.details.empty()) text += "\n\n" + report.details;
        m_dialog->SetText(text);
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    if (m_open) {
        m_waiting = std::move(report);
        return;
    }
    m_open = true;
    for (std::optional<SReport> next = std::move(report); next; next = std::exchange(m_waiting, std::nullopt))
        Present(owner, hostMainWindow, *next);
    m_open = false;
}

void CReportSlot::Present(QWidget* owner, QObject* hostMainWindow, const SReport& report) {
    if (!report.dialog) {
        platform::Ui().MessageBoxDetails(owner, report.text, report.details, report.caption, report.style);
        return;
    }
    CReportDlg dlg(owner, report.text, hostMainWindow);
    m_dialog = &dlg;
    platform::Ui().ExecDialog(dlg);
}
