// The host's windows as an operator handles them: the Objects and Window
// menus, tiling, making an object window narrow, dragging its splitter bar,
// and giving up a command the switch does not answer.
#include "Operator.h"

#include <QMdiArea>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QToolButton>

#include <set>

#include "BusyIndicator.h"
#include "TcpSwitchLink.h"
#include "TlsSwitch.h"
#include "hostlibs/FrmDatabase.h"
#include "PropertyDisplayView.h"

using op::COperatorTest;

namespace {

const QString kMgcp = QStringLiteral("MGCP and H.248 Subscribers");
const QString kIpn = QStringLiteral("IP Network Subscribers");
const QString kSip = QStringLiteral("SIP and H.323 Subscribers");
const QString kSegments = QStringLiteral("Number Segments");

// A switch that takes every command and never answers.
class CSilentLink : public host::CSwitchLink {
public:
    void Send(QObject* window, const std::string& command) override { AddPending(window, command); }
    QString Describe() const override { return QStringLiteral("silent switch"); }
};

class WindowHands : public COperatorTest {
protected:
    QMdiArea* Mdi() const { return m_main->MdiArea(); }
    int Windows() const { return static_cast<int>(Mdi()->subWindowList().size()); }
    int ActiveType() const {
        return Mdi()->activeSubWindow() ? Mdi()->activeSubWindow()->property("configType").toInt()
                                        : 0;
    }
    // A drag with the left button held, in steps, as a hand moves: the
    // points are where they were on the screen when the button went down,
    // wherever the widget under the hand has moved since.
    static void Drag(QWidget* w, QPoint from, QPoint to) {
        Hover(w, from);
        const QPoint origin = w->mapToGlobal(QPoint(0, 0));
        QTest::mousePress(w, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 8; ++i) {
            const QPoint screen = origin + from + (to - from) * i / 8;
            QCursor::setPos(screen);
            QMouseEvent move(QEvent::MouseMove, QPointF(w->mapFromGlobal(screen)), QPointF(screen), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w, &move);
        }
        QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFromGlobal(origin + to));
    }
    // A click on the Window menu's title; the menu once it is open.
    QMenu* OpenWindowMenu() {
        QMenu* menu = m_main->findChild<QMenu*>(QStringLiteral("windowMenu"));
        QMenuBar* bar = m_main->menuBar();
        if (!menu) return nullptr;
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        return WaitFor([menu] { return menu->isVisible(); }, 2000) ? menu : nullptr;
    }
    // A double click near the left of its title bar (the pointer stays on
    // the test's screen) maximises a window.
    static bool MaximiseByTitle(QMdiSubWindow* w) {
        const QPoint title(100, w->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, w) / 2);
        Hover(w, title);
        QTest::mouseDClick(w, Qt::LeftButton, {}, title);
        return WaitFor([w] { return w->isMaximized(); }, 2000);
    }
    static QSplitterHandle* Bar(QSplitter* s) { return s->handle(1); }
    // Drags the splitter's bar by dx.
    static void DragBar(QSplitter* s, int dx) {
        QSplitterHandle* bar = Bar(s);
        const QPoint grip = bar->rect().center();
        Drag(bar, grip, grip + QPoint(dx, 0));
    }
};

}  // namespace

// An Objects entry brings the open window of its type to the front; Ctrl
// and the "Another Window" entries open one more; the entries read as the
// operator speaks.
TEST_F(WindowHands, TheObjectsMenuBringsAnOpenWindowForward) {
    StartClient(300);
    ASSERT_TRUE(ChooseFromMenuBar("Objects/" + kMgcp));
    ASSERT_TRUE(ChooseFromMenuBar("Objects/" + kIpn));
    EXPECT_EQ(Windows(), 2);
    EXPECT_EQ(ActiveType(), 7);

    ASSERT_TRUE(ChooseFromMenuBar("Objects/" + kMgcp));
    EXPECT_EQ(Windows(), 2);  // no duplicate
    EXPECT_EQ(ActiveType(), 3);

    ASSERT_TRUE(ChooseFromMenuBar("Objects/" + kIpn, Qt::ControlModifier));
    EXPECT_EQ(Windows(), 3);
    EXPECT_EQ(ActiveType(), 7);
    ASSERT_TRUE(ChooseFromMenuBar("Objects/Another Window/" + kMgcp));
    EXPECT_EQ(Windows(), 4);
    EXPECT_EQ(ActiveType(), 3);

    // The menu reads in the operator's words, none of its entries shouted in
    // capitals: the ISDN BRA entry opens its window.
    for (QAction* title : m_main->menuBar()->actions()) {
        if (!title->menu() || title->text().remove('&') != "Objects") continue;
        for (QAction* a : title->menu()->actions())
            if (!a->isSeparator()) {
                EXPECT_NE(a->text(), a->text().toUpper()) << a->text().toStdString();
            }
    }
    ASSERT_TRUE(ChooseFromMenuBar("Objects/ISDN BRA Subscribers"));
    EXPECT_EQ(ActiveType(), 4);
    for (QMdiSubWindow* w : Mdi()->subWindowList())
        EXPECT_TRUE(Settle(dynamic_cast<CUserObjWnd*>(w)));
}

