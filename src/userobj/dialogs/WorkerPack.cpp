// Packing a restriction on a worker thread.
#include "WorkerPack.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

void PackOnWorker(QObject* owner, const CRestrictInfo& restrict,
                  std::function<void(const CPackageStream&)> done) {
    // The watcher is the owner's child: it dies with the owner.
    auto* watcher = new QFutureWatcher<CPackageStream>(owner);
    QObject::connect(watcher, &QFutureWatcher<CPackageStream>::finished, owner,
                     [watcher, done = std::move(done)] {
                         done(watcher->result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run(
        [restrict] { return restrict.IsValid() ? CPackageStream(restrict) : CPackageStream(); }));
}
