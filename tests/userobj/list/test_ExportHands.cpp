// An operator exports a list from its right-button menu: the save dialog
// (answered through the UI service), every record of a paged list read
// page by page from the switch, the progress dialog's Cancel.
#include <QFile>
#include <QPointer>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include "HostStrings.h"
#include "Operator.h"
#include "XlsxBook.h"

namespace {

using Table = std::vector<std::vector<std::string>>;
using op::Property;

class ExportHands : public op::COperatorTest {
protected:
    std::string Path(const char* name) { return m_dir.filePath(name).toStdString(); }
    // An export ends by telling how many rows went to which file.
    std::string Status() const { return m_main->statusBar()->currentMessage().toStdString(); }
    static Table TextRecords(const std::string& path) {
        QFile f(QString::fromStdString(path));
        Table records;
        if (!f.open(QIODevice::ReadOnly)) return records;
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.isEmpty() || line == "\r") continue;
            // Every field is followed by four tabs.
            const QString record = QString::fromUtf8(line.chopped(1));
            QStringList fields = record.split(QStringLiteral("\t\t\t\t"));
            fields.removeLast();
            std::vector<std::string> out;
            for (const QString& field : fields) out.push_back(field.toStdString());
            records.push_back(out);
        }
        return records;
    }
    QTemporaryDir m_dir;
};

// The embedded switch answering page fetches as another switch may: each
// page in two reports, the first marked to continue, or only the first
// records of a page (keep).
class CPageSplittingSwitch : public host::CEmbeddedSwitchLink {
public:
    using CEmbeddedSwitchLink::CEmbeddedSwitchLink;
    void Send(QObject* window, const std::string& command) override {
        if (command.find("QID=") == std::string::npos || command.find("BEGIN=") == std::string::npos)
            return CEmbeddedSwitchLink::Send(window, command);
        if (!m_pending.empty()) {
            // Answered here and now, its reports would go to the commands
            // still on their way to the switch's thread (a subscription
            // among them): it waits for them.
            QTimer::singleShot(5, this, [this, w = QPointer<QObject>(window), command] { Send(w.data(), command); });
            return;
        }
        AddPending(window, command);
        for (const std::string& report : ExecuteNow(command))
            for (const std::string& part : Split(report)) DeliverReport(part);
    }
    size_t keep = 0;

private:
    std::vector<std::string> Split(const std::string& report) const {
        const size_t first = report.find("\n[");
        const size_t end = report.rfind("\n---    END");
        if (first == std::string::npos || end == std::string::npos) return {report};
        std::vector<std::string> objects;
        for (size_t at = first; at < end;) {
            const size_t next = std::min(report.find("\n[", at + 1), end);
            objects.push_back(report.substr(at, next - at));
            at = next;
        }
        const std::string head = report.substr(0, first);
        auto build = [&](size_t from, size_t to, bool more) {
            std::string h = head;
            h.replace(h.find("CONTINUE = 0"), 12, more ? "CONTINUE = 1" : "CONTINUE = 0");
            const size_t n = h.find("OBJECTS = ");
            h.replace(n, h.find('\n', n) - n, "OBJECTS = " + std::to_string(to - from));
            for (size_t i = from; i < to; ++i) h += objects[i];
            return h + report.substr(end);
        };
        if (keep) return {build(0, std::min(keep, objects.size()), false)};
        const size_t half = objects.size() / 2;
        return {build(0, half, true), build(half, objects.size(), false)};
    }
};

// A page that comes in two reports is read whole, and a page shorter than
// asked for is followed by the records after those that came: the file
// holds every record once.
TEST_F(ExportHands, PagesInSeveralReportsOrShortPagesLoseNoRecord) {
    for (size_t keep : {size_t{0}, size_t{300}}) {
        SCOPED_TRACE(keep);
        auto link = std::make_unique<CPageSplittingSwitch>(":memory:", 2600);
        std::string error;
        ASSERT_TRUE(link->WaitReady(error)) << error;
        link->keep = keep;
        m_link = link.get();
        StartClientOn(std::move(link));
        CUserObjWnd* w = Open(3);
        ASSERT_NE(w, nullptr);
        CObjListCtrl* list = Dialog(w)->MainList();
        ASSERT_TRUE(list->IsPaged());
        const std::string file = keep ? "short.txt" : "split.txt";
        m_ui->saveAnswers = {Path(file.c_str())};
        ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
        ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath(QString::fromStdString(file))); }, 30000));
        ASSERT_TRUE(Settle(w));
        const Table records = TextRecords(Path(file.c_str()));
        ASSERT_FALSE(records.empty());
        std::vector<std::string> numbers;
        for (size_t i = 1; i < records.size(); ++i) numbers.push_back(records[i].at(0));
        EXPECT_EQ(numbers, SwitchNumbers());
        EXPECT_EQ(m_ui->boxes.size(), 0u);
        m_main.reset();
    }
}

