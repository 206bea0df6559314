// CSpreadSheet on workbooks and text files, and the workbook reader and
// writer beneath it.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

#include "HostStrings.h"
#include "RowStore.h"
#include "SheetFiles.h"
#include "SheetText.h"
#include "SpreadSheet.h"
#include "UiService.h"

using sheettest::Rows;
using sheettest::TemplateCopy;

namespace {

const std::string kQ = "\"", kSep = CSpreadSheet::kWorkbookSeparator;

// (The template's sheet holds no rows: every export test reads back only
// what it wrote, from a sound package.)

TEST(SpreadSheet, AMissingSheetOrAFileThatIsNoWorkbookIsReportedAndNotOpened) {
    QTemporaryDir dir;
    platform::CRecordingUiGuard ui;
    CSpreadSheet other(TemplateCopy(dir), "Another Sheet");
    EXPECT_FALSE(other.Open());
    QFile junk(dir.filePath("junk.xlsx"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a zip at all");
    junk.close();
    CSpreadSheet broken(junk.fileName().toStdString(), "Vexil Quenlow MGC");
    EXPECT_FALSE(broken.Open());
    CSpreadSheet missing(dir.filePath("none.XLSX").toStdString(), "Vexil Quenlow MGC");
    EXPECT_TRUE(missing.IsWorkbook());
    EXPECT_FALSE(missing.Open());
    ASSERT_EQ(ui->boxes.size(), 3u);
    EXPECT_NE(ui->boxes[0].text.find("Another Sheet"), std::string::npos);
    EXPECT_EQ(ui->boxes[0].style & 0xF0, MB_ICONWARNING);
}

TEST(SpreadSheet, WhatIsWrittenReadsBackTheSameAndNeverAsAFormula) {
    QTemporaryDir dir;
    const std::string path = TemplateCopy(dir);
    const std::vector<std::string> titles{"DN", "Text", "Note"};
    const std::vector<std::vector<std::string>> data{
        {"=1+1", "<b>&amp;</b>", "+49 30"},
        {"-5", "@SUM(A1)", "a" + kQ + kSep + kQ + "b"},
        {"  padded ", "line\r\nbreak\ttab", "\x01" "bell\x1f"},
        {"_x0041_", "Grüße 日本", kQ + "quoted" + kQ},
    };
    {
        CSpreadSheet s(path, "Vexil Quenlow MGC");
        ASSERT_TRUE(s.Open());
        s.BeginBatch();
        ASSERT_TRUE(s.PutHeaders(titles));
        for (size_t i = 0; i < data.size(); ++i) ASSERT_TRUE(s.PutRow(data[i], static_cast<int>(i) + 2));
        ASSERT_TRUE(s.Flush());
    }
    sheettest::ExpectSoundPackage(path);
    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), data.size() + 1);
    EXPECT_EQ(rows[0], titles);
    for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(rows[i + 1], data[i]) << "row " << i + 2;
    const QString xml = sheettest::Run("unzip", {"-p", QString::fromStdString(path), "xl/worksheets/sheet1.xml"});
    EXPECT_FALSE(xml.contains("<f>"));
    EXPECT_FALSE(xml.contains("<f "));
    EXPECT_EQ(xml.count("t=\"inlineStr\""), 15);
    EXPECT_TRUE(xml.contains("<dimension ref=\"A1:C5\"/>")) << xml.left(600).toStdString();

    // Opened again, the sheet has its header row and its rows.
    CSpreadSheet again(path, "Vexil Quenlow MGC");
    ASSERT_TRUE(again.Open());
    EXPECT_TRUE(again.HasData());
    EXPECT_EQ(again.TotalRows(), 5);
    EXPECT_EQ(again.FieldNames(), titles);
    std::vector<std::string> fields;
    ASSERT_TRUE(again.ParseRow(fields, 3));
    EXPECT_EQ(fields, data[1]);
}

// A sheet of a million rows is some 700 MB of XML: at the best (slowest)
// deflate level its writing alone takes over half a minute, so the sheet is
// compressed at the fast level while the small parts keep theirs.
TEST(SpreadSheet, TheWrittenSheetIsDeflatedAtTheFastLevel) {
    QTemporaryDir dir;
    const std::string path = TemplateCopy(dir);
    {
        CSpreadSheet s(path, "Vexil Quenlow MGC");
        ASSERT_TRUE(s.Open());
        s.BeginBatch();
        ASSERT_TRUE(s.PutHeaders({"DN", "Codec"}));
        for (int i = 0; i < 2000; ++i) ASSERT_TRUE(s.PutRow({std::to_string(8000 + i), "G.711 A-law"}, i + 2));
        ASSERT_TRUE(s.Flush());
    }
    sheettest::ExpectSoundPackage(path);
    EXPECT_EQ(Rows(path).size(), 2001u);
    // unzip -v names the deflate level an entry was written with: X best, N normal, F fast, S fastest.
    const QStringList listing = sheettest::Run("unzip", {"-v", QString::fromStdString(path)}).split('\n');
    const QStringList sheet = listing.filter("xl/worksheets/sheet1.xml");
    ASSERT_EQ(sheet.size(), 1) << listing.join('\n').toStdString();
    EXPECT_TRUE(sheet.front().contains("Defl:F") || sheet.front().contains("Defl:S")) << sheet.front().toStdString();
}

TEST(SpreadSheet, DoubledSingleQuotesAreOneQuoteInTheWorkbook) {
    QTemporaryDir dir;
    const std::string path = TemplateCopy(dir);
    CSpreadSheet s(path, "Vexil Quenlow MGC");
    ASSERT_TRUE(s.Open());
    ASSERT_TRUE(s.PutHeaders({"Name"}));
    ASSERT_TRUE(s.PutRow({"O''Neil"}, 2));
    EXPECT_EQ(Rows(path).at(1).at(0), "O'Neil");
}

TEST(SpreadSheet, ASheetWithOnlyItsHeaderRowCommitsTheHeaderAlone) {
    QTemporaryDir dir;
    const std::string path = TemplateCopy(dir);
    {
        CSpreadSheet s(path, "Vexil Quenlow MGC");
        ASSERT_TRUE(s.Open());
        ASSERT_TRUE(s.PutHeaders({"A", "B"}));
    }
    CSpreadSheet s(path, "Vexil Quenlow MGC");
    ASSERT_TRUE(s.Open());
    EXPECT_TRUE(s.HasData());
    EXPECT_EQ(s.TotalRows(), 1);
    EXPECT_EQ(s.TotalColumns(), 2);
    ASSERT_TRUE(s.Flush());
    EXPECT_EQ(Rows(path), (std::vector<std::vector<std::string>>{{"A", "B"}}));
}

TEST(SpreadSheet, ARowBeyondTheLastIsPrecededByFillerRows) {
    QTemporaryDir dir;
    const std::string path = TemplateCopy(dir);
    CSpreadSheet s(path, "Vexil Quenlow MGC");
    ASSERT_TRUE(s.Open());
    s.BeginBatch();
    ASSERT_TRUE(s.PutHeaders({"A", "B"}));
    ASSERT_TRUE(s.PutRow({"1", "2"}, 2));
    ASSERT_TRUE(s.PutRow({"x", "y"}, 5));
    EXPECT_EQ(s.TotalRows(), 5);
    const std::string filler = kQ + " " + kQ + kSep + kQ + " " + kQ;
    EXPECT_EQ(s.RowLine(3), filler);
    EXPECT_EQ(s.RowLine(4), filler);
    EXPECT_EQ(s.RowLine(5), kQ + "x" + kQ + kSep + kQ + "y" + kQ);
    // Replacing and inserting.
    ASSERT_TRUE(s.PutRow({"r", "s"}, 3, true));
    ASSERT_TRUE(s.PutRow({"i", "j"}, 3, false));
    EXPECT_EQ(s.TotalRows(), 6);
    ASSERT_TRUE(s.PutRow({"end", ""}, 0));
    ASSERT_TRUE(s.Flush());
    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2], (std::vector<std::string>{"i", "j"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"r", "s"}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{" ", " "}));
    EXPECT_EQ(rows[6], (std::vector<std::string>{"end", ""}));
}

