// Operators over TCP: nothing before a login, failed logins that tell
// nothing and lock a name, what each role may run, passwords that appear
// nowhere, and the operation log of it all.
#include <QFile>

#include "CatalogueHelpers.h"
#include "FileSwitchFixture.h"
#include "Secrets.h"
#include "TcpClient.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

constexpr const char* kAdminPwd = "adm1n-Pa55";
constexpr const char* kOperPwd = "0per-Pa55word";
constexpr const char* kGuestPwd = "gue5t-Pa55";

// A switch on a file (long reads then run on a reader thread, where the
// login must be checked as well), with three accounts, served over TCP.
class AccountTest : public FileSwitchTest {
protected:
    void SetUp() override {
        Open(600);
        sw.SetLoginDelay(1);
        Local(std::string("ADD OP: OP=root, ROLE=admin, PWD=\"") + kAdminPwd + "\";");
        Local(std::string("ADD OP: OP=bob, ROLE=operator, PWD=\"") + kOperPwd + "\";");
        Local(std::string("ADD OP: OP=gus, ROLE=guest, PWD=\"") + kGuestPwd + "\";");
        Serve();
        ASSERT_EQ(server->Readers(), 1u);
    }
    // A command of the system user's, on the store directly.
    std::string Local(const std::string& cmd) {
        const auto r = sw.Execute(cmd);
        EXPECT_EQ(RetCode(r.front()), 0) << r.front();
        return r.front();
    }
    static int RetCode(const std::string& report) {
        CObjArray a;
        EXPECT_GE(::Parse(report, 1, a), 0) << report;
        return a.GetRetCode();
    }
    // Sends one command and waits for its report.
    std::string Ask(TcpClient& c, const std::string& cmd) {
        const int before = c.Reports();
        c.Send(QByteArray::fromStdString(cmd));
        EXPECT_TRUE(WaitFor([&] { return c.Reports() > before; })) << cmd;
        return c.Reports() > before ? c.Report(before) : std::string();
    }
    int Code(TcpClient& c, const std::string& cmd) { return RetCode(Ask(c, cmd)); }
    int LogIn(TcpClient& c, const std::string& op, const std::string& pwd) {
        return Code(c, "LGI: OP=\"" + op + "\", PWD=\"" + pwd + "\";");
    }
    // A report without its echo line.
    static std::string Body(const std::string& report) { return report.substr(report.find('\n') + 1); }
};

}  // namespace

TEST_F(AccountTest, BeforeALoginEveryCommandIsRefusedAndNothingChanges) {
    const std::string before = Local("LST MGCPSUB: DN=2000000*;");
    TcpClient c(Port());
    // A change, a key lookup, a scan (answered by a reader thread), a page
    // and an account command: all refused alike.
    for (const char* cmd : {"ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\";",
                            "MOD MGCPSUB: DN=20000001, DESC=\"x\";", "RMV MGCPSUB: DN=20000002;",
                            "LST MGCPSUB: DN=20000001;", "LST MGCPSUB:;", "LST MGCPSUB: QID=\"1\", PAGE=1;",
                            "ADD OP: OP=eve, ROLE=admin, PWD=\"whatever1\";", "LST OP:;", "LST OPLOG:;"}) {
        const std::string r = Ask(c, cmd);
        EXPECT_EQ(RetCode(r), RC_LOG_IN) << cmd;
        EXPECT_NE(r.find("Log in first (LGI)."), std::string::npos) << r;
    }
    EXPECT_EQ(Local("LST MGCPSUB: DN=2000000*;"), before);
    EXPECT_NE(sw.Execute("DSP MGCPSUB: DN=29000001;").front().find("RETCODE = 1008"), std::string::npos);
    EXPECT_NE(Local("LST OP: OP=eve;").find("OBJECTS = 0"), std::string::npos);
    // ... and after a login the same session may.
    ASSERT_EQ(LogIn(c, "bob", kOperPwd), 0);
    EXPECT_EQ(Code(c, "LST MGCPSUB:;"), 0);
    EXPECT_EQ(Code(c, "ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\";"), 0);
    EXPECT_TRUE(sw.CheckInvariants().empty());
}

