// Notices of changes, routed to the windows that show the changed objects.
#include "NoticeRouter.h"

#include "MsgTarget.h"
#include "SwitchLink.h"
#include "hostlibs/MmlText.h"
#include "userobj/Messages.h"

namespace host {

namespace {

// A property of a notice: "KEY = value".
std::string NoticeField(const std::string& text, const std::string& key) {
    const std::string lead = "\n" + key + " = ";
    const size_t at = text.find(lead);
    if (at == std::string::npos) return {};
    const size_t from = at + lead.size();
    return text.substr(from, text.find('\n', from) - from);
}

}  // namespace

CNoticeRouter::CNoticeRouter(CSwitchLink& link, QObject* parent) : QObject(parent), m_link(link) {
    connect(&link, &CSwitchLink::NoticeArrived, this, &CNoticeRouter::OnNotice);
    // Queued: a link that comes up sends what waited for it first, and the
    // answers must come in the order the commands were queued.
    connect(&link, &CSwitchLink::StateChanged, this, [this](bool connected, const QString&) { OnLinkState(connected); },
            Qt::QueuedConnection);
}

void CNoticeRouter::Seen(QObject* window, const std::string& command) {
    if (!window) return;
    const std::string word = MmlCommandWord(command);
    const size_t space = word.find(' ');
    if (space == std::string::npos || word.compare(0, space, "LST") != 0) return;
    const std::string object = word.substr(space + 1);
    auto [it, added] = m_windows.try_emplace(window);
    if (added) {
        it->second.first = window;
        connect(window, &QObject::destroyed, this, [this, window] { Forget(window); });
    }
    it->second.second.insert(object);
    m_subscribed.insert(object);
    if (m_live.insert(object).second) m_link.Send(nullptr, "SUB NOTICE: OBJ=" + object + ";");
}

void CNoticeRouter::Forget(QObject* window) {
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    const std::set<std::string> objects = std::move(it->second.second);
    m_windows.erase(it);
    for (const std::string& object : objects) {
        bool wanted = false;
        for (const auto& [w, entry] : m_windows) wanted = wanted || entry.second.count(object);
        if (wanted || !m_subscribed.erase(object)) continue;
        if (m_live.erase(object)) m_link.Send(nullptr, "USB NOTICE: OBJ=" + object + ";");
    }
}

void CNoticeRouter::OnLinkState(bool connected) {
    // A new connection is a new session of the switch: it knows of no
    // subscription of the one before.
    if (!connected) {
        m_live.clear();
        return;
    }
    for (const std::string& object : m_subscribed)
        if (m_live.insert(object).second) m_link.Send(nullptr, "SUB NOTICE: OBJ=" + object + ";");
}

void CNoticeRouter::OnNotice(const std::string& text) {
    const std::string object = NoticeField(text, "OBJECT");
    const bool everyone = NoticeField(text, "VERB") == "REFRESH";
    for (const auto& [w, entry] : m_windows)
        if (entry.first && (everyone || entry.second.count(object))) Tell(entry.first.data(), text);
}

void CNoticeRouter::Tell(QObject* window, const std::string& text) {
    // After the delivery that brought it: the window may send commands.
    QPointer<QObject> target(window);
    QMetaObject::invokeMethod(
        window,
        [target, text] {
            if (!target) return;
            const std::string name = "Notice";
            SendMessage(target.data(), msg::WM_HOSTEVENT, ToWParam(&name), ToLParam(new std::string(text)));
        },
        Qt::QueuedConnection);
}

}  // namespace host
