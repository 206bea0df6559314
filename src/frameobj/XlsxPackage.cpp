// The zip package under a workbook.
#include "XlsxPackage.h"

namespace xlsx::detail {

ZipPtr OpenPackage(const std::string& path, int flags, std::string& error) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), flags, &code);
    if (!z) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        error = path + ": " + zip_error_strerror(&e);
        zip_error_fini(&e);
    }
    return ZipPtr(z);
}

bool ReadEntry(zip_t* zip, const std::string& name, std::string& out) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(zip, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return false;
    // A part larger than any sheet the format holds is no workbook of ours to read.
    if (st.size > (zip_uint64_t{1} << 32)) return false;
    zip_file_t* f = zip_fopen(zip, name.c_str(), 0);
    if (!f) return false;
    out.assign(static_cast<size_t>(st.size), '\0');
    const zip_int64_t n = zip_fread(f, out.data(), st.size);
    zip_fclose(f);
    return n == static_cast<zip_int64_t>(st.size);
}

bool ReadXml(zip_t* zip, const std::string& name, pugi::xml_document& doc) {
    std::string bytes;
    return ReadEntry(zip, name, bytes) && doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
}

std::string_view LocalName(const pugi::xml_node& node) {
    std::string_view n = node.name();
    const size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c) == name) return c;
    return {};
}

std::string RelsPart(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    return dir + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

namespace {

// A relationship's target, resolved against the folder of the part that has it.
std::string ResolveTarget(const std::string& fromPart, std::string target) {
    if (!target.empty() && target[0] == '/') return target.substr(1);
    const size_t slash = fromPart.rfind('/');
    std::string dir = slash == std::string::npos ? "" : fromPart.substr(0, slash + 1);
    while (target.rfind("../", 0) == 0) {
        target.erase(0, 3);
        const size_t up = dir.size() > 1 ? dir.rfind('/', dir.size() - 2) : std::string::npos;
        dir = up == std::string::npos ? "" : dir.substr(0, up + 1);
    }
    return dir + target;
}

std::string RelationTarget(zip_t* zip, const std::string& part, const std::string& id, std::string_view typeEnd) {
    pugi::xml_document rels;
    if (!ReadXml(zip, RelsPart(part), rels)) return {};
    for (pugi::xml_node r = Child(rels, "Relationships").first_child(); r; r = r.next_sibling()) {
        if (LocalName(r) != "Relationship") continue;
        const std::string_view type = r.attribute("Type").value();
        const bool match = id.empty() ? type.size() >= typeEnd.size() && type.substr(type.size() - typeEnd.size()) == typeEnd
                                      : id == r.attribute("Id").value();
        if (match) return ResolveTarget(part, r.attribute("Target").value());
    }
    return {};
}

}  // namespace

std::string WorkbookPart(zip_t* zip) {
    // The package's root relationships (_rels/.rels) name it.
    std::string part = RelationTarget(zip, "", "", "/officeDocument");
    if (!part.empty() && part[0] == '/') part.erase(0, 1);
    return part.empty() ? std::string("xl/workbook.xml") : part;
}

std::string SheetPart(zip_t* zip, const std::string& sheetName, std::string& error) {
    const std::string book = WorkbookPart(zip);
    pugi::xml_document doc;
    if (!ReadXml(zip, book, doc)) {
        error = "The file holds no workbook.";
        return {};
    }
    for (pugi::xml_node s = Child(Child(Child(doc, "workbook"), "sheets"), "sheet"); s; s = s.next_sibling()) {
        if (LocalName(s) != "sheet" || sheetName != s.attribute("name").value()) continue;
        std::string id;
        for (pugi::xml_attribute a = s.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view n = a.name();
            if (n.size() > 3 && n.substr(n.size() - 3) == ":id") id = a.value();
        }
        const std::string part = RelationTarget(zip, book, id, "");
        if (!part.empty() && zip_name_locate(zip, part.c_str(), 0) >= 0) return part;
        break;
    }
    error = "The workbook has no sheet named \"" + sheetName + "\".";
    return {};
}

}  // namespace xlsx::detail
