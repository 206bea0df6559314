// The mmlswitch program: safe to start, clean to stop.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include "BlockingClient.h"
#include "SwitchFixture.h"
#include "TlsClient.h"
#include "WaitFor.h"

using namespace mmlsw;

namespace {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = QCoreApplication::applicationDirPath() + "/mmlswitch";
        if (!QFileInfo::exists(program)) GTEST_SKIP() << "mmlswitch is not built";
    }
    // Starts a server; its port once it says it serves.
    quint16 Start(QProcess& p, const QStringList& args) {
        p.setReadChannel(QProcess::StandardError);
        p.start(program, args);
        const QRegularExpression serving(QStringLiteral("serving on \\S+:(\\d+)"));
        output.clear();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            p.waitForReadyRead(200);
            output += QString::fromUtf8(p.readAllStandardError());
            const auto m = serving.match(output);
            if (m.hasMatch()) return static_cast<quint16>(m.captured(1).toUInt());
            if (p.state() != QProcess::Running) break;
        }
        return 0;
    }
    // Runs the program to its end: its exit code and all it wrote.
    std::pair<int, QByteArray> Run(const QStringList& args) {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), p.readAllStandardOutput() + p.readAllStandardError()};
    }
    // As Run, with the text on standard input.
    std::pair<int, QByteArray> RunWithInput(const QStringList& args, const QByteArray& input) {
        QProcess p;
        p.start(program, args);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), p.readAllStandardOutput() + p.readAllStandardError()};
    }
    // A store with the demo data of 600 subscribers (12 Centrex groups of
    // 40 members: 20000000-20000479); its path.
    QString Seeded() {
        const QString db = dir.path() + "/switch.db";
        EXPECT_EQ(Run({"--db", db, "--seed", "demo", "--subscribers", "600"}).first, 0);
        return db;
    }
    QString program, output;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(ProgramTest, ServesOtherHostsOnlyWhenToldOverTlsOrInsecureAndWithAccounts) {
    const auto [local, localOut] = Run({"--listen", "0.0.0.0:0"});
    EXPECT_EQ(local, 2);
    EXPECT_TRUE(localOut.contains("--allow-remote"));
    const auto [plain, plainOut] = Run({"--listen", "0.0.0.0:0", "--allow-remote"});
    EXPECT_EQ(plain, 2);
    EXPECT_TRUE(plainOut.contains("--tls-cert")) << plainOut.toStdString();
    // Plain text by leave, but nobody would have to log in.
    const QString db = dir.path() + "/switch.db";
    const auto [open, openOut] = Run({"--db", db, "--listen", "0.0.0.0:0", "--allow-remote", "--insecure"});
    EXPECT_EQ(open, 2);
    EXPECT_TRUE(openOut.contains("--add-operator")) << openOut.toStdString();

    ASSERT_EQ(RunWithInput({"--db", db, "--add-operator", "root", "--role", "admin"}, "adm1n-Pa55\n").first, 0);
    QProcess insecure;
    ASSERT_NE(Start(insecure, {"--db", db, "--listen", "0.0.0.0:0", "--allow-remote", "--insecure"}), 0)
        << output.toStdString();
    EXPECT_TRUE(output.contains("warning")) << output.toStdString();
    ::kill(static_cast<pid_t>(insecure.processId()), SIGTERM);
    ASSERT_TRUE(insecure.waitForFinished(30000));
    EXPECT_EQ(insecure.exitCode(), 0);
}

