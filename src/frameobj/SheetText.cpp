// Texts of workbook cells.
#include "SheetText.h"

#include <cstdio>

namespace sheet {

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t Utf8Length(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned cp = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// s[i..] reads _xHHHH_.
bool IsEscapeAt(std::string_view s, size_t i) {
    if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return false;
    for (size_t k = 2; k < 6; ++k)
        if (!IsHex(s[i + k])) return false;
    return true;
}

void AppendEscape(std::string& out, unsigned code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "_x%04X_", code);
    out += buf;
}

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string EncodeCellText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            AppendEscape(out, c);
            ++i;
            continue;
        }
        if (c == '_' && IsEscapeAt(text, i)) {
            AppendEscape(out, '_');
            ++i;
            continue;
        }
        const size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        // U+FFFE and U+FFFF are not XML characters either.
        if (n == 3 && c == 0xEF && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
            static_cast<unsigned char>(text[i + 2]) >= 0xBE) {
            AppendEscape(out, 0xFFC0 | (static_cast<unsigned char>(text[i + 2]) & 0x3F));
            i += 3;
            continue;
        }
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string DecodeCellText(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (size_t i = 0; i < stored.size();) {
        if (IsEscapeAt(stored, i)) {
            AppendUtf8(out, static_cast<unsigned>(std::stoul(std::string(stored.substr(i + 2, 4)), nullptr, 16)));
            i += 7;
        } else {
            out += stored[i++];
        }
    }
    return out;
}

size_t CountChars(std::string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++n) {
        const size_t len = Utf8Length(text, i);
        i += len ? len : 1;
    }
    return n;
}

std::string_view FirstChars(std::string_view text, size_t n) {
    size_t i = 0;
    for (size_t k = 0; k < n && i < text.size(); ++k) {
        const size_t len = Utf8Length(text, i);
        i += len ? len : 1;
    }
    return text.substr(0, i);
}

std::string ColumnName(int column) {
    std::string name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

int ColumnOfRef(std::string_view ref) {
    int column = 0;
    size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
        column = column * 26 + (ref[i] - 'A' + 1);
        if (column > 16384) return -1;
    }
    return i == 0 ? -1 : column - 1;
}

}  // namespace sheet
