// Workbook files (.xlsx): a zip package of XML parts. CSpreadSheet reads one
// worksheet of a workbook into rows of cell texts and writes a worksheet
// back whole; the workbook's other parts (styles, other sheets, column
// widths and the view of the sheet itself) stay as they are.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FrameApi.h"

namespace xlsx {

// The largest sheet the format holds.
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// The rows of the named sheet, row 1 first, cell texts as a spreadsheet
// program shows them (shared and inline strings, numbers and booleans as
// written). Rows and cells the sheet leaves out are empty; trailing empty
// rows are dropped. columns := the widest row. False with error set when
// the file is no workbook or has no sheet of that name.
UO_FRAME_API bool ReadSheet(const std::string& path, const std::string& sheetName,
                            std::vector<std::vector<std::string>>& rows, int& columns, std::string& error);

// Gives the fields of row i (0-based) into the vector; false stops the writing.
using RowSource = std::function<bool(size_t row, std::vector<std::string>& fields)>;

// Replaces the cells of the named sheet with rowCount rows from source; every
// non-empty field becomes a text cell (inline string), never a formula. The
// sheet's XML is streamed through a temporary file, so a sheet of a million
// rows costs no more memory than one of ten. False with error set when the
// workbook or the sheet is missing, or writing fails; the file is then left
// as it was.
UO_FRAME_API bool WriteSheet(const std::string& path, const std::string& sheetName, size_t rowCount,
                             const RowSource& source, std::string& error);

}  // namespace xlsx
