// Notices of changes other operators make, routed to the windows that show
// the changed objects. A window shows an object once it lists it: the
// first list of an object subscribes the link to its notices (SUB NOTICE,
// docs/mml.md), the last window of it going ends that (USB NOTICE). Each
// notice goes to the windows of its object as the host event "Notice"
// (the notice's text); a notice that notices were dropped goes to every
// window. A link that comes up again subscribes again.
#pragma once

#include <QObject>
#include <QPointer>

#include <map>
#include <set>
#include <string>

namespace host {

class CSwitchLink;

class CNoticeRouter : public QObject {
    Q_OBJECT
public:
    explicit CNoticeRouter(CSwitchLink& link, QObject* parent = nullptr);
    // A command a window hands the host; a list names an object it shows.
    // Called before the command goes out, so that no change made after its
    // answer goes unnoticed.
    void Seen(QObject* window, const std::string& command);
    // The objects the link has asked to hear of.
    const std::set<std::string>& Subscribed() const { return m_subscribed; }

private:
    void Forget(QObject* window);
    void OnNotice(const std::string& text);
    void OnLinkState(bool connected);
    static void Tell(QObject* window, const std::string& text);

    CSwitchLink& m_link;
    std::map<QObject*, std::pair<QPointer<QObject>, std::set<std::string>>> m_windows;
    std::set<std::string> m_subscribed;  // wanted by a window
    std::set<std::string> m_live;        // asked for on the link's present connection
};

}  // namespace host
