// The sorting table: which columns of which list the switch can sort, and
// the value that sorts each up or down. Read once from data/Subscriber.ini:
// one section per list key with HeaderNum, Header0.., ParaNum, Para0.. .
#pragma once

#include <map>
#include <string>
#include <vector>

// Reads the section names of the sorting file.
class CSubscriberIniFile {
public:
    explicit CSubscriberIniFile(std::string path = {}) : m_strPath(std::move(path)) {}
    // Empty when the path is empty or the file has none.
    std::vector<std::string> GetSectionNames() const;
    const std::string& Path() const { return m_strPath; }

protected:
    std::string m_strPath;
};

class CSort : public CSubscriberIniFile {
public:
    using CSubscriberIniFile::CSubscriberIniFile;
    // Builds the table from the file; a repeated section replaces the earlier one.
    void Load();
    // The sortable column titles of a list; null when the list has none.
    const std::vector<std::string>* Headers(const std::string& listKey) const;
    // "title ASC" / "title DESC" -> the sort value; null when absent.
    const std::string* SortValue(const std::string& listKey, const std::string& title, bool ascending) const;
    bool IsSortable(const std::string& listKey, const std::string& title) const;

private:
    std::map<std::string, std::vector<std::string>> m_mapHeaders;
    std::map<std::string, std::map<std::string, std::string>> m_mapParas;
};

// The module-wide table, loaded from the client root when the module loads.
CSort& SortTable();
