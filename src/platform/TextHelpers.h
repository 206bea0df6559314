// Small text helpers shared by every library of the client.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "PlatformApi.h"

namespace platform {

// White space: space, tab, CR, LF, vertical tab, form feed.
UO_PLATFORM_API std::string_view TrimView(std::string_view s);
UO_PLATFORM_API std::string Trim(std::string_view s);
// Blanks only (space and tab): other control characters stay, so that what
// holds them can refuse them.
UO_PLATFORM_API std::string_view TrimBlanksView(std::string_view s);
// ASCII comparison without regard to case.
UO_PLATFORM_API bool EqualsNoCase(std::string_view a, std::string_view b);
// Ordering without regard to case (ASCII), for maps keyed as profile files
// key their sections and keys.
UO_PLATFORM_API bool LessNoCase(std::string_view a, std::string_view b);
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return LessNoCase(a, b); }
};
UO_PLATFORM_API std::string ToUpper(std::string_view s);
UO_PLATFORM_API std::string ToLower(std::string_view s);
// Pieces between the separator; empty pieces are kept.
UO_PLATFORM_API std::vector<std::string> Split(std::string_view s, char sep);

// Joins the elements with "," without a trailing comma; commas inside
// elements are not escaped. An empty list gives an empty text.
UO_PLATFORM_API std::string Join(const std::vector<std::string>& items);

// Splits a NUL-separated list of the given length: every NUL ends one entry.
UO_PLATFORM_API std::vector<std::string> SplitZeroList(const char* buffer, size_t length);

// The number with a "," between groups of three digits: 20000 -> "20,000".
UO_PLATFORM_API std::string GroupDigits(long long n);

// printf into a std::string.
UO_PLATFORM_API std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
