// Notices of changes: subscriptions and the notice texts.
#include "Notices.h"

#include "hostlibs/ReportWriter.h"

namespace mmlsw {

namespace {

// A report whose echo line is "NOTICE": the same parser reads it, and no
// report answering a command begins so (every echo begins with "%%").
std::string AsNotice(const CReportWriter& w) {
    std::string text = w.Finish();
    return "NOTICE" + text.substr(text.find('\n'));
}

}  // namespace

void CNoticeBoard::Unsubscribe(SessionId session, DWORD type) {
    auto it = m_subscribed.find(session);
    if (it == m_subscribed.end()) return;
    if (type) it->second.erase(type);
    if (!type || it->second.empty()) m_subscribed.erase(it);
}

std::set<DWORD> CNoticeBoard::Subscriptions(SessionId session) const {
    auto it = m_subscribed.find(session);
    return it == m_subscribed.end() ? std::set<DWORD>{} : it->second;
}

void CNoticeBoard::Changed(SessionId from, DWORD type, const std::string& object, const std::string& verb,
                           const Keys& keys, const std::string& revision) {
    std::string text;
    for (const auto& [session, types] : m_subscribed) {
        // The session that made the change has its own answer.
        if (session == from || !types.count(type)) continue;
        if (text.empty()) text = NoticeText(object, verb, keys, revision);
        m_outbox.push_back({session, text});
    }
}

std::string NoticeText(const std::string& object, const std::string& verb, const CNoticeBoard::Keys& keys,
                       const std::string& revision) {
    CReportWriter w({}, 0, "Changed by another session.");
    w.BeginObject("NOTICE");
    w.Add("VERB", verb);
    w.Add("OBJECT", object);
    for (const auto& [name, value] : keys) w.Add(name, value);
    if (!revision.empty()) w.Add("REV", revision);
    return AsNotice(w);
}

std::string RefreshNoticeText() {
    CReportWriter w({}, 0, "Notices were dropped: read again what is shown.");
    w.BeginObject("NOTICE");
    w.Add("VERB", "REFRESH");
    return AsNotice(w);
}

}  // namespace mmlsw