TEST_F(AccountTest, ALoginNamesTheOperatorAndRoleAndALogoutEndsTheConnection) {
    TcpClient c(Port());
    const std::string r = Ask(c, std::string("LGI: OP=gus, PWD=\"") + kGuestPwd + "\";");
    EXPECT_EQ(RetCode(r), 0) << r;
    EXPECT_NE(r.find("\n[SESSION]\nOP = gus\nROLE = guest\n"), std::string::npos) << r;
    EXPECT_EQ(c.Field(0, "OP"), "gus");
    c.Send("LGO:;");
    c.Send("LST MGCPSUB: DN=20000001;");  // after the logout: never answered
    ASSERT_TRUE(WaitFor([&] { return c.socket.state() == QAbstractSocket::UnconnectedState; }));
    ASSERT_EQ(c.Reports(), 2);
    EXPECT_EQ(RetCode(c.Report(1)), 0);
    EXPECT_NE(c.Report(1).find("%%LGO:;%%"), std::string::npos);

    // A client that closes right after its logout: logged out all the same,
    // and the switch serves on.
    {
        TcpClient quick(Port());
        ASSERT_EQ(LogIn(quick, "bob", kOperPwd), 0);
        quick.Send("LGO:;");
        ASSERT_TRUE(quick.socket.waitForBytesWritten(5000));
        quick.socket.abort();
    }
    ASSERT_TRUE(WaitFor([&] { return Local("LST OPLOG: OP=bob;").find("LGO") != std::string::npos; }));
    TcpClient after(Port());
    EXPECT_EQ(LogIn(after, "gus", kGuestPwd), 0);
}

TEST_F(AccountTest, AnUnknownNameAndAWrongPasswordAnswerAlike) {
    TcpClient a(Port()), b(Port());
    const std::string wrong = Ask(a, "LGI: OP=bob, PWD=\"not-his-password\";");
    const std::string unknown = Ask(b, "LGI: OP=nobody, PWD=\"not-his-password\";");
    EXPECT_EQ(RetCode(wrong), RC_LOGIN_FAILED);
    EXPECT_EQ(Body(wrong), Body(unknown));
    EXPECT_NE(wrong.find("Login failed: unknown operator or wrong password."), std::string::npos) << wrong;
    // A name that is no name at all fails the same way.
    EXPECT_EQ(Body(Ask(b, "LGI: OP=\"no such;name\", PWD=\"not-his-password\";")), Body(wrong));
    // Neither logged the session in.
    EXPECT_EQ(Code(a, "LST MGCPSUB: DN=20000001;"), RC_LOG_IN);
    EXPECT_EQ(Code(b, "LST MGCPSUB: DN=20000001;"), RC_LOG_IN);
    EXPECT_EQ(Code(a, "LGI: OP=bob;"), RC_MISSING);
}

