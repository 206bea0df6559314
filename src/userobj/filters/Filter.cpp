// The filter settings.
#include "Filter.h"

#include "ClientRoot.h"
#include "HostStrings.h"
#include "ProfileFile.h"
#include "Trace.h"
#include "hostlibs/Cmd.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ObjData.h"

void CFilter::FilterInit() {
    m_mapSections.clear();
    for (const std::string& section : platform::ProfileSectionNames(m_strPath)) {
        auto filters = std::make_unique<FilterMap>();
        for (const std::string& name : platform::ProfileKeyNames(m_strPath, section.c_str())) {
            const auto [it, added] = filters->try_emplace(name);
            if (!added) {
                W2L_FAIL("Filter \"%s\" of [%s] is the key of \"%s\" again; it is dropped.", name.c_str(),
                         section.c_str(), it->first.c_str());
                continue;
            }
            it->second = platform::ProfileString(m_strPath, section.c_str(), name.c_str());
        }
        m_mapSections[section] = std::move(filters);
    }
}

bool CFilter::FilterSave() {
    platform::CProfile out;
    for (const auto& [section, filters] : m_mapSections) {
        if (!filters) {
            W2L_FAIL("pMapCmd == NULL!");
            break;
        }
        for (const auto& [name, text] : *filters)
            if (!name.empty() && !text.empty()) out.SetValue(section, name, text);
    }
    return out.Save(m_strPath);
}

CFilter::FilterMap* CFilter::Section(const std::string& listKey) {
    auto it = m_mapSections.find(listKey);
    return it == m_mapSections.end() ? nullptr : it->second.get();
}

CFilter& FilterTable() {
    static CFilter table = [] {
        CFilter f(platform::DataFile("Filter.ini"));
        f.FilterInit();
        return f;
    }();
    return table;
}

bool GetFilterBaseCmd(const CComObj& obj, CCmd& out) {
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    obj.EnumCmd(codes, names);
    for (DWORD code : codes) {
        const auto it = obj.GetCmdTable().find(code);
        if (it == obj.GetCmdTable().end()) continue;
        const SCmd& rec = it->second;
        if (rec.opKind == ACT_COMMAND && rec.text2.find(HostString(HS_FILTER_CMD)) != std::string::npos &&
            rec.text.find(HostString(HS_FILTER_LABEL)) != std::string::npos)
            return obj.GetCmdByOpID(out, code) != FALSE;
    }
    return false;
}
