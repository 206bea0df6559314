// The texts a list shows for the values of a report.
#include "hostlibs/DisplayValues.h"

#include "TextHelpers.h"

CDisplayValues::CDisplayValues(const std::vector<std::string>& header, const SComObj& desc) {
    for (const std::string& key : header) {
        std::string display = key;
        for (const SAttributeItem& a : desc.attributes)
            if (platform::EqualsNoCase(a.name, key)) display = a.displayName;
        m_displayHeader.push_back(display);
    }
    // The add or filter command describes the attribute's values best.
    auto findPara = [&](const std::string& key) -> const SParaDesc* {
        for (const auto& [id, cmd] : desc.commands)
            for (const SParaDesc& p : cmd.params)
                if (platform::EqualsNoCase(p.mmlName, key) && !p.choices.empty()) return &p;
        return nullptr;
    };
    for (const std::string& key : header) m_choices.push_back(findPara(key));
}

void CDisplayValues::Convert(std::vector<std::vector<std::string>>& fields) const {
    for (size_t c = 0; c < fields.size() && c < m_choices.size(); ++c) {
        if (!m_choices[c]) continue;
        for (std::string& v : fields[c])
            for (const SChoice& ch : m_choices[c]->choices)
                if (ch.value == v) v = ch.text;
    }
}
