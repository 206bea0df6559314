// The switch's store on a file: right answers while another program holds
// it locked, a file that is no database refused, a write-ahead log that
// stays bounded, and readers on a connection of their own.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "SwitchFixture.h"

using namespace mmlsw;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        std::string error;
        ASSERT_TRUE(sw.Open(file, error)) << error;
        ASSERT_TRUE(SeedDemo(sw, {2000}, error)) << error;
    }
    int Code(const std::string& cmd, CSwitch& on) {
        CObjArray a;
        const auto r = on.Execute(cmd, 7);
        EXPECT_GE(Parse(r.front(), 1, a), 0) << r.front();
        text = a.GetResultText();
        return a.GetRetCode();
    }
    int Code(const std::string& cmd) { return Code(cmd, sw); }
    std::string Field(const std::string& cmd, const std::string& key) {
        CObjArray a;
        Parse(sw.Execute(cmd).front(), 1, a);
        for (int p = 0; p < a.GetPropertyCount(0); ++p)
            if (a.GetProperty(0, p)->GetKeyValue() == key) return std::string(a.GetProperty(0, p)->GetValue(0));
        return "<missing>";
    }

    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/switch.db";
    CSwitch sw{HostDatabase()};
    std::string text;
};

}  // namespace

TEST_F(StoreTest, WhileAnotherProgramHoldsTheLockChangesAnswerBusyAndChangeNothing) {
    sw.SetBusyTimeout(50);
    CDatabase other;
    std::string error;
    ASSERT_TRUE(other.Open(file, CDatabase::Mode::ReadWrite, 0, error)) << error;
    other.Exec("BEGIN IMMEDIATE");
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\";"), RC_BUSY);
    EXPECT_EQ(Code("RMV MGCPSUB: DN=20000001;"), RC_BUSY);
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000002, DESC=\"changed\";"), RC_BUSY);
    EXPECT_EQ(Code("ADD SUBBATCH: SUBTYPE=SIP, BGNDN=45000000, ENDDN=45000009;"), RC_BUSY);
    EXPECT_EQ(Code("BLK MGCPSUB: DN=20000003;"), RC_BUSY);
    EXPECT_NE(text.find("locked"), std::string::npos) << text;
    // Reads go on meanwhile.
    EXPECT_EQ(Code("DSP MGCPSUB: DN=20000001;"), 0);
    EXPECT_EQ(Code("LST MGCPSUB:;"), 0);
    other.Exec("ROLLBACK");
    EXPECT_EQ(Code("DSP MGCPSUB: DN=29000001;"), RC_NOT_FOUND);
    EXPECT_EQ(Code("DSP MGCPSUB: DN=20000001;"), 0);
    EXPECT_NE(Field("DSP MGCPSUB: DN=20000002;", "DESC"), "changed");
    EXPECT_NE(Field("DSP MGCPSUB: DN=20000003;", "STATUS"), "BLOCKED");
    EXPECT_EQ(Code("DSP SIPSUB: DN=45000000;"), RC_NOT_FOUND);
    // Free again: the same commands go through, and only a real clash is one.
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\";"), 0);
    EXPECT_EQ(Code("ADD MGCPSUB: DN=29000001, MGWNAME=\"gw\", EID=\"e\";"), RC_DUPLICATE);
    EXPECT_EQ(Code("MOD MGCPSUB: DN=20000002, DESC=\"changed\";"), 0);
}

TEST_F(StoreTest, AFileThatIsNoDatabaseIsRefusedAtOpen) {
    const std::string text = dir.path().toStdString() + "/notes.txt";
    QFile f(QString::fromStdString(text));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("These are notes, not a database.\n").repeated(200));
    f.close();
    CSwitch other(HostDatabase());
    std::string error;
    EXPECT_FALSE(other.Open(text, error));
    EXPECT_NE(error.find("notes.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("not a database"), std::string::npos) << error;
    EXPECT_EQ(f.size(), 33 * 200);  // and it is left as it was
}

TEST_F(StoreTest, TheLogStaysBoundedOverTwentyThousandChanges) {
    // The log's bound does not depend on how commits reach the disk; without
    // a sync at each of them the run takes seconds, not minutes.
    sw.SetFullSync(false);
    std::string error;
    auto reader = sw.OpenReader(error);
    ASSERT_TRUE(reader) << error;
    const QString wal = QString::fromStdString(file + "-wal");
    qint64 largest = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string dn = std::to_string(20000000 + i % 2000);
        ASSERT_EQ(Code("MOD MGCPSUB: DN=" + dn + ", DESC=\"change " + std::to_string(i) + "\";"), 0) << text;
        if (i % 1000 == 0) {
            // Reads on both connections in between, as a server does.
            ASSERT_EQ(Code("DSP MGCPSUB: DN=" + dn + ";"), 0);
            ASSERT_EQ(Code("LST MGCPSUB: SORT=DESC-ASC;", *reader), 0);
            largest = std::max(largest, QFileInfo(wal).size());
        }
    }
    largest = std::max(largest, QFileInfo(wal).size());
    EXPECT_LT(largest, 8 << 20);  // 20,000 changes of about 4 KiB each would be 80 MiB
    EXPECT_EQ(Field("DSP MGCPSUB: DN=20001999;", "DESC"), "change 19999");
}

TEST_F(StoreTest, AReaderAnswersHeadsWhosePagesTheSwitchServesAndSeesItsChanges) {
    std::string error;
    auto reader = sw.OpenReader(error);
    ASSERT_TRUE(reader) << error;
    CObjArray a;
    Parse(reader->Execute("LST MGCPSUB:;", 7).front(), 1, a);
    ASSERT_EQ(a.GetRetCode(), 0);
    const std::string qid(a.GetProperty(0, 0)->GetValue(0));
    EXPECT_EQ(Code("LST MGCPSUB: QID=\"" + qid + "\", BEGIN=1000, END=1000;"), 0);
    ASSERT_EQ(Code("ADD MGCPSUB: DN=20002000, MGWNAME=\"gw\", EID=\"e\";"), 0);
    Parse(reader->Execute("LST MGCPSUB:;", 8).front(), 1, a);
    EXPECT_EQ(std::string(a.GetProperty(0, 1)->GetValue(0)), "2001");
    // A reader changes nothing.
    EXPECT_NE(Code("ADD MGCPSUB: DN=20002001, MGWNAME=\"gw\", EID=\"e\";", *reader), 0);
    EXPECT_EQ(Code("DSP MGCPSUB: DN=20002001;"), RC_NOT_FOUND);
    CSwitch memory(HostDatabase());
    ASSERT_TRUE(memory.Open(":memory:", error));
    EXPECT_EQ(memory.OpenReader(error), nullptr);
}

TEST_F(StoreTest, AnAcknowledgedChangeIsOnTheDiskUnlessFasterCommitsWereAskedFor) {
    auto level = [&] {
        auto s = sw.Db().Prepared("PRAGMA synchronous");
        return s->Step() ? s->Int(0) : -1;
    };
    EXPECT_EQ(level(), 2);  // FULL: the log is synced at every commit
    sw.SetFullSync(false);
    EXPECT_EQ(level(), 1);  // NORMAL
    sw.SetFullSync(true);
    EXPECT_EQ(level(), 2);
}
