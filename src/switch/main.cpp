// mmlswitch: the MML switch simulator. Executes one command (--exec), or
// serves clients over TCP (--listen), on a database file or in memory.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>

#include "ClientRoot.h"
#include "DemoData.h"
#include "PasswordPrompt.h"
#include "StopSignals.h"
#include "Switch.h"
#include "SwitchServer.h"
#include "TlsConfig.h"
#include "hostlibs/ObjArray.h"

namespace {

int Refuse(const std::string& text) {
    std::fprintf(stderr, "mmlswitch: %s\n", text.c_str());
    return 2;
}

// A whole number from an option within limits.
bool Number(const QCommandLineParser& parser, const QCommandLineOption& option, long long lo, long long hi,
            long long& value) {
    bool ok = false;
    value = parser.value(option).toLongLong(&ok);
    return ok && value >= lo && value <= hi;
}

// Checks the store the switch has open: prints every violation; the exit
// code, 1 when there is one.
int Check(mmlsw::CSwitch& sw) {
    std::vector<std::string> violations;
    try {
        violations = sw.CheckInvariants();
    } catch (const mmlsw::CStoreError& e) {
        return Refuse(std::string("--check: ") + e.what());
    }
    for (const std::string& v : violations) std::printf("%s\n", v.c_str());
    std::fprintf(stderr, "mmlswitch: %zu violations\n", violations.size());
    return violations.empty() ? 0 : 1;
}

// Prints the reports of a command the program runs itself; 0 when it
// succeeded, 1 otherwise.
int Print(const mmlsw::CSwitch::Reports& reports) {
    int rc = 0;
    for (const std::string& report : reports) {
        std::fwrite(report.data(), 1, report.size(), stdout);
        CObjArray parsed;
        if (Parse(report, 1, parsed) < 0 || parsed.GetRetCode() != 0) rc = 1;
    }
    return rc;
}

// The account options work on the store directly, as the system user.
struct SAccountOptions {
    QString add, role, passwd, remove;
    bool list = false;
};

int Accounts(mmlsw::CSwitch& sw, const SAccountOptions& o) {
    if (o.list) return Print(sw.Execute("LST OP:;"));
    const QString name = !o.add.isEmpty() ? o.add : !o.passwd.isEmpty() ? o.passwd : o.remove;
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_.-]{1,32}$"));
    if (!valid.match(name).hasMatch()) return Refuse("an operator's name is 1 to 32 letters, digits, _, . or -");
    const std::string op = name.toStdString();
    if (!o.remove.isEmpty()) return Print(sw.Execute("RMV OP: OP=\"" + op + "\";"));
    if (!o.add.isEmpty() && o.role.isEmpty()) return Refuse("--add-operator needs --role guest|operator|admin");
    std::string password, error;
    if (!mmlsw::ReadNewPassword(op, password, error)) return Refuse(error);
    if (password.find('"') != std::string::npos) return Refuse("a password holds no quote");
    const std::string set = "OP=\"" + op + "\", PWD=\"" + password + "\"";
    const int rc = Print(sw.Execute(o.add.isEmpty() ? "MOD OP: " + set + ";"
                                                    : "ADD OP: " + set + ", ROLE=" + o.role.toStdString() + ";"));
    password.assign(password.size(), '\0');
    return rc;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Reports of a page are a few hundred KiB: served from the heap they are
    // reused, where fresh mappings would cost page faults on every page.
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mmlswitch"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "MML switch simulator on SQLite.\n"
        "Examples:\n"
        "  mmlswitch --db demo.db --seed demo --subscribers 100000\n"
        "  mmlswitch --db demo.db --exec \"LST MGCPSUB: DN=20000001;\"\n"
        "  mmlswitch --db demo.db --listen 127.0.0.1:7001"));
    parser.addHelpOption();
    QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Database file (default: in memory; served with --listen, a "
                                                                   "temporary file removed when the switch stops)."),
                          QStringLiteral("FILE"), QStringLiteral(":memory:"));
    QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Replace the data with a dataset: demo."),
                            QStringLiteral("KIND"));
    QCommandLineOption subs(QStringLiteral("subscribers"),
                            QStringLiteral("MGCP subscribers of the demo dataset (default 12000; "
                                           "other kinds get a hundredth, at least 20)."),
                            QStringLiteral("N"), QStringLiteral("12000"));
    QCommandLineOption exec(QStringLiteral("exec"), QStringLiteral("Print the report of one command and exit."),
                            QStringLiteral("CMD"));
    QCommandLineOption listen(QStringLiteral("listen"),
                              QStringLiteral("Serve clients on ADDR:PORT (loopback when only :PORT)."),
                              QStringLiteral("ADDR:PORT"));
    QCommandLineOption remote(QStringLiteral("allow-remote"),
                              QStringLiteral("Allow --listen on an address other than loopback; needs --tls-cert "
                                             "and --tls-key, or --insecure."));
    QCommandLineOption insecure(QStringLiteral("insecure"),
                                QStringLiteral("Serve other hosts (--allow-remote) in plain text, without TLS: "
                                               "passwords and data cross the network readable."));
    QCommandLineOption tlsCert(QStringLiteral("tls-cert"),
                               QStringLiteral("Serve TLS (1.2 or later) with this PEM certificate (and its chain); "
                                              "SIGHUP reads it again."),
                               QStringLiteral("FILE"));
    QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                              QStringLiteral("The PEM private key of --tls-cert (not encrypted); SIGHUP reads it "
                                             "again."),
                              QStringLiteral("FILE"));
    QCommandLineOption addOperator(QStringLiteral("add-operator"),
                                   QStringLiteral("Add an operator's account to the --db FILE with --role; the "
                                                  "password is read from standard input (asked twice, not "
                                                  "echoed, on a terminal)."),
                                   QStringLiteral("NAME"));
    QCommandLineOption role(QStringLiteral("role"),
                            QStringLiteral("The role of --add-operator: guest (reads), operator (also changes "
                                           "subscriber data) or admin (also manages accounts)."),
                            QStringLiteral("guest|operator|admin"));
    QCommandLineOption passwd(QStringLiteral("passwd"),
                              QStringLiteral("Set an operator's password, read as for --add-operator."),
                              QStringLiteral("NAME"));
    QCommandLineOption removeOperator(QStringLiteral("remove-operator"),
                                      QStringLiteral("Remove an operator's account."), QStringLiteral("NAME"));
    QCommandLineOption listOperators(QStringLiteral("list-operators"),
                                     QStringLiteral("Print the operators' accounts (names, roles, locks)."));
    QCommandLineOption oplogKeep(QStringLiteral("oplog-keep"),
                                 QStringLiteral("Days the operation log keeps its rows (default 0: all of them)."),
                                 QStringLiteral("DAYS"), QStringLiteral("0"));
    QCommandLineOption ttl(QStringLiteral("query-ttl"),
                           QStringLiteral("Seconds an unused paged query is kept (default 300)."),
                           QStringLiteral("SECONDS"), QStringLiteral("300"));
    QCommandLineOption busy(QStringLiteral("busy-timeout"),
                            QStringLiteral("Milliseconds a change waits for another program that holds the "
                                           "database locked before it answers 1014 (default 1000)."),
                            QStringLiteral("MS"), QString::number(mmlsw::kDefaultBusyMs));
    const mmlsw::SServerOptions defaults;
    QCommandLineOption idle(QStringLiteral("idle-timeout"),
                            QStringLiteral("Seconds a connection may neither send nor read before it is closed "
                                           "(default 900)."),
                            QStringLiteral("SECONDS"), QString::number(defaults.idleMs / 1000));
    QCommandLineOption line(QStringLiteral("line-timeout"),
                            QStringLiteral("Seconds a client may take to finish a command line it began "
                                           "(default 30)."),
                            QStringLiteral("SECONDS"), QString::number(defaults.lineMs / 1000));
    QCommandLineOption readers(QStringLiteral("readers"),
                               QStringLiteral("Threads answering list heads and other long reads (default 1), so "
                                              "that lookups and pages never wait behind them. 0: they run "
                                              "between the other commands, and a lookup may wait behind scans."),
                               QStringLiteral("N"), QString::number(defaults.readers));
    QCommandLineOption maxConnections(QStringLiteral("max-connections"),
                                      QStringLiteral("Connections served at once; one more is answered with "
                                                     "1014 and closed (default 512)."),
                                      QStringLiteral("N"), QString::number(defaults.maxConnections));
    QCommandLineOption sync(QStringLiteral("synchronous"),
                            QStringLiteral("full: a change is on the disk when it is acknowledged, even through "
                                           "a power loss (default); normal: faster commits that a power loss "
                                           "may take back (never the file's integrity)."),
                            QStringLiteral("full|normal"), QStringLiteral("full"));
    QCommandLineOption catalogue(QStringLiteral("catalogue"),
                                 QStringLiteral("Object catalogue (default: data/objects.json of the client root)."),
                                 QStringLiteral("FILE"));
    QCommandLineOption check(QStringLiteral("check"),
                             QStringLiteral("Check that the data of the existing --db FILE agrees with "
                                            "itself, reading it as it is (read-only); print every violation "
                                            "and exit 1 when there is one, 2 when there is no such store."));
    parser.addOptions({db, seed, subs, exec, listen, remote, insecure, tlsCert, tlsKey, addOperator, role, passwd,
                       removeOperator, listOperators, oplogKeep, ttl, busy, idle, line, readers, maxConnections,
                       sync, catalogue, check});
    parser.process(app);

    long long ttlS = 0, busyMs = 0, idleS = 0, lineS = 0, threads = 0;
    if (!Number(parser, ttl, 1, 86400, ttlS)) return Refuse("--query-ttl takes 1 to 86400 seconds");
    if (!Number(parser, busy, 0, 600000, busyMs)) return Refuse("--busy-timeout takes 0 to 600000 milliseconds");
    if (!Number(parser, idle, 1, 7 * 86400, idleS)) return Refuse("--idle-timeout takes 1 to 604800 seconds");
    if (!Number(parser, line, 1, 86400, lineS)) return Refuse("--line-timeout takes 1 to 86400 seconds");
    if (!Number(parser, readers, 0, 16, threads)) return Refuse("--readers takes 0 to 16 threads");
    long long most = 0;
    if (!Number(parser, maxConnections, 1, 100000, most)) return Refuse("--max-connections takes 1 to 100000");
    const QString syncMode = parser.value(sync);
    if (syncMode != QLatin1String("full") && syncMode != QLatin1String("normal"))
        return Refuse("--synchronous takes full or normal");
    long long keepDays = 0;
    if (!Number(parser, oplogKeep, 0, 100000, keepDays)) return Refuse("--oplog-keep takes 0 to 100000 days");
    QHostAddress address;
    quint16 port = 0;
    std::string message;
    if (parser.isSet(tlsCert) != parser.isSet(tlsKey)) return Refuse("--tls-cert and --tls-key go together");
    const bool tls = parser.isSet(tlsCert);
    if (parser.isSet(listen)) {
        if (!mmlsw::ParseListenAddress(parser.value(listen), address, port))
            return Refuse("--listen takes ADDR:PORT");
        if (!mmlsw::MayListenOn(address, parser.isSet(remote), tls, parser.isSet(insecure), message))
            return Refuse(message);
    }
    QSslConfiguration tlsConfig;
    std::string error;
    if (tls && !mmlsw::LoadTls(parser.value(tlsCert), parser.value(tlsKey), tlsConfig, error))
        return Refuse("TLS: " + error);
    SAccountOptions accounts{parser.value(addOperator), parser.value(role), parser.value(passwd),
                             parser.value(removeOperator), parser.isSet(listOperators)};
    const int accountOptions = parser.isSet(addOperator) + parser.isSet(passwd) + parser.isSet(removeOperator) +
                               parser.isSet(listOperators);
    if (accountOptions > 1) return Refuse("one of --add-operator, --passwd, --remove-operator, --list-operators at a time");
    if (accountOptions && !parser.isSet(db)) return Refuse("accounts live in a --db FILE");
    if (parser.isSet(role) && !parser.isSet(addOperator)) return Refuse("--role goes with --add-operator");

    CFrmDatabase cat;
    const std::string catPath = parser.isSet(catalogue) ? parser.value(catalogue).toStdString()
                                                        : platform::DataFile("objects.json");
    if (!cat.Load(catPath)) return Refuse(cat.Error());
    mmlsw::CSwitch sw(cat);
    sw.SetBusyTimeout(static_cast<int>(busyMs));
    sw.SetFullSync(syncMode == QLatin1String("full"));
    sw.SetOplogKeepDays(static_cast<int>(keepDays));
    // A store in memory has one connection, so long reads could not run on
    // the readers beside it: one served without --db lives in a temporary
    // file for the run instead, and is served as a file is.
    std::string path = parser.value(db).toStdString();
    QTemporaryDir temporary;
    if (parser.isSet(listen) && !parser.isSet(db)) {
        if (!temporary.isValid()) return Refuse("no temporary directory for the store: " + temporary.errorString().toStdString());
        path = (temporary.path() + QStringLiteral("/switch.db")).toStdString();
        std::fprintf(stderr, "mmlswitch: no --db: temporary store %s (removed when the switch stops)\n", path.c_str());
    }
    if (parser.isSet(check) && !parser.isSet(seed)) {
        // The store as it is, read-only: a check changes nothing, and one of
        // a file that is not there (or of no file) would only check nothing.
        if (!parser.isSet(db)) return Refuse("--check needs --db FILE, an existing database file");
        if (!sw.OpenToCheck(parser.value(db).toStdString(), error)) return Refuse("--check: " + error);
        return Check(sw);
    }
    if (!sw.Open(path, error)) return Refuse(error);
    sw.SetQueryTtl(ttlS * 1000);
    if (parser.isSet(seed)) {
        long long n = 0;
        if (parser.value(seed) != QLatin1String("demo") || !Number(parser, subs, 1, 5000000, n))
            return Refuse("--seed takes \"demo\", --subscribers 1 to 5000000");
        if (!mmlsw::SeedDemo(sw, {n}, error)) return Refuse(error);
        sw.LogProgramChange("mmlswitch --seed demo --subscribers " + std::to_string(n), n);
    }
    if (accountOptions) return Accounts(sw, accounts);
    if (parser.isSet(check)) {
        // Just seeded: checked as the file now is.
        mmlsw::CSwitch stored(cat);
        if (!stored.OpenToCheck(parser.value(db).toStdString(), error)) return Refuse("--check: " + error);
        return Check(stored);
    }
    if (parser.isSet(exec)) return Print(sw.Execute(parser.value(exec).toStdString()));
    if (parser.isSet(listen)) {
        mmlsw::SServerOptions options;
        options.idleMs = idleS * 1000;
        options.lineMs = lineS * 1000;
        options.readers = static_cast<int>(threads);
        options.maxConnections = static_cast<int>(most);
        if (!address.isLoopback() && !sw.HasAccounts())
            return Refuse("refusing to serve on " + address.toString().toStdString() +
                          ": the store holds no operator's account, so nobody would have to log in; add one with "
                          "--add-operator NAME --role admin, or serve on loopback");
        if (tls) options.tls = tlsConfig;
        mmlsw::CStopSignals stop;
        mmlsw::CSwitchServer server(sw, options);
        stop.OnHangUp([&] {
            if (!tls) {
                std::fprintf(stderr, "mmlswitch: SIGHUP: no TLS files to read again\n");
                return;
            }
            // A certificate renewed in place; sessions keep the one they began with.
            QSslConfiguration renewed;
            std::string why;
            if (!mmlsw::LoadTls(parser.value(tlsCert), parser.value(tlsKey), renewed, why)) {
                std::fprintf(stderr, "mmlswitch: SIGHUP: keeping the certificate and key in use: %s\n", why.c_str());
                return;
            }
            server.SetTls(renewed);
            std::fprintf(stderr, "mmlswitch: SIGHUP: certificate and key read again\n");
        });
        if (!server.Listen(address, port, error))
            return Refuse("cannot listen on " + parser.value(listen).toStdString() + ": " + error);
        if (!message.empty()) std::fprintf(stderr, "mmlswitch: %s\n", message.c_str());
        std::fprintf(stderr, "mmlswitch: serving on %s:%u%s\n", qPrintable(address.toString()), server.Port(),
                     tls ? " over TLS" : "");
        if (!sw.HasAccounts())
            std::fprintf(stderr, "mmlswitch: the store holds no operator's account: clients need no login (add "
                                 "one with --add-operator NAME --role admin)\n");
        const int rc = app.exec();
        if (stop.Received()) std::fprintf(stderr, "mmlswitch: stopped by signal %d\n", stop.Received());
        return rc;
    }
    if (!parser.isSet(seed)) parser.showHelp(0);
    return 0;
}
