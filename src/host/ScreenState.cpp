// The screen as JSON for scripts that drive the client from outside.
#include "ScreenState.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "HostMainWindow.h"
#include "WindowDump.h"

namespace host {

namespace {

constexpr int kColumnsShown = 16;

QJsonArray Rect(const QWidget* w, QRect r) {
    const QPoint g = w->mapToGlobal(r.topLeft());
    return QJsonArray{g.x(), g.y(), r.width(), r.height()};
}
QJsonArray Rect(const QWidget* w) { return Rect(w, w->rect()); }

QJsonObject Control(const QWidget* w, const char* kind) {
    QJsonObject c{{"kind", kind}, {"rect", Rect(w)}, {"enabled", w->isEnabled()}};
    if (!w->objectName().isEmpty()) c["name"] = w->objectName();
    bool ok = false;
    if (const int id = w->property("controlId").toInt(&ok); ok && id) c["id"] = id;
    if (w->hasFocus()) c["focus"] = true;
    return c;
}

QJsonArray ActionItems(const QWidget* w, const QList<QAction*>& actions, auto geometry) {
    QJsonArray items;
    for (QAction* a : actions) {
        if (a->isSeparator() || !a->isVisible()) continue;
        const QRect r = geometry(a);
        if (r.isEmpty()) continue;
        QJsonObject item{{"text", a->text().remove(QLatin1Char('&'))}, {"rect", Rect(w, r)}, {"enabled", a->isEnabled()}};
        if (a->menu()) item["submenu"] = true;
        if (a->isCheckable()) item["checked"] = a->isChecked();
        items.append(item);
    }
    return items;
}

// The rows the view shows now, top to bottom, with the texts of their columns.
QJsonArray ShownRows(const QAbstractItemView* view) {
    QJsonArray rows;
    const QAbstractItemModel* m = view->model();
    const QWidget* port = view->viewport();
    auto* tree = qobject_cast<const QTreeView*>(view);
    QModelIndex i = view->indexAt(QPoint(2, 2));
    if (!i.isValid() && m && m->rowCount() > 0 && !tree) i = m->index(0, 0);
    for (int guard = 0; i.isValid() && guard < 200; ++guard) {
        i = i.sibling(i.row(), 0);
        QRect r = view->visualRect(i);
        if (r.top() >= port->height()) break;
        r.setLeft(0);
        r.setWidth(port->width());
        QJsonArray texts;
        const int columns = tree ? 1 : std::min(m->columnCount(i.parent()), kColumnsShown);
        for (int c = 0; c < columns; ++c) texts.append(m->data(i.sibling(i.row(), c)).toString());
        QJsonObject row{{"row", i.row()}, {"rect", Rect(port, r.intersected(port->rect()))}, {"texts", texts}};
        if (view->selectionModel() && view->selectionModel()->isSelected(i)) row["selected"] = true;
        if (tree) row["depth"] = [&] { int d = 0; for (QModelIndex p = i.parent(); p.isValid(); p = p.parent()) ++d; return d; }();
        rows.append(row);
        i = tree ? tree->indexBelow(i) : m->index(i.row() + 1, 0, i.parent());
    }
    return rows;
}

void Describe(const QWidget* w, QJsonArray& out) {
    if (!w->isVisible()) return;
    if (auto* bar = qobject_cast<const QMenuBar*>(w)) {
        auto c = Control(w, "menubar");
        c["items"] = ActionItems(w, bar->actions(), [bar](QAction* a) { return bar->actionGeometry(a); });
        out.append(c);
        return;
    }
    if (auto* menu = qobject_cast<const QMenu*>(w)) {
        auto c = Control(w, "menu");
        c["items"] = ActionItems(w, menu->actions(), [menu](QAction* a) { return menu->actionGeometry(a); });
        out.append(c);
        return;
    }
    if (auto* header = qobject_cast<const QHeaderView*>(w)) {
        auto c = Control(w, "header");
        QJsonArray sections;
        const QWidget* port = header->viewport();
        for (int v = 0; v < header->count(); ++v) {
            const int s = header->logicalIndex(v);
            if (header->isSectionHidden(s)) continue;
            const int pos = header->sectionViewportPosition(s);
            if (pos + header->sectionSize(s) <= 0 || pos >= port->width()) continue;
            const QRect r(pos, 0, header->sectionSize(s), port->height());
            sections.append(QJsonObject{
                {"text", header->model() ? header->model()->headerData(s, header->orientation()).toString() : QString()},
                {"rect", Rect(port, r.intersected(port->rect()))}});
        }
        c["sections"] = sections;
        if (header->parentWidget()) {
            bool ok = false;
            const int id = header->parentWidget()->property("controlId").toInt(&ok);
            if (ok && id) c["of"] = id;
        }
        out.append(c);
        return;
    }
    if (auto* view = qobject_cast<const QAbstractItemView*>(w)) {
        auto c = Control(w, qobject_cast<const QTreeView*>(w) && !qobject_cast<const QHeaderView*>(w) ? "tree" : "view");
        c["rect"] = Rect(view->viewport());
        c["rowCount"] = view->model() ? view->model()->rowCount() : 0;
        c["rows"] = view->model() ? ShownRows(view) : QJsonArray{};
        out.append(c);
        // Its header and scroll bars follow as controls of their own.
    } else if (auto* tabs = qobject_cast<const QTabBar*>(w)) {
        auto c = Control(w, "tabs");
        QJsonArray items;
        for (int t = 0; t < tabs->count(); ++t)
            items.append(QJsonObject{{"text", tabs->tabText(t)}, {"rect", Rect(w, tabs->tabRect(t))},
                                     {"current", t == tabs->currentIndex()}});
        c["items"] = items;
        out.append(c);
    } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        auto c = Control(w, "button");
        c["text"] = button->text().remove(QLatin1Char('&'));
        if (button->isCheckable()) c["checked"] = button->isChecked();
        out.append(c);
    } else if (auto* combo = qobject_cast<const QComboBox*>(w)) {
        auto c = Control(w, "combo");
        c["text"] = combo->currentText();
        QJsonArray items;
        for (int k = 0; k < combo->count(); ++k) items.append(combo->itemText(k));
        c["items"] = items;
        out.append(c);
        return;
    } else if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        auto c = Control(w, "edit");
        c["text"] = edit->echoMode() == QLineEdit::Normal ? edit->text() : QString();
        out.append(c);
    } else if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (!label->text().isEmpty()) {
            auto c = Control(w, "label");
            c["text"] = label->text();
            out.append(c);
        }
    } else if (auto* status = qobject_cast<const QStatusBar*>(w)) {
        auto c = Control(w, "status");
        c["text"] = status->currentMessage();
        out.append(c);
    } else if (auto* sub = qobject_cast<const QMdiSubWindow*>(w)) {
        auto c = Control(w, "mdichild");
        c["title"] = sub->windowTitle();
        if (auto* area = sub->mdiArea()) c["active"] = area->activeSubWindow() == sub;
        c["maximized"] = sub->isMaximized();
        c["minimized"] = sub->isMinimized();
        out.append(c);
    } else if (auto* mdi = qobject_cast<const QMdiArea*>(w)) {
        // The room the object windows are arranged in.
        auto c = Control(w, "mdiarea");
        c["rect"] = Rect(mdi->viewport());
        out.append(c);
    } else {
        bool ok = false;
        const int id = w->property("controlId").toInt(&ok);
        if (ok && id) {
            auto c = Control(w, "widget");
            c["class"] = QString::fromLatin1(w->metaObject()->className());
            out.append(c);
        }
    }
    for (const QObject* o : w->children())
        if (o->isWidgetType() && !static_cast<const QWidget*>(o)->isWindow())
            Describe(static_cast<const QWidget*>(o), out);
}

