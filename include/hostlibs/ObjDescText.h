// An object's attributes as the operator reads them: display names for
// property keys, choice texts for stored values, a mask for secrets.
#pragma once

#include <string>

#include "hostlibs/HostLibsApi.h"
#include "hostlibs/ObjDesc.h"

// The attribute of that name (case-insensitive), or null.
UO_HOSTLIBS_API const SAttributeItem* FindAttribute(const SComObj& desc, const std::string& name);
// The attribute's display name; the key itself when the object has none of that name.
UO_HOSTLIBS_API std::string AttributeDisplayName(const SComObj& desc, const std::string& key);
// A value as shown: a choice by its text, a secret as the switch's mask.
UO_HOSTLIBS_API std::string ShownValue(const SComObj& desc, const std::string& key,
                                       const std::string& value);
// The mask a secret value is shown as.
UO_HOSTLIBS_API const std::string& SecretMask();
