// The link to a switch over TLS and with a login: certificates trusted by
// an authority or on first use, a changed certificate refused, a peer that
// speaks no TLS told apart; commands refused for want of a login sent again
// once logged in, the login made again when the link comes back, and the
// logout when the link is closed.
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "TlsSwitch.h"
#include "WaitFor.h"

#include "MsgTarget.h"
#include "TcpSwitchLink.h"
#include "hostlibs/ObjArray.h"
#include "userobj/Messages.h"

namespace {

// Keeps what WM_USER+1004 and +1006 bring.
class CWindow : public CWndT<QWidget> {
public:
    std::vector<std::pair<UINT, std::string>> got;
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM) override {
        if (m == msg::WM_REPORT || m == msg::WM_KILLCMD) got.emplace_back(m, FromWParam<const char>(w));
        return 0;
    }
    int RetCode(size_t i) const {
        CObjArray a;
        Parse(got.at(i).second, 1, a);
        return a.GetRetCode();
    }
};

class SecureLink : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::unique_ptr<host::CTcpSwitchLink> Link(quint16 port, bool tls, const QString& ca = {}) {
        auto link = std::make_unique<host::CTcpSwitchLink>(host::STcpTarget{"127.0.0.1", port, tls, ca});
        link->SetKnownSwitches(host::CKnownSwitches(dir.filePath("client.ini").toStdString()));
        link->SetTrustQuestion([this](const QString&, const QString& fingerprint, const QString&) {
            asked << fingerprint;
            return trust;
        });
        QObject::connect(link.get(), &host::CSwitchLink::StateChanged, [this](bool, const QString& t) { states << t; });
        return link;
    }
    // A plain link to the switch, which holds that one account: the window
    // w sent a command and the link asked for a login (asks counts).
    std::unique_ptr<host::CTcpSwitchLink> AskedToLogIn(testtls::CServedSwitch& s, const std::string& name,
                                                       const std::string& role, const std::string& password) {
        s.AddOperator(name, role, password);
        s.Serve(nullptr);
        auto link = Link(s.Port(), false);
        QObject::connect(link.get(), &host::CTcpSwitchLink::LoginNeeded, [this](const QString&) { ++asks; });
        link->Send(&w, "DSP V5IF: V5IID=1;");
        if (!WaitFor([this] { return asks == 1; })) return nullptr;
        return link;
    }
    QTemporaryDir dir;
    QStringList asked, states;
    bool trust = true;
    CWindow w;
    int asks = 0;
};

TEST_F(SecureLink, AnUnknownCertificateIsTrustedOnFirstUseAndAChangedOneRefusedNamingBoth) {
    const testtls::SCert first = testtls::MakeCert(dir, "first"), second = testtls::MakeCert(dir, "second");
    auto s = std::make_unique<testtls::CServedSwitch>();
    s->Serve(&first);
    const quint16 port = s->Port();
    {
        auto link = Link(port, true);
        CWindow w;
        link->Send(&w, "DSP V5IF: V5IID=1;");
        ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
        EXPECT_EQ(w.got[0].first, msg::WM_REPORT);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].startsWith("SHA256:"));
    }
    const QString firstPrint = asked[0];
    // Known now: the same certificate is not asked about again.
    {
        auto link = Link(port, true);
        CWindow w;
        link->Send(&w, "DSP V5IF: V5IID=1;");
        ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
        EXPECT_EQ(w.got[0].first, msg::WM_REPORT);
        EXPECT_EQ(asked.size(), 1);
    }
    // Another certificate at the same address: refused, both named, the
    // command given up and nothing asked.
    s.reset();
    s = std::make_unique<testtls::CServedSwitch>();
    s->Serve(&second, port);
    auto link = Link(port, true);
    QString lost;
    QObject::connect(link.get(), &host::CSwitchLink::LinkLost, [&](const QString& why) { lost = why; });
    CWindow w;
    link->Send(&w, "DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
    EXPECT_EQ(w.got[0].first, msg::WM_KILLCMD);
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(lost.contains(firstPrint)) << lost.toStdString();
    EXPECT_TRUE(lost.contains("SHA256:") && lost.count("SHA256:") == 2) << lost.toStdString();
    EXPECT_EQ(link->Outstanding(), 0);
}

