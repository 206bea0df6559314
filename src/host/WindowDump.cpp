// Dumps of the open object windows.
#include "WindowDump.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QMenu>
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

// A menu's entries: texts, "-" for a separator, {"text", "items"} for a submenu.
QJsonArray MenuItems(const QMenu* menu, int depth) {
    QJsonArray items;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator())
            items.append(QStringLiteral("-"));
        else if (a->menu() && depth < 4)
            items.append(QJsonObject{{"text", a->text()}, {"items", MenuItems(a->menu(), depth + 1)}});
        else
            items.append(a->text());
    }
    return items;
}

// A view of icons (the command-object views): each item's text and the
// name of its image, which item is current, and the view's context menu.
QJsonObject IconView(const QAbstractItemView* view) {
    const QAbstractItemModel* m = view->model();
    const int imageRole = view->property("imageNameRole").toInt();
    QJsonArray items;
    for (int r = 0; r < m->rowCount() && r < 500; ++r) {
        const QModelIndex i = m->index(r, 0);
        QJsonObject item{{"text", m->data(i).toString()}, {"image", m->data(i, imageRole).toString()}};
        if (view->currentIndex() == i) item["current"] = true;
        items.append(item);
    }
    QJsonObject out{{"items", items}};
    if (auto* menu = qobject_cast<const QMenu*>(view->property("contextMenu").value<QObject*>()))
        out["menu"] = MenuItems(menu, 0);
    return out;
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
            if (const QString as = view->property("dumpAs").toString(); !as.isEmpty()) {
                w[as] = IconView(view);
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
