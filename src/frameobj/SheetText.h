// Texts of workbook cells. A worksheet's XML cannot hold every character a
// subscriber's data may hold (control characters, broken UTF-8), and the
// workbook format writes the characters it cannot hold as _xHHHH_; these
// helpers turn cell texts into what a sheet stores and back, and count and
// cut texts by characters rather than bytes.
#pragma once

#include <string>
#include <string_view>

#include "FrameApi.h"

namespace sheet {

// The cell text as a sheet stores it: characters XML 1.0 cannot hold become
// _xHHHH_, a text that already looks like _xHHHH_ has its "_" written as
// _x005F_, bytes that are not UTF-8 become U+FFFD. XML escaping of < > &
// is the XML writer's.
UO_FRAME_API std::string EncodeCellText(std::string_view text);
// The reverse of EncodeCellText.
UO_FRAME_API std::string DecodeCellText(std::string_view stored);

// Characters (code points) of a UTF-8 text; a stray byte counts as one.
UO_FRAME_API size_t CountChars(std::string_view text);
// The first n characters of the text; never splits a character.
UO_FRAME_API std::string_view FirstChars(std::string_view text, size_t n);

// "A" for column 0, "Z" for 25, "AA" for 26 ... "XFD" for 16383.
UO_FRAME_API std::string ColumnName(int column);
// The 0-based column of a cell reference such as "AB12"; -1 when it names none.
UO_FRAME_API int ColumnOfRef(std::string_view ref);

}  // namespace sheet