// The Window menu lists the open windows, ticks the active one and brings
// the one chosen to the front.
TEST_F(WindowHands, TheWindowMenuListsTheOpenWindows) {
    StartClient(300);
    // Nothing open: the arrangements are greyed, no window is listed.
    QMenu* menu = OpenWindowMenu();
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions())
        EXPECT_TRUE(a->isSeparator() || !a->isEnabled()) << a->text().toStdString();
    menu->close();

    ASSERT_NE(Open(3), nullptr);
    ASSERT_NE(Open(7), nullptr);
    menu = OpenWindowMenu();
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    QString ticked;
    for (QAction* a : menu->actions()) {
        if (!a->isCheckable()) continue;
        entries << a->text();
        if (a->isChecked()) ticked = a->text();
    }
    menu->close();
    EXPECT_EQ(entries, (QStringList{"&1 " + kMgcp, "&2 " + kIpn}));
    EXPECT_EQ(ticked, "&2 " + kIpn);

    ASSERT_TRUE(ChooseFromMenuBar("Window/1 "));
    EXPECT_EQ(ActiveType(), 3);
}

// Every window lies inside the MDI area and at a size its lists and panel
// can be used at: after windows were opened while the others were
// maximised (and then restored), after Tile, after Cascade following Tile,
// and restored again after a maximise.
TEST_F(WindowHands, WindowsStayInsideTheAreaAtAUsableSize) {
    StartClient(300);
    for (const QString& title : {kMgcp, kSip, kIpn, kSegments})
        ASSERT_TRUE(ChooseFromMenuBar("Objects/" + title));
    ASSERT_EQ(Windows(), 4);
    const QRect area = Mdi()->viewport()->rect();
    const QSize usable(area.width() * 2 / 3, area.height() * 2 / 3);
    auto where = [](QMdiSubWindow* w) {
        const QRect g = w->geometry();
        return w->windowTitle().toStdString() + " at " + std::to_string(g.x()) + "," + std::to_string(g.y()) + " " +
               std::to_string(g.width()) + "x" + std::to_string(g.height());
    };
    auto inside = [&](QMdiSubWindow* w) {
        EXPECT_TRUE(area.contains(w->geometry())) << where(w);
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << where(w);
        EXPECT_GE(w->height(), w->minimumSizeHint().height()) << where(w);
    };
    auto usableSize = [&](QMdiSubWindow* w) {
        inside(w);
        EXPECT_GE(w->width(), usable.width()) << where(w);
        EXPECT_GE(w->height(), usable.height()) << where(w);
    };
    {
        SCOPED_TRACE("opened while the others were maximised, then restored");
        for (QMdiSubWindow* w : Mdi()->subWindowList()) {
            if (w->isMaximized()) {
                EXPECT_EQ(w->geometry(), area) << where(w);
            }
            w->showNormal();  // the restore button of its title bar
        }
        QTest::qWait(50);
        for (QMdiSubWindow* w : Mdi()->subWindowList()) usableSize(w);
    }
    {
        SCOPED_TRACE("Tile");
        ASSERT_TRUE(ChooseFromMenuBar("Window/Tile"));
        QTest::qWait(50);
        long long covered = 0;
        for (QMdiSubWindow* w : Mdi()->subWindowList()) {
            inside(w);
            EXPECT_FALSE(w->isMaximized());
            EXPECT_GE(w->width(), area.width() / 2 - 1) << where(w);
            EXPECT_GE(w->height(), area.height() / 2 - 1) << where(w);
            covered += static_cast<long long>(w->width()) * w->height();
        }
        EXPECT_EQ(covered, static_cast<long long>(area.width()) * area.height());  // side by side, no gaps
    }
    QMdiSubWindow* front = Mdi()->activeSubWindow();
    ASSERT_NE(front, nullptr);
    {
        SCOPED_TRACE("Cascade after Tile");
        ASSERT_TRUE(ChooseFromMenuBar("Window/Cascade"));
        QTest::qWait(50);
        std::set<int> lefts;
        for (QMdiSubWindow* w : Mdi()->subWindowList()) {
            usableSize(w);
            lefts.insert(w->x());
        }
        EXPECT_EQ(lefts.size(), 4u);  // each title bar can be reached
        EXPECT_EQ(Mdi()->activeSubWindow(), front);
        EXPECT_EQ(Mdi()->subWindowList(QMdiArea::StackingOrder).back(), front);
    }
    {
        SCOPED_TRACE("maximised with a double click on its title, then restored");
        ASSERT_TRUE(MaximiseByTitle(front));
        ASSERT_TRUE(ChooseFromMenuBar("Objects/" + kMgcp));  // another window to the front, maximised
        for (QMdiSubWindow* w : Mdi()->subWindowList()) w->showNormal();
        QTest::qWait(50);
        for (QMdiSubWindow* w : Mdi()->subWindowList()) usableSize(w);
    }
}

