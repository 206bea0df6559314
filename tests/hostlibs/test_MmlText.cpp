// Reading MML command texts.
#include <gtest/gtest.h>

#include "hostlibs/MmlText.h"

TEST(MmlText, ParsesVerbObjectAndValues) {
    SMmlCommand c;
    std::string e;
    ASSERT_TRUE(ParseMml("  lst   mgcpsub :  DN = 8001 , DESC=\"a, b; c\",X=;", c, e)) << e;
    EXPECT_EQ(c.Word(), "LST MGCPSUB");
    ASSERT_EQ(c.params.size(), 3u);
    EXPECT_EQ(c.params[0].name, "DN");
    EXPECT_EQ(c.params[0].value, "8001");
    EXPECT_EQ(c.params[1].value, "a, b; c");
    EXPECT_TRUE(c.params[1].quoted);
    EXPECT_EQ(c.params[2].value, "");
    EXPECT_EQ(c.Find("desc"), &c.params[1]);
    ASSERT_TRUE(ParseMml("LST X:;", c, e));
    EXPECT_TRUE(c.params.empty());
    EXPECT_EQ(MmlCommandWord("dsp  V5IF :V5IID=1;"), "DSP V5IF");
    EXPECT_EQ(MmlCommandWord("no colon"), "");
}

TEST(MmlText, RejectsBrokenCommandsWithAReason) {
    SMmlCommand c;
    std::string e;
    for (const char* bad : {"", "LST X: A=1", "LST X A=1;", "LST: A=1;", "LST X Y: A=1;",
                            "LST X: A;", "LST X: =1;", "LST X: A=\"open;", "LST X: A=\"q\"z;",
                            "LST X: A=1, A=2;", "LST X: A=1,;", "LST X: A=x\"y;", "LST X: A B=1;",
                            // blanks and "=" belong in quoted values only
                            "LST X: DESC=Front desk;", "LST X: A=1 B=2;", "LST X: A=1\t2;", "LST X: A=b=c;",
                            "LST X: A=1, B=2=3;"}) {
        e.clear();
        EXPECT_FALSE(ParseMml(bad, c, e)) << bad;
        EXPECT_FALSE(e.empty()) << bad;
    }
    EXPECT_EQ(MmlQuoteIfNeeded("abc"), "abc");
    EXPECT_EQ(MmlQuoteIfNeeded("a b"), "\"a b\"");
    EXPECT_EQ(MmlQuoteIfNeeded(""), "\"\"");
}
