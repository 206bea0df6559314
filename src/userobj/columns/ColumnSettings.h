// Column widths the operator chose, per list key and column title, kept in
// the user's settings (userobj/columns.ini in the user's configuration
// directory), so every list of that key opens with them.
#pragma once

#include <string>

namespace columns {

// The remembered width, or 0 when there is none.
int RememberedWidth(const std::string& listKey, const std::string& title);
void RememberWidth(const std::string& listKey, const std::string& title, int width);

}  // namespace columns