TEST(SpreadSheet, HeaderRowsThatRepeatOrAreNarrowerThanTheSheetAreRefused) {
    QTemporaryDir dir;
    CSpreadSheet s(TemplateCopy(dir), "Vexil Quenlow MGC");
    ASSERT_TRUE(s.Open());
    s.BeginBatch();
    EXPECT_FALSE(s.PutHeaders({"DN", "Codec", "DN"}));
    EXPECT_NE(s.LastError().find(HostString(215)), std::string::npos);
    EXPECT_NE(s.LastError().find("DN"), std::string::npos);
    ASSERT_TRUE(s.PutHeaders({"A", "B", "C"}));
    EXPECT_FALSE(s.PutHeaders({"A", "B"}));             // fewer than the sheet has
    EXPECT_FALSE(s.PutRow({"1", "2", "3", "4"}, 2));    // more fields than titles
    EXPECT_TRUE(s.PutRow({"1", "2"}, 2));
    // A text file takes repeated titles.
    CSpreadSheet text(dir.filePath("t.txt").toStdString(), "\t");
    EXPECT_TRUE(text.PutRow({"DN", "DN"}, 1));
}

TEST(SpreadSheet, StoredLinesParseByTheirSeparators) {
    QTemporaryDir dir;
    const QString path = dir.filePath("rows.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\"a\";\"b\";\"c\"\r\nx;y\n\"single\"\nplain\n\"\";\"\"\n");
    f.close();
    CSpreadSheet s(path.toStdString(), ";");
    EXPECT_FALSE(s.IsWorkbook());
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.TotalRows(), 5);
    EXPECT_EQ(s.TotalColumns(), 3);
    EXPECT_EQ(s.FieldNames(), (std::vector<std::string>{"a", "b", "c"}));
    std::vector<std::string> fields;
    ASSERT_TRUE(s.ParseRow(fields, 2));
    EXPECT_EQ(fields, (std::vector<std::string>{"x", "y"}));
    ASSERT_TRUE(s.ParseRow(fields));  // the current row follows the last one read
    EXPECT_EQ(fields, (std::vector<std::string>{"single"}));
    ASSERT_TRUE(s.ParseRow(fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"plain"}));
    ASSERT_TRUE(s.ParseRow(fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"", ""}));
    EXPECT_FALSE(s.ParseRow(fields));
    EXPECT_EQ(s.LastError(), HostString(224));
    EXPECT_FALSE(s.ParseRow(fields, 6));

    // Written back: every row quoted, CR LF after each, fillers empty.
    ASSERT_TRUE(s.PutRow({"n"}, 7));
    const QString out = path;
    QFile back(out);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll().toStdString(),
              "\"a\";\"b\";\"c\"\r\nx;y\r\n\"single\"\r\nplain\r\n\"\";\"\"\r\n\"\";\"\";\"\"\r\n\"n\"\r\n");

    CSpreadSheet none(dir.filePath("none.txt").toStdString(), ";");
    EXPECT_FALSE(none.Open());
    EXPECT_EQ(none.LastError(), HostString(229));
    CSpreadSheet nowhere(dir.filePath("no/such/dir.txt").toStdString(), ";");
    EXPECT_FALSE(nowhere.PutRow({"x"}, 1));
    EXPECT_EQ(nowhere.LastError(), HostString(226));
}

