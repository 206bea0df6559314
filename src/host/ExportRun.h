// omclient --export FILE: once the windows have their first results, the
// first object window exports its active list to FILE (a workbook when the
// name ends in ".xlsx", a text file otherwise), for scripts and tests.
#pragma once

#include <functional>
#include <string>

namespace host {

class CHostMainWindow;

// Asks the first object window to export and calls done when it has
// finished (ok), failed, or not finished within timeoutMs.
void ExportFirstWindow(CHostMainWindow& main, const std::string& path, int timeoutMs,
                       std::function<void(bool ok, const std::string& error)> done);

}  // namespace host