TEST_F(ProgramTest, AccountOptionsWorkOnTheFileAsTheSystemUserAndAreLogged) {
    const QString db = Seeded();
    const QByteArray pwd = "first-Pa55word", next = "second-Pa55word";
    auto [rc, out] = RunWithInput({"--db", db, "--add-operator", "ann", "--role", "operator"}, pwd + "\n");
    EXPECT_EQ(rc, 0) << out.toStdString();
    EXPECT_EQ(RunWithInput({"--db", db, "--add-operator", "ann", "--role", "admin"}, pwd + "\n").first, 1);
    EXPECT_EQ(RunWithInput({"--db", db, "--add-operator", "bad name", "--role", "admin"}, pwd + "\n").first, 2);
    EXPECT_EQ(RunWithInput({"--db", db, "--add-operator", "al", "--role", "chief"}, pwd + "\n").first, 1);
    EXPECT_EQ(RunWithInput({"--db", db, "--add-operator", "al", "--role", "admin"}, "short\n").first, 1);
    EXPECT_EQ(RunWithInput({"--db", db, "--add-operator", "al", "--role", "admin"}, "").first, 2);
    std::tie(rc, out) = RunWithInput({"--db", db, "--passwd", "ann"}, next + "\n");
    EXPECT_EQ(rc, 0) << out.toStdString();
    std::tie(rc, out) = Run({"--db", db, "--list-operators"});
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(out.contains("OP = ann\nROLE = operator")) << out.toStdString();
    std::tie(rc, out) = Run({"--db", db, "--exec", "LST OPLOG: OBJ=OP;"});
    EXPECT_TRUE(out.contains("OBJECTS = 5")) << out.toStdString();
    EXPECT_TRUE(out.contains("ADDR = local"));
    EXPECT_TRUE(out.contains("CMD = MOD OP: OP=\"ann\", PWD=\"******\";")) << out.toStdString();
    EXPECT_EQ(Run({"--db", db, "--remove-operator", "ann"}).first, 0);
    EXPECT_EQ(Run({"--db", db, "--remove-operator", "ann"}).first, 1);
    // The seed and --exec changes are the system user's too.
    EXPECT_EQ(Run({"--db", db, "--exec", "MOD MGCPSUB: DN=20000001, DESC=\"x\";"}).first, 0);
    std::tie(rc, out) = Run({"--db", db, "--exec", "LST OPLOG:;"});
    EXPECT_TRUE(out.contains("CMD = mmlswitch --seed demo --subscribers 600")) << out.toStdString();
    EXPECT_TRUE(out.contains("CMD = MOD MGCPSUB: DN=20000001, DESC=\"x\";\nRETCODE = 0\nRECORDS = 1"))
        << out.toStdString();
    EXPECT_EQ(Run({"--db", db, "--check"}).first, 0);
    // Neither password is anywhere in the store's files.
    for (const QString& f : QDir(dir.path()).entryList(QDir::Files)) {
        QFile file(dir.path() + "/" + f);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(bytes.indexOf(pwd), -1) << f.toStdString();
        EXPECT_EQ(bytes.indexOf(next), -1) << f.toStdString();
    }
}

