// The host's main window with the real module loaded: object windows are
// named, shown with their menu, closed with the host's consent; failures
// to load or open are reported.
#include <QCoreApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <QMenuBar>

#include <gtest/gtest.h>

#include "ClientRoot.h"
#include "EmbeddedSwitchLink.h"
#include "HostMainWindow.h"
#include "UiService.h"
#include "WaitFor.h"
#include "hostlibs/FrmDatabase.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

namespace {

std::unique_ptr<host::CSwitchLink> Link() {
    auto link = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", 100);
    std::string error;
    EXPECT_TRUE(link->WaitReady(error)) << error;
    return link;
}

bool MenuBarHas(QMainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == title) return true;
    return false;
}

}  // namespace

TEST(HostMainWindow, OpensNamesAndClosesObjectWindows) {
    platform::CRecordingUiGuard ui;
    host::CHostMainWindow main(platform::GetClientRoot() + "/lib/libuserobj.so", Link());
    main.show();
    ASSERT_TRUE(main.OpenObjectWindow(7)) << main.LastError();
    ASSERT_EQ(main.ObjectWindows().size(), 1u);
    QMdiSubWindow* w = main.ObjectWindows().begin()->second.data();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->property("configType").toInt(), 7);
    main.MdiArea()->setActiveSubWindow(w);
    EXPECT_TRUE(MenuBarHas(main, "&Subscriber Data"));  // the module's shared menu

    for (int type : {14, 16}) {
        EXPECT_FALSE(main.OpenObjectWindow(type)) << type;
        EXPECT_NE(main.LastError().find("opens no object window"), std::string::npos);
    }

    QPointer<QMdiSubWindow> gone(w);
    w->close();
    ASSERT_TRUE(WaitFor([&] { return gone.isNull(); }));
    EXPECT_TRUE(main.ObjectWindows().empty() || main.ObjectWindows().begin()->second.isNull());
    EXPECT_FALSE(MenuBarHas(main, "&Subscriber Data"));
}

TEST(HostMainWindow, AModuleThatCannotBeLoadedIsReported) {
    host::CHostMainWindow main("/nonexistent/libuserobj.so", Link());
    EXPECT_FALSE(main.OpenObjectWindow(3));
    EXPECT_NE(main.LastError().find("cannot load"), std::string::npos);
}

TEST(HostMainWindow, TheDatabaseAndCommandBlocksAreAnswered) {
    host::CHostMainWindow main("", Link());
    EXPECT_EQ(FromLParam<IFrmDatabase>(SendMessage(&main, msg::WM_GETDATABASE)),
              static_cast<IFrmDatabase*>(&HostDatabase()));
    auto block = std::make_unique<SCommandBlock>();
    std::memset(block.get(), 0, sizeof(SCommandBlock));
    CopyField(block->text, "LST V5IF:;");
    block->count = 1;
    block->windows[0] = 0xDEAD;  // no such window: nothing is sent
    EXPECT_EQ(SendMessage(&main, msg::WM_SENDMML, ToWParam(block.get()), 1), 0);
    EXPECT_EQ(main.Link()->Outstanding(), 0);
    EXPECT_EQ(SendMessage(&main, msg::WM_SENDMML, ToWParam(block.get()), 2), 0);  // not a command block
    // Dialog notices are counted.
    QObject dlg;
    SendMessage(&main, msg::WM_OBJIDENTITY, ToWParam(&dlg), msg::IDENT_DIALOG_INIT);
    EXPECT_EQ(main.OpenDialogs(), 1);
    SendMessage(&main, msg::WM_OBJIDENTITY, ToWParam(&dlg), msg::IDENT_DIALOG_CLOSING);
    EXPECT_EQ(main.OpenDialogs(), 0);
}
