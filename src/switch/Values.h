// Parameter values checked as their kinds say (docs/mml.md, "Values"), and
// their stored form: what the tables hold and reports carry.
#pragma once

#include <string>
#include <string_view>

#include "hostlibs/ObjDesc.h"

namespace mmlsw {

// The stored form of a value; false with what the value must look like
// (a text that never repeats the value) when it breaks the parameter's
// kind or limits. Blanks around a value, quoted or not, are not part of it
// (a report could not carry them back); an empty value stays empty. A
// directory number is stored without leading zeros.
bool StoredValue(const SParaDesc& desc, std::string_view value, std::string& stored, std::string& why);
bool StoredValue(const SParaDesc& desc, std::string_view value, std::string& stored);

// A value as a refusal may repeat it: its first 32 characters, control
// characters written \xNN (C1 controls \u00NN), and its length when cut.
// Bytes that are not UTF-8 are not expected (commands are checked first).
std::string ShownValue(std::string_view value);

// Whether a list condition may end in the wildcard "*" on this parameter
// (text kinds only), and whether the part before it can start a value.
bool CheckPrefix(const SParaDesc& desc, std::string_view prefix, std::string& why);

// Attributes whose values are digit strings: directory numbers and their
// relatives (DN, every name ending in DN, MSN, SHORTNO, PFX, PREFIX,
// COUNTRY, AREA).
bool IsDigitString(std::string_view name);

}  // namespace mmlsw
