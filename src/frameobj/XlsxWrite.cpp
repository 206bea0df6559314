// Writing a worksheet of a workbook back whole.
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "SheetText.h"
#include "XlsxBook.h"
#include "XlsxPackage.h"

namespace xlsx {

using namespace detail;

namespace {

// Stands for the rows in the serialised sheet until they are streamed in.
constexpr std::string_view kRowsMark = "\x7f@rows-of-the-sheet@\x7f";

void AppendXmlText(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '\r': out += "&#13;"; break;  // a reader would fold CR LF to LF
            default: out += c;
        }
    }
}

bool HasOuterBlank(std::string_view t) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return !t.empty() && (blank(t.front()) || blank(t.back()));
}

void AppendRow(std::string& out, size_t number, const std::vector<std::string>& fields) {
    const std::string n = std::to_string(number);
    out += "<row r=\"" + n + "\">";
    for (size_t c = 0; c < fields.size(); ++c) {
        if (fields[c].empty()) continue;
        out += "<c r=\"" + sheet::ColumnName(static_cast<int>(c)) + n + "\" t=\"inlineStr\"><is><t";
        if (HasOuterBlank(fields[c])) out += " xml:space=\"preserve\"";
        out += '>';
        AppendXmlText(out, sheet::EncodeCellText(fields[c]));
        out += "</t></is></c>";
    }
    out += "</row>";
}

// The serialised sheet around its rows: what comes before and after them.
bool SheetFrame(zip_t* zip, const std::string& part, const std::string& dimension, std::string& head,
                std::string& tail) {
    pugi::xml_document doc;
    if (!ReadXml(zip, part, doc)) return false;
    pugi::xml_node ws = Child(doc, "worksheet");
    pugi::xml_node data = Child(ws, "sheetData");
    if (!ws || !data) return false;
    while (data.first_child()) data.remove_child(data.first_child());
    data.append_child(pugi::node_pcdata).set_value(std::string(kRowsMark).c_str());
    if (pugi::xml_node dim = Child(ws, "dimension")) {
        if (!dim.attribute("ref")) dim.append_attribute("ref");
        dim.attribute("ref").set_value(dimension.c_str());
    }
    std::ostringstream s;
    doc.save(s, "", pugi::format_raw | pugi::format_no_declaration);
    const std::string all = s.str();
    const size_t at = all.rfind(kRowsMark);
    if (at == std::string::npos) return false;
    head = all.substr(0, at);
    tail = all.substr(at + kRowsMark.size());
    return true;
}

// Cells of a sheet that is written anew have no formulas left to calculate:
// the calculation chain goes, lest a spreadsheet program find it broken.
void DropCalcChain(zip_t* zip, const std::string& book) {
    const std::string chain = book.substr(0, book.rfind('/') + 1) + "calcChain.xml";
    const zip_int64_t index = zip_name_locate(zip, chain.c_str(), 0);
    if (index < 0) return;
    zip_delete(zip, static_cast<zip_uint64_t>(index));
    auto rewrite = [zip](const std::string& name, auto&& drop) {
        pugi::xml_document doc;
        if (!ReadXml(zip, name, doc)) return;
        pugi::xml_node root = doc.document_element();
        for (pugi::xml_node n = root.first_child(); n;) {
            pugi::xml_node next = n.next_sibling();
            if (drop(n)) root.remove_child(n);
            n = next;
        }
        std::ostringstream s;
        doc.save(s, "", pugi::format_raw | pugi::format_no_declaration);
        const std::string bytes = s.str();
        void* copy = std::malloc(bytes.size());
        if (!copy) return;
        std::memcpy(copy, bytes.data(), bytes.size());
        zip_source_t* src = zip_source_buffer(zip, copy, bytes.size(), 1);  // libzip frees the copy
        if (!src) std::free(copy);
        if (!src || zip_file_add(zip, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) zip_source_free(src);
    };
    auto endsWithChain = [](std::string_view v) { return v.size() >= 13 && v.substr(v.size() - 13) == "calcChain.xml"; };
    rewrite("[Content_Types].xml", [&](pugi::xml_node n) { return endsWithChain(n.attribute("PartName").value()); });
    rewrite(RelsPart(book), [&](pugi::xml_node n) { return endsWithChain(n.attribute("Target").value()); });
}

}  // namespace

