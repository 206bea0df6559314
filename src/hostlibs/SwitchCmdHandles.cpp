// Handles of switch commands on their way from a module to the host.
#include "hostlibs/SwitchCmdHandles.h"

#include <map>
#include <mutex>

namespace {

struct SHandles {
    std::mutex mutex;
    std::map<DWORD, std::unique_ptr<SSwitchCmd>> commands;
    DWORD next = 1;
};

SHandles& Handles() {
    static SHandles h;
    return h;
}

}  // namespace

DWORD HandOverSwitchCmd(std::unique_ptr<SSwitchCmd> cmd) {
    if (!cmd) return 0;
    SHandles& h = Handles();
    std::lock_guard lock(h.mutex);
    DWORD handle = h.next++;
    if (handle == 0) handle = h.next++;  // 0 stands for none
    h.commands[handle] = std::move(cmd);
    return handle;
}

std::unique_ptr<SSwitchCmd> TakeSwitchCmd(DWORD handle) {
    SHandles& h = Handles();
    std::lock_guard lock(h.mutex);
    auto it = h.commands.find(handle);
    if (it == h.commands.end()) return nullptr;
    std::unique_ptr<SSwitchCmd> cmd = std::move(it->second);
    h.commands.erase(it);
    return cmd;
}
