// Dumps of the open object windows.
#include "WindowDump.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

#include "HostMainWindow.h"
#include "PropertyDisplayView.h"

namespace host {

namespace {

constexpr int kRowsDumped = 50;

int ControlId(const QObject* o) {
    bool ok = false;
    const int id = o->property("controlId").toInt(&ok);
    return ok ? id : 0;
}

QJsonArray TreeItems(const QAbstractItemModel* m, const QModelIndex& parent, int depth) {
    QJsonArray items;
    for (int r = 0; r < m->rowCount(parent) && r < 500; ++r) {
        const QModelIndex i = m->index(r, 0, parent);
        QJsonObject item{{"text", m->data(i).toString()}};
        if (depth < 8 && m->rowCount(i) > 0) item["children"] = TreeItems(m, i, depth + 1);
        items.append(item);
    }
    return items;
}

}  // namespace

QJsonObject DumpWindows(const CHostMainWindow& main) {
    QJsonArray windows;
    for (const auto& [id, win] : main.ObjectWindows()) {
        if (!win) continue;
        QJsonObject w{{"configType", win->property("configType").toInt()}, {"title", win->windowTitle()}};
        QJsonArray lists, trees, props;
        for (QAbstractItemView* view : win->findChildren<QAbstractItemView*>()) {
            const QAbstractItemModel* m = view->model();
            if (!m) continue;
            if (auto* pv = dynamic_cast<CPropertyDisplayView*>(view)) {
                for (const auto& [name, value] : pv->Rows())
                    props.append(QJsonArray{QString::fromStdString(name), QString::fromStdString(value)});
                continue;
            }
            const int cid = ControlId(view);
            if (!cid) continue;
            if (qobject_cast<QTreeWidget*>(view)) {
                trees.append(QJsonObject{{"id", cid}, {"items", TreeItems(m, {}, 0)}});
                continue;
            }
            QJsonArray columns, rows;
            for (int c = 0; c < m->columnCount(); ++c) columns.append(m->headerData(c, Qt::Horizontal).toString());
            for (int r = 0; r < m->rowCount() && r < kRowsDumped; ++r) {
                QJsonArray row;
                for (int c = 0; c < m->columnCount(); ++c) row.append(m->data(m->index(r, c)).toString());
                rows.append(row);
            }
            lists.append(QJsonObject{{"id", cid},
                                     {"key", view->property("listKey").toString()},
                                     {"columns", columns},
                                     {"rowCount", m->rowCount()},
                                     {"rows", rows}});
        }
        w["lists"] = lists;
        w["trees"] = trees;
        w["properties"] = props;
        windows.append(w);
    }
    return QJsonObject{{"windows", windows}};
}

void WhenSettled(CHostMainWindow& main, int timeoutMs, std::function<void(bool)> done) {
    auto* timer = new QTimer(&main);
    auto clock = std::make_shared<QElapsedTimer>();
    auto quiet = std::make_shared<QElapsedTimer>();
    clock->start();
    quiet->start();
    QObject::connect(timer, &QTimer::timeout, &main, [timer, clock, quiet, &main, timeoutMs, done] {
        if (main.Link()->Outstanding() > 0) quiet->restart();
        const bool settled = quiet->elapsed() >= 400;
        if (settled || clock->elapsed() >= timeoutMs) {
            timer->stop();
            timer->deleteLater();
            done(settled);
        }
    });
    timer->start(50);
}

}  // namespace host
