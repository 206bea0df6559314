// The worker-thread part of loading a dependent list: the restriction of the
// picked row is packed on a short-lived worker, and the package is handed
// back to the owner's thread, where the list is bound. Widgets and data sets
// are touched on the owner's thread only.
#pragma once

#include <QObject>

#include <functional>

#include "hostlibs/ObjData.h"

// done runs on the owner's thread with the package (empty when the
// restriction is not valid); a load whose owner is gone ends unseen.
void PackOnWorker(QObject* owner, const CRestrictInfo& restrict,
                  std::function<void(const CPackageStream&)> done);