TEST_F(AccountTest, FiveFailuresLockANameKnownOrNotUntilAnAdminUnlocksIt) {
    TcpClient c(Port());
    for (int i = 0; i < kLockAfterFailures; ++i) {
        EXPECT_EQ(LogIn(c, "bob", "wrong-password"), RC_LOGIN_FAILED) << i;
        EXPECT_EQ(LogIn(c, "mallory", "wrong-password"), RC_LOGIN_FAILED) << i;
    }
    // Locked: the right password no longer helps, and an unknown name is
    // locked the same way.
    const std::string locked = Ask(c, std::string("LGI: OP=bob, PWD=\"") + kOperPwd + "\";");
    EXPECT_EQ(RetCode(locked), RC_LOCKED);
    EXPECT_NE(locked.find("Account locked: try again later or ask an administrator."), std::string::npos);
    EXPECT_EQ(Body(Ask(c, "LGI: OP=mallory, PWD=\"wrong-password\";")), Body(locked));
    EXPECT_EQ(Code(c, "LST MGCPSUB: DN=20000001;"), RC_LOG_IN);

    TcpClient admin(Port());
    ASSERT_EQ(LogIn(admin, "root", kAdminPwd), 0);
    const std::string list = Ask(admin, "LST OP: OP=bob;");
    EXPECT_NE(list.find("LOCKED = 1"), std::string::npos) << list;
    // Only an admin unlocks.
    TcpClient guest(Port());
    ASSERT_EQ(LogIn(guest, "gus", kGuestPwd), 0);
    EXPECT_EQ(Code(guest, "MOD OP: OP=bob, LOCKED=0;"), RC_ROLE);
    EXPECT_EQ(LogIn(c, "bob", kOperPwd), RC_LOCKED);
    EXPECT_EQ(Code(admin, "MOD OP: OP=bob, LOCKED=0;"), 0);
    EXPECT_NE(Ask(admin, "LST OP: OP=bob;").find("LOCKED = 0"), std::string::npos);
    EXPECT_EQ(LogIn(c, "bob", kOperPwd), 0);
    // A success starts the count again.
    for (int i = 0; i < kLockAfterFailures - 1; ++i) EXPECT_EQ(LogIn(c, "bob", "wrong-password"), RC_LOGIN_FAILED);
    EXPECT_EQ(LogIn(c, "bob", kOperPwd), 0);
    EXPECT_EQ(LogIn(c, "bob", "wrong-password"), RC_LOGIN_FAILED);
}

TEST_F(AccountTest, EachRoleIsRefusedWhatItMayNotRun) {
    TcpClient guest(Port()), oper(Port()), admin(Port());
    ASSERT_EQ(LogIn(guest, "gus", kGuestPwd), 0);
    ASSERT_EQ(LogIn(oper, "bob", kOperPwd), 0);
    ASSERT_EQ(LogIn(admin, "root", kAdminPwd), 0);
    const std::string add = "ADD MGCPSUB: DN=29000002, MGWNAME=\"gw\", EID=\"e\";";

    // A guest reads: lists (on the reader thread too), details, pages.
    EXPECT_EQ(Code(guest, "LST MGCPSUB:;"), 0);
    EXPECT_EQ(Code(guest, "DSP MGCPSUB: DN=20000001;"), 0);
    EXPECT_EQ(Code(guest, "DSP SUBCOUNT:;"), 0);
    EXPECT_EQ(Code(guest, "LST OPLOG:;"), 0);
    for (const std::string& cmd : {add, std::string("MOD MGCPSUB: DN=20000001, DESC=\"x\";"),
                                   std::string("RMV MGCPSUB: DN=20000001;"), std::string("BLK V5SUB: DN=70000000;"),
                                   std::string("LST OP:;"), std::string("ADD OP: OP=eve, ROLE=admin, PWD=\"whatever1\";")}) {
        const std::string r = Ask(guest, cmd);
        EXPECT_EQ(RetCode(r), RC_ROLE) << cmd;
        EXPECT_NE(r.find("Your role may not run this command."), std::string::npos);
    }
    // An operator changes subscriber data but no account.
    EXPECT_EQ(Code(oper, add), 0);
    for (const char* cmd : {"LST OP:;", "ADD OP: OP=eve, ROLE=admin, PWD=\"whatever1\";", "MOD OP: OP=bob, ROLE=admin;",
                            "RMV OP: OP=gus;"})
        EXPECT_EQ(Code(oper, cmd), RC_ROLE) << cmd;
    EXPECT_NE(Local("LST OP:;").find("OBJECTS = 3"), std::string::npos);
    EXPECT_NE(Local("LST OP: OP=bob;").find("ROLE = operator"), std::string::npos);
    // An admin does all of it.
    EXPECT_EQ(Code(admin, "RMV MGCPSUB: DN=29000002;"), 0);
    EXPECT_EQ(Code(admin, "ADD OP: OP=eve, ROLE=operator, PWD=\"whatever1\";"), 0);
    EXPECT_EQ(Code(admin, "MOD OP: OP=eve, ROLE=guest;"), 0);
    EXPECT_EQ(Code(admin, "RMV OP: OP=eve;"), 0);
    // ... but never leaves the store without an admin.
    EXPECT_EQ(Code(admin, "MOD OP: OP=root, ROLE=operator;"), RC_IN_USE);
    EXPECT_EQ(Code(admin, "RMV OP: OP=root;"), RC_IN_USE);
    EXPECT_TRUE(sw.CheckInvariants().empty());
}

