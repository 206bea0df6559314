// Export of list data: the proposed name, the text file and the workbook as
// written, and an export that reads its rows from the switch (a source that
// answers later), with its progress dialog and Cancel.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

#include "ClientRoot.h"
#include "ExportData.h"
#include "ExportJob.h"
#include "ExportWriters.h"
#include "HostStrings.h"
#include "SpreadSheet.h"
#include "SheetFiles.h"
#include "TextHelpers.h"
#include "UiService.h"
#include "WaitFor.h"

using sheettest::Rows;
using Table = std::vector<std::vector<std::string>>;

namespace {

// Rows held in memory; with later set, each batch is answered from the event loop.
class CFakeSource : public IExportSource {
public:
    CFakeSource(std::vector<std::string> titles, Table rows, QWidget* owner, bool later = false)
        : m_titles(std::move(titles)), m_rows(std::move(rows)), m_owner(owner), m_later(later) {}
    std::vector<std::string> Titles() const override { return m_titles; }
    long long RowCount() const override { return static_cast<long long>(m_rows.size()); }
    bool IsRemote() const override { return m_later; }
    void FetchRows(long long first, int count, RowsDone done) override {
        ++counts->fetches;
        Table part(m_rows.begin() + first, m_rows.begin() + first + count);
        if (failAt >= 0 && first >= failAt) return Answer([done] { done(false, {}, "1011 query expired"); });
        if (silent) return;
        Answer([done, part] { done(true, part, {}); });
    }
    void CancelFetch() override { ++counts->cancels; }
    QWidget* Owner() const override { return m_owner; }

