// Catalogue lookups of the switch.
#include "CatalogueHelpers.h"

#include "TextHelpers.h"

namespace mmlsw {

const SAttributeItem* Attr(const SComObj& obj, std::string_view name) {
    for (const SAttributeItem& a : obj.attributes)
        if (platform::EqualsNoCase(a.name, name)) return &a;
    return nullptr;
}

const SCmd* OpOf(const SComObj& obj, DWORD op) {
    auto it = obj.commands.find(op);
    return it == obj.commands.end() ? nullptr : &it->second;
}

const std::map<DWORD, std::string>& SubscriberTypes() {
    static const std::map<DWORD, std::string> types = {
        {308, "MGCP"}, {319, "H248"}, {311, "SIP"}, {312, "H323"},
        {313, "BRA"},  {317, "IPN"},  {327, "V5"},  {335, "V5BRA"}};
    return types;
}

DWORD PortTypeOf(DWORD subscriberType) {
    return subscriberType == 327 ? 326 : subscriberType == 335 ? 334 : 0;
}

DWORD SubscriberTypeOfPort(DWORD portType) { return portType == 326 ? 327 : portType == 334 ? 335 : 0; }

bool RelationClause(const SCmd& op, const SParaDesc& control, const std::string& value,
                    std::vector<std::string>& enabled, std::vector<std::string>& required) {
    enabled.clear();
    required.clear();
    std::string shown = value;
    for (const SChoice& c : control.choices)
        if (c.value == value) shown = c.text;
    const std::string& rel = control.relation;
    size_t at = 1;
    while (at < rel.size()) {
        const size_t end = std::min(rel.find(';', at), rel.size() - 1);
        const std::string clause = rel.substr(at, end - at);
        at = end + 1;
        const size_t eq = clause.find('=');
        if (eq == std::string::npos || clause.substr(0, eq) != shown) continue;
        // "=13 14,13": the numbers enabled, then after "," those required.
        std::vector<std::string>* names = &enabled;
        std::string number;
        for (size_t i = eq + 1; i <= clause.size(); ++i) {
            if (i < clause.size() && clause[i] != ' ' && clause[i] != ',') {
                number += clause[i];
                continue;
            }
            for (const SParaDesc& d : op.params)
                if (!number.empty() && std::to_string(d.number) == number) names->push_back(d.mmlName);
            number.clear();
            if (i < clause.size() && clause[i] == ',') names = &required;
        }
        return true;
    }
    return false;
}

std::vector<std::string> RequiredByRelation(const SCmd& op, const SParaDesc& control, const std::string& value) {
    std::vector<std::string> enabled, required;
    RelationClause(op, control, value, enabled, required);
    return required;
}

bool ParseInt(std::string_view s, int64_t& v) {
    const size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    if (s.size() == start || s.size() - start > 18) return false;
    v = 0;
    for (size_t i = start; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    if (start) v = -v;
    return true;
}

}  // namespace mmlsw
