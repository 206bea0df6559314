// The client root directory and the one main setting the module reads.
#include "ClientRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

namespace {

// What an installation ships, below its client root.
constexpr const char* kShipped = "/share/userobj/";
constexpr const char* kDefaults = "/share/userobj/defaults/";
constexpr const char* kModules = "/lib/userobj";

std::string Std(const QString& s) { return s.toLocal8Bit().toStdString(); }
QString Qs(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

std::string UserFolder(QStandardPaths::StandardLocation where) {
    return Std(QStandardPaths::writableLocation(where)) + "/userobj";
}

bool IsFile(const std::string& path) { return QFileInfo(Qs(path)).isFile(); }

// The settings file of an installation: the user's own; a shipped default is
// copied to the user's folder the first time, then the copy is the user's.
std::string InstalledDataFile(const std::string& root, const std::string& name) {
    const std::string folder = UserFolder(QStandardPaths::GenericConfigLocation);
    const std::string mine = folder + "/" + name;
    if (IsFile(mine)) return mine;
    const std::string byDefault = root + kDefaults + name;
    if (IsFile(byDefault)) {
        QDir().mkpath(Qs(folder));
        if (!QFile::copy(Qs(byDefault), Qs(mine))) return byDefault;  // read-only home: the default, unchanged
        // The shipped file is read-only; the user's copy is the user's to change.
        QFile::setPermissions(Qs(mine), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther);
        return mine;
    }
    const std::string shipped = root + kShipped + name;
    if (IsFile(shipped)) return shipped;
    QDir().mkpath(Qs(folder));  // a file only the user has, written later
    return mine;
}

}  // namespace

bool IsInstalledRoot(const std::string& root) {
    return QFileInfo(Qs(root + kShipped)).isDir() && !QFileInfo::exists(Qs(root + "/CMakeCache.txt"));
}

std::string DataFile(std::string_view name) {
    const std::string root = GetClientRoot();
    if (IsInstalledRoot(root)) return InstalledDataFile(root, std::string(name));
    return root + "/data/" + std::string(name);
}

std::string StateFolder() {
    const std::string root = GetClientRoot();
    return IsInstalledRoot(root) ? UserFolder(QStandardPaths::GenericDataLocation) : root;
}

std::string LogFolder() {
    const std::string root = GetClientRoot();
    if (!IsInstalledRoot(root)) return root + "/log";
    // $XDG_STATE_HOME, when set to an absolute path, else ~/.local/state.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return Std(base) + "/userobj/log";
}

std::string OutputFolder() {
    const std::string root = GetClientRoot();
    return IsInstalledRoot(root) ? Std(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                 : root + "/Output";
}

std::string ModuleFolder() {
    const std::string root = GetClientRoot();
    return root + (IsInstalledRoot(root) ? kModules : "/lib");
}

std::string MainSettingsFile() { return DataFile("Marrowind.ini"); }

int ReadBinTimeOut(const std::string& settingsFile) {
    return GetPrivateProfileInt("SYSTEM", "BinTimeOut", 0, settingsFile);
}

int GetBinTimeOut() { return ReadBinTimeOut(MainSettingsFile()); }

int GetCmdTimeOut() { return std::max(0, GetPrivateProfileInt("SYSTEM", "CmdTimeOut", 30, MainSettingsFile())); }

}  // namespace platform
