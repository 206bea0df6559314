// mkworkbook FILE: writes the client's workbook template, an empty workbook
// whose one sheet, "Vexil Quenlow MGC", the spreadsheet export fills: the
// first row frozen as the title row, columns wide enough for numbers and
// names. The build runs it to make data/ExcelTemplate.xlsx.
#include <zip.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";

const char* const kRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";

const char* const kWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView/></bookViews>)"
    R"(<sheets><sheet name="Vexil Quenlow MGC" sheetId="1" r:id="rId1"/></sheets>)"
    R"(</workbook>)";

const char* const kWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";

const char* const kStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

const char* const kSheet =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<dimension ref="A1"/>)"
    R"(<sheetViews><sheetView workbookViewId="0">)"
    R"(<pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>)"
    R"(</sheetView></sheetViews>)"
    R"(<sheetFormatPr defaultRowHeight="15"/>)"
    R"(<cols><col min="1" max="64" width="18" customWidth="1"/></cols>)"
    R"(<sheetData/>)"
    R"(</worksheet>)";

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkworkbook FILE.xlsx\n");
        return 2;
    }
    int code = 0;
    zip_t* z = zip_open(argv[1], ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) {
        std::fprintf(stderr, "mkworkbook: cannot create %s (libzip error %d)\n", argv[1], code);
        return 1;
    }
    const std::vector<std::pair<const char*, const char*>> parts{
        {"[Content_Types].xml", kContentTypes}, {"_rels/.rels", kRootRels},
        {"xl/workbook.xml", kWorkbook},         {"xl/_rels/workbook.xml.rels", kWorkbookRels},
        {"xl/styles.xml", kStyles},             {"xl/worksheets/sheet1.xml", kSheet}};
    for (const auto& [name, text] : parts) {
        zip_source_t* src = zip_source_buffer(z, text, std::char_traits<char>::length(text), 0);
        if (!src || zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8) < 0) {
            std::fprintf(stderr, "mkworkbook: %s\n", zip_strerror(z));
            if (src) zip_source_free(src);
            zip_discard(z);
            return 1;
        }
    }
    if (zip_close(z) != 0) {
        std::fprintf(stderr, "mkworkbook: %s\n", zip_strerror(z));
        zip_discard(z);
        return 1;
    }
    return 0;
}
