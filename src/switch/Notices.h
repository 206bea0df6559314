// Notices of changes: a session may ask to be told when records of the
// object types it shows change (SUB NOTICE), and from then on every change
// another session makes to those types reaches it as a notice, a block that
// reads like a report but whose first line is "NOTICE" instead of an echo
// (docs/mml.md, Notices). A session that never asks gets none.
//
// The board only keeps who wants what and collects the notices a command
// gave; who carries them to the sessions (the TCP server, the embedded
// switch) decides what to do with a session that does not take them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Queries.h"
#include "hostlibs/ObjDesc.h"

namespace mmlsw {

// One notice for one session.
struct SNotice {
    SessionId session = 0;
    std::string text;
};

class CNoticeBoard {
public:
    using Keys = std::vector<std::pair<std::string, std::string>>;

    void Subscribe(SessionId session, DWORD type) { m_subscribed[session].insert(type); }
    // All of the session's types when type is 0.
    void Unsubscribe(SessionId session, DWORD type = 0);
    std::set<DWORD> Subscriptions(SessionId session) const;
    bool Any() const { return !m_subscribed.empty(); }

    // A change `from` made: a notice to every other session that wants the type.
    void Changed(SessionId from, DWORD type, const std::string& object, const std::string& verb, const Keys& keys,
                 const std::string& revision);
    // The notices collected since the last call, oldest first.
    std::vector<SNotice> Take() { return std::exchange(m_outbox, {}); }

private:
    std::map<SessionId, std::set<DWORD>> m_subscribed;
    std::vector<SNotice> m_outbox;
};

// The text of a notice: VERB, OBJECT, the key attributes, REV (when the
// record has one).
std::string NoticeText(const std::string& object, const std::string& verb, const CNoticeBoard::Keys& keys,
                       const std::string& revision);
// The one notice a session gets when notices meant for it were dropped:
// what it shows may be out of date, it should read it again.
std::string RefreshNoticeText();
// Whether a block read off a connection is a notice rather than a report.
inline bool IsNoticeText(const std::string& block) { return block.rfind("NOTICE\n", 0) == 0; }

}  // namespace mmlsw
