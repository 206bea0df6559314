// The operations the operator's role allows, as the host frame tells the
// role (userobj/OperatorRole.h). Menus grey what the role may not run, and
// keys that start an operation do nothing for it.
#pragma once

#include <string>

#include "userobj/WinTypes.h"

class CComObj;
class QObject;

// The role the host frame of the object window holding w gives; empty
// when it gives none.
std::string OperatorRole(const QObject* w);
// Whether the operation op of obj may run for that window's operator.
bool RoleAllowsOp(const QObject* w, const CComObj& obj, DWORD op);