TEST_F(AccountTest, NoPasswordInAnyReportEchoLogRowOrTheDatabaseFile) {
    const std::string newPwd = "n3w-Secret-Word";
    const std::string sipPwd = "s1pSecret";
    TcpClient admin(Port()), oper(Port()), failed(Port());
    ASSERT_EQ(LogIn(admin, "root", kAdminPwd), 0);
    ASSERT_EQ(Code(admin, "ADD OP: OP=eve, ROLE=operator, PWD=\"" + newPwd + "\";"), 0);
    ASSERT_EQ(Code(admin, "MOD OP: OP=bob, PWD=" + newPwd + "x;"), 0);  // unquoted
    ASSERT_EQ(Code(admin, "ADD OP: OP=x, ROLE=nobody, PWD=\"" + newPwd + "y\";"), RC_BAD_VALUE);
    ASSERT_EQ(LogIn(oper, "eve", newPwd), 0);
    ASSERT_EQ(Code(oper, "ADD SIPSUB: DN=40009990, URI=\"sip:a@b\", PASSWORD=\"" + sipPwd + "\";"), 0);
    ASSERT_EQ(LogIn(failed, "bob", kOperPwd), RC_LOGIN_FAILED);  // his old one
    ASSERT_EQ(Code(admin, "LST OPLOG:;"), 0);
    const std::string oplog = Ask(admin, "LST OP:;") + admin.data.toStdString();
    EXPECT_NE(admin.data.indexOf("PWD=\"******\""), -1);
    EXPECT_NE(admin.data.indexOf("PWD=******;"), -1);
    EXPECT_NE(oplog.find("PASSWORD=\"******\""), std::string::npos) << oplog;

    sw.Checkpoint(true);
    QFile store(QString::fromStdString(file));
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    const QByteArray bytes = store.readAll();
    const QByteArray seen = admin.data + oper.data + failed.data + bytes;
    for (const std::string& secret : {std::string(kAdminPwd), std::string(kOperPwd), newPwd, newPwd + "x",
                                      newPwd + "y"})
        EXPECT_EQ(seen.indexOf(QByteArray::fromStdString(secret)), -1) << secret;
    // The subscriber's password is data the switch keeps; its log row is not.
    EXPECT_EQ(QByteArray::fromStdString(oplog).indexOf(QByteArray::fromStdString(sipPwd)), -1);
}