TEST_F(ExportHands, TheTextFileOfAPagedListHoldsEveryRecordOnTheSwitchAndTheListStaysPut) {
    StartClient(2600);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(list->IsPaged());
    const std::string firstShown = list->Model().CellText(0, 0);
    // A subscriber changed on the switch is exported as the switch has it now.
    ASSERT_NE(OnSwitch("MOD MGCPSUB: DN=20002599, DESC=\"O'Neil <b>&\";").find("RETCODE = 0"), std::string::npos);
    m_ui->saveAnswers = {Path("subscribers.txt")};
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath("subscribers.txt")); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Status(), "2,600 rows exported to " + Path("subscribers.txt") + ".");
    ASSERT_EQ(m_ui->saveRequests.size(), 1u);
    EXPECT_EQ(m_ui->saveRequests[0].fileName.rfind("MGCP Subscriber--", 0), 0u) << m_ui->saveRequests[0].fileName;

    const Table records = TextRecords(Path("subscribers.txt"));
    ASSERT_EQ(records.size(), 2601u);
    EXPECT_EQ(records[0], list->Model().Titles());
    std::vector<std::string> numbers;
    for (size_t i = 1; i < records.size(); ++i) numbers.push_back(records[i].at(0));
    EXPECT_EQ(numbers, SwitchNumbers());
    const auto desc = std::find(records[0].begin(), records[0].end(), "Description") - records[0].begin();
    EXPECT_EQ(records.back().at(static_cast<size_t>(desc)), "O'Neil <b>&");
    // The list shows what it showed, and takes the operator's hands again.
    EXPECT_EQ(list->Model().CellText(0, 0), firstShown);
    EXPECT_FALSE(w->IsBusy());
    EXPECT_EQ(m_ui->boxes.size(), 0u);
}

TEST_F(ExportHands, TheWorkbookReadsBackAsTheListShowsItAndCancelWritesNothing) {
    StartClient(300);  // a whole result: the rows the list holds
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_FALSE(list->IsPaged());
    m_ui->saveAnswers = {Path("book"), ""};
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Workbook"));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(Status(), "300 rows exported to " + Path("book.xlsx") + ".");
    Table rows;
    int columns = 0;
    std::string error;
    ASSERT_TRUE(xlsx::ReadSheet(Path("book.xlsx"), "Vexil Quenlow MGC", rows, columns, error)) << error;
    const CObjListModel& m = list->Model();
    ASSERT_EQ(rows.size(), static_cast<size_t>(m.rowCount()) + 2);
    EXPECT_EQ(rows[0], m.Titles());
    for (int r = 0; r < m.rowCount(); r += 37)
        for (int c = 0; c < m.columnCount(); ++c) EXPECT_EQ(rows[static_cast<size_t>(r) + 2][static_cast<size_t>(c)], m.CellText(r, c));
    // The save dialog cancelled: nothing more is written.
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Workbook"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"book.xlsx"});
}

TEST_F(ExportHands, CancelInTheProgressDialogStopsTheExportWithNoFileAndTheWindowWorks) {
    StartClient(30000);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    m_ui->saveAnswers = {Path("cancelled.xlsx"), Path("after.txt")};
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Workbook"));
    // The dialog is up as soon as the first page is asked for; thirty pages
    // are still to come when the operator's click lands.
    auto* progress = w->findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    auto* cancel = progress->findChild<QAbstractButton*>();
    ASSERT_TRUE(cancel && cancel->isEnabled());  // the busy window's lists are not, and must not take it along
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    // The window is usable: the next export runs to its end.
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath("after.txt")); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(TextRecords(Path("after.txt")).size(), 30001u);
}

