// Reading a worksheet of a workbook into rows of cell texts.
#include <cstdlib>

#include "SheetText.h"
#include "XlsxBook.h"
#include "XlsxPackage.h"

namespace xlsx {

using namespace detail;

namespace {

// The text of a string item (<si> or <is>): its <t>, or the <t> of each
// run <r>; phonetic hints (<rPh>) are not part of it.
std::string ItemText(const pugi::xml_node& item) {
    std::string text;
    for (pugi::xml_node n = item.first_child(); n; n = n.next_sibling()) {
        const std::string_view name = LocalName(n);
        if (name == "t") text += n.text().get();
        else if (name == "r") text += Child(n, "t").text().get();
    }
    return sheet::DecodeCellText(text);
}

std::vector<std::string> SharedStrings(zip_t* zip, const std::string& book) {
    std::vector<std::string> strings;
    pugi::xml_document doc;
    // The shared strings part is named by the workbook's relationships; the
    // usual name serves when they do not say.
    std::string part = "xl/sharedStrings.xml";
    pugi::xml_document rels;
    if (ReadXml(zip, RelsPart(book), rels))
        for (pugi::xml_node r = Child(rels, "Relationships").first_child(); r; r = r.next_sibling()) {
            const std::string_view type = r.attribute("Type").value();
            if (type.size() >= 14 && type.substr(type.size() - 14) == "/sharedStrings") {
                const std::string target = r.attribute("Target").value();
                part = target.rfind('/', 0) == 0 ? target.substr(1) : book.substr(0, book.rfind('/') + 1) + target;
            }
        }
    if (!ReadXml(zip, part, doc)) return strings;
    for (pugi::xml_node si = Child(doc, "sst").first_child(); si; si = si.next_sibling())
        if (LocalName(si) == "si") strings.push_back(ItemText(si));
    return strings;
}

std::string CellText(const pugi::xml_node& c, const std::vector<std::string>& shared) {
    const std::string_view type = c.attribute("t").value();
    if (type == "inlineStr") return ItemText(Child(c, "is"));
    const std::string value = Child(c, "v").text().get();
    if (type == "s") {
        char* end = nullptr;
        const unsigned long i = std::strtoul(value.c_str(), &end, 10);
        return end != value.c_str() && i < shared.size() ? shared[i] : std::string();
    }
    if (type == "b") return value == "1" ? "TRUE" : "FALSE";
    if (type == "str") return sheet::DecodeCellText(value);
    return value;  // numbers and errors as written
}

}  // namespace

bool ReadSheet(const std::string& path, const std::string& sheetName, std::vector<std::vector<std::string>>& rows,
               int& columns, std::string& error) {
    rows.clear();
    columns = 0;
    ZipPtr zip = OpenPackage(path, ZIP_RDONLY, error);
    if (!zip) return false;
    const std::string part = SheetPart(zip.get(), sheetName, error);
    if (part.empty()) return false;
    pugi::xml_document doc;
    if (!ReadXml(zip.get(), part, doc)) {
        error = "The sheet \"" + sheetName + "\" cannot be read.";
        return false;
    }
    const std::vector<std::string> shared = SharedStrings(zip.get(), WorkbookPart(zip.get()));
    size_t used = 0;  // rows up to the last one with a text
    long next = 1;
    for (pugi::xml_node r = Child(Child(doc, "worksheet"), "sheetData").first_child(); r; r = r.next_sibling()) {
        if (LocalName(r) != "row") continue;
        const long number = r.attribute("r") ? r.attribute("r").as_int() : next;
        if (number < next || number > kMaxRows) {
            error = "The sheet \"" + sheetName + "\" has rows out of order.";
            rows.clear();
            return false;
        }
        next = number + 1;
        rows.resize(static_cast<size_t>(number));
        std::vector<std::string>& fields = rows.back();
        int column = 0;
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (LocalName(c) != "c") continue;
            if (c.attribute("r")) column = sheet::ColumnOfRef(c.attribute("r").value());
            if (column < 0 || column >= kMaxColumns || column < static_cast<int>(fields.size())) {
                error = "The sheet \"" + sheetName + "\" has a cell out of place.";
                rows.clear();
                return false;
            }
            std::string text = CellText(c, shared);
            if (!text.empty()) {
                fields.resize(static_cast<size_t>(column));
                fields.push_back(std::move(text));
                columns = std::max(columns, column + 1);
                used = rows.size();
            }
            ++column;
        }
    }
    rows.resize(used);
    for (auto& fields : rows) fields.resize(static_cast<size_t>(columns));
    return true;
}

}  // namespace xlsx
