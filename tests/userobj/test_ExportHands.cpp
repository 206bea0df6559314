// An operator exports a list from its right-button menu: the save dialog
// (answered through the UI service), every record of a paged list read
// page by page from the switch, the progress dialog's Cancel.
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>

#include "Operator.h"
#include "XlsxBook.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

class ExportHands : public op::COperatorTest {
protected:
    std::string Path(const char* name) { return m_dir.filePath(name).toStdString(); }
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
    // The numbers the switch lists, in its order, read through a paged query of our own.
    std::vector<std::string> SwitchNumbers() {
        std::vector<std::string> numbers;
        const std::string head = OnSwitch("LST MGCPSUB:;");
        const size_t q = head.find("QID = ");
        if (q == std::string::npos) return numbers;
        const std::string qid = head.substr(q + 6, head.find('\n', q) - q - 6);
        for (int begin = 0;; begin += 1000) {
            const std::string page = OnSwitch("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) +
                                              ", END=" + std::to_string(begin + 999) + ";");
            const size_t before = numbers.size();
            for (size_t at = page.find("\nDN = "); at != std::string::npos; at = page.find("\nDN = ", at + 1))
                numbers.push_back(page.substr(at + 6, page.find('\n', at + 6) - at - 6));
            if (numbers.size() - before < 1000) break;
        }
        return numbers;
    }
    QTemporaryDir m_dir;
};

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

}  // namespace
