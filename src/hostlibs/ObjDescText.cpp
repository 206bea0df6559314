// Attribute texts as the operator reads them.
#include "hostlibs/ObjDescText.h"

#include "TextHelpers.h"

const SAttributeItem* FindAttribute(const SComObj& desc, const std::string& name) {
    for (const SAttributeItem& a : desc.attributes)
        if (platform::EqualsNoCase(a.name, name)) return &a;
    return nullptr;
}

std::string AttributeDisplayName(const SComObj& desc, const std::string& key) {
    const SAttributeItem* a = FindAttribute(desc, key);
    return a && !a->displayName.empty() ? a->displayName : key;
}

const std::string& SecretMask() {
    static const std::string mask = "******";
    return mask;
}

std::string ShownValue(const SComObj& desc, const std::string& key, const std::string& value) {
    const SAttributeItem* a = FindAttribute(desc, key);
    if (a && a->secret) return value.empty() ? value : SecretMask();
    if (a)
        for (const SChoice& c : a->para.choices)
            if (c.value == value) return c.text;
    // Attributes described only by a command's parameter: the add or filter
    // command says what its values mean.
    for (const auto& [id, cmd] : desc.commands)
        for (const SParaDesc& p : cmd.params)
            if (platform::EqualsNoCase(p.mmlName, key))
                for (const SChoice& c : p.choices)
                    if (c.value == value) return c.text;
    return value;
}
