// What a directory number is on this switch: a string of decimal digits
// whose value is the integer it spells, so that a leading zero makes no
// other number ("020000001" is 20000001). Numbers are stored without
// leading zeros; ownership (one number, one owner) and segment membership
// (BGNDN <= number <= ENDDN as integers) then compare the same thing.
#pragma once

#include <string>
#include <string_view>

namespace mmlsw {

// Attributes that hold a directory number: DN, every name ending in DN
// (BGNDN, HOTDN, NIGHTDN, FWDDN, ...) and MSN. Prefixes and short numbers
// (PFX, PREFIX, SHORTNO, COUNTRY, AREA) are dialled as written and are not
// numbers in this sense.
bool IsDirectoryNumber(std::string_view attribute);

// The stored form of a number of digits: without leading zeros ("0" stays).
// Anything that is not all digits comes back unchanged.
std::string CanonicalNumber(std::string_view digits);
// The stored form of the start of a number, for a wildcard: without leading
// zeros, which any number may be written with ("0020*" asks for the numbers
// that start with 20; "0*" for every number).
std::string NumberPrefix(std::string_view digits);

}  // namespace mmlsw
