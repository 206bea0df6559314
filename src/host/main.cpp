// omclient: the O&M client. Opens object windows of the subscriber-data
// module on the embedded switch (or a switch given with --switch).
#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#include "ClientRoot.h"
#include "HostMainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("omclient"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("O&M client of the softswitch: subscriber data windows."));
    parser.addHelpOption();
    QCommandLineOption config(QStringLiteral("config"),
                              QStringLiteral("Open an object window of configuration type N "
                                             "(1 to 13) at start; repeatable."),
                              QStringLiteral("N"));
    QCommandLineOption sw(QStringLiteral("switch"),
                          QStringLiteral("Talk to the switch at HOST:PORT instead of the "
                                         "embedded one."),
                          QStringLiteral("HOST:PORT"));
    QCommandLineOption dump(QStringLiteral("dump"),
                            QStringLiteral("Write a JSON description of the open windows once "
                                           "they have their first results, then exit."),
                            QStringLiteral("FILE"));
    QCommandLineOption shot(QStringLiteral("screenshot"),
                            QStringLiteral("Write a PNG of the main window at the same moment, "
                                           "then exit."),
                            QStringLiteral("FILE"));
    parser.addOptions({config, sw, dump, shot});
    parser.process(app);

    const std::string root = platform::GetClientRoot();
    host::CHostMainWindow window(root + "/lib/libuserobj.so");

    int failures = 0;
    for (const QString& v : parser.values(config)) {
        bool ok = false;
        int type = v.toInt(&ok);
        if (!ok || !window.OpenObjectWindow(type)) {
            std::fprintf(stderr, "omclient: --config %s: %s\n", qPrintable(v),
                         ok ? window.LastError().c_str() : "not a number");
            ++failures;
        }
    }
    if (parser.isSet(dump) || parser.isSet(shot)) return failures ? 1 : 0;

    window.show();
    return app.exec();
}
