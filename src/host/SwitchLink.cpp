// The host's link to a switch: delivery of reports and kill notices.
#include "SwitchLink.h"

#include <QMetaObject>

#include <algorithm>

#include "MsgTarget.h"
#include "Notices.h"
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

CSwitchLink::CSwitchLink(QObject* parent) : QObject(parent) {
    m_clock.start();
    connect(&m_watch, &QTimer::timeout, this, &CSwitchLink::KillOverdue);
}

int CSwitchLink::Outstanding() const {
    int n = 0;
    for (const Pending& p : m_pending) n += p.killed || p.own ? 0 : 1;
    return n;
}

void CSwitchLink::SetCommandTimeout(int ms) {
    m_nTimeoutMs = std::max(0, ms);
    if (m_nTimeoutMs == 0) {
        m_watch.stop();
        return;
    }
    // Checked a few times per timeout, at most once a second.
    m_watch.start(std::clamp(m_nTimeoutMs / 4, 10, 1000));
}

void CSwitchLink::AddPending(QObject* window, const std::string& command) {
    m_pending.push_back({window, command, m_clock.elapsed(), false, window == nullptr});
    emit OutstandingChanged(Outstanding());
}

void CSwitchLink::Kill(Pending& p) {
    p.killed = true;
    GiveUp(p.window.data(), p.command);
}

void CSwitchLink::GiveUp(QObject* window, const std::string& command) {
    ++m_nKilled;
    PostText(window, msg::WM_KILLCMD, command);
}

void CSwitchLink::SetSession(const QString& op, const QString& role) {
    if (op == m_strOperator && role == m_strRole) return;
    m_strOperator = op;
    m_strRole = role;
    emit SessionChanged(op, role);
}

void CSwitchLink::KillOverdue() {
    const qint64 now = m_clock.elapsed();
    bool changed = false;
    for (Pending& p : m_pending) {
        if (p.killed || p.own || now - p.sentAt < m_nTimeoutMs) continue;
        Kill(p);
        changed = true;
        emit CommandTimedOut(QString::fromStdString(p.command));
    }
    if (changed) emit OutstandingChanged(Outstanding());
}

qint64 CSwitchLink::LongestWait(std::string* command) const {
    // Commands are answered in order: the first one not given up waited longest.
    for (const Pending& p : m_pending) {
        if (p.killed || p.own) continue;
        if (command) *command = p.command;
        return m_clock.elapsed() - p.sentAt;
    }
    return -1;
}

int CSwitchLink::StopWaiting(qint64 minWaitMs) {
    const qint64 now = m_clock.elapsed();
    int n = 0;
    for (Pending& p : m_pending) {
        if (p.killed || p.own || now - p.sentAt < minWaitMs) continue;
        Kill(p);
        ++n;
    }
    if (n) emit OutstandingChanged(Outstanding());
    return n;
}

void CSwitchLink::DeliverReport(const std::string& report) {
    if (mmlsw::IsNoticeText(report)) {
        emit NoticeArrived(report);
        return;
    }
    if (m_pending.empty()) return;  // a report nobody waits for
    Pending& front = m_pending.front();
    if (!front.killed) PostText(front.window.data(), msg::WM_REPORT, report);  // a late one is dropped
    if (!ReportContinues(report)) {
        m_pending.pop_front();
        emit OutstandingChanged(Outstanding());
    }
}

void CSwitchLink::KillAll() {
    while (!m_pending.empty()) {
        if (!m_pending.front().killed && !m_pending.front().own) Kill(m_pending.front());
        m_pending.pop_front();
    }
    emit OutstandingChanged(0);
}

}  // namespace host
