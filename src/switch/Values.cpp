// Checking values by kind. Lengths count characters, not bytes; text is
// well-formed UTF-8 without control characters (commands are one line, and
// reports escape only tab and line breaks).
#include "Values.h"

#include <cstdlib>

#include "Numbers.h"
#include "TextHelpers.h"
#include "Utf8.h"

namespace mmlsw {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool AllDigits(std::string_view s) {
    for (char c : s)
        if (!IsDigit(c)) return false;
    return !s.empty();
}
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// C0 controls (NUL, TAB, CR, ESC, ...), DEL, and the C1 controls U+0080 to
// U+009F (C2 80 to C2 9F in well-formed UTF-8).
bool IsControlAt(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7f) return true;
    return c == 0xc2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) <= 0x9f &&
           static_cast<unsigned char>(s[i + 1]) >= 0x80;
}

bool HasControl(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i)
        if (IsControlAt(s, i)) return true;
    return false;
}

// Fields of a fixed pattern such as 2026-12-05 (or 2026&12&05), each of the
// given number of digits.
bool Fields(std::string_view s, char sep, std::initializer_list<size_t> widths, int* out) {
    size_t pos = 0, k = 0;
    for (size_t w : widths) {
        if (k && (pos >= s.size() || (s[pos] != sep && s[pos] != '&'))) return false;
        if (k) ++pos;
        if (pos + w > s.size() || !AllDigits(s.substr(pos, w))) return false;
        out[k++] = std::atoi(std::string(s.substr(pos, w)).c_str());
        pos += w;
    }
    return pos == s.size();
}

std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

bool Date(std::string_view s, std::string& stored) {
    int f[3];
    if (!Fields(s, '-', {4, 2, 2}, f)) return false;
    const int y = f[0], m = f[1], d = f[2];
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1970 || y > 2099 || m < 1 || m > 12 || d < 1 || d > days[m - 1] + (m == 2 && leap)) return false;
    stored = std::to_string(y) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
    return true;
}

bool Time(std::string_view s, std::string& stored) {
    int f[3];
    if (!Fields(s, ':', {2, 2, 2}, f) || f[0] > 23 || f[1] > 59 || f[2] > 59) return false;
    stored = TwoDigits(f[0]) + ":" + TwoDigits(f[1]) + ":" + TwoDigits(f[2]);
    return true;
}

bool Ipv4(std::string_view s, std::string& stored) {
    const auto parts = platform::Split(s, '.');
    if (parts.size() != 4) return false;
    stored.clear();
    for (const std::string& p : parts) {
        // "010" would read as octal elsewhere: one way to write each byte.
        if (!AllDigits(p) || p.size() > 3 || (p.size() > 1 && p[0] == '0') || std::atoi(p.c_str()) > 255) return false;
        stored += (stored.empty() ? "" : ".") + p;
    }
    return true;
}

bool Integer(const SParaDesc& d, std::string_view s, std::string& stored) {
    const bool negative = !s.empty() && s[0] == '-';
    const std::string_view digits = s.substr(!s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0);
    if (!AllDigits(digits) || digits.size() > 18) return false;
    long long v = std::atoll(std::string(digits).c_str());
    if (negative) v = -v;
    if (d.maxValue > d.minValue && (v < d.minValue || v > d.maxValue)) return false;
    stored = std::to_string(v);
    return true;
}

bool Bits(const SParaDesc& d, std::string_view s, std::string& stored) {
    std::vector<int> states(d.items.size(), -1);
    for (const std::string& raw : platform::Split(s, '&')) {
        const std::string item = std::string(platform::TrimBlanksView(raw));
        const size_t dash = item.rfind('-');
        if (dash == std::string::npos || dash + 2 != item.size() || (item.back() != '0' && item.back() != '1'))
            return false;
        const std::string name = std::string(platform::TrimBlanksView(std::string_view(item).substr(0, dash)));
        size_t i = 0;
        while (i < d.items.size() && d.items[i] != name) ++i;
        if (i == d.items.size() || states[i] >= 0) return false;
        states[i] = item.back() - '0';
    }
    stored.clear();
    for (size_t i = 0; i < d.items.size(); ++i)
        if (states[i] >= 0) stored += (stored.empty() ? "" : "&") + d.items[i] + "-" + std::to_string(states[i]);
    return true;
}

std::string Choices(const SParaDesc& d) {
    std::string out;
    for (const SChoice& c : d.choices) out += (out.empty() ? "" : ", ") + c.value;
    return out;
}

std::string Items(const SParaDesc& d) {
    std::string out;
    for (const std::string& i : d.items) out += (out.empty() ? "" : ", ") + i;
    return out;
}

// "1 to 32 characters", "at most 64 characters".
std::string LengthText(const SParaDesc& d, const char* unit) {
    if (d.minValue > 0) return std::to_string(d.minValue) + " to " + std::to_string(d.maxValue) + " " + unit;
    return "at most " + std::to_string(d.maxValue) + " " + unit;
}

