// The report parser. One pass over the lines of the report; keys and values
// are views into the parser's own copy of the text, escaped values go to a
// side store. Anything that does not follow the format gives a negative
// result: a parser fed by a network peer must not trust a single byte.
#include "hostlibs/ObjArray.h"

#include <cstring>

namespace {

constexpr std::string_view kEnd = "---    END";

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Line reader over the text.
struct Lines {
    const char* p;
    const char* end;
    bool Next(std::string_view& line) {
        if (p >= end) return false;
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* stop = nl ? nl : end;
        line = std::string_view(p, static_cast<size_t>(stop - p));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        p = nl ? nl + 1 : end;
        return true;
    }
};

bool ParseInt(std::string_view s, long long& v) {
    s = TrimSpaces(s);
    if (s.empty() || s.size() > 18) return false;
    bool neg = false;
    size_t i = 0;
    if (s[0] == '-') {
        neg = true;
        i = 1;
        if (s.size() == 1) return false;
    }
    long long r = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        r = r * 10 + (s[i] - '0');
    }
    v = neg ? -r : r;
    return true;
}

// "NAME = value" with a fixed name; gives the trimmed value.
bool HeaderField(std::string_view line, std::string_view name, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || TrimSpaces(line.substr(0, eq)) != name) return false;
    value = TrimSpaces(line.substr(eq + 1));
    return true;
}

bool Unescape(std::string_view in, std::string& out) {
    out.clear();
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size()) return false;
        switch (in[i]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: return false;
        }
    }
    return true;
}

}  // namespace

std::string_view CMapStringToStringArray::GetValue(int index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= m_count || m_owner == nullptr) return {};
    return m_owner->m_values[m_first + static_cast<uint32_t>(index)];
}

std::string_view CObjArray::GetObjectName(int obj) const {
    if (obj < 0 || obj >= GetObjectCount()) return {};
    return m_objects[static_cast<size_t>(obj)].name;
}

int CObjArray::GetPropertyCount(int obj) const {
    if (obj < 0 || obj >= GetObjectCount()) return 0;
    return static_cast<int>(m_objects[static_cast<size_t>(obj)].propCount);
}

const CMapStringToStringArray* CObjArray::GetProperty(int obj, int prop) const {
    if (obj < 0 || obj >= GetObjectCount()) return nullptr;
    const Obj& o = m_objects[static_cast<size_t>(obj)];
    if (prop < 0 || static_cast<uint32_t>(prop) >= o.propCount) return nullptr;
    return &m_props[o.firstProp + static_cast<uint32_t>(prop)];
}

BOOL CObjArray::GetObjectList(std::string_view name, int& first, int& last, int from) const {
    const int n = GetObjectCount();
    for (int i = from < 0 ? 0 : from; i < n; ++i) {
        if (m_objects[static_cast<size_t>(i)].name != name) continue;
        int j = i;
        while (j + 1 < n && m_objects[static_cast<size_t>(j + 1)].name == name) ++j;
        first = i;
        last = j;
        return TRUE;
    }
    return FALSE;
}

void CObjArray::Clear() {
    m_text.clear();
    m_command.clear();
    m_retCodeText.clear();
    m_retCode = -1;
    m_result.clear();
    m_continue = 0;
    m_objects.clear();
    m_props.clear();
    m_values.clear();
    m_unescaped.clear();
}

int Parse(std::string_view report, int /*port*/, CObjArray& out) {
    out.Clear();
    if (std::memchr(report.data(), '\0', report.size()) != nullptr) return -1;
    out.m_text.assign(report);
    Lines lines{out.m_text.data(), out.m_text.data() + out.m_text.size()};
    std::string_view line;

    // %%command%%
    if (!lines.Next(line)) return -1;
    line = TrimSpaces(line);
    if (line.size() < 4 || line.substr(0, 2) != "%%" || line.substr(line.size() - 2) != "%%")
        return -2;
    out.m_command.assign(TrimSpaces(line.substr(2, line.size() - 4)));

    std::string_view v;
    long long n = 0;
    if (!lines.Next(line) || !HeaderField(line, "RETCODE", v) || !ParseInt(v, n) ||
        n < INT32_MIN || n > INT32_MAX)
        return -3;
    out.m_retCodeText.assign(v);
    out.m_retCode = static_cast<int>(n);
    if (!lines.Next(line) || !HeaderField(line, "RESULT", v) || !Unescape(v, out.m_result))
        return -4;
    if (!lines.Next(line) || !HeaderField(line, "CONTINUE", v) || (v != "0" && v != "1"))
        return -5;
    out.m_continue = v == "1" ? 1 : 0;
    long long declared = 0;
    if (!lines.Next(line) || !HeaderField(line, "OBJECTS", v) || !ParseInt(v, declared) ||
        declared < 0)
        return -6;

    // A property line is at least 2 bytes, so the text bounds every count.
    const size_t cap = out.m_text.size() / 2 + 1;
    out.m_objects.reserve(static_cast<size_t>(declared) < cap ? static_cast<size_t>(declared) : cap);

    bool ended = false;
    std::string scratch;
    while (lines.Next(line)) {
        if (line.empty()) continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3) return -7;
            out.m_objects.push_back({line.substr(1, line.size() - 2),
                                     static_cast<uint32_t>(out.m_props.size()), 0});
            continue;
        }
        if (line == kEnd) {
            ended = true;
            break;
        }
        if (out.m_objects.empty()) return -8;  // a property before any object
        const char* eq = static_cast<const char*>(std::memchr(line.data(), '=', line.size()));
        if (eq == nullptr) return -9;
        const size_t eqPos = static_cast<size_t>(eq - line.data());
        std::string_view key = TrimSpaces(line.substr(0, eqPos));
        if (key.empty()) return -9;
        std::string_view rest = TrimSpaces(line.substr(eqPos + 1));

        CMapStringToStringArray prop;
        prop.m_owner = &out;
        prop.m_key = key;
        prop.m_first = static_cast<uint32_t>(out.m_values.size());
        // Values are separated by tabs; a backslash marks an escape.
        size_t start = 0;
        bool escaped = false;
        for (size_t i = 0;; ++i) {
            if (i == rest.size() || rest[i] == '\t') {
                std::string_view value = rest.substr(start, i - start);
                if (escaped) {
                    if (!Unescape(value, scratch)) return -10;
                    out.m_unescaped.push_back(scratch);
                    value = out.m_unescaped.back();
                }
                out.m_values.push_back(value);
                ++prop.m_count;
                if (i == rest.size()) break;
                start = i + 1;
                escaped = false;
            } else if (rest[i] == '\\') {
                escaped = true;
            }
        }
        out.m_props.push_back(prop);
        ++out.m_objects.back().propCount;
    }
    if (!ended) return -11;
    while (lines.Next(line))
        if (!TrimSpaces(line).empty()) return -12;  // text after the end mark
    if (static_cast<long long>(out.m_objects.size()) != declared) return -13;
    return static_cast<int>(out.m_objects.size());
}

void AppendEscaped(std::string& out, std::string_view value) {
    for (char c : value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
}