bool WriteSheet(const std::string& path, const std::string& sheetName, size_t rowCount, const RowSource& source,
                std::string& error) {
    if (rowCount > static_cast<size_t>(kMaxRows)) {
        error = "A sheet holds at most 1,048,576 rows.";
        return false;
    }
    ZipPtr zip = OpenPackage(path, 0, error);
    if (!zip) return false;
    const std::string part = SheetPart(zip.get(), sheetName, error);
    if (part.empty()) return false;

    // The rows go to a temporary file first; the package takes it whole when closed.
    QTemporaryFile rowsFile(QDir::tempPath() + QStringLiteral("/omclient-sheet-XXXXXX"));
    if (!rowsFile.open()) {
        error = "No temporary file for the sheet can be created.";
        return false;
    }
    std::string buffer;
    auto spill = [&](bool always) {
        if (!always && buffer.size() < (1u << 20)) return true;
        const bool ok = rowsFile.write(buffer.data(), static_cast<qint64>(buffer.size())) ==
                        static_cast<qint64>(buffer.size());
        buffer.clear();
        return ok;
    };
    size_t widest = 0;
    std::vector<std::string> fields;
    for (size_t i = 0; i < rowCount; ++i) {
        fields.clear();
        if (!source(i, fields)) {
            error = "The rows of the sheet could not be collected.";
            return false;
        }
        if (fields.size() > static_cast<size_t>(kMaxColumns)) {
            error = "A sheet holds at most 16,384 columns.";
            return false;
        }
        widest = std::max(widest, fields.size());
        AppendRow(buffer, i + 1, fields);
        if (!spill(false)) break;
    }
    std::string head, tail;
    const std::string dimension =
        rowCount && widest ? "A1:" + sheet::ColumnName(static_cast<int>(widest) - 1) + std::to_string(rowCount) : "A1";
    if (!SheetFrame(zip.get(), part, dimension, head, tail)) {
        error = "The sheet \"" + sheetName + "\" cannot be read.";
        return false;
    }
    // The head goes before the rows: the rows file is written anew with it.
    QTemporaryFile sheetFile(QDir::tempPath() + QStringLiteral("/omclient-sheet-XXXXXX"));
    bool ok = spill(true) && sheetFile.open() && rowsFile.seek(0) &&
              sheetFile.write(head.data(), static_cast<qint64>(head.size())) == static_cast<qint64>(head.size());
    for (QByteArray chunk; ok && !(chunk = rowsFile.read(1 << 20)).isEmpty();)
        ok = sheetFile.write(chunk) == chunk.size();
    ok = ok && sheetFile.write(tail.data(), static_cast<qint64>(tail.size())) == static_cast<qint64>(tail.size()) &&
         sheetFile.flush();
    rowsFile.close();
    rowsFile.remove();
    if (!ok) {
        error = "The sheet could not be written to a temporary file (disk full?).";
        return false;
    }
    // The sheet goes in as a new entry: a replaced entry that was deflated
    // before is deflated again at the library's best level whatever level is
    // asked for, and that level takes over half a minute on a million rows.
    const zip_int64_t old = zip_name_locate(zip.get(), part.c_str(), 0);
    zip_source_t* src = zip_source_file(zip.get(), sheetFile.fileName().toLocal8Bit().constData(), 0, -1);
    zip_int64_t index = -1;
    if (old < 0 || !src || zip_delete(zip.get(), static_cast<zip_uint64_t>(old)) < 0 ||
        (index = zip_file_add(zip.get(), part.c_str(), src, ZIP_FL_ENC_UTF_8)) < 0) {
        if (src) zip_source_free(src);
        error = std::string("The sheet cannot be replaced: ") + zip_strerror(zip.get());
        return false;
    }
    // Fast deflate: a sheet of a million rows is mostly alike XML.
    zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    DropCalcChain(zip.get(), WorkbookPart(zip.get()));
    // Closing writes a new package beside the old one and renames it over.
    if (zip_close(zip.get()) != 0) {
        error = std::string("The workbook cannot be written: ") + zip_strerror(zip.get());
        return false;
    }
    zip.release();
    return true;
}

}  // namespace xlsx