    // Outlive the source, which goes with its export job.
    struct Counts {
        int fetches = 0, cancels = 0;
    };
    std::shared_ptr<Counts> counts = std::make_shared<Counts>();
    long long failAt = -1;
    bool silent = false;  // the switch never answers

private:
    void Answer(std::function<void()> f) {
        if (m_later) QTimer::singleShot(0, m_owner, f);
        else f();
    }
    std::vector<std::string> m_titles;
    Table m_rows;
    QWidget* m_owner;
    bool m_later;
};

class ExportTest : public ::testing::Test {
protected:
    std::string Path(const char* name) { return m_dir.filePath(name).toStdString(); }
    // Starts an export to path (no dialog) and waits for its end.
    bool Run(bool workbook, std::unique_ptr<CFakeSource> source, const std::string& path) {
        bool ended = false, result = false;
        auto done = [&](bool ok) { ended = true, result = ok; };
        if (workbook) CExportData::ExportToExcel(std::move(source), "MGCP Subscriber", done, path);
        else CExportData::ExportToText(std::move(source), "MGCP Subscriber", done, path);
        EXPECT_TRUE(WaitFor([&] { return ended; }, 20000));
        return result;
    }
    std::string Bytes(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(missing)");
    }
    // Nothing but the files named is left in the folder (no half-written copy).
    void ExpectOnly(const QStringList& names) {
        QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        left.sort();
        QStringList want = names;
        want.sort();
        EXPECT_EQ(left, want);
    }
    QTemporaryDir m_dir;
    QWidget m_owner;
    platform::CRecordingUiGuard m_ui;
};

TEST_F(ExportTest, TheTextFileHoldsTitlesAndRowsWithFourTabsAndTwoLineEnds) {
    ASSERT_TRUE(Run(false, std::make_unique<CFakeSource>(std::vector<std::string>{"A", "B"}, Table{{"1", "2"}}, &m_owner),
                    Path("two.txt")));
    EXPECT_EQ(Bytes(Path("two.txt")), "A\t\t\t\tB\t\t\t\t\r\n\r\n1\t\t\t\t2\t\t\t\t\r\n\r\n");
    // Titles come with room for 29 characters; cells and quotes stay as they are.
    const std::string longTitle(40, 'T');
    ASSERT_TRUE(Run(false, std::make_unique<CFakeSource>(std::vector<std::string>{longTitle}, Table{{"O'Neil \"x\""}}, &m_owner),
                    Path("long.txt")));
    EXPECT_EQ(Bytes(Path("long.txt")), std::string(28, 'T') + "\t\t\t\t\r\n\r\nO'Neil \"x\"\t\t\t\t\r\n\r\n");
    // An empty list: the header record alone.
    ASSERT_TRUE(Run(false, std::make_unique<CFakeSource>(std::vector<std::string>{"A"}, Table{}, &m_owner), Path("none.txt")));
    EXPECT_EQ(Bytes(Path("none.txt")), "A\t\t\t\t\r\n\r\n");
}

TEST_F(ExportTest, TheSaveDialogProposesATimeStampedNameInTheOutputFolder) {
    m_ui->saveAnswers = {Path("report.TXT"), Path("plain"), ""};
    auto source = [&] { return std::make_unique<CFakeSource>(std::vector<std::string>{"A"}, Table{{"1"}}, &m_owner); };
    EXPECT_TRUE(CExportData::ExportToText(source(), "MGCP Subscriber"));
    EXPECT_TRUE(CExportData::ExportToText(source(), "MGCP Subscriber"));
    EXPECT_FALSE(CExportData::ExportToExcel(source(), "MGCP Subscriber"));  // cancelled
    EXPECT_EQ(Bytes(Path("report.TXT.txt")), "A\t\t\t\t\r\n\r\n1\t\t\t\t\r\n\r\n");
    EXPECT_EQ(Bytes(Path("plain.txt")), "A\t\t\t\t\r\n\r\n1\t\t\t\t\r\n\r\n");
    ASSERT_EQ(m_ui->saveRequests.size(), 3u);
    const platform::SaveFileRequest& r = m_ui->saveRequests[0];
    EXPECT_EQ(r.caption, HostString(241));
    EXPECT_EQ(r.filter, HostString(247));
    EXPECT_EQ(r.defaultExt, "txt");
    EXPECT_EQ(r.directory, platform::GetClientRoot() + "/Output");
    EXPECT_TRUE(QDir(QString::fromStdString(r.directory)).exists());
    EXPECT_TRUE(QRegularExpression(R"(^MGCP Subscriber--\d\d-\d\d-\d\d-\d\d-\d\d-\d\d$)")
                    .match(QString::fromStdString(r.fileName)).hasMatch()) << r.fileName;
    EXPECT_EQ(m_ui->saveRequests[2].filter, HostString(246));
    // The dialog asked about report.TXT; report.TXT.txt exists now, and the
    // operator is asked before it is replaced.
    m_ui->saveAnswers = {Path("report.TXT"), Path("report.TXT")};
    m_ui->boxAnswers = {IDNO, IDYES};
    const auto more = [&] { return std::make_unique<CFakeSource>(std::vector<std::string>{"B"}, Table{{"2"}}, &m_owner); };
    EXPECT_FALSE(CExportData::ExportToText(more(), "MGCP Subscriber"));
    EXPECT_EQ(Bytes(Path("report.TXT.txt")), "A\t\t\t\t\r\n\r\n1\t\t\t\t\r\n\r\n");
    ASSERT_FALSE(m_ui->boxes.empty());
    EXPECT_NE(m_ui->boxes.back().text.find(Path("report.TXT.txt")), std::string::npos) << m_ui->boxes.back().text;
    EXPECT_TRUE(CExportData::ExportToText(more(), "MGCP Subscriber"));
    EXPECT_EQ(Bytes(Path("report.TXT.txt")), "B\t\t\t\t\r\n\r\n2\t\t\t\t\r\n\r\n");
    EXPECT_EQ(m_ui->saveRequests[2].defaultExt, "xlsx");
    ExpectOnly({"report.TXT.txt", "plain.txt"});
}

TEST_F(ExportTest, TheWorkbookHoldsTitlesAnEmptyRowAndEveryRowAsShown) {
    const Table rows{{"20000001", "O'Neil", "=1+1"}, {"20000002", "<b>&", "@x"}};
    ASSERT_TRUE(Run(true, std::make_unique<CFakeSource>(std::vector<std::string>{"DN", "Name", "Formula"}, rows, &m_owner),
                    Path("book.xlsx")));
    sheettest::ExpectSoundPackage(Path("book.xlsx"));
    EXPECT_EQ(Rows(Path("book.xlsx")),
              (Table{{"DN", "Name", "Formula"}, {"", "", ""}, rows[0], rows[1]}));
    EXPECT_TRUE(m_ui->boxes.empty());
    ExpectOnly({"book.xlsx"});
    // An empty list: the title row and the empty row.
    ASSERT_TRUE(Run(true, std::make_unique<CFakeSource>(std::vector<std::string>{"DN"}, Table{}, &m_owner), Path("empty.xlsx")));
    EXPECT_EQ(Rows(Path("empty.xlsx")), (Table{{"DN"}}));  // the empty row holds no cell
    EXPECT_EQ(sheettest::Run("unzip", {"-p", QString::fromStdString(Path("empty.xlsx")), "xl/worksheets/sheet1.xml"})
                  .count("<row "), 2);
}

TEST_F(ExportTest, LongTextsAreCutTo250CharactersAndTheOperatorIsTold) {
    const std::string title(300, 't'), quotes(130, '\'');
    ASSERT_TRUE(Run(true, std::make_unique<CFakeSource>(std::vector<std::string>{title, "B"}, Table{{quotes, std::string(251, 'c')}}, &m_owner),
                    Path("cut.xlsx")));
    const Table back = Rows(Path("cut.xlsx"));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0][0], std::string(250, 't'));
    EXPECT_EQ(back[2][0], std::string(125, '\''));  // 125 doubled quotes fill the 250; none is split
    EXPECT_EQ(back[2][1], std::string(250, 'c'));
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_EQ(m_ui->boxes[0].text, HostString(244));
    bool cut = false;
    EXPECT_EQ(CWorkbookExportWriter::CellText(std::string(249, 'a') + "'", cut), std::string(249, 'a'));
    EXPECT_TRUE(cut);
}

