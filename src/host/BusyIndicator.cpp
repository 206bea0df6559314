// The status bar's busy indicator.
#include "BusyIndicator.h"

#include <QHBoxLayout>
#include <QStyle>

#include "SwitchLink.h"

namespace host {

CBusyIndicator::CBusyIndicator(CSwitchLink* link, QWidget* parent)
    : QWidget(parent), m_link(link), m_label(new QLabel(this)), m_stop(new QToolButton(this)) {
    setObjectName(QStringLiteral("busyIndicator"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_stop);
    m_stop->setObjectName(QStringLiteral("stopWaiting"));
    m_stop->setText(QStringLiteral("Stop waiting"));
    m_stop->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    m_stop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_stop->setAutoRaise(true);
    m_stop->setToolTip(
        QStringLiteral("Give up the commands the switch has not answered; their windows are free "
                       "again (a change may still have been carried out on the switch)."));
    connect(m_stop, &QToolButton::clicked, this, [this] {
        const int n = m_link->StopWaiting(m_nDelayMs);
        Update();
        emit Stopped(n);
    });
    connect(&m_tick, &QTimer::timeout, this, &CBusyIndicator::Update);
    connect(m_link, &CSwitchLink::OutstandingChanged, this, &CBusyIndicator::Update);
    m_tick.start(250);
    hide();
}

void CBusyIndicator::Update() {
    std::string command;
    const qint64 waited = m_link->LongestWait(&command);
    if (waited < 0 || waited < m_nDelayMs) {
        hide();
        return;
    }
    QString text = QString::fromStdString(command);
    if (text.size() > 48) text = text.left(47) + QChar(0x2026);
    const int others = m_link->Outstanding() - 1;
    m_label->setText(
        QStringLiteral("Waiting for the switch: %1 s - %2%3")
            .arg(waited / 1000)
            .arg(text)
            .arg(others > 0 ? QStringLiteral(" (and %1 more)").arg(others) : QString()));
    show();
}

}  // namespace host
