// A seeded in-memory switch and helpers to run commands on it.
#pragma once

#include <gtest/gtest.h>

#include "DemoData.h"
#include "Switch.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjArray.h"

class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sw.Open(":memory:", error)) << error;
        ASSERT_TRUE(mmlsw::SeedDemo(sw, {1200}, error)) << error;
    }
    // The first report of a command, parsed.
    const CObjArray& Run(const std::string& cmd, mmlsw::SessionId session = mmlsw::kDefaultSession) {
        reports = sw.Execute(cmd, session);
        EXPECT_FALSE(reports.empty());
        EXPECT_GE(Parse(reports.front(), 1, parsed), 0) << reports.front();
        return parsed;
    }
    int Code(const std::string& cmd, mmlsw::SessionId session = mmlsw::kDefaultSession) {
        return Run(cmd, session).GetRetCode();
    }
    std::string Text() const { return parsed.GetResultText(); }
    // A property of the first object a command answers with.
    std::string ValueOf(const std::string& cmd, const std::string& key) {
        Run(cmd);
        return Value(0, key);
    }
    // A property of an object of the last report.
    std::string Value(int obj, const std::string& key) {
        for (int p = 0; p < parsed.GetPropertyCount(obj); ++p)
            if (parsed.GetProperty(obj, p)->GetKeyValue() == key)
                return std::string(parsed.GetProperty(obj, p)->GetValue(0));
        return "<missing>";
    }

    int64_t now = 0;
    mmlsw::CSwitch sw{HostDatabase(), [this] { return now; }};
    std::vector<std::string> reports;
    CObjArray parsed;
};