// Subscribers removed and added in the list since its query ran are
// exported as the switch has them now: none that exists is left out, none
// that is gone is written, and the added one is there.
TEST_F(ExportHands, RemovesAndAddsSinceTheQueryRanAreInTheExport) {
    StartClient(2600);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(list->IsPaged());
    for (int row : {3, 7}) {
        const std::string dn = list->Model().CellText(row, 0);
        FreeFromCentrex({dn});
        Click(list, row);
        ASSERT_TRUE(Settle(w));
        Key(list, Qt::Key_Delete);  // answered Yes
        ASSERT_TRUE(Settle(w));
        ASSERT_EQ(Property(OnSwitch("LST MGCPSUB: DN=" + dn + ";"), "DN"), "");
    }
    m_ui->boxes.clear();  // the remove questions
    m_ui->saveAnswers = {Path("removed.txt"), Path("added.txt")};
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath("removed.txt")); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    auto numbers = [this](const char* name) {
        std::vector<std::string> out;
        const Table records = TextRecords(Path(name));
        for (size_t i = 1; i < records.size(); ++i) out.push_back(records[i].at(0));
        return out;
    };
    EXPECT_EQ(numbers("removed.txt"), SwitchNumbers());
    EXPECT_EQ(numbers("removed.txt").size(), 2598u);

    ASSERT_TRUE(AddMgcpSubscriber(list, "29990042"));
    ASSERT_TRUE(Settle(w));
    ASSERT_EQ(Property(OnSwitch("LST MGCPSUB: DN=29990042;"), "DN"), "29990042");
    m_ui->boxes.clear();
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath("added.txt")) || !m_ui->boxes.empty(); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    EXPECT_EQ(numbers("added.txt"), SwitchNumbers());
    EXPECT_EQ(numbers("added.txt").size(), 2599u);
}

// The client goes (quit, or the end of the session) while an export waits
// for a page: the window and its export go with it, no file is left, and
// the page that comes later reaches nobody.
TEST_F(ExportHands, TheClientQuittingDuringAnExportLeavesNoFile) {
    StartClient(30000);
    QPointer<CUserObjWnd> w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    m_ui->saveAnswers = {Path("closed.xlsx")};
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Workbook"));
    auto* progress = w->findChild<QProgressDialog*>();
    ASSERT_TRUE(progress && progress->isVisible());
    m_main.reset();
    EXPECT_TRUE(w.isNull());
    QTest::qWait(300);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

// Left alone until the switch forgot the list's query, the list is
// exported: the export asks for the list again and writes every record
// once, in the switch's order, without a word to the operator.
TEST_F(ExportHands, AnExportAfterTheQueryExpiredHoldsEveryRecordOnce) {
    StartClient(2600);
    SetQueryTtl(700);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_TRUE(list->IsPaged());
    QTest::qWait(1100);
    m_ui->saveAnswers = {Path("idle.txt")};
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath("idle.txt")); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    const Table records = TextRecords(Path("idle.txt"));
    ASSERT_EQ(records.size(), 2601u);
    std::vector<std::string> numbers;
    for (size_t i = 1; i < records.size(); ++i) numbers.push_back(records[i].at(0));
    EXPECT_EQ(numbers, SwitchNumbers());
    EXPECT_FALSE(w->IsBusy());
}

// The query lost half-way: the export goes on from the record it had
// reached. Lost again at once, it stops as it always did, with no file.
TEST_F(ExportHands, AQueryLostHalfWayGoesOnFromTheRecordReachedAndTwiceStops) {
    op::CScriptedSwitch* sw = StartScriptedClient(3500);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    sw->forget = op::Once([](const std::string& page) { return page.find("BEGIN=2000,") != std::string::npos; });
    m_ui->saveAnswers = {Path("halfway.xlsx"), Path("twice.txt")};
    Sent();
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Workbook"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(m_dir.filePath("halfway.xlsx")); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(sw->forgotten, 1);
    // The list asked for again once; the query the export opened so is given back.
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "LST MGCPSUB:;"), 1);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().rfind("RLS MGCPSUB: QID=", 0), 0u) << sent.back();
    EXPECT_TRUE(m_ui->boxes.empty()) << m_ui->boxes.front().text;
    Table rows;
    int columns = 0;
    std::string error;
    ASSERT_TRUE(xlsx::ReadSheet(Path("halfway.xlsx"), "Vexil Quenlow MGC", rows, columns, error)) << error;
    std::vector<std::string> numbers;
    for (size_t i = 2; i < rows.size(); ++i) numbers.push_back(rows[i].at(0));
    EXPECT_EQ(numbers, SwitchNumbers());

    sw->forget = [](const std::string& page) { return page.find("BEGIN=1000,") != std::string::npos; };
    ASSERT_TRUE(ChooseFromMenu(list, 0, "Export/Text File"));
    ASSERT_TRUE(WaitFor([&] { return !m_ui->boxes.empty(); }, 30000));
    ASSERT_TRUE(Settle(w));
    EXPECT_EQ(sw->forgotten, 3);
    ASSERT_EQ(m_ui->boxes.size(), 1u);
    EXPECT_EQ(m_ui->boxes[0].text.rfind(HostString(251), 0), 0u) << m_ui->boxes[0].text;
    EXPECT_NE(m_ui->boxes[0].text.find("QID="), std::string::npos) << m_ui->boxes[0].text;
    EXPECT_FALSE(QFile::exists(m_dir.filePath("twice.txt")));
    EXPECT_FALSE(w->IsBusy());
}

}  // namespace
