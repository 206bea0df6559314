// The report parser: well-formed reports, and every kind of broken one.
#include <gtest/gtest.h>

#include <random>

#include "hostlibs/ObjArray.h"
#include "hostlibs/ReportWriter.h"

namespace {

std::string Sample() {
    CReportWriter w("LST MGCPSUB: DN=8001;", 0, "Operation succeeded.");
    w.BeginObject("MGCPSUB");
    w.Add("DN", "8001");
    w.Add("CODEC", std::vector<std::string>{"PCMA", "PCMU"});
    w.Add("DESC", "tab\there, line\nthere \\ done");
    w.BeginObject("MGCPSUB");
    w.Add("DN", "8002");
    w.Add("CODEC", "");
    w.Add("DESC", "x");
    w.BeginObject("QUERYHEAD");
    w.Add("QID", "12");
    return w.Finish();
}

}  // namespace

TEST(ReportParser, ReadsHeaderObjectsAndMultiValues) {
    CObjArray a;
    ASSERT_EQ(Parse(Sample(), 1, a), 3);
    EXPECT_EQ(a.GetCommand(), "LST MGCPSUB: DN=8001;");
    EXPECT_EQ(a.GetRetCode(), 0);
    EXPECT_EQ(a.GetResultText(), "Operation succeeded.");
    EXPECT_EQ(a.GetContinueFlag(), 0);
    EXPECT_EQ(a.GetObjectName(2), "QUERYHEAD");
    ASSERT_EQ(a.GetPropertyCount(0), 3);
    const CMapStringToStringArray* codec = a.GetProperty(0, 1);
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->GetKeyValue(0), "CODEC");
    EXPECT_EQ(codec->GetKeyValue(1), "");
    ASSERT_EQ(codec->GetNumOfValue(), 2);
    EXPECT_EQ(codec->GetValue(1), "PCMU");
    EXPECT_EQ(codec->GetValue(2), "");
    EXPECT_EQ(a.GetProperty(0, 2)->GetValue(0), "tab\there, line\nthere \\ done");
    EXPECT_EQ(a.GetProperty(1, 1)->GetNumOfValue(), 1);  // "KEY =" is one empty value
    EXPECT_EQ(a.GetProperty(0, 3), nullptr);
    EXPECT_EQ(a.GetProperty(7, 0), nullptr);

    int first = -1, last = -1;
    ASSERT_TRUE(a.GetObjectList("MGCPSUB", first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    EXPECT_FALSE(a.GetObjectList("NOPE", first, last));
}

TEST(ReportParser, ContinuationAndCarriageReturns) {
    CReportWriter w("LST X:;", 1008, "The instance does not exist.", true);
    std::string text = w.Finish();
    CObjArray a;
    ASSERT_EQ(Parse(text, 1, a), 0);
    EXPECT_EQ(a.GetContinueFlag(), 1);
    EXPECT_EQ(a.GetRetCode(), 1008);
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Parse(crlf, 1, a), 0);
}

TEST(ReportParser, BrokenReportsGiveANegativeResult) {
    const std::string good = Sample();
    CObjArray a;
    // Truncated anywhere: never a success, never a crash.
    // (Only the final newline may go: the end mark is then still there.)
    for (size_t n = 0; n + 1 < good.size(); ++n)
        EXPECT_LT(Parse(std::string_view(good).substr(0, n), 1, a), 0) << "cut at " << n;
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    EXPECT_LT(Parse(replaced("OBJECTS = 3", "OBJECTS = 4"), 1, a), 0);   // wrong count
    EXPECT_LT(Parse(replaced("OBJECTS = 3", "OBJECTS = -1"), 1, a), 0);
    EXPECT_LT(Parse(replaced("OBJECTS = 3", "OBJECTS = 99999999999999999999"), 1, a), 0);
    EXPECT_LT(Parse(replaced("---    END", "---"), 1, a), 0);              // no terminator
    EXPECT_LT(Parse(replaced("RETCODE = 0", "RETCODE = zero"), 1, a), 0);
    EXPECT_LT(Parse(replaced("CONTINUE = 0", "CONTINUE = 2"), 1, a), 0);
    EXPECT_LT(Parse(replaced("[QUERYHEAD]", "[QUERYHEAD"), 1, a), 0);
    EXPECT_LT(Parse(replaced("DN = 8002", "DN 8002"), 1, a), 0);
    EXPECT_LT(Parse(replaced("= x", "= bad\\q"), 1, a), 0);               // unknown escape
    EXPECT_LT(Parse(good + "trailing\n", 1, a), 0);
    EXPECT_LT(Parse(replaced("\n[MGCPSUB]\nDN = 8001", "\nDN = 8001"), 1, a), 0);
    std::string nul = good;
    nul[nul.size() / 2] = '\0';
    EXPECT_LT(Parse(nul, 1, a), 0);
    EXPECT_EQ(a.GetObjectCount(), 0);
}

TEST(ReportParser, RandomBytesAndMutationsNeverCrash) {
    std::mt19937 rng(1234);
    const std::string good = Sample();
    CObjArray a;
    for (int i = 0; i < 3000; ++i) {
        std::string s = good;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t pos = rng() % s.size();
            switch (rng() % 3) {
                case 0: s[pos] = static_cast<char>(rng() % 256); break;
                case 1: s.erase(pos, 1 + rng() % 8); break;
                default: s.insert(pos, std::string(1 + rng() % 4, static_cast<char>(rng() % 128)));
            }
            if (s.empty()) s = "x";
        }
        int r = Parse(s, 1, a);
        if (r >= 0) {
            // Whatever parsed must be walkable.
            for (int o = 0; o < a.GetObjectCount(); ++o)
                for (int p = 0; p < a.GetPropertyCount(o); ++p)
                    ASSERT_NE(a.GetProperty(o, p), nullptr);
        }
    }
    std::string garbage(4096, '\0');
    for (char& c : garbage) c = static_cast<char>(rng() % 256);
    EXPECT_LT(Parse(garbage, 1, a), 0);
}

TEST(ReportParser, BlocksAreFoundFromAnyStartingObject) {
    CReportWriter w("DSP X:;", 0, "ok");
    for (const char* name : {"A", "A", "B", "A", "A", "A"}) {
        w.BeginObject(name);
        w.Add("K", name);
    }
    CObjArray a;
    ASSERT_EQ(Parse(w.Finish(), 1, a), 6);
    int first = 0, last = 0;
    ASSERT_TRUE(a.GetObjectList("A", first, last, 0));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    ASSERT_TRUE(a.GetObjectList("A", first, last, 2));  // the next run of the name
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 5);
    EXPECT_FALSE(a.GetObjectList("B", first, last, 3));
    EXPECT_TRUE(a.GetObjectList("A", first, last, -5));
}
