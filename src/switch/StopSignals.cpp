// Signals through a socket pair: a handler may only write a byte; the event
// loop reads it and quits.
#include "StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace mmlsw {

namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int sig) {
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
}

void Handle(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(sig, &sa, nullptr);
}

}  // namespace

CStopSignals::CStopSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char b = 0;
        if (::read(g_pipe[0], &b, 1) != 1) return;
        if (b == SIGHUP && m_reload) return m_reload();
        m_received = b;
        QCoreApplication::quit();
    });
    Handle(SIGTERM, OnSignal);
    Handle(SIGINT, OnSignal);
}

void CStopSignals::OnHangUp(std::function<void()> reload) {
    if (!m_notifier) return;
    m_reload = std::move(reload);
    Handle(SIGHUP, OnSignal);
}

CStopSignals::~CStopSignals() {
    if (!m_notifier) return;
    if (m_reload) Handle(SIGHUP, SIG_DFL);
    Handle(SIGTERM, SIG_DFL);
    Handle(SIGINT, SIG_DFL);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

}  // namespace mmlsw
