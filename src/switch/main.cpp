// mmlswitch: the MML switch simulator. Executes one command (--exec), or
// serves clients over TCP (--listen), on a database file or in memory.
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#include "ClientRoot.h"
#include "DemoData.h"
#include "Switch.h"
#include "SwitchServer.h"
#include "hostlibs/ObjArray.h"

int main(int argc, char* argv[]) {
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
    QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Database file (default: in memory)."),
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
    QCommandLineOption ttl(QStringLiteral("query-ttl"),
                           QStringLiteral("Seconds an unused paged query is kept (default 300)."),
                           QStringLiteral("SECONDS"), QStringLiteral("300"));
    QCommandLineOption catalogue(QStringLiteral("catalogue"),
                                 QStringLiteral("Object catalogue (default: data/objects.json of the client root)."),
                                 QStringLiteral("FILE"));
    parser.addOptions({db, seed, subs, exec, listen, ttl, catalogue});
    parser.process(app);

    CFrmDatabase cat;
    const std::string catPath = parser.isSet(catalogue) ? parser.value(catalogue).toStdString()
                                                        : platform::DataFile("objects.json");
    if (!cat.Load(catPath)) {
        std::fprintf(stderr, "mmlswitch: %s\n", cat.Error().c_str());
        return 2;
    }
    mmlsw::CSwitch sw(cat);
    std::string error;
    if (!sw.Open(parser.value(db).toStdString(), error)) {
        std::fprintf(stderr, "mmlswitch: %s\n", error.c_str());
        return 2;
    }
    bool ok = false;
    sw.SetQueryTtl(static_cast<int64_t>(parser.value(ttl).toLongLong(&ok)) * 1000);
    if (!ok) {
        std::fprintf(stderr, "mmlswitch: --query-ttl needs a number of seconds\n");
        return 2;
    }
    if (parser.isSet(seed)) {
        const long long n = parser.value(subs).toLongLong(&ok);
        if (parser.value(seed) != QLatin1String("demo") || !ok || n < 1 || n > 5000000) {
            std::fprintf(stderr, "mmlswitch: --seed takes \"demo\", --subscribers 1 to 5000000\n");
            return 2;
        }
        if (!mmlsw::SeedDemo(sw, {n}, error)) {
            std::fprintf(stderr, "mmlswitch: %s\n", error.c_str());
            return 2;
        }
    }
    if (parser.isSet(exec)) {
        int rc = 0;
        for (const std::string& report : sw.Execute(parser.value(exec).toStdString())) {
            std::fwrite(report.data(), 1, report.size(), stdout);
            CObjArray parsed;
            if (Parse(report, 1, parsed) < 0 || parsed.GetRetCode() != 0) rc = 1;
        }
        return rc;
    }
    if (parser.isSet(listen)) {
        QHostAddress address;
        quint16 port = 0;
        if (!mmlsw::ParseListenAddress(parser.value(listen), address, port)) {
            std::fprintf(stderr, "mmlswitch: --listen takes ADDR:PORT\n");
            return 2;
        }
        mmlsw::CSwitchServer server(sw);
        if (!server.Listen(address, port, error)) {
            std::fprintf(stderr, "mmlswitch: cannot listen on %s: %s\n",
                         qPrintable(parser.value(listen)), error.c_str());
            return 2;
        }
        std::fprintf(stderr, "mmlswitch: serving on %s:%u\n", qPrintable(address.toString()), server.Port());
        return app.exec();
    }
    if (!parser.isSet(seed)) parser.showHelp(0);
    return 0;
}
