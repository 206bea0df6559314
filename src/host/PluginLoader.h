// Loads a plug-in module once and resolves its ExternMain entry.
#pragma once

#include <string>

namespace host {

class CPluginLoader {
public:
    using ExternMainFn = void* (*)(void* hostFrame, int configType);

    // An empty path resolves the entry in the running program itself.
    explicit CPluginLoader(std::string path) : m_path(std::move(path)) {}
    ~CPluginLoader();
    CPluginLoader(const CPluginLoader&) = delete;
    CPluginLoader& operator=(const CPluginLoader&) = delete;

    // Loads the library on the first call; null with Error() set on failure.
    ExternMainFn Entry();
    const std::string& Error() const { return m_error; }

private:
    std::string m_path;
    void* m_handle = nullptr;
    ExternMainFn m_entry = nullptr;
    std::string m_error;
};

}  // namespace host
