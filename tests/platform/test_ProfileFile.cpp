// Profile files: the buffer semantics the filter and sorting files rely on.
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "ProfileFile.h"
#include "TextHelpers.h"

using namespace platform;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        std::ofstream(path) << text;
        return path;
    }
    std::string Read() const {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    QTemporaryDir dir;
    std::string path = dir.path().toStdString() + "/test.ini";
};

}  // namespace

TEST_F(ProfileTest, SectionNamesBeyondTheBufferAreDroppedWhole) {
    std::string text;
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) {  // 60 names of 20 characters: 1260 with their NULs
        char name[32];
        std::snprintf(name, sizeof name, "FilterSection_%06d", i);  // 20 characters
        names.push_back(name);
        text += "[" + names.back() + "]\nk=v\n";
    }
    Write(text);
    auto got = ProfileSectionNames(path);
    // 20 chars + NUL each, plus the closing NUL, inside 1000: 47 names.
    ASSERT_EQ(got.size(), 47u);
    EXPECT_EQ(got.front(), names.front());
    EXPECT_EQ(got.back(), names[46]);

    char small[8];
    DWORD n = GetPrivateProfileString(nullptr, nullptr, "", small, sizeof small, path);
    EXPECT_EQ(n, 0u);  // not even the first name fits
    EXPECT_EQ(small[0], '\0');
}

TEST_F(ProfileTest, LookupsIgnoreCaseAndTrimAndUnquote) {
    Write("; comment\n[Filter]\n  Name One = \"a, b\" \nX=1\r\n[other]\nname one=2\n");
    EXPECT_EQ(ProfileString(path, "FILTER", "name ONE"), "a, b");
    EXPECT_EQ(ProfileString(path, "Other", "NAME ONE"), "2");
    EXPECT_EQ(ProfileString(path, "filter", "x"), "1");
    EXPECT_EQ(ProfileString(path, "filter", "missing", "dflt  "), "dflt");
    EXPECT_EQ(ProfileKeyNames(path, "fIlTeR"), (std::vector<std::string>{"Name One", "X"}));
    EXPECT_TRUE(ProfileKeyNames(path, "nowhere").empty());
    EXPECT_EQ(GetPrivateProfileInt("OTHER", "Name one", 5, path), 2);
    EXPECT_EQ(GetPrivateProfileInt("OTHER", "absent", 5, path), 5);
}

TEST_F(ProfileTest, ValuesAreCutAtTheBufferSize) {
    Write("[s]\nk=" + std::string(1500, 'x') + "\n");
    EXPECT_EQ(ProfileString(path, "s", "k").size(), 999u);
    char buf[4];
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buf, sizeof buf, path), 3u);
    EXPECT_STREQ(buf, "xxx");
}

TEST_F(ProfileTest, WritingCreatesFileSectionAndKeyAndKeepsOtherLines) {
    EXPECT_TRUE(WritePrivateProfileString("Sub", "Key", "v1", path));
    EXPECT_EQ(ProfileString(path, "sub", "key"), "v1");

    Write("; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
    EXPECT_TRUE(WritePrivateProfileString("a", "X", "9", path));   // replace, any case
    EXPECT_TRUE(WritePrivateProfileString("A", "z", "3", path));   // new key in place
    EXPECT_TRUE(WritePrivateProfileString("C", "w", "4", path));   // new section at the end
    EXPECT_EQ(Read(), "; keep me\n[A]\nx=9\nz=3\n\n[B]\ny=2\n\n[C]\nw=4\n");

    EXPECT_TRUE(WritePrivateProfileString("A", "x", nullptr, path));   // remove a key
    EXPECT_TRUE(WritePrivateProfileString("b", nullptr, nullptr, path));  // remove a section
    EXPECT_EQ(ProfileSectionNames(path), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(ProfileString(path, "A", "x", "gone"), "gone");
}

TEST_F(ProfileTest, WriteIntoAMissingFolderFailsAndLeavesNothing) {
    const std::string bad = dir.path().toStdString() + "/no/such/dir/f.ini";
    EXPECT_FALSE(WritePrivateProfileString("a", "b", "c", bad));
    EXPECT_TRUE(ProfileSectionNames(bad).empty());
}

TEST(ZeroList, EveryNulEndsAnEntry) {
    const char buf[] = "one\0two\0\0three";
    EXPECT_EQ(SplitZeroList(buf, 8), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(SplitZeroList(buf, 9), (std::vector<std::string>{"one", "two", ""}));
    EXPECT_TRUE(SplitZeroList(buf, 0).empty());
}

TEST_F(ProfileTest, ValuesKeepTheirEqualsSignsAndRepeatedSectionsReadAsOne) {
    Write("[F]\nBlocked=LST MGCPSUB: STATUS=BLOCKED;\n[f]\nother=1\n[G]\nnoequals\n=novalue\n");
    EXPECT_EQ(ProfileString(path, "F", "Blocked"), "LST MGCPSUB: STATUS=BLOCKED;");
    EXPECT_EQ(ProfileSectionNames(path), (std::vector<std::string>{"F", "G"}));
    EXPECT_EQ(ProfileString(path, "F", "other", "none"), "none");  // the first section of a name counts
    EXPECT_TRUE(ProfileKeyNames(path, "G").empty());  // lines that are no key=value are no keys
    // Binary garbage reads as a file without keys, not as an error.
    Write(std::string("\0\x01\xff[\x02\n=\n", 9));
    EXPECT_TRUE(ProfileSectionNames(path).size() <= 1);
    EXPECT_EQ(GetPrivateProfileInt("x", "y", 7, path), 7);
}

// Whatever is written reads back as it was: a key that begins with '#'
// (only ';' starts a comment), and values with outer blanks or quotes.
TEST_F(ProfileTest, KeysAndValuesReadBackAsWritten) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"#1 blocked", "LST MGCPSUB: STATUS=BLOCKED;"},
        {"blanks", "  LST MGCPSUB: STATUS=IDLE;  "},
        {"quoted", "\"LST MGCPSUB: DESC=\"a b\";\""},
        {"single", "'x'"},
        {"inner", "LST SUB: DESC=\"a\";"},
        {"one quote", "\""},
    };
    for (const auto& [key, value] : pairs) EXPECT_TRUE(WritePrivateProfileString("S", key.c_str(), value.c_str(), path));
    std::vector<std::string> keys;
    for (const auto& [key, value] : pairs) {
        keys.push_back(key);
        EXPECT_EQ(ProfileString(path, "S", key.c_str()), value) << key;
    }
    EXPECT_EQ(ProfileKeyNames(path, "S"), keys);
    // A file written by hand: '#' lines are keys too, ';' lines are not.
    Write("[S]\n#2=b\n;3=c\n");
    EXPECT_EQ(ProfileKeyNames(path, "S"), std::vector<std::string>{"#2"});
}
