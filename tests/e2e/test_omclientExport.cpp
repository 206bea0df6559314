// End to end: omclient --export writes every subscriber of the first list,
// as the switch itself lists them, to a workbook and to a text file.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../switch/TcpClient.h"
#include "Programs.h"
#include "WaitFor.h"
#include "XlsxBook.h"

namespace {

int Export(const QStringList& args, QString& err) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(Bin("omclient"), args);
    if (!p.waitForFinished(600000)) {
        p.kill();
        return -1;
    }
    err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

// The numbers of every MGCP subscriber, in the switch's order, read page by page.
std::vector<std::string> SwitchNumbers(const QString& db) {
    std::vector<std::string> numbers;
    ServedSwitch sw({"--db", db});
    EXPECT_GT(sw.port, 0);
    TcpClient c(static_cast<quint16>(sw.port));
    c.Send("LST MGCPSUB:;");
    EXPECT_TRUE(WaitFor([&] { return c.Reports() == 1; }, 30000));
    const std::string qid = c.Field(0, "QID");
    const int total = std::stoi(c.Field(0, "Total Recs"));
    int asked = 0;
    for (int begin = 0; begin < total; begin += 1000) {
        c.Send(QString("LST MGCPSUB: QID=\"%1\", BEGIN=%2, END=%3;")
                   .arg(QString::fromStdString(qid)).arg(begin).arg(std::min(begin + 999, total - 1)).toUtf8());
        ++asked;
    }
    EXPECT_TRUE(WaitFor([&] { return c.Reports() == asked + 1; }, 60000));
    for (int n = 1; n <= asked; ++n) {
        const std::string r = c.Report(n);
        for (size_t at = r.find("\nDN = "); at != std::string::npos; at = r.find("\nDN = ", at + 1))
            numbers.push_back(r.substr(at + 6, r.find('\n', at + 6) - at - 6));
    }
    return numbers;
}

TEST(OmClientExport, TwentyThousandSubscribersGoWholeToAWorkbookAndToText) {
    QTemporaryDir dir;
    const QString db = dir.filePath("switch.db");
    const QStringList client{"--switch-db", db, "--subscribers", "20000", "--config", "3", "--export"};
    QString err;
    ASSERT_EQ(Export(client + QStringList{dir.filePath("out.xlsx")}, err), 0) << err.toStdString();
    ASSERT_EQ(Export(client + QStringList{dir.filePath("out.txt")}, err), 0) << err.toStdString();
    const std::vector<std::string> numbers = SwitchNumbers(db);
    ASSERT_EQ(numbers.size(), 20000u);

    std::vector<std::vector<std::string>> rows;
    int columns = 0;
    std::string error;
    ASSERT_TRUE(xlsx::ReadSheet(dir.filePath("out.xlsx").toStdString(), "Vexil Quenlow MGC", rows, columns, error))
        << error;
    ASSERT_EQ(rows.size(), 20002u);  // titles, the empty row, the subscribers
    EXPECT_EQ(rows[0][0], "Directory Number");
    std::vector<std::string> inBook;
    for (size_t r = 2; r < rows.size(); ++r) inBook.push_back(rows[r][0]);
    EXPECT_EQ(inBook, numbers);

    QFile text(dir.filePath("out.txt"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QList<QByteArray> records = text.readAll().split('\n');
    std::vector<std::string> inText;
    for (qsizetype i = 2; i < records.size(); i += 2) {  // after the header record and its empty line
        if (records[i].isEmpty()) continue;
        inText.push_back(records[i].left(records[i].indexOf('\t')).toStdString());
    }
    EXPECT_EQ(inText, numbers);

    // A file that cannot be written fails the run.
    EXPECT_EQ(Export(client + QStringList{dir.filePath("no/such/folder/out.txt")}, err), 1);
    EXPECT_TRUE(err.contains("cannot be opened for writing")) << err.toStdString();
}

}  // namespace
