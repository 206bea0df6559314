// CFilter: the module's copy of the filter settings, data/Filter.ini: one
// section per list title, filter name = filter command text. Loaded when the
// module loads; saved whole by the filter dialog. Titles and names compare
// without regard to case, as the file's sections and keys do: "G729" and
// "g729" are one filter.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "TextHelpers.h"

class CCmd;
class CComObj;

class CFilter {
public:
    using FilterMap = std::map<std::string, std::string, platform::NoCaseLess>;  // name -> command text
    using SectionMap = std::map<std::string, std::unique_ptr<FilterMap>, platform::NoCaseLess>;

    explicit CFilter(std::string path = {}) : m_strPath(std::move(path)) {}
    // Reads the file with the client's 1000-character buffers: whatever does
    // not fit is lost. Of names that differ only in case the first is kept,
    // with the value the file gives for that key.
    void FilterInit();
    // The same from another file, which later saves go to.
    void FilterInit(std::string path) {
        m_strPath = std::move(path);
        FilterInit();
    }
    // Writes every non-empty filter into a new file and renames it over the
    // old one, so a crash never leaves a half-written file. False on failure.
    bool FilterSave();

    void SetModified(bool modified = true) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }
    // The filters of a list; null when it has none.
    FilterMap* Section(const std::string& listKey);
    SectionMap& Sections() { return m_mapSections; }
    const std::string& Path() const { return m_strPath; }

private:
    bool m_bModified = false;
    SectionMap m_mapSections;
    std::string m_strPath;
};

// The module-wide table, loaded from the client root at module load.
CFilter& FilterTable();

// The object's filter base command: its first command-kind operation named
// as the filter query and labelled as a filter. False when it has none.
bool GetFilterBaseCmd(const CComObj& obj, CCmd& out);
