// Starting the client: the progress shown while the embedded switch seeds
// a new database, and the object windows remembered from the last exit.
#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ClientRoot.h"
#include "EmbeddedSwitchLink.h"
#include "HostMainWindow.h"
#include "SeedProgress.h"
#include "StartWindows.h"
#include "UiService.h"

namespace {

// What the seeding dialog showed while it was up.
struct Watched {
    std::vector<int> values;
    bool shown = false;
};

Watched SeedWatched(host::CEmbeddedSwitchLink& link, std::string& error, bool& ok) {
    Watched seen;
    QObject::connect(&link, &host::CEmbeddedSwitchLink::SeedProgress, &link, [&seen](int percent) {
        seen.values.push_back(percent);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "seedProgress" && w->isVisible()) seen.shown = true;
    });
    ok = host::WaitShowingProgress(link, error);
    return seen;
}

}  // namespace

TEST(StartUp, SeedingANewDatabaseShowsItsProgressAndAnOldOneShowsNone) {
    QTemporaryDir dir;
    const std::string db = dir.filePath("switch.db").toStdString();
    std::string error;
    bool ok = false;
    {
        host::CEmbeddedSwitchLink link(db, 3000);
        const Watched seen = SeedWatched(link, error, ok);
        ASSERT_TRUE(ok) << error;
        ASSERT_FALSE(seen.values.empty());
        EXPECT_EQ(seen.values.front(), 0);
        EXPECT_EQ(seen.values.back(), 100);
        EXPECT_TRUE(std::is_sorted(seen.values.begin(), seen.values.end()));
        EXPECT_TRUE(seen.shown);
    }
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_NE(w->objectName(), "seedProgress");
    host::CEmbeddedSwitchLink again(db, 3000);
    const Watched seen = SeedWatched(again, error, ok);
    EXPECT_TRUE(ok) << error;
    EXPECT_TRUE(seen.values.empty());
    EXPECT_FALSE(seen.shown);
    // A database that cannot be opened is told, with no dialog left behind.
    host::CEmbeddedSwitchLink bad(dir.filePath("switch.db/not/a/file").toStdString(), 100);
    EXPECT_FALSE(host::WaitShowingProgress(bad, error));
    EXPECT_FALSE(error.empty());
}

TEST(StartUp, TheWindowsOpenAtExitAreRememberedForTheNextStart) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("omclient.ini").toStdString();
    // A first start: the MGCP and H.248 subscribers.
    EXPECT_EQ(host::StartWindows(file), std::vector<int>{host::kFirstStartConfig});

    platform::CRecordingUiGuard ui;
    auto link = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", 100);
    std::string error;
    ASSERT_TRUE(link->WaitReady(error)) << error;
    {
        host::CHostMainWindow main(platform::GetClientRoot() + "/lib/libuserobj.so",
                                   std::move(link));
        for (int type : {6, 12, 6}) ASSERT_TRUE(main.OpenObjectWindow(type)) << main.LastError();
        EXPECT_EQ(main.OpenWindowTypes(), (std::vector<int>{6, 12, 6}));
        ASSERT_TRUE(host::RememberWindows(file, main.OpenWindowTypes()));
    }
    EXPECT_EQ(host::StartWindows(file), (std::vector<int>{6, 12, 6}));
    // None open at exit: none at the next start.
    ASSERT_TRUE(host::RememberWindows(file, {}));
    EXPECT_TRUE(host::StartWindows(file).empty());
    // A hand-edited list keeps what reads as a number.
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Windows]\nOpen= 7, x,,99\n");
    f.close();
    EXPECT_EQ(host::StartWindows(file), (std::vector<int>{7, 99}));
    // A file that cannot be written is told.
    EXPECT_FALSE(host::RememberWindows(dir.filePath("no/such/dir/x.ini").toStdString(), {3}));
}
