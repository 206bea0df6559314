// UTF-8 as the switch takes it: strictly well formed (no overlong forms, no
// surrogates, nothing above U+10FFFF), lengths counted in characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mmlsw {

// The byte offset of the first sequence that is not well-formed UTF-8;
// npos when the whole text is.
size_t Utf8BadOffset(std::string_view text);
// The number of characters of well-formed text.
size_t Utf8Length(std::string_view text);
// The text with every byte of a malformed sequence replaced by '?', so that
// it can be shown back without passing the malformed bytes on.
std::string Utf8Repaired(std::string_view text);

}  // namespace mmlsw