TEST_F(ProgramTest, TlsFilesAreCheckedAtStartAndReadAgainOnSighupWithoutDroppingSessions) {
    const QString first = MakeCertificate(dir.path(), "first"), second = MakeCertificate(dir.path(), "second");
    if (first.isEmpty() || second.isEmpty()) GTEST_SKIP() << "no openssl command to make a test certificate";
    const QString cert = dir.path() + "/switch.pem", key = dir.path() + "/switch.key";
    auto install = [&](const QString& from) {
        QFile::remove(cert);
        QFile::remove(key);
        return QFile::copy(from, cert) && QFile::copy(KeyOf(from), key);
    };
    // Files that cannot serve: a clear refusal at start.
    const auto [bad, badOut] = Run({"--listen", ":0", "--tls-cert", first, "--tls-key", KeyOf(second)});
    EXPECT_EQ(bad, 2);
    EXPECT_TRUE(badOut.contains("not the key of the certificate")) << badOut.toStdString();
    EXPECT_EQ(Run({"--listen", ":0", "--tls-cert", first}).first, 2);

    ASSERT_TRUE(install(first));
    QProcess p;
    const quint16 port = Start(p, {"--listen", ":0", "--tls-cert", cert, "--tls-key", key});
    ASSERT_NE(port, 0) << output.toStdString();
    EXPECT_TRUE(output.contains("over TLS"));
    TlsClient old(port, first);
    ASSERT_TRUE(WaitFor([&] { return old.socket.isEncrypted(); }, 10000)) << old.socket.errorString().toStdString();

    ASSERT_TRUE(install(second));
    ::kill(static_cast<pid_t>(p.processId()), SIGHUP);
    ASSERT_TRUE(WaitFor([&] {
        output += QString::fromUtf8(p.readAllStandardError());
        return output.contains("read again");
    }, 10000)) << output.toStdString();
    old.Send("LST V5IF:;");
    ASSERT_TRUE(WaitFor([&] { return old.Reports() == 1; }, 10000));
    EXPECT_NE(old.Report(0).find("RETCODE = 0"), std::string::npos);
    TlsClient fresh(port, second);
    ASSERT_TRUE(WaitFor([&] { return fresh.socket.isEncrypted(); }, 10000)) << fresh.socket.errorString().toStdString();
    EXPECT_EQ(fresh.socket.peerCertificate(), QSslCertificate::fromPath(second).front());

    // Broken files on a SIGHUP: the ones in use stay, and it says so.
    QFile::remove(key);
    ::kill(static_cast<pid_t>(p.processId()), SIGHUP);
    ASSERT_TRUE(WaitFor([&] {
        output += QString::fromUtf8(p.readAllStandardError());
        return output.contains("keeping the certificate");
    }, 10000)) << output.toStdString();
    TlsClient after(port, second);
    EXPECT_TRUE(WaitFor([&] { return after.socket.isEncrypted(); }, 10000));
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(ProgramTest, StopsOnSigtermWithItsStoreClosedCleanly) {
    const QString db = dir.path() + "/switch.db";
    QProcess p;
    const quint16 port = Start(p, {"--db", db, "--seed", "demo", "--subscribers", "200", "--listen", "127.0.0.1:0"});
    ASSERT_NE(port, 0) << output.toStdString();
    CBlockingClient c;
    std::string error, report;
    ASSERT_TRUE(c.Connect(port, error)) << error;
    ASSERT_TRUE(c.Send("MOD MGCPSUB: DN=20000001, DESC=\"before the stop\";\n"));
    ASSERT_TRUE(c.Receive(report)) << report;
    EXPECT_EQ(ReportField(report, "RETCODE"), "0");
    EXPECT_TRUE(QFileInfo::exists(db + "-wal"));
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("stopped"));
    // The log went into the database and is gone; the change is there.
    EXPECT_FALSE(QFileInfo::exists(db + "-wal"));
    CSwitch sw(HostDatabase());
    ASSERT_TRUE(sw.Open(db.toStdString(), error)) << error;
    EXPECT_EQ(ReportField(sw.Execute("DSP MGCPSUB: DN=20000001;").front(), "DESC"), "before the stop");
}

