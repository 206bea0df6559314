// The texts a list shows for the values of a report: the columns are titled
// with the attributes' display names, and values of a choice are shown by
// the choice's text. The record store and an export of a paged list that
// reads pages of its own both show values this way.
#pragma once

#include <string>
#include <vector>

#include "hostlibs/HostLibsApi.h"
#include "hostlibs/ObjDesc.h"

class UO_HOSTLIBS_API CDisplayValues {
public:
    // header: the report's property keys, in column order.
    CDisplayValues(const std::vector<std::string>& header, const SComObj& desc);
    const std::vector<std::string>& DisplayHeader() const { return m_displayHeader; }
    // One record's fields (values per column), turned into display texts.
    void Convert(std::vector<std::vector<std::string>>& fields) const;

private:
    std::vector<std::string> m_displayHeader;
    std::vector<const SParaDesc*> m_choices;  // per column; null when it has no choices
};
