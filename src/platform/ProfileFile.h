// Profile (ini) files: "[section]" headers and "key=value" lines. Section and
// key names compare without regard to case. The C-style calls keep the
// buffer semantics callers rely on: lists come back as NUL-separated names
// cut at the buffer size, values are cut at the buffer size, and writing a
// key creates the file, the section and the key as needed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PlatformApi.h"
#include "userobj/WinTypes.h"

namespace platform {

// The buffer size the client reads profile strings with.
inline constexpr DWORD kProfileBuffer = 1000;

// A whole profile file held in memory, line by line, so that rewriting one
// key keeps every comment and every other line as it was.
class UO_PLATFORM_API CProfile {
public:
    // A missing or unreadable file reads as empty.
    static CProfile Load(const std::string& path);
    static CProfile Parse(std::string_view text);

    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // value == nullopt removes the key.
    void SetValue(std::string_view section, std::string_view key,
                  const std::optional<std::string>& value);
    void RemoveSection(std::string_view section);

    std::string Text() const;
    // Writes a new file beside the old one and renames it over, so a crash
    // never leaves a half-written file. False when the file cannot be written.
    bool Save(const std::string& path) const;

private:
    struct Line {
        enum Kind { Other, Section, Key } kind = Other;
        std::string text;  // the line as written
        std::string name;  // section or key name, trimmed
        std::string value;  // key value, trimmed, one pair of quotes removed
    };
    // [first line after the header, end) of a section; nullopt when missing.
    std::optional<std::pair<size_t, size_t>> FindSection(std::string_view section) const;

    std::vector<Line> m_lines;
};

}  // namespace platform

// Reads a value, or with key == nullptr the section's key names, or with
// section == nullptr the file's section names. Lists are names each followed
// by a NUL, closed by one more NUL; only names that fit whole are returned.
// Values longer than size - 1 are cut. Returns the number of characters
// copied, not counting the closing NUL.
UO_PLATFORM_API DWORD GetPrivateProfileString(const char* section, const char* key,
                                              const char* defaultValue, char* buffer, DWORD size,
                                              const std::string& file);
UO_PLATFORM_API int GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                                         const std::string& file);
// value == nullptr removes the key; key == nullptr removes the section.
UO_PLATFORM_API BOOL WritePrivateProfileString(const char* section, const char* key,
                                               const char* value, const std::string& file);

namespace platform {
// The same reads with the client's 1000-character buffers, as C++ values.
UO_PLATFORM_API std::string ProfileString(const std::string& file, const char* section,
                                          const char* key, const char* defaultValue = "",
                                          DWORD size = kProfileBuffer);
UO_PLATFORM_API std::vector<std::string> ProfileSectionNames(const std::string& file,
                                                             DWORD size = kProfileBuffer);
UO_PLATFORM_API std::vector<std::string> ProfileKeyNames(const std::string& file,
                                                         const char* section,
                                                         DWORD size = kProfileBuffer);
}  // namespace platform
