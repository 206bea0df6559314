// An operator at the real client: the host's main window with the module
// (linked into the test program and found by the host's own loader), the
// embedded switch seeded with the demo set, and hands that act only through
// input events: clicks, wheel notches, keys, the context menu, typing.
// What the switch holds is read back with the switch's own answers.
#pragma once

#include <QApplication>
#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolBar>
#include <QMenu>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "CentrexDlg.h"
#include "CmdParaDlg.h"
#include "ConflictDlg.h"
#include "EmbeddedSwitchLink.h"
#include "FormViews.h"
#include "HostMainWindow.h"
#include "ObjListCtrl.h"
#include "PropertyDisplayView.h"
#include "SubscriberDlgs.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "WaitFor.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

namespace op {

// Keys as a keyboard sends them to the widget with the focus: a modifier is
// a key of its own, pressed before and released after the key it changes
// (Shift for capitals and the shifted signs of a US layout).
inline QWidget* Focused(QWidget* fallback) {
    QWidget* w = QApplication::focusWidget();
    return w ? w : fallback;
}
inline void Chord(QWidget* fallback, Qt::Key modifierKey, Qt::KeyboardModifier modifier, Qt::Key key) {
    QTest::keyPress(Focused(fallback), modifierKey);
    QTest::keyClick(Focused(fallback), key, modifier);
    QTest::keyRelease(Focused(fallback), modifierKey, modifier);
}
inline void TypeKeys(QWidget* fallback, const QString& text) {
    static const QString shifted = QStringLiteral("~!@#$%^&*()_+{}|:\"<>?");
    for (QChar c : text) {
        const bool shift = c.isUpper() || shifted.contains(c);
        if (shift) QTest::keyPress(Focused(fallback), Qt::Key_Shift);
        QTest::keyClick(Focused(fallback), c.toLatin1(), shift ? Qt::ShiftModifier : Qt::NoModifier);
        if (shift) QTest::keyRelease(Focused(fallback), Qt::Key_Shift, Qt::ShiftModifier);
    }
}

// The dialog as the operator meets it: in front, with the keyboard focus.
inline CCmdParaDlg& Active(QDialog& d) {
    d.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
    return dynamic_cast<CCmdParaDlg&>(d);
}

// One property of the first object of a report: "KEY = value".
inline std::string Property(const std::string& report, const std::string& key) {
    const std::string lead = "\n" + key + " = ";
    const size_t at = report.find(lead);
    if (at == std::string::npos) return {};
    const size_t from = at + lead.size();
    return report.substr(from, report.find('\n', from) - from);
}

// The column of a list under that title; a failure and 0 when there is none.
inline int ColumnOf(CObjListCtrl* list, const std::string& title) {
    const auto& titles = list->Model().Titles();
    for (size_t c = 0; c < titles.size(); ++c)
        if (titles[c] == title) return static_cast<int>(c);
    ADD_FAILURE() << "no column " << title;
    return 0;
}

// The host's main window, noting every command a window hands it and the
// parameter dialogs' notices, in order.
class CWatchedHost : public host::CHostMainWindow {
public:
    using CHostMainWindow::CHostMainWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == msg::WM_SENDMML)
            if (auto* block = FromWParam<SCommandBlock>(wParam)) commands.emplace_back(block->text);
        if (message == msg::WM_OBJIDENTITY &&
            (lParam == msg::IDENT_DIALOG_INIT || lParam == msg::IDENT_DIALOG_CLOSING))
            notices.push_back(lParam);
        return CHostMainWindow::WindowProc(message, wParam, lParam);
    }
    std::vector<std::string> commands;
    std::vector<LPARAM> notices;
};

