// The client's programs as a script runs them: their path in the build
// tree, and a switch served over TCP on a free loopback port.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

inline QString Bin(const char* name) { return QCoreApplication::applicationDirPath() + "/" + name; }

// A switch of its own: a fresh demo set, or the database of the arguments.
struct ServedSwitch {
    QProcess p;
    int port = 0;
    explicit ServedSwitch(const QStringList& data = {"--seed", "demo", "--subscribers", "1500"}) {
        p.setReadChannel(QProcess::StandardError);
        p.start(Bin("mmlswitch"), data + QStringList{"--listen", "127.0.0.1:0"});
        QString err;
        static const QRegularExpression re("serving on [0-9.]+:([0-9]+)");
        while (port == 0 && p.waitForReadyRead(10000)) {
            err += QString::fromUtf8(p.readAllStandardError());
            auto m = re.match(err);
            if (m.hasMatch()) port = m.captured(1).toInt();
        }
    }
    ~ServedSwitch() {
        p.kill();
        p.waitForFinished();
    }
};
