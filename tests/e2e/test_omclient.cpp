// End to end: the real omclient and mmlswitch programs, headless.
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "Programs.h"

namespace {

struct Outcome {
    int code;
    QString err;
    QJsonObject dump;
};

// omclient run as a script: standard input given (and closed), the
// password variable set only when given.
Outcome Client(const QStringList& args, const QString& dumpFile, const QByteArray& input = {},
               const QString& passwordEnv = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("USEROBJ_PASSWORD");
    if (!passwordEnv.isEmpty()) env.insert("USEROBJ_PASSWORD", passwordEnv);
    p.setProcessEnvironment(env);
    p.start(Bin("omclient"), args + QStringList{"--dump", dumpFile});
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        return {-1, "timed out", {}};
    }
    QFile f(dumpFile);
    QJsonObject dump;
    if (f.open(QIODevice::ReadOnly)) dump = QJsonDocument::fromJson(f.readAll()).object();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardError()),
            dump};
}

// The arguments of a run on a fresh demo switch in memory.
QStringList OnDemo(int subscribers, int type) {
    return {"--switch-db", ":memory:",           "--subscribers", QString::number(subscribers),
            "--config",    QString::number(type)};
}

// A run that failed with that exit code, saying so.
void ExpectRefused(const Outcome& r, int code, const char* says) {
    EXPECT_EQ(r.code, code);
    EXPECT_TRUE(r.err.contains(says)) << r.err.toStdString();
}

// The switch's report on one command over the database (mmlswitch --exec);
// empty, with a failure noted, when the switch does not answer.
QString SwitchAnswer(const QStringList& args) {
    QProcess sw;
    sw.start(Bin("mmlswitch"), args);
    if (!sw.waitForFinished(60000) || sw.exitCode() != 0) {
        ADD_FAILURE() << "mmlswitch " << args.join(' ').toStdString() << " failed";
        return {};
    }
    return QString::fromUtf8(sw.readAllStandardOutput());
}

}  // namespace

// Every configuration type opens its window; the subscriber windows show
// their main list filled.
TEST(OmClient, EveryConfigurationTypeOpensAndDescribesItsWindow) {
    QTemporaryDir dir;
    // 1 to 13 are the module's subscriber-data windows, 15 the switch's
    // operation log; the list each subscriber window must fill.
    const std::map<int, int> filled = {{3, 10194}, {4, 10194}, {6, 10207}, {7, 10198}};
    for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15}) {
        SCOPED_TRACE(type);
        Outcome r = Client(OnDemo(1500, type), dir.filePath(QString("dump%1.json").arg(type)));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QJsonArray windows = r.dump["windows"].toArray();
        ASSERT_EQ(windows.size(), 1);
        EXPECT_EQ(windows[0]["configType"].toInt(), type);
        EXPECT_FALSE(windows[0]["title"].toString().isEmpty());
        if (!filled.count(type)) continue;
        int found = 0;
        for (const QJsonValue& v : windows[0].toObject()["lists"].toArray()) {
            const QJsonObject l = v.toObject();
            if (l["id"].toInt() != filled.at(type)) continue;
            ++found;
            EXPECT_GT(l["rowCount"].toInt(), 0);
            EXPECT_FALSE(l["columns"].toArray().isEmpty());
            EXPECT_FALSE(l["rows"].toArray()[0].toArray()[0].toString().isEmpty());
        }
        EXPECT_EQ(found, 1);
    }
}

TEST(OmClient, HelpAndVersionNeedNoDisplay) {
    for (const char* option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(var);
        p.setProcessEnvironment(env);
        p.start(Bin("omclient"), {option});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (std::string(option) == "--help") {
            EXPECT_TRUE(out.contains("--config") && out.contains("--no-restore")) << out.toStdString();
        } else {
            EXPECT_TRUE(out.startsWith("omclient 0.")) << out.toStdString();
        }
    }
}

