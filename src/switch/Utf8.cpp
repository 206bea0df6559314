// Strict UTF-8 decoding.
#include "Utf8.h"

namespace mmlsw {

namespace {

// The length of the well-formed sequence at text[i], 0 when malformed.
size_t SequenceAt(std::string_view text, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xbf;  // the allowed range of the second byte
    if (c >= 0xc2 && c <= 0xdf) {
        n = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
        n = 3;
        if (c == 0xe0) lo = 0xa0;  // overlong
        if (c == 0xed) hi = 0x9f;  // surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
        n = 4;
        if (c == 0xf0) lo = 0x90;  // overlong
        if (c == 0xf4) hi = 0x8f;  // above U+10FFFF
    } else {
        return 0;
    }
    if (i + n > text.size() || b(1) < lo || b(1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if ((b(k) & 0xc0) != 0x80) return 0;
    return n;
}

}  // namespace

size_t Utf8BadOffset(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = SequenceAt(text, i);
        if (!n) return i;
        i += n;
    }
    return std::string_view::npos;
}

size_t Utf8Length(std::string_view text) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++chars) {
        const size_t n = SequenceAt(text, i);
        i += n ? n : 1;
    }
    return chars;
}

std::string Utf8Repaired(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = SequenceAt(text, i);
        if (n) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

}  // namespace mmlsw
