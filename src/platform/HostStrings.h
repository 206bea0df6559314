// The host's string table: every user-visible text, parameter keyword and
// command name addressed by number. One table, data/hoststrings.ini (section
// [Strings], N=text), serves the module, the host libraries and the switch,
// so that a key written on one side is read with the same text on the other.
// "\n" in a text stands for a line break.
#pragma once

#include <string>
#include <unordered_map>

#include "PlatformApi.h"

namespace platform {

class UO_PLATFORM_API CHostStringTable {
public:
    // Replaces the table with the file's strings; false when the file is
    // missing (the table is then empty).
    bool Load(const std::string& path);
    // Empty text for a number the table does not hold.
    const std::string& Get(int id) const;
    size_t Size() const { return m_strings.size(); }

private:
    std::unordered_map<int, std::string> m_strings;
};

// The process-wide table, loaded from the client root on first use.
UO_PLATFORM_API const CHostStringTable& HostStrings();

}  // namespace platform

// Host string by number; empty text when there is none.
UO_PLATFORM_API const std::string& HostString(int id);
