// The client root directory and the one main setting the module reads.
#include "ClientRoot.h"

#include <algorithm>

#include <unistd.h>

#include <climits>
#include <vector>

#include "ProfileFile.h"

namespace platform {

std::string ClientRootFromExePath(std::string_view exePath) {
    std::vector<size_t> slashes;
    for (size_t i = 0; i < exePath.size(); ++i)
        if (exePath[i] == '/') slashes.push_back(i);
    // "/opt/client/bin/omclient": cut at the second-to-last slash. With one
    // slash the executable lies in the file system root: no client root.
    if (slashes.size() < 2) return {};
    return std::string(exePath.substr(0, slashes[slashes.size() - 2]));
}

std::string GetClientRoot() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return {};
    return ClientRootFromExePath(std::string_view(path, static_cast<size_t>(n)));
}

std::string DataFile(std::string_view name) {
    return GetClientRoot() + "/data/" + std::string(name);
}

std::string MainSettingsFile() { return DataFile("Marrowind.ini"); }

int ReadBinTimeOut(const std::string& settingsFile) {
    return GetPrivateProfileInt("SYSTEM", "BinTimeOut", 0, settingsFile);
}

int GetBinTimeOut() { return ReadBinTimeOut(MainSettingsFile()); }

int GetCmdTimeOut() { return std::max(0, GetPrivateProfileInt("SYSTEM", "CmdTimeOut", 30, MainSettingsFile())); }

}  // namespace platform
