// Directory numbers: which attributes hold them and their stored form.
#include "Numbers.h"

#include "TextHelpers.h"

namespace mmlsw {

bool IsDirectoryNumber(std::string_view attribute) {
    const std::string n = platform::ToUpper(attribute);
    return n == "MSN" || (n.size() >= 2 && n.compare(n.size() - 2, 2, "DN") == 0);
}

std::string CanonicalNumber(std::string_view digits) {
    if (digits.empty()) return {};
    for (char c : digits)
        if (c < '0' || c > '9') return std::string(digits);
    const size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? "0" : std::string(digits.substr(first));
}

std::string NumberPrefix(std::string_view digits) {
    const size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string() : std::string(digits.substr(first));
}

}  // namespace mmlsw
