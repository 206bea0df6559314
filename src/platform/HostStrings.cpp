// The host's string table.
#include "HostStrings.h"

#include <cstdlib>

#include "ClientRoot.h"
#include "ProfileFile.h"

namespace platform {

static std::string Unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool CHostStringTable::Load(const std::string& path) {
    m_strings.clear();
    const CProfile profile = CProfile::Load(path);
    for (const std::string& key : profile.KeyNames("Strings")) {
        char* end = nullptr;
        long id = std::strtol(key.c_str(), &end, 10);
        if (end == key.c_str() || *end != '\0') continue;
        m_strings[static_cast<int>(id)] = Unescape(profile.Value("Strings", key).value_or(""));
    }
    return !m_strings.empty();
}

const std::string& CHostStringTable::Get(int id) const {
    static const std::string empty;
    auto it = m_strings.find(id);
    return it == m_strings.end() ? empty : it->second;
}

const CHostStringTable& HostStrings() {
    // Loaded once; thread-safe by the rules of function-local statics.
    static const CHostStringTable table = [] {
        CHostStringTable t;
        t.Load(DataFile("hoststrings.ini"));
        return t;
    }();
    return table;
}

}  // namespace platform

const std::string& HostString(int id) { return platform::HostStrings().Get(id); }