TEST_F(ExportTest, TitlesTheWorkbookRefusesEndTheExportWithNothingWritten) {
    EXPECT_FALSE(Run(true, std::make_unique<CFakeSource>(std::vector<std::string>{"DN", "DN"}, Table{{"1", "2"}}, &m_owner),
                     Path("twice.xlsx")));
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_EQ(m_ui->boxes[0].text, HostString(245));
    ExpectOnly({});
}

// A file takes its name only when the export concludes: a writer dropped
// after writing (the export was cancelled while its file was written)
// leaves the file of that name as it was.
TEST_F(ExportTest, AWriterDroppedBeforeItConcludesLeavesTheOldFile) {
    for (const char* name : {"kept.txt", "kept.xlsx"}) {
        SCOPED_TRACE(name);
        QFile old(QString::fromStdString(Path(name)));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("before");
        old.close();
        std::unique_ptr<IExportWriter> writer;
        if (QString(name).endsWith(".txt")) writer = std::make_unique<CTextExportWriter>(Path(name), &m_owner);
        else writer = std::make_unique<CWorkbookExportWriter>(Path(name), CExportData::TemplatePath(), &m_owner);
        ASSERT_TRUE(writer->Begin({"DN"}));
        writer->AddRow({"8001"});
        writer->Prepare();
        EXPECT_TRUE(writer->Write());
        writer.reset();
        EXPECT_EQ(Bytes(Path(name)), "before");
    }
    ExpectOnly({"kept.txt", "kept.xlsx"});
}

TEST_F(ExportTest, RowsBelowTheExportedOnesInTheTemplateStay) {
    // A template whose sheet holds a header row of three and five rows below it.
    const std::string tpl = sheettest::TemplateCopy(m_dir, "tpl.xlsx");
    {
        CSpreadSheet s(tpl, "Vexil Quenlow MGC");
        ASSERT_TRUE(s.Open());
        s.BeginBatch();
        ASSERT_TRUE(s.PutHeaders({"x", "y", "z"}));
        for (int r = 2; r <= 6; ++r) ASSERT_TRUE(s.PutRow({"old" + std::to_string(r), "", "keep"}, r));
        ASSERT_TRUE(s.Flush());
    }
    const std::string target = Path("out.xlsx");
    CWorkbookExportWriter writer(target, tpl, &m_owner);
    ASSERT_TRUE(writer.Begin({"DN", "Name", "Codec"}));
    writer.AddRow({"1", "a", "PCMA"});
    writer.AddRow({"2", "b"});  // a short last row is not stored
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(Rows(target), (Table{{"DN", "Name", "Codec"},
                                   {"", "", ""},
                                   {"1", "a", "PCMA"},
                                   {"old4", "", "keep"},
                                   {"old5", "", "keep"},
                                   {"old6", "", "keep"}}));
    // A template sheet wider than the list refuses the titles.
    auto narrow = std::make_unique<CWorkbookExportWriter>(Path("narrow.xlsx"), tpl, &m_owner);
    EXPECT_FALSE(narrow->Begin({"DN", "Name"}));
    narrow.reset();
    EXPECT_EQ(m_ui->boxes.back().text, HostString(245));
    // A missing template: the workbook does not open, and that is said.
    auto none = std::make_unique<CWorkbookExportWriter>(Path("none.xlsx"), Path("no-template.xlsx"), &m_owner);
    EXPECT_FALSE(none->Begin({"DN"}));
    none.reset();
    ExpectOnly({"tpl.xlsx", "out.xlsx"});
}

// (A paged list read page by page under the progress dialog: ExportHands,
// on the embedded switch, and omclient --export to a workbook.)