// Started without --config, the client opens the windows open at the last
// exit, or on a first start the MGCP and H.248 subscribers.
TEST(OmClient, WithoutAChoiceTheRememberedWindowsOpen) {
    QTemporaryDir dir;
    const QString file = dir.filePath("windows.ini");
    const QStringList base{"--switch-db", ":memory:", "--subscribers", "300", "--windows-file", file};
    auto types = [](const Outcome& r) {
        QList<int> t;
        for (const QJsonValue& w : r.dump["windows"].toArray()) t << w["configType"].toInt();
        return t;
    };
    Outcome r = Client(base, dir.filePath("dump.json"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(types(r), QList<int>{3});

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Windows]\nOpen=6,7\n");
    f.close();
    r = Client(base, dir.filePath("dump.json"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(types(r), (QList<int>{6, 7}));
    r = Client(base + QStringList{"--no-restore"}, dir.filePath("dump.json"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(types(r).isEmpty());
    r = Client(base + QStringList{"--config", "4"}, dir.filePath("dump.json"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(types(r), QList<int>{4});
    // Scripted runs leave the remembered windows alone.
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Windows]\nOpen=6,7\n"));
}

TEST(OmClient, TypesOutsideTheTableOpenNothingAndFail) {
    QTemporaryDir dir;
    for (int type : {0, 14, 16}) {
        const Outcome r = Client(OnDemo(100, type), dir.filePath("dump.json"));
        ExpectRefused(r, 1, "opens no object window");
        EXPECT_TRUE(r.dump["windows"].toArray().isEmpty());
    }
}

TEST(OmClient, WorksAgainstASwitchServedOverTcp) {
    ServedSwitch sw;
    ASSERT_GT(sw.port, 0);
    QTemporaryDir dir;
    for (int type : {3, 9}) {
        Outcome r = Client({"--switch", QString("127.0.0.1:%1").arg(sw.port), "--config", QString::number(type)},
                           dir.filePath("dump.json"));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.dump["windows"].toArray().size(), 1);
    }
}

// "Switch died" is not "switch empty": a dump whose commands got no answer
// (a switch that takes them and stays silent, or none there at all) fails.
TEST(OmClient, ADumpWithoutAnswersFails) {
    QTcpServer silent;  // the kernel accepts; nobody ever answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QTemporaryDir dir;
    ExpectRefused(
        Client({"--switch", QString("127.0.0.1:%1").arg(silent.serverPort()), "--config", "3", "--timeout", "1"},
               dir.filePath("dump.json")),
        1, "no answer");

    const quint16 port = silent.serverPort();
    silent.close();  // nobody there now
    ExpectRefused(Client({"--switch", QString("127.0.0.1:%1").arg(port), "--config", "3"}, dir.filePath("dump.json")),
                  1, "no answer");
}

TEST(OmClient, BadArgumentsAreToldAndRefused) {
    QTemporaryDir dir;
    ExpectRefused(Client({"--switch", "nohostnoport"}, dir.filePath("d.json")), 2, "HOST:PORT");
    ExpectRefused(
        Client({"--switch", "tls://127.0.0.1:7001", "--ca", dir.filePath("none.pem")}, dir.filePath("d.json")), 2,
        "--ca");
    ExpectRefused(Client({"--switch", "127.0.0.1:7001", "--ca", dir.filePath("none.pem")}, dir.filePath("d.json")), 2,
                  "tls://");
    EXPECT_EQ(Client({"--switch-db", ":memory:", "--subscribers", "-5"}, dir.filePath("d.json")).code, 2);
    ExpectRefused(
        Client({"--switch-db", ":memory:", "--subscribers", "100", "--config", "three"}, dir.filePath("d.json")), 1,
        "not a number");
}

TEST(MmlSwitch, ExecPrintsTheReportAndItsOutcome) {
    QProcess p;
    p.start(Bin("mmlswitch"), {"--seed", "demo", "--subscribers", "100", "--exec", "DSP MGCPSUB: DN=20000001;"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().contains("DN = 20000001"));
    p.start(Bin("mmlswitch"), {"--exec", "DSP MGCPSUB: DN=1;"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);  // not found
    p.start(Bin("mmlswitch"), {"--seed", "nonsense"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
}

// The V5 windows' interface trees: one group per group number, in order of
// first appearance, the interfaces under them, as the switch lists them.
TEST(OmClient, V5WindowsShowTheSwitchsInterfacesByGroup) {
    QTemporaryDir dir;
    const QString db = dir.filePath("v5.db");
    const QString report =
        SwitchAnswer({"--db", db, "--seed", "demo", "--subscribers", "1500", "--exec", "LST V5IF:;"});
    ASSERT_FALSE(report.isEmpty());
    static const QRegularExpression record("V5IID = (\\d+)\\n(?:.*\\n)*?GROUP = (\\d+)");
    QStringList order;
    std::map<QString, QStringList> members;
    for (auto it = record.globalMatch(report); it.hasNext();) {
        const auto m = it.next();
        if (!order.contains(m.captured(2))) order << m.captured(2);
        members[m.captured(2)] << m.captured(1);
    }
    ASSERT_FALSE(order.isEmpty());
    for (int type : {5, 12}) {
        SCOPED_TRACE(type);
        Outcome r = Client({"--switch-db", db, "--config", QString::number(type)}, dir.filePath("dump.json"));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("InitConfigObj Fail")) << r.err.toStdString();
        QJsonArray groups;
        for (const QJsonValue& t : r.dump["windows"].toArray()[0].toObject()["trees"].toArray())
            if (t["id"].toInt() == 10181) groups = t["items"].toArray()[0].toObject()["children"].toArray();
        ASSERT_EQ(groups.size(), order.size());
        for (int g = 0; g < groups.size(); ++g) {
            const QJsonObject group = groups[g].toObject();
            EXPECT_TRUE(group["text"].toString().endsWith(" " + order[g])) << group["text"].toString().toStdString();
            const QJsonArray items = group["children"].toArray();
            ASSERT_EQ(items.size(), members[order[g]].size());
            for (int i = 0; i < items.size(); ++i)
                EXPECT_TRUE(items[i].toObject()["text"].toString().endsWith(members[order[g]][i]));
        }
    }
}

// The number segment window dumps its tree with the blocks of every segment
// of more than 1000 numbers, and the Centrex window its groups, as the switch
// lists them.
TEST(OmClient, SegmentAndCentrexWindowsDescribeTheSwitchsSegmentsAndGroups) {
    QTemporaryDir dir;
    const QString db = dir.filePath("seg.db");
    const QString report =
        SwitchAnswer({"--db", db, "--seed", "demo", "--subscribers", "1500", "--exec", "LST DNSEG:;"});
    ASSERT_FALSE(report.isEmpty());
    static const QRegularExpression segment("SEGIDX = (\\d+)\\n(?:.*\\n)*?BGNDN = (\\d+)\\nENDDN = (\\d+)");
    QStringList segments;
    std::vector<long long> sizes;
    for (auto it = segment.globalMatch(report); it.hasNext();) {
        const auto m = it.next();
        segments << m.captured(1) + ":" + m.captured(2) + "-" + m.captured(3);
        sizes.push_back(m.captured(3).toLongLong() - m.captured(2).toLongLong() + 1);
    }
    ASSERT_FALSE(segments.isEmpty());

    Outcome r = Client({"--switch-db", db, "--config", "1"}, dir.filePath("dump1.json"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonArray items;
    for (const QJsonValue& t : r.dump["windows"].toArray()[0].toObject()["trees"].toArray())
        if (t["id"].toInt() == 10163) items = t["items"].toArray();
    ASSERT_EQ(items.size(), segments.size());
    for (int i = 0; i < items.size(); ++i) {
        const QJsonObject item = items[i].toObject();
        EXPECT_TRUE(item["text"].toString().startsWith(segments[i] + "[")) << item["text"].toString().toStdString();
        const long long n = sizes[static_cast<size_t>(i)];
        const QJsonArray blocks = item["children"].toArray();
        EXPECT_EQ(blocks.size(), n > 1000 ? static_cast<int>((n + 999) / 1000) : 0) << segments[i].toStdString();
    }

    const int groups = static_cast<int>(SwitchAnswer({"--db", db, "--exec", "LST CXGRP:;"}).count("[CXGRP]"));
    ASSERT_GT(groups, 0);
    r = Client({"--switch-db", db, "--config", "2"}, dir.filePath("dump2.json"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    int shown = -1;
    for (const QJsonValue& l : r.dump["windows"].toArray()[0].toObject()["lists"].toArray())
        if (l["id"].toInt() == 10187) shown = l["rowCount"].toInt();
    EXPECT_EQ(shown, groups);
}

namespace {

// A team's switch: TLS with a certificate of the test, one operator. A
// script logs in with --operator and the password from the environment or
// standard input; a wrong one, an unknown certificate and no --operator at
// all end the run with 1 and say why.
struct TeamSwitch {
    QTemporaryDir dir;
    QString cert, key, db;
    std::unique_ptr<ServedSwitch> served;
    TeamSwitch() {
        cert = dir.filePath("team.crt");
        key = dir.filePath("team.key");
        db = dir.filePath("team.db");
        QProcess ssl;
        ssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                   "-subj", "/CN=team", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert});
        EXPECT_TRUE(ssl.waitForFinished(30000) && ssl.exitCode() == 0);
        QProcess seed;
        seed.start(Bin("mmlswitch"), {"--db", db, "--seed", "demo", "--subscribers", "600"});
        EXPECT_TRUE(seed.waitForFinished(60000) && seed.exitCode() == 0);
        QProcess add;
        add.start(Bin("mmlswitch"), {"--db", db, "--add-operator", "carol", "--role", "guest"});
        add.write("carol-secret\n");
        add.closeWriteChannel();
        EXPECT_TRUE(add.waitForFinished(30000) && add.exitCode() == 0) << add.readAllStandardError().toStdString();
        served = std::make_unique<ServedSwitch>(QStringList{"--db", db, "--tls-cert", cert, "--tls-key", key});
    }
    QStringList Target() const { return {"--switch", QString("tls://127.0.0.1:%1").arg(served->port)}; }
};

}  // namespace

TEST(OmClient, AScriptLogsInToATeamSwitchOverTls) {
    TeamSwitch team;
    ASSERT_GT(team.served->port, 0);
    QTemporaryDir dir;
    const QString dump = dir.filePath("dump.json");
    const QStringList verified = team.Target() + QStringList{"--ca", team.cert, "--config", "3"};
    Outcome r = Client(verified + QStringList{"--operator", "carol"}, dump, "carol-secret\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.dump["windows"].toArray().size(), 1);
    r = Client(verified + QStringList{"--operator", "carol"}, dump, {}, "carol-secret");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();

    ExpectRefused(Client(verified + QStringList{"--operator", "carol"}, dump, "wrong-password\n"), 1, "Login failed");
    ExpectRefused(Client(verified, dump, {}), 1, "asks for a login");
    // Nobody is there to compare a fingerprint: an unknown certificate is refused.
    ExpectRefused(Client(team.Target() + QStringList{"--config", "3", "--operator", "carol"}, dump, "carol-secret\n"),
                  1, "SHA256:");
}