TEST_F(AccountTest, AChangeIsLoggedWithItsOperatorAddressAndMaskedSecrets) {
    TcpClient oper(Port()), guest(Port());
    ASSERT_EQ(LogIn(oper, "bob", kOperPwd), 0);
    ASSERT_EQ(LogIn(guest, "gus", kGuestPwd), 0);
    ASSERT_EQ(Code(oper, "ADD SIPSUB: DN=40009991, URI=\"sip:a@b\", PASSWORD=\"s1pSecret\";"), 0);
    ASSERT_EQ(Code(oper, "MOD MGCPSUB: DN=20000001, DESC=\"front desk\";"), 0);
    ASSERT_EQ(Code(guest, "RMV MGCPSUB: DN=20000001;"), RC_ROLE);
    ASSERT_EQ(Code(oper, "LST MGCPSUB: DN=20000001;"), 0);  // reads are not logged

    // Newest first, each row whole.
    const std::string all = Ask(guest, "LST OPLOG: OBJ=MGCPSUB;");
    CObjArray a;
    ASSERT_GE(::Parse(all, 1, a), 0);
    ASSERT_EQ(a.GetObjectCount(), 2) << all;
    auto field = [&](int obj, const std::string& key) {
        for (int p = 0; p < a.GetPropertyCount(obj); ++p)
            if (a.GetProperty(obj, p)->GetKeyValue() == key) return std::string(a.GetProperty(obj, p)->GetValue(0));
        return std::string("<missing>");
    };
    EXPECT_EQ(field(0, "OP"), "gus");
    EXPECT_EQ(field(0, "RETCODE"), "1022");
    EXPECT_EQ(field(0, "RECORDS"), "0");
    EXPECT_EQ(field(1, "OP"), "bob");
    EXPECT_EQ(field(1, "ADDR"), "127.0.0.1");
    EXPECT_EQ(field(1, "CMD"), "MOD MGCPSUB: DN=20000001, DESC=\"front desk\";");
    EXPECT_EQ(field(1, "RETCODE"), "0");
    EXPECT_EQ(field(1, "RECORDS"), "1");
    EXPECT_EQ(field(1, "TIME").size(), 23u);
    EXPECT_NE(field(0, "SESSION"), field(1, "SESSION"));

    const std::string sip = Ask(guest, "LST OPLOG: OP=bob, OBJ=SIPSUB;");
    EXPECT_NE(sip.find("CMD = ADD SIPSUB: DN=40009991, URI=\"sip:a@b\", PASSWORD=\"******\";"), std::string::npos)
        << sip;
    // Logins and logouts, failed ones too, are there.
    TcpClient late(Port());
    ASSERT_EQ(LogIn(late, "gus", "wrong-password"), RC_LOGIN_FAILED);
    const std::string logins = Ask(guest, "LST OPLOG: OP=gus;");
    EXPECT_NE(logins.find("CMD = LGI: OP=\"gus\", PWD=\"******\";\nRETCODE = 1020"), std::string::npos) << logins;
    EXPECT_NE(logins.find("RETCODE = 0"), std::string::npos) << logins;
    // Times bound the rows.
    EXPECT_NE(Ask(guest, "LST OPLOG: TO=\"2000-01-01 00:00:00\";").find("OBJECTS = 0"), std::string::npos);
    EXPECT_EQ(Ask(guest, "LST OPLOG: FROM=\"2000-01-01 00:00:00\", OP=bob;").find("OBJECTS = 0"), std::string::npos);
    EXPECT_EQ(Code(guest, "LST OPLOG: FROM=yesterday;"), RC_BAD_VALUE);
    // The system user's changes on the store itself are logged as his, from "local".
    Local("MOD MGCPSUB: DN=20000003, DESC=\"x\";");
    const std::string local = Ask(guest, "LST OPLOG: OP=\"" + SystemUser() + "\", OBJ=MGCPSUB;");
    EXPECT_NE(local.find("ADDR = local"), std::string::npos) << local;
    EXPECT_TRUE(sw.CheckInvariants().empty());
}

TEST_F(AccountTest, AStoreWithoutAccountsServesWithoutALoginAsItsOwner) {
    Local("MOD OP: OP=root, ROLE=admin;");
    for (const char* op : {"bob", "gus"}) Local(std::string("RMV OP: OP=") + op + ";");
    sw.Db().Exec("DELETE FROM " + CSwitch::Table(kOperatorType));  // the last admin, as a restored backup might be
    TcpClient c(Port());
    EXPECT_EQ(Code(c, "MOD MGCPSUB: DN=20000001, DESC=\"y\";"), 0);
    const std::string log = Ask(c, "LST OPLOG: OBJ=MGCPSUB;");
    EXPECT_NE(log.find("OP = " + SystemUser()), std::string::npos) << log;
    EXPECT_NE(log.find("ADDR = 127.0.0.1"), std::string::npos) << log;
}

