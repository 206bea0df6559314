// The host's link to a switch: delivery of reports and kill notices.
#include "SwitchLink.h"

#include <QMetaObject>

#include "MsgTarget.h"
#include "userobj/Messages.h"

namespace host {

void PostText(QObject* window, unsigned message, const std::string& text) {
    if (!window) return;
    QPointer<QObject> target(window);
    QMetaObject::invokeMethod(
        window,
        [target, message, text] {
            if (target) SendMessage(target.data(), message, ToWParam(text.c_str()), 0);
        },
        Qt::QueuedConnection);
}

bool ReportContinues(const std::string& report) {
    // The header lines come first; "CONTINUE = 1" is the fourth.
    const size_t pos = report.find("\nCONTINUE = ");
    return pos != std::string::npos && pos < 70000 && report.compare(pos + 12, 1, "1") == 0;
}

void CSwitchLink::DeliverReport(const std::string& report) {
    if (m_pending.empty()) return;  // a report nobody waits for
    PostText(m_pending.front().window.data(), msg::WM_REPORT, report);
    if (!ReportContinues(report)) {
        m_pending.pop_front();
        emit OutstandingChanged(Outstanding());
    }
}

void CSwitchLink::KillAll() {
    while (!m_pending.empty()) {
        PostText(m_pending.front().window.data(), msg::WM_KILLCMD, m_pending.front().command);
        m_pending.pop_front();
    }
    emit OutstandingChanged(0);
}

}  // namespace host
