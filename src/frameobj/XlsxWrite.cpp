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

// Most cells are printable ASCII that neither XML nor the sheet's own
// escapes touch: they go in as they are.
bool IsPlain(std::string_view t) {
    for (char c : t)
        if (c < 0x20 || c > 0x7E || c == '&' || c == '<' || c == '>' || c == '_') return false;
    return !HasOuterBlank(t);
}

// columns caches the columns' names as they are needed.
void AppendRow(std::string& out, size_t number, const std::vector<std::string>& fields,
               std::vector<std::string>& columns) {
    const std::string n = std::to_string(number);
    out.append("<row r=\"").append(n).append("\">");
    for (size_t c = 0; c < fields.size(); ++c) {
        const std::string& text = fields[c];
        if (text.empty()) continue;
        while (columns.size() <= c) columns.push_back(sheet::ColumnName(static_cast<int>(columns.size())));
        out.append("<c r=\"").append(columns[c]).append(n).append("\" t=\"inlineStr\"><is><t");
        if (IsPlain(text)) {
            out.append(">").append(text);
        } else {
            if (HasOuterBlank(text)) out += " xml:space=\"preserve\"";
            out += '>';
            AppendXmlText(out, sheet::EncodeCellText(text));
        }
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

    // The sheet is written to a temporary file that the package takes whole
    // when it is closed. Its head (everything before the rows) names the
    // sheet's extent, known only after the rows: room for the longest head
    // is kept at the start and filled last, the rest padded with blanks
    // between two elements, where XML allows them.
    std::string head, tail;
    if (!SheetFrame(zip.get(), part, "A1:XFD1048576", head, tail)) {
        error = "The sheet \"" + sheetName + "\" cannot be read.";
        return false;
    }
    const size_t room = head.size();
    QTemporaryFile sheetFile(QDir::tempPath() + QStringLiteral("/omclient-sheet-XXXXXX"));
    if (!sheetFile.open()) {
        error = "No temporary file for the sheet can be created.";
        return false;
    }
    bool ok = true;
    auto put = [&](const std::string& bytes) {
        ok = ok && sheetFile.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    };
    put(std::string(room, ' '));
    std::string buffer;
    size_t widest = 0;
    std::vector<std::string> fields, columns;
    for (size_t i = 0; i < rowCount && ok; ++i) {
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
        AppendRow(buffer, i + 1, fields, columns);
        if (buffer.size() >= (1u << 20)) put(buffer), buffer.clear();
    }
    put(buffer);
    put(tail);
    const std::string dimension =
        rowCount && widest ? "A1:" + sheet::ColumnName(static_cast<int>(widest) - 1) + std::to_string(rowCount) : "A1";
    constexpr std::string_view kRowsStart = "<sheetData>";
    if (ok && (!SheetFrame(zip.get(), part, dimension, head, tail) || head.size() > room || head.size() < kRowsStart.size() ||
               head.compare(head.size() - kRowsStart.size(), kRowsStart.size(), kRowsStart) != 0)) {
        error = "The sheet \"" + sheetName + "\" cannot be read.";
        return false;
    }
    head.insert(head.size() - kRowsStart.size(), room - head.size(), ' ');
    ok = ok && sheetFile.seek(0);
    put(head);
    ok = ok && sheetFile.flush();
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
