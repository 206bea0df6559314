// The operations the operator's role allows.
#include "RoleGate.h"

#include <QVariant>

#include "ObjWnd.h"
#include "hostlibs/ObjData.h"
#include "userobj/OperatorRole.h"

std::string OperatorRole(const QObject* w) {
    for (const QObject* o = w; o; o = o->parent()) {
        const auto* window = dynamic_cast<const IObjWnd*>(o);
        if (!window) continue;
        const QObject* frame = window->HostLink() ? window->HostLink()->GetHostFrame() : nullptr;
        return frame ? frame->property(kOperatorRoleProperty).toString().toStdString() : std::string();
    }
    return {};
}

bool RoleAllowsOp(const QObject* w, const CComObj& obj, DWORD op) {
    const auto it = obj.GetCmdTable().find(op);
    if (it == obj.GetCmdTable().end()) return true;
    const std::string& mml = it->second.mml;
    return RoleMayRun(OperatorRole(w), std::string_view(mml).substr(0, mml.find(' ')));
}
