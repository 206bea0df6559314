// The zip package under a workbook: opening it, reading its XML parts, and
// finding the part that holds a sheet of a given name. Shared by the
// workbook reader and writer; not part of the frame code's interface.
#pragma once

#include <zip.h>

#include <pugixml.hpp>

#include <memory>
#include <string>
#include <string_view>

namespace xlsx::detail {

// An open package; closing without zip_close drops every change.
struct ZipDiscard {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

ZipPtr OpenPackage(const std::string& path, int flags, std::string& error);
// The bytes of an entry; false when it is missing or unreadable.
bool ReadEntry(zip_t* zip, const std::string& name, std::string& out);
bool ReadXml(zip_t* zip, const std::string& name, pugi::xml_document& doc);
// The element's name without a namespace prefix ("x:row" is "row").
std::string_view LocalName(const pugi::xml_node& node);
// First child element of that local name.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view name);
// The workbook part ("xl/workbook.xml" in most packages).
std::string WorkbookPart(zip_t* zip);
// The part of the sheet of that name ("xl/worksheets/sheet1.xml"); empty
// with error set when there is none.
std::string SheetPart(zip_t* zip, const std::string& sheetName, std::string& error);
// The relationships part of a part: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string RelsPart(const std::string& part);

}  // namespace xlsx::detail