// The self-pipe the signal handler writes to; a handler can reach nothing else.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

}  // namespace

QJsonObject DumpScreen() {
    QJsonArray windows;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        QJsonArray controls;
        Describe(top, controls);
        windows.append(QJsonObject{{"class", QString::fromLatin1(top->metaObject()->className())},
                                   {"title", top->windowTitle()},
                                   {"name", top->objectName()},
                                   {"rect", Rect(top)},
                                   {"active", top->isActiveWindow()},
                                   {"modal", top->isModal()},
                                   {"controls", controls}});
    }
    QJsonObject screen{{"windows", windows}};
    if (QWidget* popup = QApplication::activePopupWidget()) screen["popup"] = popup->metaObject()->className();
    return screen;
}

CStateOnSignal::CStateOnSignal(CHostMainWindow& main, QString file) : m_main(main), m_file(std::move(file)) {
    if (g_signalPipe[0] >= 0) {
        m_error = QStringLiteral("the state signal is taken already");
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) {
        m_error = QStringLiteral("cannot make the signal pipe");
        return;
    }
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buf[64];
        while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
        if (!Write()) std::fprintf(stderr, "omclient: cannot write %s\n", qPrintable(m_file));
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGUSR1, &sa, nullptr);
    // The first description tells a script that the signal may be sent now
    // (before this, SIGUSR1 would end the process).
    QTimer::singleShot(0, this, [this] { Write(); });
}

CStateOnSignal::~CStateOnSignal() {
    if (!m_notifier) return;
    ::signal(SIGUSR1, SIG_IGN);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
}

bool CStateOnSignal::Write() const {
    QJsonObject state = DumpWindows(m_main);
    state["outstanding"] = m_main.Link()->Outstanding();
    state["killed"] = m_main.Link()->KilledCommands();
    state["screen"] = DumpScreen();
    QSaveFile f(m_file);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QJsonDocument(state).toJson(QJsonDocument::Compact));
    return f.commit();
}

}  // namespace host