// The object window can be made as narrow as the operator likes; the
// property panel is hidden while it would be narrower than its minimum, and
// comes back when there is room again.
TEST_F(WindowHands, AnObjectWindowCanBeMadeNarrow) {
    StartClient(300);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    w->showNormal();
    // A little wider than when maximised: room for both columns.
    const int wide = Mdi()->viewport()->width() + 40;
    w->setGeometry(0, 0, wide, 600);
    QTest::qWait(20);
    CLockSplitter* split = w->m_wndSplitter;
    ASSERT_GT(split->sizes()[1], 0);
    const int panelMin = split->ColumnMin(1);
    ASSERT_GT(panelMin, 0);

    // The bottom right corner dragged far to the left.
    const QPoint corner(w->width() - 2, w->height() - 2);
    Drag(w, corner, QPoint(380, corner.y()));
    EXPECT_LE(w->width(), 400);
    EXPECT_EQ(split->sizes()[1], 0);  // the panel is hidden
    EXPECT_GT(split->sizes()[0], 0);

    // Maximised: the panel is back at its minimum at least.
    ASSERT_TRUE(MaximiseByTitle(w));
    QTest::qWait(20);
    EXPECT_GE(split->sizes()[1], panelMin);
}

// At the client's default size the maximised window gives the property
// panel a fifth; restored and made narrower by a hand, both the lists and
// the panel stay, and the panel shows a picked subscriber with a names
// column that leaves the values a third of it and the numbers whole.
TEST_F(WindowHands, ThePanelStaysReadableInANormalWindow) {
    StartClient(300);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    auto* panel = dynamic_cast<CPropertyDisplayView*>(w->m_pDetailView);
    ASSERT_NE(panel, nullptr);
    CLockSplitter* split = w->m_wndSplitter;
    ASSERT_TRUE(w->isMaximized());
    EXPECT_NEAR(split->sizes()[1], (split->width() - split->handleWidth()) / 5, 2);
    auto value = [panel](const std::string& name) {
        for (const auto& [n, v] : panel->Rows())
            if (n == name) return v;
        return std::string("?");
    };
    // Names as wide as they need at least up to half the panel; the values
    // keep a third at least and a directory number is never cut.
    auto expectReadable = [panel](const std::string& dn) {
        const int room = panel->viewport()->width();
        const int names = panel->columnWidth(0);
        const QFontMetrics fm(panel->font());
        EXPECT_GE(names, std::min(fm.horizontalAdvance("Gateway") + panel->indentation(), room / 2));
        EXPECT_GE(room - names, room / 3);
        EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(dn)) + 8, room - names);
    };

    w->showNormal();
    EXPECT_NEAR(w->width(), Mdi()->viewport()->width() * 3 / 4, 2);  // restored: three quarters
    ASSERT_GT(split->sizes()[1], split->ColumnMin(1));
    // The bottom right corner dragged left, to a window of 600 pixels.
    const QPoint corner(w->width() - 2, w->height() - 2);
    Drag(w, corner, QPoint(598, corner.y()));
    ASSERT_LE(w->width(), 602);
    EXPECT_GE(split->sizes()[1], split->ColumnMin(1));  // the panel stays
    EXPECT_GE(split->sizes()[0], split->ColumnMin(0));

    Click(list, 3);
    const std::string dn = list->Model().CellText(3, 0);
    EXPECT_EQ(value("Directory Number"), dn);
    EXPECT_EQ(value("Gateway"), list->Model().CellText(3, 1));
    expectReadable(dn);

    // The switch's detail: the groups span both columns.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 4));
    ASSERT_TRUE(Settle(w));
    const std::string opened = list->Model().CellText(4, 0);
    EXPECT_EQ(value("Directory Number"), opened);
    ASSERT_GT(panel->topLevelItemCount(), 1);
    QTreeWidgetItem* group = panel->topLevelItem(1);
    EXPECT_GT(group->childCount(), 0);
    EXPECT_TRUE(group->isFirstColumnSpanned());
    expectReadable(opened);

    // Maximised again: a fifth again.
    ASSERT_TRUE(MaximiseByTitle(w));
    QTest::qWait(20);
    EXPECT_NEAR(split->sizes()[1], (split->width() - split->handleWidth()) / 5, 2);
    expectReadable(opened);
}

