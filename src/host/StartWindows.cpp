// The remembered object windows: section [Windows], key Open = "3,6,12".
#include "StartWindows.h"

#include <QString>

#include "ClientRoot.h"
#include "ProfileFile.h"
#include "TextHelpers.h"

namespace host {

namespace {
constexpr const char* kSection = "Windows";
constexpr const char* kKey = "Open";
constexpr const char* kNever = "?";  // nothing remembered yet
}  // namespace

std::string DefaultWindowsFile() {
    return platform::DataFile("omclient.ini");
}

std::vector<int> StartWindows(const std::string& file) {
    const std::string text = platform::ProfileString(file, kSection, kKey, kNever);
    if (text == kNever) return {kFirstStartConfig};
    std::vector<int> types;
    for (const std::string& part : platform::Split(text, ',')) {
        bool ok = false;
        const int type = QString::fromStdString(platform::Trim(part)).toInt(&ok);
        if (ok) types.push_back(type);  // a type that opens nothing is told when it is opened
    }
    return types;
}

bool RememberWindows(const std::string& file, const std::vector<int>& types) {
    std::vector<std::string> parts;
    for (int t : types) parts.push_back(std::to_string(t));
    return WritePrivateProfileString(kSection, kKey, platform::Join(parts).c_str(), file) != 0;
}

}  // namespace host
