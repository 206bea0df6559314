// mmlswitch: MML switch simulator.
#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mmlswitch"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("MML switch simulator on SQLite."));
    parser.addHelpOption();
    parser.process(app);
    parser.showHelp(0);
}
