// The report parser: a result report of the switch split into its echoed
// command, return code, result text, continuation flag and objects, each
// object a name and properties of one or more values. The format is in
// docs/mml.md. Values are views into the report text, so parsing copies
// nothing but escaped values.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "hostlibs/HostLibsApi.h"
#include "userobj/WinTypes.h"

class CObjArray;

// One property: a key and its values.
class UO_HOSTLIBS_API CMapStringToStringArray {
public:
    int GetKeyCount() const { return 1; }
    // The property's key for index 0; empty for any other index.
    std::string_view GetKeyValue(int index = 0) const { return index == 0 ? m_key : std::string_view(); }
    int GetNumOfValue() const { return static_cast<int>(m_count); }
    // Empty for an index out of range.
    std::string_view GetValue(int index) const;

private:
    friend class CObjArray;
    friend int Parse(std::string_view, int, CObjArray&);
    const CObjArray* m_owner = nullptr;
    std::string_view m_key;
    uint32_t m_first = 0;
    uint32_t m_count = 0;
};

class UO_HOSTLIBS_API CObjArray {
public:
    CObjArray() = default;
    CObjArray(const CObjArray&) = delete;
    CObjArray& operator=(const CObjArray&) = delete;

    const std::string& GetCommand() const { return m_command; }
    const std::string& GetRetCodeText() const { return m_retCodeText; }
    int GetRetCode() const { return m_retCode; }
    const std::string& GetResultText() const { return m_result; }
    int GetContinueFlag() const { return m_continue; }
    const std::string& GetReportText() const { return m_text; }

    int GetObjectCount() const { return static_cast<int>(m_objects.size()); }
    std::string_view GetObjectName(int obj) const;
    int GetPropertyCount(int obj) const;
    // Null when the object or property does not exist.
    const CMapStringToStringArray* GetProperty(int obj, int prop) const;
    // First and last index of the run of objects named name that starts at
    // or after from; nonzero when found.
    BOOL GetObjectList(std::string_view name, int& first, int& last, int from = 0) const;

    void Clear();

private:
    friend class CMapStringToStringArray;
    friend int Parse(std::string_view, int, CObjArray&);
    struct Obj {
        std::string_view name;
        uint32_t firstProp;
        uint32_t propCount;
    };
    std::string m_text;
    std::string m_command;
    std::string m_retCodeText;
    int m_retCode = -1;
    std::string m_result;
    int m_continue = 0;
    std::vector<Obj> m_objects;
    std::vector<CMapStringToStringArray> m_props;
    std::vector<std::string_view> m_values;
    std::deque<std::string> m_unescaped;  // stable storage for escaped values
};

// Parses a report. port is the caller's channel (1 for object windows).
// Returns the number of objects, or a negative value for a malformed report
// (the array then holds the command text when it could be read).
UO_HOSTLIBS_API int Parse(std::string_view report, int port, CObjArray& out);

// Writing side, used by the switch: escapes a value for a property line.
UO_HOSTLIBS_API void AppendEscaped(std::string& out, std::string_view value);
