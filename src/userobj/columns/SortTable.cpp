// The sorting table.
#include "SortTable.h"

#include <cstdlib>

#include "ClientRoot.h"
#include "ProfileFile.h"

std::vector<std::string> CSubscriberIniFile::GetSectionNames() const {
    if (m_strPath.empty()) return {};
    return platform::ProfileSectionNames(m_strPath);
}

void CSort::Load() {
    m_mapHeaders.clear();
    m_mapParas.clear();
    for (const std::string& section : GetSectionNames()) {
        std::vector<std::string> headers;
        std::map<std::string, std::string> paras;
        const int n = GetPrivateProfileInt(section.c_str(), "HeaderNum", 0, m_strPath);
        for (int i = 0; i < n; ++i)
            headers.push_back(platform::ProfileString(m_strPath, section.c_str(), ("Header" + std::to_string(i)).c_str()));
        const int m = GetPrivateProfileInt(section.c_str(), "ParaNum", 0, m_strPath);
        for (int j = 0; j < m; ++j) {
            // Values for columns the file does not name are ignored.
            if (static_cast<size_t>(j / 2) >= headers.size()) break;
            const std::string key = headers[static_cast<size_t>(j / 2)] + (j % 2 == 0 ? " ASC" : " DESC");
            paras[key] = platform::ProfileString(m_strPath, section.c_str(), ("Para" + std::to_string(j)).c_str());
        }
        m_mapHeaders[section] = std::move(headers);
        m_mapParas[section] = std::move(paras);
    }
}

const std::vector<std::string>* CSort::Headers(const std::string& listKey) const {
    auto it = m_mapHeaders.find(listKey);
    return it == m_mapHeaders.end() ? nullptr : &it->second;
}

const std::string* CSort::SortValue(const std::string& listKey, const std::string& title, bool ascending) const {
    auto it = m_mapParas.find(listKey);
    if (it == m_mapParas.end()) return nullptr;
    auto v = it->second.find(title + (ascending ? " ASC" : " DESC"));
    return v == it->second.end() ? nullptr : &v->second;
}

bool CSort::IsSortable(const std::string& listKey, const std::string& title) const {
    const auto* h = Headers(listKey);
    if (!h) return false;
    for (const std::string& t : *h)
        if (t == title) return true;
    return false;
}

CSort& SortTable() {
    static CSort table = [] {
        CSort t(platform::DataFile("Subscriber.ini"));
        t.Load();
        return t;
    }();
    return table;
}
