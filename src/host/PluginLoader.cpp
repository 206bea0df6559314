// Loading of the plug-in module.
#include "PluginLoader.h"

#include <dlfcn.h>

namespace host {

CPluginLoader::~CPluginLoader() {
    // The module's windows are gone by now; the library stays mapped until
    // exit because Qt may still hold its meta-objects.
}

CPluginLoader::ExternMainFn CPluginLoader::Entry() {
    if (m_entry) return m_entry;
    if (!m_handle) {
        // No path: the module is linked into this program (its tests).
        m_handle = dlopen(m_path.empty() ? nullptr : m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_handle) {
            const char* e = dlerror();
            m_error = "cannot load " + m_path + ": " + (e ? e : "unknown error");
            return nullptr;
        }
    }
    m_entry = reinterpret_cast<ExternMainFn>(dlsym(m_handle, "ExternMain"));
    if (!m_entry) m_error = (m_path.empty() ? std::string("this program") : m_path) + " has no ExternMain entry";
    return m_entry;
}

}  // namespace host