// The embedded switch with the test's hand on it: it forgets the paged
// query of each page fetch the test picks just before that fetch arrives,
// as if the query had expired meanwhile (the fetch then answers 1011), and
// it holds back the commands sent while hold is set until Release.
class CScriptedSwitch : public host::CEmbeddedSwitchLink {
public:
    using CEmbeddedSwitchLink::CEmbeddedSwitchLink;
    void Send(QObject* window, const std::string& command) override {
        if (hold) {
            held.emplace_back(window, command);
            return;
        }
        const size_t at = command.find("QID=");
        if (at != std::string::npos && forget && forget(command)) {
            const size_t end = command.find_first_of(",;", at);
            const size_t verb = command.find(' ');
            const std::string object = command.substr(verb + 1, command.find(':') - verb - 1);
            ExecuteNow("RLS " + object + ": " + command.substr(at, end - at) + ";");
            ++forgotten;
        }
        CEmbeddedSwitchLink::Send(window, command);
    }
    // Sends what was held back, in order, and holds nothing more.
    void Release() {
        hold = false;
        for (auto& [window, command] : std::exchange(held, {}))
            if (window) Send(window, command);
    }
    std::function<bool(const std::string& pageFetch)> forget;
    int forgotten = 0;
    bool hold = false;
    std::vector<std::pair<QPointer<QObject>, std::string>> held;
};

// How many of the commands sent contain that text.
inline size_t CountSent(const std::vector<std::string>& sent, const std::string& what) {
    size_t n = 0;
    for (const std::string& s : sent) n += s.find(what) != std::string::npos;
    return n;
}

// Picks the first page fetch that pick picks, and no other.
inline std::function<bool(const std::string&)> Once(std::function<bool(const std::string&)> pick) {
    return [pick, done = false](const std::string& page) mutable {
        if (done || !pick(page)) return false;
        done = true;
        return true;
    };
}

class COperatorTest : public ::testing::Test {
protected:
    // The client on a fresh switch of that many MGCP subscribers.
    void StartClient(long long subscribers = 2000) { StartClientWith<host::CEmbeddedSwitchLink>(subscribers); }
    // The same on a switch the test has its hand on.
    CScriptedSwitch* StartScriptedClient(long long subscribers) {
        StartClientWith<CScriptedSwitch>(subscribers);
        return static_cast<CScriptedSwitch*>(m_link);
    }
    template <class Link>
    void StartClientWith(long long subscribers) {
        auto link = std::make_unique<Link>(":memory:", subscribers);
        std::string error;
        ASSERT_TRUE(link->WaitReady(error)) << error;
        m_link = link.get();
        StartClientOn(std::move(link));
    }
    // The client on a switch link of the test's own (OnSwitch then asks
    // the embedded switch only if that is the link).
    void StartClientOn(std::unique_ptr<host::CSwitchLink> link) {
        auto main = std::make_unique<CWatchedHost>("", std::move(link));
        m_host = main.get();
        m_main = std::move(main);
        m_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    }
    // The commands the client sent since the last look.
    std::vector<std::string> Sent() {
        std::vector<std::string> sent;
        if (m_host) sent.swap(m_host->commands);
        return sent;
    }
    void TearDown() override {
        m_other.reset();
        m_main.reset();
    }
    // Another operator on the same embedded switch, in a session of their
    // own: this client hears of what they change as notices. Waits for the
    // answer; what the command did is read back with OnSwitch.
    void ByAnotherOperator(const std::string& command) {
        if (!m_other) m_other = std::make_unique<host::CEmbeddedSwitchLink>(*m_link);
        m_other->Send(nullptr, command);
        ASSERT_TRUE(WaitFor([&] { return m_other->Outstanding() == 0; }, 5000)) << command;
    }

    // Opens an object window as the Objects menu does and waits for its lists.
    CUserObjWnd* Open(int configType) {
        if (!m_main->OpenObjectWindow(configType)) {
            ADD_FAILURE() << m_main->LastError();
            return nullptr;
        }
        auto* w = dynamic_cast<CUserObjWnd*>(m_main->MdiArea()->activeSubWindow());
        EXPECT_NE(w, nullptr);
        if (w) {
            EXPECT_TRUE(Settle(w));
        }
        return w;
    }
    CSubscriberDlg* Dialog(CUserObjWnd* w, int index = 0) {
        return w && w->m_pConfigView ? dynamic_cast<CSubscriberDlg*>(w->m_pConfigView->Dialogs().at(index))
                                     : nullptr;
    }