TEST(SecretMask, HidesTheValuesOfSecretParametersOnly) {
    const std::set<std::string> pwd = {"PWD", "PASSWORD"};
    EXPECT_EQ(MaskSecrets("LGI: OP=\"a\", PWD=\"x,y;z\";", pwd), "LGI: OP=\"a\", PWD=\"******\";");
    EXPECT_EQ(MaskSecrets("LGI: OP=a, pwd = secret ;", pwd), "LGI: OP=a, pwd = ****** ;");
    EXPECT_EQ(MaskSecrets("ADD SIPSUB: DN=1, PASSWORD=abc, URI=\"PWD=1\";", pwd),
              "ADD SIPSUB: DN=1, PASSWORD=******, URI=\"PWD=1\";");
    // Cut short, or not well formed: masked as far as it goes.
    EXPECT_EQ(MaskSecrets("LGI: OP=a, PWD=\"secr", pwd), "LGI: OP=a, PWD=\"******");
    EXPECT_EQ(MaskSecrets("LGI: PWD=secr", pwd), "LGI: PWD=******");
    EXPECT_EQ(MaskSecrets("LGI: PWD=, OP=a;", pwd), "LGI: PWD=, OP=a;");
    EXPECT_EQ(MaskSecrets("LST MGCPSUB: DN=1;", pwd), "LST MGCPSUB: DN=1;");
    EXPECT_EQ(MaskSecrets("no command at all", pwd), "no command at all");
}

TEST_F(SwitchTest, TheOperationLogKeepsTheDaysItIsToldAndMasksEverySecretAttribute) {
    const std::string table = CSwitch::Table(kOplogType);
    sw.Db().Exec("INSERT INTO " + table + " (TIME, OP, ADDR, SESSION, CMD, RETCODE, RECORDS, OBJ) VALUES "
                 "('2000-01-01 00:00:00.000', 'old', 'local', 0, 'RMV MGCPSUB: DN=1;', 0, 1, 'MGCPSUB')");
    sw.SetOplogKeepDays(30);
    ASSERT_EQ(Code("ADD SIPSUB: DN=40009992, URI=\"sip:a@b\", PASSWORD=\"s1pSecret\";"), 0);
    Run("LST OPLOG:;");
    ASSERT_EQ(parsed.GetObjectCount(), 1);
    EXPECT_EQ(Value(0, "CMD"), "ADD SIPSUB: DN=40009992, URI=\"sip:a@b\", PASSWORD=\"******\";");
    EXPECT_EQ(Value(0, "RECORDS"), "1");
    // A refusal is logged too, with nothing changed.
    ASSERT_EQ(Code("ADD SIPSUB: DN=40009992, URI=\"sip:a@b\", PASSWORD=\"s1pSecret\";"), RC_DUPLICATE);
    Run("LST OPLOG: OBJ=SIPSUB;");
    ASSERT_EQ(parsed.GetObjectCount(), 2);
    EXPECT_EQ(Value(0, "RETCODE"), std::to_string(RC_DUPLICATE));
    EXPECT_EQ(Value(0, "RECORDS"), "0");
    EXPECT_TRUE(sw.CheckInvariants().empty());
}

TEST(SwitchStoreCheck, AStoreOlderThanAccountsAndTheLogIsCheckedAsItIs) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/old.db";
    std::string error;
    {
        CSwitch sw(HostDatabase());
        ASSERT_TRUE(sw.Open(path, error)) << error;
        ASSERT_TRUE(SeedDemo(sw, {100}, error)) << error;
        sw.Db().Exec("DROP TABLE " + CSwitch::Table(kOperatorType));
        sw.Db().Exec("DROP TABLE " + CSwitch::Table(kOplogType));
    }
    CSwitch check(HostDatabase());
    ASSERT_TRUE(check.OpenToCheck(path, error)) << error;
    EXPECT_TRUE(check.CheckInvariants().empty());
}