TEST_F(ProgramTest, RefusesAFileThatIsNoDatabase) {
    const QString notes = dir.path() + "/notes.txt";
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("plain text, no tables here\n").repeated(100));
    f.close();
    QProcess p;
    p.start(program, {"--db", notes, "--exec", "DSP MGCPSUB: DN=20000001;"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    const QByteArray said = p.readAllStandardError();
    EXPECT_TRUE(said.contains("not a database")) << said.toStdString();
    EXPECT_TRUE(said.contains("notes.txt")) << said.toStdString();
}

TEST_F(ProgramTest, ExecRefusesControlCharactersAndBlanksInPlainValues) {
    const QString db = Seeded();
    auto exec = [&](const QString& command, const QStringList& more = {}) {
        return Run(QStringList{"--db", db, "--exec", command} + more);
    };
    auto [rc, out] = exec("MOD MGCPSUB: DN=20000001, DESC=\"a\rb\";");
    EXPECT_EQ(rc, 1);
    EXPECT_TRUE(out.contains("RETCODE = 1005")) << out.toStdString();
    std::tie(rc, out) = exec("MOD MGCPSUB: DN=20000001, DESC=a b;");
    EXPECT_EQ(rc, 1);
    EXPECT_TRUE(out.contains("RETCODE = 1003")) << out.toStdString();
    std::tie(rc, out) = exec("DSP MGCPSUB: DN=20000001;", {"--synchronous", "normal"});
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(out.contains("DESC = \n")) << out.toStdString();
    std::tie(rc, out) = exec("DSP MGCPSUB: DN=20000001;", {"--synchronous", "off"});
    EXPECT_EQ(rc, 2);
    EXPECT_TRUE(out.contains("--synchronous")) << out.toStdString();
}

TEST_F(ProgramTest, ExecKeepsNumbersReferencesAndGroupsTrueAndSaysWhy) {
    const QString db = Seeded();
    struct SCase {
        QString command;
        int exitCode;
        QByteArray said;  // in the report
    };
    const SCase cases[] = {
        // One number, one owner, whatever leading zeros it is written with; MSNs too.
        {"ADD SIPSUB: DN=020000001, URI=\"sip:a@b\", PASSWORD=\"secret\";", 1, "RETCODE = 1007"},
        {"ADD MGCPSUB: DN=62000001, MGWNAME=\"gw\", EID=\"e\";", 1, "RETCODE = 1007"},
        // A Centrex member stays a subscriber until it leaves its group.
        {"RMV MGCPSUB: DN=20000005;", 1, "RETCODE = 1009"},
        {"RMV MGCPSUB: DN=20000005;", 1, "member of Centrex group 1"},
        // Clear texts: the group's own name, the group that holds a member, the count.
        {"ADD CXMEM: CGNO=1, CGNAME=\"Company Z\", KIND=SUB, DN=20000500, SHORTNO=990;", 1, "RETCODE = 1010"},
        {"ADD CXMEM: CGNO=1, CGNAME=\"Company Z\", KIND=SUB, DN=20000500, SHORTNO=990;", 1, "named \"Company A\""},
        {"ADD CXMEM: CGNO=1, CGNAME=\"Company A\", KIND=SUB, DN=20000045, SHORTNO=990;", 1,
         "(number 20000045 is a member of Centrex group 2)"},
        {"DSP CXGRPCNT: CGNO=1;", 0, "MEMBERS = 40"},
        {"ADD V5SUB: DN=79500000, V5IID=1, BGNL3ADDR=0, ENDL3ADDR=1, L3ADDR=50;", 1, "RETCODE = 1005"},
        {"ADD V5SUB: DN=79500000, V5IID=1, BGNL3ADDR=0, ENDL3ADDR=1, L3ADDR=50;", 1, "L3ADDR=50 lies outside"},
        {"ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\", HOTLINE=YES;", 1, "RETCODE = 1004"},
    };
    for (const SCase& c : cases) {
        const auto [rc, out] = Run({"--db", db, "--exec", c.command});
        EXPECT_EQ(rc, c.exitCode) << c.command.toStdString();
        EXPECT_TRUE(out.contains(c.said)) << out.toStdString();
    }
    // What was refused left nothing behind, and the store agrees with itself.
    const auto [rc, out] = Run({"--db", db, "--check"});
    EXPECT_EQ(rc, 0) << out.toStdString();
}

TEST_F(ProgramTest, CheckReadsAnExistingStoreAsItIsAndRefusesAnyOther) {
    // No file, no --db, or a file that is no store: a clear refusal, nothing made.
    const QString missing = dir.path() + "/missing.db";
    for (const QStringList& args : {QStringList{"--db", missing, "--check"}, QStringList{"--check"},
                                    QStringList{"--db", ":memory:", "--check"}}) {
        const auto [rc, out] = Run(args);
        EXPECT_NE(rc, 0) << args.join(' ').toStdString() << "\n" << out.toStdString();
        EXPECT_FALSE(out.contains("0 violations")) << out.toStdString();
        EXPECT_TRUE(out.contains("--check")) << out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    const QString empty = dir.path() + "/empty.db";
    {
        CDatabase db;
        std::string error;
        ASSERT_TRUE(db.Open(empty.toStdString(), CDatabase::Mode::ReadWrite, 1000, error)) << error;
    }
    const auto [rcEmpty, saidEmpty] = Run({"--db", empty, "--check"});
    EXPECT_NE(rcEmpty, 0) << saidEmpty.toStdString();
    EXPECT_FALSE(saidEmpty.contains("0 violations")) << saidEmpty.toStdString();

    // A store of the older id scheme is checked as it is: not converted.
    const QString old = dir.path() + "/old.db";
    {
        CDatabase db;
        std::string error;
        ASSERT_TRUE(db.Open(old.toStdString(), CDatabase::Mode::ReadWrite, 1000, error)) << error;
        db.Exec("CREATE TABLE o308 (rid INTEGER PRIMARY KEY, DN TEXT)");
    }
    const auto [rcOld, saidOld] = Run({"--db", old, "--check"});
    EXPECT_NE(rcOld, 0) << saidOld.toStdString();
    CDatabase db;
    std::string error;
    ASSERT_TRUE(db.Open(old.toStdString(), CDatabase::Mode::ReadOnly, 1000, error)) << error;
    CStatement tables(db.Handle(), "SELECT group_concat(sql, ';') FROM sqlite_master");
    ASSERT_TRUE(tables.Step());
    EXPECT_EQ(std::string(tables.Text(0)), "CREATE TABLE o308 (rid INTEGER PRIMARY KEY, DN TEXT)");

    // A seeded store: checked, fine.
    const auto [rc, out] = Run({"--db", Seeded(), "--check"});
    EXPECT_EQ(rc, 0) << out.toStdString();
    EXPECT_TRUE(out.contains("0 violations")) << out.toStdString();
}

TEST_F(ProgramTest, ServedWithoutAFileItKeepsATemporaryOneSoThatScansRunOnReaders) {
    // No --db: the store lives in a temporary file for the run, and list
    // heads go to a reader thread as they do on a file of one's own.
    QProcess p;
    const quint16 port = Start(p, {"--listen", "127.0.0.1:0", "--seed", "demo", "--subscribers", "600"});
    ASSERT_NE(port, 0) << output.toStdString();
    const QRegularExpression temporary(QStringLiteral("temporary store (\\S+)"));
    const auto m = temporary.match(output);
    ASSERT_TRUE(m.hasMatch()) << output.toStdString();
    const QString file = m.captured(1);
    EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    CBlockingClient client;
    std::string error, report;
    ASSERT_TRUE(client.Connect(port, error)) << error;
    ASSERT_TRUE(client.Send("LST MGCPSUB: DN=2000*;\n"));
    ASSERT_TRUE(client.Receive(report, 30000));
    EXPECT_NE(report.find("RETCODE = 0"), std::string::npos) << report;
    // A reader names itself once it runs, which a slow build may not have
    // reached when the switch says it listens.
    const QString tasks = QStringLiteral("/proc/%1/task").arg(p.processId());
    auto threads = [&tasks] {
        QStringList names;
        for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm(tasks + "/" + tid + "/comm");
            if (comm.open(QIODevice::ReadOnly)) names << QString::fromUtf8(comm.readAll()).trimmed();
        }
        return names;
    };
    QStringList names = threads();
    for (int i = 0; i < 100 && !names.contains("mmlsw-reader"); ++i) {
        QThread::msleep(50);
        names = threads();
    }
    EXPECT_TRUE(names.contains("mmlsw-reader")) << names.join(' ').toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
}