// A writer whose writing waits until the test lets it go, and which notes
// the thread each step ran on.
class CHeldWriter : public IExportWriter {
public:
    struct Log {
        std::promise<void> go;
        std::thread::id writtenOn, concludedOn;
        int rows = 0;
        bool concluded = false;
    };
    explicit CHeldWriter(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    bool Begin(const std::vector<std::string>&) override { return true; }
    void AddRow(const std::vector<std::string>&) override { ++m_log->rows; }
    bool Write() override {
        m_log->go.get_future().wait();
        m_log->writtenOn = std::this_thread::get_id();
        return true;
    }
    bool Conclude(bool written) override {
        m_log->concludedOn = std::this_thread::get_id();
        m_log->concluded = true;
        return written;
    }
    const std::string& Path() const override { return m_path; }

private:
    std::shared_ptr<Log> m_log;
    std::string m_path = "/somewhere/held.xlsx";
};

TEST_F(ExportTest, ThePagedListsFileIsWrittenOffTheGuiThreadWhileTheDialogSaysSo) {
    m_owner.show();
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel);
        auto log = std::make_shared<CHeldWriter::Log>();
        auto source = std::make_unique<CFakeSource>(std::vector<std::string>{"DN"}, Table(1500, {"1"}), &m_owner, true);
        bool ended = false, result = !cancel;
        auto* job = new CExportJob(std::move(source), std::make_unique<CHeldWriter>(log),
                                   [&](bool ok) { ended = true, result = ok; }, &m_owner);
        job->Start();
        QProgressDialog* progress = m_owner.findChild<QProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        const QString writing = QString::fromStdString(platform::Format(HostString(252).c_str(), "/somewhere/held.xlsx"));
        // Every row is in; the file is being written and the event loop goes on meanwhile.
        ASSERT_TRUE(WaitFor([&] { return progress->labelText() == writing; }));
        EXPECT_EQ(log->rows, 1500);
        bool ticked = false;
        QTimer::singleShot(0, [&] { ticked = true; });
        EXPECT_TRUE(WaitFor([&] { return ticked; }));
        EXPECT_FALSE(ended);
        if (cancel) {
            auto* button = progress->findChild<QAbstractButton*>();
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
        }
        log->go.set_value();
        ASSERT_TRUE(WaitFor([&] { return ended; }));
        EXPECT_EQ(result, !cancel);
        EXPECT_NE(log->writtenOn, std::this_thread::get_id());
        // Naming the file (and saying it failed) happens on the GUI thread, and not at all when cancelled.
        EXPECT_EQ(log->concluded, !cancel);
        if (!cancel) {
            EXPECT_EQ(log->concludedOn, std::this_thread::get_id());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The window closed while its file is written: the job waits for the writing and leaves.
    auto log = std::make_shared<CHeldWriter::Log>();
    auto window = std::make_unique<QWidget>();
    auto* job = new CExportJob(std::make_unique<CFakeSource>(std::vector<std::string>{"DN"}, Table(10, {"1"}),
                                                             window.get(), true),
                               std::make_unique<CHeldWriter>(log), [](bool) {}, window.get());
    QPointer<CExportJob> alive(job);
    job->Start();
    ASSERT_TRUE(WaitFor([&] { return log->rows == 10; }));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        log->go.set_value();
    });
    window.reset();
    release.join();
    EXPECT_TRUE(alive.isNull());
    EXPECT_FALSE(log->concluded);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExportTest, CancelOrAFailedPageLeavesNoFile) {
    m_owner.show();
    // An old file of the name stays as it was.
    QFile old(QString::fromStdString(Path("keep.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("before");
    old.close();
    for (bool workbook : {false, true}) {
        SCOPED_TRACE(workbook);
        auto source = std::make_unique<CFakeSource>(std::vector<std::string>{"DN"}, Table(3000, {"1"}), &m_owner, true);
        source->silent = true;
        const auto counts = source->counts;
        bool ended = false, result = true;
        const std::string target = Path(workbook ? "cancel.xlsx" : "keep.txt");
        if (workbook) CExportData::ExportToExcel(std::move(source), "x", [&](bool ok) { ended = true, result = ok; }, target);
        else CExportData::ExportToText(std::move(source), "x", [&](bool ok) { ended = true, result = ok; }, target);
        QProgressDialog* progress = nullptr;
        for (auto* p : m_owner.findChildren<QProgressDialog*>())
            if (p->isVisible()) progress = p;
        ASSERT_NE(progress, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(progress));
        auto* cancel = progress->findChild<QAbstractButton*>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return ended; }, 5000));
        EXPECT_FALSE(result);
        EXPECT_GE(counts->cancels, 1);
    }
    EXPECT_EQ(Bytes(Path("keep.txt")), "before");
    // A page the switch refuses (an expired query) ends it the same way, and says so.
    auto failing = std::make_unique<CFakeSource>(std::vector<std::string>{"DN"}, Table(3000, {"1"}), &m_owner, true);
    failing->failAt = 2000;
    EXPECT_FALSE(Run(false, std::move(failing), Path("failed.txt")));
    ASSERT_FALSE(m_ui->boxes.empty());
    EXPECT_NE(m_ui->boxes.back().text.find(HostString(251)), std::string::npos);
    EXPECT_NE(m_ui->boxes.back().text.find("1011"), std::string::npos);
    ExpectOnly({"keep.txt"});
}

}  // namespace