bool Text(const SParaDesc& d, std::string_view s, std::string& why) {
    if (Utf8BadOffset(s) != std::string_view::npos) return why = "UTF-8 text", false;
    if (HasControl(s)) return why = "text without control characters", false;
    if (IsDigitString(d.mmlName) && !AllDigits(s)) return why = "digits only", false;
    const long long len = static_cast<long long>(Utf8Length(s));
    if (d.maxValue > 0 && (len < d.minValue || len > d.maxValue))
        return why = LengthText(d, IsDigitString(d.mmlName) ? "digits" : "characters"), false;
    return true;
}

}  // namespace

std::string ShownValue(std::string_view value) {
    constexpr size_t kShown = 32;  // characters
    std::string out;
    size_t chars = 0, i = 0;
    for (; i < value.size() && chars < kShown; ++chars) {
        if (IsControlAt(value, i)) {
            // Two bytes for a C1 control, one for the others.
            const bool c1 = static_cast<unsigned char>(value[i]) == 0xc2;
            const unsigned code = c1 ? static_cast<unsigned char>(value[i + 1]) : static_cast<unsigned char>(value[i]);
            static const char* const hex = "0123456789abcdef";
            out += c1 ? "\\u00" : "\\x";
            out += hex[code >> 4];
            out += hex[code & 15];
            i += c1 ? 2 : 1;
            continue;
        }
        size_t n = 1;
        while (i + n < value.size() && (static_cast<unsigned char>(value[i + n]) & 0xc0) == 0x80) ++n;
        out.append(value.substr(i, n));
        i += n;
    }
    if (i < value.size()) out += "... (" + std::to_string(Utf8Length(value)) + " characters)";
    return out;
}

bool IsDigitString(std::string_view name) {
    const std::string n = platform::ToUpper(name);
    if (n.size() >= 2 && n.compare(n.size() - 2, 2, "DN") == 0) return true;
    return n == "MSN" || n == "SHORTNO" || n == "PFX" || n == "PREFIX" || n == "COUNTRY" || n == "AREA";
}

bool StoredValue(const SParaDesc& d, std::string_view raw, std::string& stored, std::string& why) {
    const std::string_view v = platform::TrimBlanksView(raw);
    stored.clear();
    if (v.empty()) return true;
    switch (d.kind) {
        case PK_ENUMFIXED:
        case PK_ENUM:
            for (const SChoice& c : d.choices)
                if (platform::EqualsNoCase(c.value, v) || c.text == v) return stored = c.value, true;
            return why = "one of " + Choices(d), false;
        case PK_BITS:
            if (Bits(d, v, stored)) return true;
            return why = "ITEM-0 or ITEM-1 joined by & (items " + Items(d) + ")", false;
        case PK_HEX: {
            std::string_view h = v;
            if (h.size() > 2 && h[0] == '0' && (h[1] == 'x' || h[1] == 'X')) h.remove_prefix(2);
            bool ok = !h.empty();
            for (char c : h) ok = ok && IsHexDigit(c);
            const long long len = static_cast<long long>(h.size());
            if (ok && (d.maxValue <= 0 || (len >= d.minValue && len <= d.maxValue))) {
                stored = "0x" + platform::ToLower(h);
                return true;
            }
            return why = d.maxValue > 0 ? "0x and " + LengthText(d, "hexadecimal digits") : "0x and hexadecimal digits",
                   false;
        }
        case PK_NUMBER:
            if (Integer(d, v, stored)) return true;
            return why = d.maxValue > d.minValue
                             ? "an integer from " + std::to_string(d.minValue) + " to " + std::to_string(d.maxValue)
                             : "an integer",
                   false;
        case PK_DATE:
            if (Date(v, stored)) return true;
            return why = "a date YYYY-MM-DD of the years 1970 to 2099", false;
        case PK_TIME:
            if (Time(v, stored)) return true;
            return why = "a time HH:MM:SS", false;
        case PK_IPADDR:
            if (Ipv4(v, stored)) return true;
            return why = "an IPv4 address a.b.c.d", false;
        default: {
            // A number is stored, and its length counted, without leading zeros.
            const std::string text = IsDirectoryNumber(d.mmlName) ? CanonicalNumber(v) : std::string(v);
            if (!Text(d, text, why)) return false;
            stored = text;
            return true;
        }
    }
}

bool StoredValue(const SParaDesc& desc, std::string_view value, std::string& stored) {
    std::string why;
    return StoredValue(desc, value, stored, why);
}

bool CheckPrefix(const SParaDesc& d, std::string_view prefix, std::string& why) {
    if (d.kind != PK_TEXT && d.kind != PK_STRING) return why = "the wildcard * works on text attributes only", false;
    if (Utf8BadOffset(prefix) != std::string_view::npos) return why = "UTF-8 text", false;
    if (HasControl(prefix)) return why = "text without control characters", false;
    if (IsDigitString(d.mmlName) && !prefix.empty() && !AllDigits(prefix)) return why = "digits before the *", false;
    return true;
}

}  // namespace mmlsw