TEST_F(SecureLink, ACertificateNotAcceptedOrNotVouchedForByTheGivenAuthorityIsRefused) {
    const testtls::SCert cert = testtls::MakeCert(dir, "switch"), other = testtls::MakeCert(dir, "other");
    testtls::CServedSwitch s;
    s.Serve(&cert);
    {
        trust = false;
        auto link = Link(s.Port(), true);
        CWindow w;
        link->Send(&w, "DSP V5IF: V5IID=1;");
        ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
        EXPECT_EQ(w.got[0].first, msg::WM_KILLCMD);
        EXPECT_TRUE(states.back().contains("not accepted")) << states.back().toStdString();
    }
    // The authority file decides alone: its own certificate passes, unasked.
    trust = true;
    asked.clear();
    {
        auto link = Link(s.Port(), true, cert.cert);
        CWindow w;
        link->Send(&w, "DSP V5IF: V5IID=1;");
        ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
        EXPECT_EQ(w.got[0].first, msg::WM_REPORT);
    }
    {
        auto link = Link(s.Port(), true, other.cert);
        CWindow w;
        link->Send(&w, "DSP V5IF: V5IID=1;");
        ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
        EXPECT_EQ(w.got[0].first, msg::WM_KILLCMD);
        EXPECT_TRUE(states.back().contains("authority")) << states.back().toStdString();
    }
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(SecureLink, APlainSwitchOnATlsAddressIsToldApartAndTheLinkStaysUsable) {
    testtls::CServedSwitch plain;
    plain.Serve(nullptr);
    auto link = Link(plain.Port(), true);
    link->SetHandshakeTimeout(2000);
    CWindow w;
    link->Send(&w, "DSP V5IF: V5IID=1;");
    link->Send(&w, "DSP V5IF: V5IID=2;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 2; }, 10000));
    EXPECT_EQ(w.got[0].first, msg::WM_KILLCMD);
    EXPECT_EQ(w.got[1].first, msg::WM_KILLCMD);
    EXPECT_TRUE(states.back().contains("plain TCP switch")) << states.back().toStdString();
    // A silent peer: the handshake is given up, not waited for.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    auto quiet = Link(silent.serverPort(), true);
    quiet->SetHandshakeTimeout(100);
    CWindow v;
    quiet->Send(&v, "DSP V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return v.got.size() == 1; }, 10000));
    EXPECT_EQ(v.got[0].first, msg::WM_KILLCMD);
    EXPECT_TRUE(states.back().contains("no TLS handshake")) << states.back().toStdString();
}

TEST_F(SecureLink, CommandsRefusedForWantOfALoginGoOutAgainOnceLoggedInAndAfterTheLinkCameBack) {
    auto s = std::make_unique<testtls::CServedSwitch>();
    s->AddOperator("alice", "operator", "alice-secret");
    s->Serve(nullptr);
    const quint16 port = s->Port();
    auto link = Link(port, false);
    QStringList problems;
    QObject::connect(link.get(), &host::CTcpSwitchLink::LoginNeeded, [&](const QString& p) { problems << p; });
    QStringList sessions;
    QObject::connect(link.get(), &host::CSwitchLink::SessionChanged,
                     [&](const QString& op, const QString& role) { sessions << op + "/" + role; });
    CWindow w;
    link->Send(&w, "DSP V5IF: V5IID=1;");
    link->Send(&w, "DSP V5IF: V5IID=2;");
    ASSERT_TRUE(WaitFor([&] { return problems.size() == 1; }));
    EXPECT_TRUE(problems[0].isEmpty());
    link->Send(&w, "DSP V5IF: V5IID=3;");  // sent while the operator types
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.got.empty());
    EXPECT_EQ(link->WaitingForLogin(), 3);

    link->LogIn("alice", "wrong-password");
    ASSERT_TRUE(WaitFor([&] { return problems.size() == 2; }));
    EXPECT_TRUE(problems[1].contains("Login failed")) << problems[1].toStdString();
    EXPECT_TRUE(w.got.empty());

    link->LogIn("alice", "alice-secret");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 3; }));
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(w.got[i].first, msg::WM_REPORT);
        EXPECT_EQ(w.RetCode(i), 0) << w.got[i].second;
        EXPECT_NE(w.got[i].second.find("V5IID=" + std::to_string(i + 1)), std::string::npos);
    }
    EXPECT_EQ(sessions, QStringList{"alice/operator"});

    // The switch restarts: the link logs in again by itself.
    s->server.reset();
    ASSERT_TRUE(WaitFor([&] { return states.back().contains("closed"); }));
    s->Serve(nullptr, port);
    link->Send(&w, "DSP V5IF: V5IID=4;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 4; }));
    EXPECT_EQ(w.RetCode(3), 0) << w.got[3].second;
    EXPECT_EQ(problems.size(), 2);
    EXPECT_EQ(link->Outstanding(), 0);
}

// Closed on purpose, the link logs out, and what was still outstanding is
// given up; the next command connects and logs in again unasked.
TEST_F(SecureLink, ClosingTheLinkLogsOutAndTheNextCommandLogsInAgain) {
    testtls::CServedSwitch s;
    auto link = AskedToLogIn(s, "alice", "operator", "alice-secret");
    ASSERT_TRUE(link);
    link->LogIn("alice", "alice-secret");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
    auto logouts = [&s] {
        std::string log;
        for (const std::string& r : s.sw.Execute("LST OPLOG: OP=\"alice\";")) log += r;
        return log.find("LGO:;") != std::string::npos;
    };
    EXPECT_FALSE(logouts());
    link->Send(&w, "DSP V5IF: V5IID=2;");
    link->Close();
    EXPECT_EQ(link->Outstanding(), 0);
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 2; }));
    EXPECT_EQ(w.got[1], std::make_pair(UINT(msg::WM_KILLCMD), std::string("DSP V5IF: V5IID=2;")));
    ASSERT_TRUE(WaitFor(logouts));
    link->Send(&w, "DSP V5IF: V5IID=3;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 3; }));
    EXPECT_EQ(w.RetCode(2), 0) << w.got[2].second;
    EXPECT_EQ(asks, 1);
}

TEST_F(SecureLink, ALoginGivenUpFreesTheWaitingWindowsAndTheNextCommandAsksAgain) {
    testtls::CServedSwitch s;
    auto link = AskedToLogIn(s, "bob", "guest", "bob-secret1");
    ASSERT_TRUE(link);
    link->CancelLogin();
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 1; }));
    EXPECT_EQ(w.got[0], std::make_pair(UINT(msg::WM_KILLCMD), std::string("DSP V5IF: V5IID=1;")));
    link->Send(&w, "DSP V5IF: V5IID=2;");
    ASSERT_TRUE(WaitFor([&] { return asks == 2; }));
    // A guest's change is refused by the switch, after the login.
    link->LogIn("bob", "bob-secret1");
    link->Send(&w, "RMV V5IF: V5IID=1;");
    ASSERT_TRUE(WaitFor([&] { return w.got.size() == 3; }));
    EXPECT_EQ(w.RetCode(1), 0);
    EXPECT_EQ(w.RetCode(2), 1022);
    EXPECT_EQ(link->Role(), "guest");
}

}  // namespace
