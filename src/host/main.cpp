// omclient: the O&M client. Opens object windows of the subscriber-data
// module on the embedded switch (or a switch given with --switch).
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QJsonDocument>
#include <QSslCertificate>
#include <QStatusBar>

#include <cstdio>
#include <cstring>
#include <memory>

#include "ClientRoot.h"
#include "EmbeddedSwitchLink.h"
#include "ExportRun.h"
#include "HostMainWindow.h"
#include "LinkLogin.h"
#include "ScreenState.h"
#include "SeedProgress.h"
#include "StartWindows.h"
#include "StopSignals.h"
#include "TcpSwitchLink.h"
#include "WindowDump.h"
#include "hostlibs/FrmDatabase.h"

namespace {

// Help and version are plain text: they must not need a display.
bool AsksForTextOnly(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        for (const char* o : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], o) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::unique_ptr<QCoreApplication> app;
    if (AsksForTextOnly(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("omclient"));
    QCoreApplication::setApplicationVersion(QStringLiteral(UO_VERSION));
    if (qobject_cast<QApplication*>(app.get())) {
        // The desktop ties the windows to omclient.desktop; an installed
        // client finds its icon in the theme.
        QGuiApplication::setDesktopFileName(QStringLiteral("omclient"));
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("omclient")));
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("O&M client of the softswitch: subscriber data windows."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption config(QStringLiteral("config"),
                              QStringLiteral("Open an object window of configuration type N (1 to 13; 15: the "
                                             "operation log) at start; repeatable."),
                              QStringLiteral("N"));
    QCommandLineOption sw(QStringLiteral("switch"),
                          QStringLiteral("Talk to the switch at HOST:PORT (plain TCP) or tls://HOST:PORT (TLS 1.2 or "
                                         "later) instead of the embedded one."),
                          QStringLiteral("HOST:PORT"));
    QCommandLineOption ca(QStringLiteral("ca"),
                          QStringLiteral("Verify the certificate of a tls:// switch with the authority certificates "
                                         "(PEM) in FILE only. Without it the system's store is used, and a "
                                         "certificate it does not vouch for is shown by its fingerprint and trusted "
                                         "on first use."),
                          QStringLiteral("FILE"));
    QCommandLineOption operatorName(
        QStringLiteral("operator"),
        QStringLiteral("Log in to a switch that asks for a login as NAME, with the password from the environment "
                       "variable USEROBJ_PASSWORD or else the first line of standard input; for scripts "
                       "(--dump, --export). A failed login ends the client with status 1."),
        QStringLiteral("NAME"));
    QCommandLineOption swdb(QStringLiteral("switch-db"),
                            QStringLiteral("Database of the embedded switch (default: switch/demo.db under "
                                           "the client root, under $XDG_DATA_HOME/userobj when installed; "
                                           "\":memory:\" for a fresh one)."),
                            QStringLiteral("FILE"));
    QCommandLineOption subs(QStringLiteral("subscribers"),
                            QStringLiteral("MGCP subscribers of a newly seeded embedded switch (default 12000)."),
                            QStringLiteral("N"), QStringLiteral("12000"));
    QCommandLineOption dump(QStringLiteral("dump"),
                            QStringLiteral("Write a JSON description of the open windows once they have their "
                                           "first results, then exit."),
                            QStringLiteral("FILE"));
    QCommandLineOption shot(QStringLiteral("screenshot"),
                            QStringLiteral("Write a PNG of the main window at the same moment, then exit."),
                            QStringLiteral("FILE"));
    QCommandLineOption timeout(QStringLiteral("timeout"),
                               QStringLiteral("Seconds to wait for the switch's answer to a command before giving "
                                              "it up (default: CmdTimeOut of data/Marrowind.ini, 30; 0 waits for "
                                              "ever)."),
                               QStringLiteral("S"));
    QCommandLineOption state(QStringLiteral("state"),
                             QStringLiteral("On SIGUSR1 write what the windows and the screen show (JSON, with "
                                            "screen coordinates) to FILE, for scripts that drive the client."),
                             QStringLiteral("FILE"));
    QCommandLineOption exportTo(QStringLiteral("export"),
                                QStringLiteral("Export the first window's list to FILE (a workbook when it ends "
                                               "in .xlsx, text otherwise) once the windows have their first "
                                               "results, then exit (1 when the export failed)."),
                                QStringLiteral("FILE"));
    QCommandLineOption windows(
        QStringLiteral("windows-file"),
        QStringLiteral("Where the windows open at exit are remembered and reopened from "
                       "when no --config is given (default: data/omclient.ini under the "
                       "client root, $XDG_CONFIG_HOME/userobj/omclient.ini when installed)."),
        QStringLiteral("FILE"));
    QCommandLineOption noRestore(
        QStringLiteral("no-restore"),
        QStringLiteral("Start with no object window and do not remember the open ones "
                       "at exit."));
    parser.addOptions({config, sw, ca, operatorName, swdb, subs, dump, shot, timeout, state, windows, noRestore, exportTo});
    parser.process(*app);

    if (!HostDatabase().Error().empty()) {
        std::fprintf(stderr, "omclient: %s\n", HostDatabase().Error().c_str());
        return 2;
    }
    std::unique_ptr<host::CSwitchLink> link;
    host::CTcpSwitchLink* tcp = nullptr;
    if (parser.isSet(sw)) {
        host::STcpTarget target;
        QString error;
        if (!host::ParseSwitchAddress(parser.value(sw), target, error)) {
            std::fprintf(stderr, "omclient: %s\n", qPrintable(error));
            return 2;
        }
        if (parser.isSet(ca) && !target.tls) {
            std::fprintf(stderr, "omclient: --ca goes with a tls:// switch\n");
            return 2;
        }
        target.caFile = parser.value(ca);
        if (!target.caFile.isEmpty() && QSslCertificate::fromPath(target.caFile, QSsl::Pem).isEmpty()) {
            std::fprintf(stderr, "omclient: --ca: %s holds no certificate (PEM)\n", qPrintable(target.caFile));
            return 2;
        }
        auto tcpLink = std::make_unique<host::CTcpSwitchLink>(target);
        tcp = tcpLink.get();
        link = std::move(tcpLink);
    } else {
        bool ok = false;
        const long long n = parser.value(subs).toLongLong(&ok);
        if (!ok || n < 1) {
            std::fprintf(stderr, "omclient: --subscribers takes a positive number\n");
            return 2;
        }
        const std::string db =
            parser.isSet(swdb) ? parser.value(swdb).toStdString() : platform::StateFolder() + "/switch/demo.db";
        auto embedded = std::make_unique<host::CEmbeddedSwitchLink>(db, n);
        std::string error;
        if (!host::WaitShowingProgress(*embedded, error)) {
            std::fprintf(stderr, "omclient: embedded switch: %s\n", error.c_str());
            return 2;
        }
        link = std::move(embedded);
    }
    if (parser.isSet(operatorName)) {
        if (!tcp) {
            std::fprintf(stderr, "omclient: --operator goes with --switch (the embedded switch asks for no login)\n");
            return 2;
        }
        const QString password = host::ScriptPassword();
        const QString problem = host::CheckCredentials(parser.value(operatorName), password);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "omclient: --operator: %s\n", qPrintable(problem));
            return 2;
        }
        tcp->SetCredentials(parser.value(operatorName), password);
    }
    host::CHostMainWindow window(platform::ModuleFolder() + "/libuserobj.so", std::move(link));
    if (tcp && (parser.isSet(operatorName) || parser.isSet(dump) || parser.isSet(shot) || parser.isSet(exportTo))) {
        // Nobody is there to answer: a login or certificate that needs the
        // operator ends the run.
        tcp->SetTrustQuestion(nullptr);
        QObject::connect(tcp, &host::CSwitchLink::LinkLost, &window, [](const QString& why) {
            std::fprintf(stderr, "omclient: %s\n", qPrintable(why));
        });
        QObject::disconnect(tcp, &host::CTcpSwitchLink::LoginNeeded, &window, nullptr);
        QObject::connect(tcp, &host::CTcpSwitchLink::LoginNeeded, &window, [tcp](const QString& problem) {
            std::fprintf(stderr, "omclient: the switch at %s asks for a login%s%s\n", qPrintable(tcp->Describe()),
                         problem.isEmpty() ? " (give --operator)" : ": ", qPrintable(problem));
            tcp->CancelLogin();
            QCoreApplication::exit(1);
        });
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const int seconds = parser.value(timeout).toInt(&ok);
        if (!ok || seconds < 0) {
            std::fprintf(stderr, "omclient: --timeout takes a number of seconds (0 or more)\n");
            return 2;
        }
        window.Link()->SetCommandTimeout(seconds * 1000);
    }

    std::unique_ptr<host::CStateOnSignal> stateWriter;
    if (parser.isSet(state)) {
        stateWriter = std::make_unique<host::CStateOnSignal>(window, parser.value(state));
        if (!stateWriter->Error().isEmpty()) {
            std::fprintf(stderr, "omclient: --state: %s\n", qPrintable(stateWriter->Error()));
            return 2;
        }
    }

    int failures = 0;
    for (const QString& v : parser.values(config)) {
        bool ok = false;
        const int type = v.toInt(&ok);
        if (!ok || !window.OpenObjectWindow(type)) {
            std::fprintf(stderr, "omclient: --config %s: %s\n", qPrintable(v),
                         ok ? window.LastError().c_str() : "not a number");
            ++failures;
        }
    }
    // No choice made: the windows of the last exit (a first start: the
    // MGCP and H.248 subscribers), remembered again at this exit.
    const bool scripted = parser.isSet(dump) || parser.isSet(shot) || parser.isSet(exportTo);
    const bool restore = !parser.isSet(config) && !parser.isSet(noRestore);
    const std::string windowsFile =
        parser.isSet(windows) ? parser.value(windows).toStdString() : host::DefaultWindowsFile();
    if (restore)
        for (int type : host::StartWindows(windowsFile))
            if (!window.OpenObjectWindow(type))
                std::fprintf(stderr, "omclient: remembered window %d: %s\n", type,
                             window.LastError().c_str());
    window.show();
    if (window.OpenWindowTypes().empty())
        window.statusBar()->showMessage(
            QStringLiteral("Open an object window from the Objects menu."));
    if (scripted) {
        // Once every window has its first results: describe, photograph, leave.
        host::WhenSettled(window, 120000, [&](bool settled) {
            if (!settled) std::fprintf(stderr, "omclient: the windows did not settle in time\n");
            // A window whose commands were given up shows nothing of the
            // switch: a script must not take that for an empty switch.
            if (const int killed = window.Link()->KilledCommands()) {
                std::fprintf(stderr, "omclient: %d command(s) got no answer from the switch (timed out or link lost)\n",
                             killed);
                ++failures;
            }
            if (parser.isSet(dump)) {
                QFile f(parser.value(dump));
                if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                    std::fprintf(stderr, "omclient: cannot write %s\n", qPrintable(parser.value(dump)));
                    ++failures;
                } else {
                    f.write(QJsonDocument(host::DumpWindows(window)).toJson());
                }
            }
            if (parser.isSet(shot) && !window.grab().save(parser.value(shot), "PNG")) {
                std::fprintf(stderr, "omclient: cannot write %s\n", qPrintable(parser.value(shot)));
                ++failures;
            }
            const int code = failures || !settled ? 1 : 0;
            if (!parser.isSet(exportTo)) return QCoreApplication::exit(code);
            host::ExportFirstWindow(window, parser.value(exportTo).toStdString(), 3600000,
                                    [code](bool ok, const std::string& error) {
                                        if (!ok) std::fprintf(stderr, "omclient: --export: %s\n", error.c_str());
                                        QCoreApplication::exit(ok ? code : 1);
                                    });
        });
    }
    // SIGTERM and SIGINT end the client as closing its window does.
    mmlsw::CStopSignals stop;
    const int code = QCoreApplication::exec();
    if (restore && !scripted && !host::RememberWindows(windowsFile, window.OpenWindowTypes()))
        std::fprintf(stderr, "omclient: cannot write %s\n", windowsFile.c_str());
    return code;
}