// The splitter bar keeps both columns at their minimums: dragged past
// either limit it stops there.
TEST_F(WindowHands, TheSplitterBarStopsAtTheColumnsMinimums) {
    StartClient(300);
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CLockSplitter* split = w->m_wndSplitter;
    const QList<int> start = split->sizes();
    ASSERT_GT(start[0], split->ColumnMin(0) + 120);

    DragBar(split, -120);  // the view gives the panel room
    EXPECT_EQ(split->sizes()[0], start[0] - 120);
    EXPECT_EQ(split->sizes()[1], start[1] + 120);
    EXPECT_EQ(split->ColumnIdeal(1), start[1] + 120);

    // More room: the panel grows; the bar moves right until the panel is
    // at its minimum.
    m_main->resize(m_main->width() + 300, m_main->height());
    QTest::qWait(20);
    EXPECT_GT(split->sizes()[1], split->ColumnMin(1));
    DragBar(split, 1000);
    EXPECT_EQ(split->sizes()[1], split->ColumnMin(1));
    const int moved = split->sizes()[0];
    EXPECT_GT(moved, start[0]);
    EXPECT_EQ(split->ColumnIdeal(0), moved);  // the dragged width is kept
    DragBar(split, -moved);
    EXPECT_EQ(split->sizes()[0], split->ColumnMin(0));

    // Locked, the bar does not move.
    split->m_bLock = 1;
    const QList<int> locked = split->sizes();
    DragBar(split, 100);
    EXPECT_EQ(split->sizes(), locked);
}

// A command the switch does not answer shows in the status bar with the
// time waited; "Stop waiting" gives it up and the window works again.
TEST_F(WindowHands, ACommandWithoutAnswerCanBeGivenUp) {
    auto silent = std::make_unique<CSilentLink>();
    CSilentLink* link = silent.get();
    StartClientOn(std::move(silent));
    host::CBusyIndicator* busy = m_main->BusyIndicator();
    ASSERT_NE(busy, nullptr);
    busy->SetDelay(60000);
    ASSERT_TRUE(m_main->OpenObjectWindow(3));
    auto* w = dynamic_cast<CUserObjWnd*>(Mdi()->activeSubWindow());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->IsBusy());
    busy->Update();
    EXPECT_FALSE(busy->isVisible());  // not waited long yet

    busy->SetDelay(0);
    busy->Update();
    ASSERT_TRUE(busy->isVisible());
    EXPECT_TRUE(busy->Text().startsWith("Waiting for the switch: 0 s - LST "))
        << busy->Text().toStdString();

    QTest::mouseClick(busy->StopButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([w] { return !w->IsBusy(); }));
    EXPECT_EQ(link->Outstanding(), 0);
    EXPECT_FALSE(busy->isVisible());
    EXPECT_TRUE(m_main->statusBar()->currentMessage().startsWith("Stopped waiting for"));

    // Free again: a refresh goes out to the switch.
    Sent();
    CSubscriberDlg* dlg = Dialog(w);
    ASSERT_NE(dlg, nullptr);
    Key(dlg->MainList(), Qt::Key_F5);
    EXPECT_FALSE(Sent().empty());
    EXPECT_EQ(link->Outstanding(), 1);
}

