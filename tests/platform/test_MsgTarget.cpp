// The message layer: send, post, message maps and broadcasts.
#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "MsgTarget.h"

namespace {

constexpr UINT kA = WM_USER + 1;
constexpr UINT kB = WM_USER + 2;
constexpr UINT kC = WM_USER + 3;

class CBaseWnd : public CWndT<QWidget> {
    DECLARE_MESSAGE_MAP()
public:
    using CWndT::CWndT;
    std::vector<std::pair<UINT, WPARAM>> seen;
    LRESULT OnA(WPARAM w, LPARAM) {
        seen.emplace_back(kA, w);
        return 10;
    }
    LRESULT OnB(WPARAM w, LPARAM) {
        seen.emplace_back(kB, w);
        return 20;
    }
    LRESULT DefWindowProc(UINT m, WPARAM, LPARAM) override { return m == kC ? -7 : 0; }
};

const MsgMap* CBaseWnd::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(kA, &CBaseWnd::OnA),
                                    ON_MESSAGE(kB, &CBaseWnd::OnB)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

// A second base in front of CMsgTarget checks that handlers of a derived
// class are reached through the right object address.
struct CPadding {
    virtual ~CPadding() = default;
    long pad[3] = {1, 2, 3};
};

class CDerivedWnd : public CPadding, public CBaseWnd {
    DECLARE_MESSAGE_MAP()
public:
    using CBaseWnd::CBaseWnd;
    int derivedHits = 0;
    LRESULT OnBDerived(WPARAM, LPARAM l) {
        derivedHits += static_cast<int>(l);
        return pad[2] * 100;
    }
};

const MsgMap* CDerivedWnd::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(kB, &CDerivedWnd::OnBDerived)};
    static const MsgMap m{CBaseWnd::MessageMap(), e};
    return &m;
}

void Drain() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace

TEST(MessageMap, RoutesByNumberThroughTheBaseChainAndFallsToDefault) {
    CDerivedWnd w;
    EXPECT_EQ(SendMessage(&w, kB, 0, 2), 300);  // derived entry wins over the base's
    EXPECT_EQ(w.derivedHits, 2);
    EXPECT_EQ(SendMessage(&w, kA, 5, 0), 10);   // base entry still reached
    EXPECT_EQ(SendMessage(&w, kC), -7);         // unknown to every map: default
    EXPECT_EQ(SendMessage(&w, WM_USER + 99), 0);
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(w.seen[0], std::make_pair(kA, WPARAM{5}));
}

TEST(MessageDelivery, PostedArrivesAfterALaterSend) {
    CBaseWnd w;
    PostMessage(&w, kA, 1);
    SendMessage(&w, kB, 2);
    EXPECT_EQ(w.seen.size(), 1u);  // the post waits for the event loop
    Drain();
    ASSERT_EQ(w.seen.size(), 2u);
    EXPECT_EQ(w.seen[0], std::make_pair(kB, WPARAM{2}));
    EXPECT_EQ(w.seen[1], std::make_pair(kA, WPARAM{1}));
}

TEST(MessageDelivery, NonWindowsAndDeadTargetsAreHarmless) {
    QObject plain;
    EXPECT_EQ(SendMessage(&plain, kA), 0);
    EXPECT_EQ(SendMessage(nullptr, kA), 0);
    EXPECT_FALSE(PostMessage(nullptr, kA));
    EXPECT_FALSE(IsWindow(&plain));

    auto w = std::make_unique<CBaseWnd>();
    EXPECT_TRUE(IsWindow(w.get()));
    PostMessage(w.get(), kA);
    w.reset();  // the queued message dies with its target
    Drain();
}

TEST(MessageDelivery, PostFromAWorkerThreadArrivesOnTheTargetThread) {
    CBaseWnd w;
    std::unique_ptr<QThread> t(QThread::create([&] { PostMessage(&w, kA, 42); }));
    t->start();
    t->wait();
    Drain();
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(w.seen[0].second, 42u);
}

namespace {

// Deletes its sibling when it gets kA.
class CKillerWnd : public CWndT<QWidget> {
    DECLARE_MESSAGE_MAP()
public:
    using CWndT::CWndT;
    QWidget* victim = nullptr;
    LRESULT OnA(WPARAM, LPARAM) {
        delete victim;
        victim = nullptr;
        return 0;
    }
};

const MsgMap* CKillerWnd::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(kA, &CKillerWnd::OnA)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

}  // namespace

TEST(Broadcast, SurvivesAHandlerThatDestroysASibling) {
    CBaseWnd root;
    auto* killer = new CKillerWnd(&root);
    killer->victim = new CBaseWnd(&root);
    auto* after = new CBaseWnd(&root);
    SendMessageToDescendants(&root, kA, 1);
    EXPECT_EQ(killer->victim, nullptr);
    EXPECT_EQ(after->seen.size(), 1u);
}

// A broadcast reaches children of children, through widgets that are no
// windows of ours, each parent before its children, and not the root.
TEST(Broadcast, ReachesEveryDescendantParentsFirstButNotTheRoot) {
    std::vector<QObject*> order;
    class COrdered : public CWndT<QWidget> {
    public:
        COrdered(QWidget* parent, std::vector<QObject*>& log) : CWndT(parent), m_log(log) {}
        LRESULT WindowProc(UINT, WPARAM, LPARAM) override {
            m_log.push_back(this);
            return 0;
        }

    private:
        std::vector<QObject*>& m_log;
    };
    COrdered root(nullptr, order);
    auto* a = new COrdered(&root, order);
    auto* plain = new QWidget(a);  // not a window of ours: passed through
    auto* a1 = new COrdered(plain, order);
    auto* b = new COrdered(&root, order);
    SendMessageToDescendants(&root, kA, 7, 0);
    EXPECT_EQ(order, (std::vector<QObject*>{a, a1, b}));
}
