// Reading and writing profile files.
#include "ProfileFile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <QSaveFile>

#include "TextHelpers.h"

namespace platform {

namespace {

std::string Trimmed(std::string_view s) { return std::string(TrimView(s)); }

bool Quoted(std::string_view v) {
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

std::string Unquote(std::string v) { return Quoted(v) ? v.substr(1, v.size() - 2) : v; }

// A value as written: reading trims blanks and takes one pair of quotes
// off, so a value with outer blanks or quotes is written in quotes and
// reads back as it was.
std::string Written(const std::string& v) {
    const bool blanks = !v.empty() && (TrimView(v).size() != v.size());
    return blanks || Quoted(v) ? '"' + v + '"' : v;
}

}  // namespace

CProfile CProfile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return Parse(ss.str());
}

CProfile CProfile::Parse(std::string_view text) {
    CProfile p;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view raw = text.substr(pos, eol - pos);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        pos = eol + 1;

        Line line;
        line.text = std::string(raw);
        std::string_view t = TrimView(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            line.kind = Line::Section;
            line.name = Trimmed(t.substr(1, close == std::string_view::npos ? t.size() - 1
                                                                          : close - 1));
        } else if (!t.empty() && t.front() != ';') {  // only ';' starts a comment: "#1" is a key
            size_t eq = t.find('=');
            if (eq != std::string_view::npos && !TrimView(t.substr(0, eq)).empty()) {
                line.kind = Line::Key;
                line.name = Trimmed(t.substr(0, eq));
                line.value = Unquote(Trimmed(t.substr(eq + 1)));
            }
        }
        p.m_lines.push_back(std::move(line));
    }
    return p;
}

std::optional<std::pair<size_t, size_t>> CProfile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Line::Section || !EqualsNoCase(m_lines[i].name, section)) continue;
        size_t end = i + 1;
        while (end < m_lines.size() && m_lines[end].kind != Line::Section) ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

std::vector<std::string> CProfile::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& l : m_lines) {
        if (l.kind != Line::Section) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualsNoCase(n, l.name);
        if (!seen) names.push_back(l.name);
    }
    return names;
}

std::vector<std::string> CProfile::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    auto range = FindSection(section);
    if (!range) return names;
    for (size_t i = range->first; i < range->second; ++i)
        if (m_lines[i].kind == Line::Key) names.push_back(m_lines[i].name);
    return names;
}

std::optional<std::string> CProfile::Value(std::string_view section, std::string_view key) const {
    auto range = FindSection(section);
    if (!range) return std::nullopt;
    for (size_t i = range->first; i < range->second; ++i)
        if (m_lines[i].kind == Line::Key && EqualsNoCase(m_lines[i].name, key))
            return m_lines[i].value;
    return std::nullopt;
}

void CProfile::SetValue(std::string_view section, std::string_view key,
                        const std::optional<std::string>& value) {
    auto range = FindSection(section);
    if (!range) {
        if (!value) return;
        if (!m_lines.empty() && !m_lines.back().text.empty()) m_lines.push_back({});
        m_lines.push_back({Line::Section, "[" + std::string(section) + "]", std::string(section), {}});
        range = std::make_pair(m_lines.size(), m_lines.size());
    }
    size_t lastKey = range->first;
    for (size_t i = range->first; i < range->second; ++i) {
        Line& l = m_lines[i];
        if (l.kind != Line::Key) continue;
        if (EqualsNoCase(l.name, key)) {
            if (!value) {
                m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                l.value = *value;
                l.text = l.name + "=" + Written(*value);
            }
            return;
        }
        lastKey = i + 1;
    }
    if (!value) return;
    Line l{Line::Key, std::string(key) + "=" + Written(*value), std::string(key), *value};
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lastKey), std::move(l));
}

void CProfile::RemoveSection(std::string_view section) {
    while (auto range = FindSection(section)) {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(range->first - 1),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(range->second));
    }
}

std::string CProfile::Text() const {
    std::string out;
    for (const Line& l : m_lines) {
        out += l.text;
        out += '\n';
    }
    return out;
}

bool CProfile::Save(const std::string& path) const {
    // The new text goes to a file of its own beside the old one, is flushed
    // to the disk and only then renamed over it: a crash or a full disk
    // leaves either the old file or the new one, never a part of either.
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly)) return false;
    const std::string text = Text();
    if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

// Copies names, each NUL-terminated, then a closing NUL; whole names only.
static DWORD CopyNameList(const std::vector<std::string>& names, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    DWORD used = 0;
    for (const std::string& n : names) {
        // name + its NUL + the closing NUL must fit
        if (used + n.size() + 2 > size) break;
        std::memcpy(buffer + used, n.data(), n.size());
        used += static_cast<DWORD>(n.size());
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    if (used == 0) buffer[1 < size ? 1 : 0] = '\0';
    return used;
}

static DWORD CopyValue(std::string_view value, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    DWORD n = static_cast<DWORD>(std::min<size_t>(value.size(), size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return n;
}

std::string ProfileString(const std::string& file, const char* section, const char* key,
                          const char* defaultValue, DWORD size) {
    std::string buf(size, '\0');
    DWORD n = GetPrivateProfileString(section, key, defaultValue, buf.data(), size, file);
    buf.resize(n);
    return buf;
}

std::vector<std::string> ProfileSectionNames(const std::string& file, DWORD size) {
    std::string buf(size, '\0');
    DWORD n = GetPrivateProfileString(nullptr, nullptr, "", buf.data(), size, file);
    return SplitZeroList(buf.data(), n);
}

std::vector<std::string> ProfileKeyNames(const std::string& file, const char* section,
                                         DWORD size) {
    std::string buf(size, '\0');
    DWORD n = GetPrivateProfileString(section, nullptr, "", buf.data(), size, file);
    return SplitZeroList(buf.data(), n);
}

}  // namespace platform

using platform::CProfile;

DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const std::string& file) {
    const CProfile profile = CProfile::Load(file);
    if (section == nullptr) return platform::CopyNameList(profile.SectionNames(), buffer, size);
    if (key == nullptr) return platform::CopyNameList(profile.KeyNames(section), buffer, size);
    if (auto v = profile.Value(section, key)) return platform::CopyValue(*v, buffer, size);
    std::string_view def = defaultValue ? std::string_view(defaultValue) : std::string_view();
    while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
    return platform::CopyValue(def, buffer, size);
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                         const std::string& file) {
    auto v = CProfile::Load(file).Value(section ? section : "", key ? key : "");
    if (!v) return defaultValue;
    // Leading digits count, as atoi does; no digits reads as 0.
    return static_cast<int>(std::strtol(v->c_str(), nullptr, 10));
}

BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& file) {
    if (section == nullptr) return FALSE;
    CProfile profile = CProfile::Load(file);
    if (key == nullptr)
        profile.RemoveSection(section);
    else
        profile.SetValue(section, key,
                         value ? std::optional<std::string>(value) : std::nullopt);
    return profile.Save(file) ? TRUE : FALSE;
}
