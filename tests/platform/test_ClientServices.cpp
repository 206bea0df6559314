// Client root, the main setting, host strings and text helpers.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <fstream>

#include <gtest/gtest.h>

#include "ClientRoot.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"

using namespace platform;

TEST(ClientRoot, IsTheDirectoryAboveTheExecutables) {
    EXPECT_EQ(ClientRootFromExePath("/opt/client/bin/omclient"), "/opt/client");
    EXPECT_EQ(ClientRootFromExePath("/omclient"), "");   // directly below the root
    EXPECT_EQ(ClientRootFromExePath("omclient"), "");
    EXPECT_EQ(ClientRootFromExePath("/bin/omclient"), "");  // "/" itself, spelled empty
    // The tests run from build/bin, so the root is the build tree.
    QDir exeDir(QCoreApplication::applicationDirPath());
    exeDir.cdUp();
    EXPECT_EQ(GetClientRoot(), exeDir.absolutePath().toStdString());
}

// An installation ships share/userobj/; a build tree, even one a client was
// installed into, has its cache file and keeps everything below its root.
TEST(ClientRoot, AnInstallationIsToldFromABuildTree) {
    EXPECT_FALSE(IsInstalledRoot(GetClientRoot()));
    EXPECT_EQ(DataFile("Filter.ini"), GetClientRoot() + "/data/Filter.ini");
    EXPECT_EQ(LogFolder(), GetClientRoot() + "/log");
    EXPECT_EQ(OutputFolder(), GetClientRoot() + "/Output");
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    EXPECT_FALSE(IsInstalledRoot(root));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("share/userobj")));
    EXPECT_TRUE(IsInstalledRoot(root));
    std::ofstream(root + "/CMakeCache.txt") << "\n";
    EXPECT_FALSE(IsInstalledRoot(root));
}

TEST(BinTimeOut, MissingFileOrKeyGivesZero) {
    QTemporaryDir dir;
    const std::string ini = dir.path().toStdString() + "/Marrowind.ini";
    EXPECT_EQ(ReadBinTimeOut(ini), 0);
    std::ofstream(ini) << "[System]\nbintimeout = -1\n";
    EXPECT_EQ(ReadBinTimeOut(ini), -1);
    std::ofstream(ini) << "[OTHER]\nBinTimeOut=5\n";
    EXPECT_EQ(ReadBinTimeOut(ini), 0);
}

TEST(HostStrings, NumbersMapToTextsAndMissingOnesAreEmpty) {
    QTemporaryDir dir;
    const std::string ini = dir.path().toStdString() + "/hs.ini";
    std::ofstream(ini) << "[Strings]\n10066=Cannot parse: \n10124=line\\nbreak\nabc=x\n";
    CHostStringTable t;
    ASSERT_TRUE(t.Load(ini));
    EXPECT_EQ(t.Size(), 2u);
    EXPECT_EQ(t.Get(10066), "Cannot parse:");
    EXPECT_EQ(t.Get(10124), "line\nbreak");
    EXPECT_EQ(t.Get(1), "");
    EXPECT_FALSE(t.Load(ini + ".missing"));
    EXPECT_EQ(t.Get(10066), "");
    // The shipped table answers the numbers the module looks up.
    EXPECT_FALSE(HostString(10093).empty());
}

TEST(TextHelpers, JoinAndTrimAndCase) {
    EXPECT_EQ(Join({}), "");
    EXPECT_EQ(Join({"a"}), "a");
    EXPECT_EQ(Join({"a", "b"}), "a,b");
    EXPECT_EQ(Join({"a,b", ""}), "a,b,");
    EXPECT_EQ(Trim(" \t x y\r\n"), "x y");
    EXPECT_TRUE(EqualsNoCase("LsT", "lst"));
    EXPECT_FALSE(EqualsNoCase("LST", "LS"));
    EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
}

TEST(Trace, LinesCarryLevelFileAndLine) {
    std::vector<std::string> lines;
    {
        CTraceCapture capture([&](const std::string& l) { lines.push_back(l); });
        W2L_FAIL("m_obj is NULL!\n");
    }
    W2L_FAIL("not captured");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" 1 test_ClientServices.cpp:"), std::string::npos) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("m_obj is NULL!")) << lines[0];
}
