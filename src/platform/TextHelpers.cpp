// Small text helpers shared by every library of the client.
#include "TextHelpers.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace platform {

static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

static char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string_view TrimBlanksView(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool LessNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
    return a.size() < b.size();
}

std::string ToUpper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = Upper(c);
    return r;
}

std::string ToLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = Lower(c);
    return r;
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t p = s.find(sep, start);
        out.emplace_back(s.substr(start, p == std::string_view::npos ? s.size() - start
                                                                      : p - start));
        if (p == std::string_view::npos) break;
        start = p + 1;
    }
    return out;
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& s : items) {
        out += s;
        out += ',';
    }
    if (!out.empty()) out.pop_back();
    return out;
}

std::vector<std::string> SplitZeroList(const char* buffer, size_t length) {
    std::vector<std::string> out;
    std::string cur;
    for (size_t i = 0; i < length; ++i) {
        if (buffer[i] == '\0') {
            out.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += buffer[i];
        }
    }
    return out;
}

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap2);
        out.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    return out;
}

std::string GroupDigits(long long n) {
    const auto magnitude = static_cast<unsigned long long>(n);
    std::string digits = std::to_string(n < 0 ? 0ULL - magnitude : magnitude);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return n < 0 ? "-" + digits : digits;
}

}  // namespace platform