    // Nothing outstanding: no command at the switch, no load on its way.
    bool Settle(CUserObjWnd* w, int ms = 20000) {
        auto loads = [w] {
            int n = 0;
            if (w->m_pConfigView)
                for (QWidget* d : w->m_pConfigView->Dialogs())
                    if (auto* s = dynamic_cast<CSubscriberDlg*>(d)) n += s->LoadsRunning();
            if (w->m_pCentrexView && w->m_pCentrexView->m_pCentrexDlg)
                n += w->m_pCentrexView->m_pCentrexDlg->LoadsRunning();
            return n;
        };
        return WaitFor([&] { return !w->IsBusy() && m_main->Link()->Outstanding() == 0 && loads() == 0; }, ms) &&
               WaitFor([&] { QTest::qWait(30); return !w->IsBusy() && m_main->Link()->Outstanding() == 0; }, ms);
    }

    // ---- hands ----
    static QPoint CellCentre(QAbstractItemView* v, int row, int column = 0) {
        return v->visualRect(v->model()->index(row, column)).center();
    }
    static void Click(QAbstractItemView* v, int row, int column = 0, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, CellCentre(v, row, column));
    }
    // A click on a tree item's text (its parent expanded first, as the
    // operator would open it).
    static void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item, Qt::MouseButton b = Qt::LeftButton) {
        if (item->parent() && !item->parent()->isExpanded()) {
            ClickItem(tree, item->parent());
            QTest::keyClick(tree, Qt::Key_Right);
        }
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), b, {}, tree->visualItemRect(item).center());
    }
    static void ClickAt(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(w, b, {}, p);
    }
    // Wheel notches over the viewport; positive scrolls down.
    static void Wheel(QAbstractItemView* v, int notches) {
        const QPoint at = v->viewport()->rect().center();
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent e(at, v->viewport()->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? -120 : 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(v->viewport(), &e);
            QTest::qWait(15);  // a hand turns a wheel notch by notch
        }
    }
    static void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(w, static_cast<Qt::Key>(key), mods); }
    // The pointer moved over w to p, no button held: the cursor goes
    // there and w gets the move, as from the window system.
    static void Hover(QWidget* w, QPoint p) {
        QCursor::setPos(w->mapToGlobal(p));
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    static void ClickHeader(QTableView* v, int column) {
        QHeaderView* h = v->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
    }
    // Drags the vertical scroll bar's thumb to a fraction of its way down.
    static void DragThumb(QAbstractScrollArea* area, double fraction) {
        QScrollBar* bar = area->verticalScrollBar();
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.orientation = Qt::Vertical;
        opt.minimum = bar->minimum();
        opt.maximum = bar->maximum();
        opt.sliderPosition = opt.sliderValue = bar->value();
        opt.pageStep = bar->pageStep();
        opt.singleStep = bar->singleStep();
        const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
        const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, bar);
        const QPoint from = thumb.center();
        const QPoint to(from.x(), groove.top() + static_cast<int>(fraction * groove.height()));
        QTest::mousePress(bar, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 10; ++i) {
            QMouseEvent move(QEvent::MouseMove, from + (to - from) * i / 10, bar->mapToGlobal(from + (to - from) * i / 10),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bar, &move);
        }
        QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    }
    // Opens a combo box's drop-down with a click and picks the entry of
    // that text with a click on the drop-down's list.
    static bool ChooseFromCombo(QComboBox* combo, const QString& text) {
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView* view = combo->view();
        if (!WaitFor([view] { return view->isVisible(); }, 2000)) return false;
        const int row = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (row < 0) {
            combo->hidePopup();
            return false;
        }
        // A release this soon after the press that opened it is taken as part of that click.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QModelIndex index = view->model()->index(row, combo->modelColumn());
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        return WaitFor([view] { return !view->isVisible(); }, 2000);
    }
    // A click on a tab of the window's tab strip, where its caption is drawn
    // (tabs step text width + 14).
    static void ClickTab(CSheetsDialog& strip, int page) {
        std::vector<QWidget*> pages;
        for (QWidget* p = strip.GetFirstSheet(); p; p = strip.GetNextSheet()) pages.push_back(p);
        ASSERT_LT(page, static_cast<int>(pages.size()));
        int x = strip.ScrollOffset() + 6;
        for (int i = 0; i < page; ++i) x += strip.TextWidth(strip.GetSheetTitle(pages[static_cast<size_t>(i)])) + 14;
        const int w = strip.TextWidth(strip.GetSheetTitle(pages[static_cast<size_t>(page)]));
        ClickAt(&strip, QPoint(strip.TabArea().left() + x + w / 2, strip.TabArea().center().y()));
    }
    // A click into a text field, then the text typed over what it held.
    static void TypeOver(QLineEdit* field, const QString& text) {
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    // A tool bar button of an object window, by its command number.
    static void ClickTool(CUserObjWnd* w, int command) {
        auto* a = w->findChild<QAction*>(QStringLiteral("cmd%1").arg(command));
        ASSERT_NE(a, nullptr);
        QWidget* button = w->m_wndToolBar ? w->m_wndToolBar->widgetForAction(a) : nullptr;
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // A click on a title of the main window's menu bar, then on the entries
    // of the path ("Objects/Another Window/IP Network Subscribers"; the
    // '&' of the texts does not count), mods held on the last click. False
    // when an entry is not there or greyed.
    bool ChooseFromMenuBar(const QString& path, Qt::KeyboardModifiers mods = {}) {
        auto plain = [](QString t) { return t.remove(QLatin1Char('&')); };
        const QStringList parts = path.split('/');
        QMenuBar* bar = m_main->menuBar();
        QAction* title = nullptr;
        for (QAction* a : bar->actions())
            if (plain(a->text()) == plain(parts[0])) title = a;
        if (!title || !title->menu()) return false;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
        QMenu* menu = title->menu();
        if (!WaitFor([menu] { return menu->isVisible(); }, 2000)) return false;
        for (int i = 1; i < parts.size(); ++i) {
            QAction* found = nullptr;
            for (QAction* a : menu->actions())
                if (!found && !a->isSeparator() && plain(a->text()).startsWith(plain(parts[i])))
                    found = a;
            if (!found || !found->isEnabled()) {
                menu->close();
                return false;
            }
            const bool last = i + 1 == parts.size();
            QTest::mouseClick(menu, Qt::LeftButton, last ? mods : Qt::KeyboardModifiers{},
                              menu->actionGeometry(found).center());
            if (last) break;
            QMenu* sub = found->menu();
            if (!sub || !WaitFor([sub] { return sub->isVisible(); }, 2000)) return false;
            menu = sub;
        }
        return WaitFor([bar] { return !bar->activeAction(); }, 2000);
    }

    // A right click on a row, then the menu item with that text (a
    // submenu's item as "Submenu/Item"). False when it is not there or greyed.
    static bool ChooseFromMenu(CObjListCtrl* list, int row, const QString& path) {
        const QPoint p = row >= 0 ? CellCentre(list, row) : QPoint(5, list->viewport()->height() - 5);
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, p);
        QContextMenuEvent e(QContextMenuEvent::Mouse, p, list->viewport()->mapToGlobal(p));
        QApplication::sendEvent(list->viewport(), &e);
        QMenu* menu = list->MainMenu();
        if (!menu || !WaitFor([menu] { return menu->isVisible(); }, 2000)) return false;
        const QStringList parts = path.split('/');
        for (int i = 0; i < parts.size(); ++i) {
            QAction* found = nullptr;
            for (QAction* a : menu->actions())
                if (a->text().startsWith(parts[i])) found = a;
            if (!found || !found->isEnabled()) {
                menu->close();
                return false;
            }
            if (i + 1 < parts.size()) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(found).center());
                QMenu* sub = found->menu();
                if (!sub || !WaitFor([sub] { return sub->isVisible(); }, 2000)) return false;
                menu = sub;
            } else {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(found).center());
            }
        }
        return true;
    }

    // In the open parameter dialog: the row named so is made current and a
    // click on its value opens its editor, which gets the focus. The list,
    // or null when the row or its editor is not there.
    static CParaListCtrl* OpenParameter(QDialog& d, const QString& name) {
        auto* list = d.findChild<CParaListCtrl*>();
        if (!list) return nullptr;
        for (int r = 0; r < list->rowCount(); ++r) {
            if (!list->item(r, 0) || list->item(r, 0)->text() != name) continue;
            // The arrow keys make the row current; a click on its value
            // cell then opens the editor.
            for (int guard = 0; list->currentRow() != r && guard < 50; ++guard)
                QTest::keyClick(list, list->currentRow() < r ? Qt::Key_Down : Qt::Key_Up);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(r, 1)).center());
            auto editing = [list] {
                QWidget* f = QApplication::focusWidget();
                return list->Editor() && f && (f == list->Editor() || list->Editor()->isAncestorOf(f));
            };
            return WaitFor(editing, 2000) ? list : nullptr;
        }
        return nullptr;
    }
    // The parameter's editor opened, the text typed over its value, Enter ends it.
    static bool TypeParameter(QDialog& d, const QString& name, const QString& text) {
        CParaListCtrl* list = OpenParameter(d, name);
        if (!list) return false;
        Chord(list, Qt::Key_Control, Qt::ControlModifier, Qt::Key_A);  // typed over what it held
        QTest::keyClick(Focused(list), Qt::Key_Backspace);
        TypeKeys(list, text);
        QTest::keyClick(Focused(list), Qt::Key_Return);
        return WaitFor([list] { return list->Editor() == nullptr; }, 2000);
    }
    // The parameter's drop-down opened with F4, the choice shown so reached
    // with the arrow keys and taken with Enter.
    static bool ChooseParameter(QDialog& d, const QString& name, const QString& choice) {
        CParaListCtrl* list = OpenParameter(d, name);
        auto* combo = list ? qobject_cast<QComboBox*>(list->Editor()) : nullptr;
        const int target = combo ? combo->findText(choice) : -1;
        if (target < 0) return false;
        QTest::keyClick(combo, Qt::Key_F4);
        QAbstractItemView* view = combo->view();
        if (!WaitFor([view] { return view->isVisible(); }, 2000)) return false;
        for (int guard = 0; view->currentIndex().row() != target && guard < 50; ++guard)
            QTest::keyClick(view, view->currentIndex().row() < target ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(view, Qt::Key_Return);
        return WaitFor([list] { return list->Editor() == nullptr; }, 2000);
    }
    // Add chosen on a subscriber list, a new MGCP subscriber of that number
    // typed into its dialog, and OK.
    bool AddMgcpSubscriber(CObjListCtrl* list, const std::string& dn) {
        OnParameterDialog([dn](QDialog& d) {
            ASSERT_TRUE(TypeParameter(d, "Directory Number", QString::fromStdString(dn)));
            ASSERT_TRUE(TypeParameter(d, "Gateway", "mgw-new"));
            ASSERT_TRUE(TypeParameter(d, "Endpoint", "aaln/9@mgw-new"));
            PressButton(d, "ctl1");
        });
        return ChooseFromMenu(list, 0, "Add");
    }
    // Clicks a button of a dialog by its control name ("ctl1" is OK).
    static void PressButton(QDialog& d, const char* control) {
        if (auto* b = d.findChild<QAbstractButton*>(QString::fromLatin1(control)))
            QTest::mouseClick(b, Qt::LeftButton);
    }
    // The conflict dialogs a change refused for a stale revision brought
    // up: how many, and the rows they showed (field, mine, now).
    struct SConflicts {
        int count = 0;
        std::vector<std::vector<QString>> rows;
    };
    // When the dialog is a conflict dialog: its rows noted and Apply Mine
    // pressed (or Cancel); false for any other dialog.
    static bool ApplyMine(QDialog& d, SConflicts& seen, bool apply = true) {
        auto* conflict = dynamic_cast<CConflictDlg*>(&d);
        if (!conflict) return false;
        ++seen.count;
        QTableWidget* rows = conflict->Rows();
        for (int r = 0; r < rows->rowCount(); ++r)
            seen.rows.push_back({rows->item(r, 0)->text(), rows->item(r, 1)->text(), rows->item(r, 2)->text()});
        if (apply)
            PressButton(d, "ctl1");
        else
            d.reject();
        return true;
    }
    // Runs each parameter dialog the client opens through these hands.
    void OnParameterDialog(std::function<void(QDialog&)> hands) { OnDialog(std::move(hands)); }
    // Runs each modal dialog the client opens through these hands (a dialog
    // opened from another one comes to them too).
    void OnDialog(std::function<void(QDialog&)> hands) {
        m_ui->onDialog = [hands](QDialog& d) {
            d.show();
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
            hands(d);
            WaitFor([&d] { return !d.isVisible(); }, 5000);
            return d.result();
        };
    }

    // The switch's own answer to a command, as one text (a test on a
    // switch of its own answers from that).
    virtual std::string OnSwitch(const std::string& command) {
        std::string all;
        for (const std::string& r : m_link->ExecuteNow(command)) all += r;
        return all;
    }
    // Takes the demo subscribers' numbers out of their Centrex groups (as
    // members and night service numbers), so that they can be removed.
    void FreeFromCentrex(const std::vector<std::string>& dns) {
        for (const std::string& dn : dns) {
            const std::string group = Property(OnSwitch("LST CXMEM: DN=" + dn + ";"), "CGNO");
            if (!group.empty()) OnSwitch("RMV CXMEM: CGNO=" + group + ", DN=" + dn + ";");
            const std::string night = Property(OnSwitch("LST CXGRP: NIGHTDN=" + dn + ";"), "CGNO");
            if (!night.empty()) OnSwitch("MOD CXGRP: CGNO=" + night + ", NIGHTDN=\"\";");
        }
    }
    // The numbers the switch lists for a list command of a paged object,
    // in its order, read through a paged query of our own.
    std::vector<std::string> SwitchNumbers(const std::string& list = "LST MGCPSUB:;") {
        std::vector<std::string> numbers;
        const std::string head = OnSwitch(list);
        const size_t q = head.find("QID = ");
        if (q == std::string::npos) return numbers;
        const std::string qid = head.substr(q + 6, head.find('\n', q) - q - 6);
        const std::string verb = list.substr(0, list.find(':'));
        for (int begin = 0;; begin += 1000) {
            const std::string page = OnSwitch(verb + ": QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) +
                                              ", END=" + std::to_string(begin + 999) + ";");
            const size_t before = numbers.size();
            for (size_t at = page.find("\nDN = "); at != std::string::npos; at = page.find("\nDN = ", at + 1))
                numbers.push_back(page.substr(at + 6, page.find('\n', at + 6) - at - 6));
            if (numbers.size() - before < 1000) break;
        }
        return numbers;
    }
    // The switch forgets a paged query unused for that long (the client's
    // queries included).
    void SetQueryTtl(qint64 ms) { m_link->SetQueryTtl(ms); }

    platform::CRecordingUiGuard m_ui;
    std::unique_ptr<host::CHostMainWindow> m_main;
    CWatchedHost* m_host = nullptr;
    host::CEmbeddedSwitchLink* m_link = nullptr;
    std::unique_ptr<host::CEmbeddedSwitchLink> m_other;
};

// True when a row of the property panel shows that value.
inline bool PanelSays(const CPropertyDisplayView* panel, const std::string& text) {
    for (const auto& [name, value] : panel->Rows())
        if (value == text) return true;
    return false;
}

}  // namespace op