// The switch goes away and comes back: one box for the outage however many
// commands fail meanwhile (the status bar tells each), and once it answers
// again the status bar no longer says it is lost. The next outage is told
// again.
TEST_F(WindowHands, AnOutageIsToldOnceAndItsEndClearsTheStatus) {
    testtls::CServedSwitch served;
    served.Serve(nullptr);
    const quint16 port = served.Port();
    StartClientOn(std::make_unique<host::CTcpSwitchLink>(QStringLiteral("127.0.0.1"), port));
    CUserObjWnd* w = Open(3);
    ASSERT_NE(w, nullptr);
    CObjListCtrl* list = Dialog(w)->MainList();
    ASSERT_GT(list->GetItemCount(), 0);
    auto lostShown = [this] {
        return m_main->statusBar()->currentMessage().startsWith(QStringLiteral("Connection to the switch lost"));
    };
    for (int outage = 0; outage < 2; ++outage) {
        SCOPED_TRACE(outage);
        served.server.reset();
        m_ui->boxes.clear();
        for (int i = 0; i < 3; ++i) {
            Key(list, Qt::Key_F5);
            ASSERT_TRUE(WaitFor([&] { return lostShown() && !w->IsBusy(); }, 5000));
            QTest::qWait(20);
        }
        EXPECT_EQ(m_ui->boxes.size(), 1u);
        served.Serve(nullptr, port);
        Key(list, Qt::Key_F5);
        ASSERT_TRUE(Settle(w));
        EXPECT_FALSE(lostShown()) << m_main->statusBar()->currentMessage().toStdString();
        EXPECT_EQ(m_ui->boxes.size(), 1u);
        EXPECT_GT(list->GetItemCount(), 0);
    }
}

// A window opened from the Objects menu while another fills the area fills
// it in turn, whatever its kind.
TEST_F(WindowHands, AWindowOpenedFromTheMenuFillsTheArea) {
    StartClient(300);
    for (const QString& entry : {kMgcp, QStringLiteral("Operation Log"), QStringLiteral("Subscriber Services"),
                                 QStringLiteral("IP Network"), kSegments}) {
        ASSERT_TRUE(ChooseFromMenuBar("Objects/" + entry));
        QMdiSubWindow* front = Mdi()->activeSubWindow();
        ASSERT_NE(front, nullptr);
        EXPECT_TRUE(Settle(dynamic_cast<CUserObjWnd*>(front)));
        EXPECT_TRUE(front->isMaximized()) << entry.toStdString();
        EXPECT_EQ(front->geometry(), Mdi()->viewport()->rect()) << entry.toStdString();
        // A command-object window has the keyboard on its objects.
        if (entry == "Subscriber Services") {
            EXPECT_EQ(QApplication::focusWidget(), front->findChild<QWidget*>(QStringLiteral("cmdObjList")));
        }
    }
}

// Windows opened one right after the other, as the start opens them: the
// last one is in front and keeps the keyboard, and a command-object window
// among them still splits its width 20/80.
TEST_F(WindowHands, TheLastOfTheWindowsOpenedTogetherIsInFront) {
    // The start opens them before the main window ever shows.
    auto link = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", 300);
    std::string error;
    ASSERT_TRUE(link->WaitReady(error)) << error;
    m_link = link.get();
    m_main = std::make_unique<op::CWatchedHost>("", std::move(link));
    ASSERT_TRUE(m_main->OpenObjectWindow(8)) << m_main->LastError();
    ASSERT_TRUE(m_main->OpenObjectWindow(3)) << m_main->LastError();
    m_main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
    QMdiSubWindow* last = Mdi()->subWindowList(QMdiArea::CreationOrder).back();
    ASSERT_TRUE(Settle(dynamic_cast<CUserObjWnd*>(last)));
    EXPECT_EQ(Mdi()->activeSubWindow(), last);
    EXPECT_EQ(ActiveType(), 3);
    auto* commands = dynamic_cast<CUserObjWnd*>(Mdi()->subWindowList(QMdiArea::CreationOrder).front());
    ASSERT_NE(commands, nullptr);
    const QList<int> sizes = commands->m_wndSplitter->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_NEAR(sizes[0] / static_cast<double>(sizes[0] + sizes[1]), 0.2, 0.02) << sizes[0] << " " << sizes[1];
}