TEST(SheetText, CellTextsThatXmlCannotHoldAreEscapedAndCountedByCharacters) {
    EXPECT_EQ(sheet::EncodeCellText("a\x01" "b"), "a_x0001_b");
    EXPECT_EQ(sheet::EncodeCellText("_x0041_"), "_x005F_x0041_");
    EXPECT_EQ(sheet::EncodeCellText("bad\xff"), "bad\xEF\xBF\xBD");
    for (const std::string t : {"a\x01" "b", "_x0041_", "_x00_", "tab\tline\n", "Grüße"})
        EXPECT_EQ(sheet::DecodeCellText(sheet::EncodeCellText(t)), t);
    EXPECT_EQ(sheet::CountChars("Grüße"), 5u);
    EXPECT_EQ(sheet::FirstChars("Grüße", 3), "Grü");
    EXPECT_EQ(sheet::ColumnName(0), "A");
    EXPECT_EQ(sheet::ColumnName(27), "AB");
    EXPECT_EQ(sheet::ColumnName(16383), "XFD");
    EXPECT_EQ(sheet::ColumnOfRef("XFD7"), 16383);
    EXPECT_EQ(sheet::ColumnOfRef("12"), -1);
}

TEST(RowStore, LinesSpilledToDiskComeBackAsStored) {
    CRowStore store(8, 2);
    std::vector<std::string> model;
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        const std::string line = "line " + std::to_string(i) + std::string(rng() % 40, 'x');
        const size_t at = model.empty() ? 0 : rng() % (model.size() + 1);
        switch (rng() % 4) {
            case 0:
                if (!model.empty()) {
                    const size_t k = rng() % model.size();
                    store.set(k, line);
                    model[k] = line;
                    break;
                }
                [[fallthrough]];
            case 1:
                store.insert(at, line);
                model.insert(model.begin() + static_cast<long>(at), line);
                break;
            default:
                store.push_back(line);
                model.push_back(line);
        }
    }
    ASSERT_EQ(store.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(store.at(i), model[i]) << i;
    EXPECT_TRUE(store.ok());
    store.clear();
    EXPECT_TRUE(store.empty());
}

}  // namespace

namespace {

// A row of one cell that holds nothing but the separator (or begins or ends
// with it) stays one cell, in a workbook and in a text file.
TEST(SpreadSheet, ACellHoldingTheSeparatorAloneStaysOneCell) {
    QTemporaryDir dir;
    const std::string path = TemplateCopy(dir);
    const std::vector<std::vector<std::string>> data{{kSep}, {kSep + "x"}, {"x" + kSep}, {kQ + kSep + kQ}};
    {
        CSpreadSheet s(path, "Vexil Quenlow MGC");
        ASSERT_TRUE(s.Open());
        s.BeginBatch();
        ASSERT_TRUE(s.PutHeaders({"Note"}));
        for (size_t i = 0; i < data.size(); ++i) ASSERT_TRUE(s.PutRow(data[i], static_cast<int>(i) + 2));
        ASSERT_TRUE(s.Flush());
    }
    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), data.size() + 1);
    for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(rows[i + 1], data[i]) << "row " << i + 2;

    CSpreadSheet text(dir.filePath("one.txt").toStdString(), ";");
    ASSERT_TRUE(text.PutRow({";"}, 1));
    std::vector<std::string> fields;
    ASSERT_TRUE(text.ParseRow(fields, 1));
    EXPECT_EQ(fields, std::vector<std::string>{";"});
}

}  // namespace
