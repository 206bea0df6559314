// The demo dataset hangs together: every number is in its segment and the
// number table, sub-objects have their parents, V5 subscribers sit on ports.
#include <QTemporaryDir>

#include "CatalogueHelpers.h"
#include "SwitchFixture.h"

namespace {

int64_t Scalar(mmlsw::CSwitch& sw, const std::string& sql) {
    mmlsw::CStatement s(sw.Db().Handle(), sql);
    return s.Step() ? s.Int(0) : -1;
}

}  // namespace

TEST_F(SwitchTest, DemoDataIsConsistent) {
    // Every subscriber's number is in the number table, inside its segment.
    int64_t subscribers = 0;
    for (DWORD t : {308u, 319u, 311u, 312u, 313u, 317u, 327u, 335u}) subscribers += sw.Count(t);
    EXPECT_EQ(sw.Count(316), subscribers);
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o316 n JOIN o305 s ON s.SEGIDX = n.SEGIDX "
                         "WHERE CAST(n.DN AS INTEGER) NOT BETWEEN CAST(s.BGNDN AS INTEGER) AND CAST(s.ENDDN AS INTEGER)"),
              0);
    EXPECT_EQ(Scalar(sw, "SELECT SUM(USED) FROM o305"), subscribers);
    // Some segments are longer than 1000 numbers (they split into blocks).
    EXPECT_GT(Scalar(sw, "SELECT COUNT(*) FROM o305 WHERE CAST(ENDDN AS INTEGER) - CAST(BGNDN AS INTEGER) + 1 > 1000"), 0);
    // Sub-objects have their parent.
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o309 WHERE DN NOT IN (SELECT DN FROM o308)"), 0);
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o329 WHERE CGNO NOT IN (SELECT CGNO FROM o303)"), 0);
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o329 WHERE DN NOT IN (SELECT DN FROM o308)"), 0);
    // Every V5 subscriber's L3 address lies in a port range of its interface.
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o327 s WHERE NOT EXISTS (SELECT 1 FROM o326 p WHERE p.V5IID = s.V5IID "
                         "AND s.L3ADDR BETWEEN p.BGNL3ADDR AND p.ENDL3ADDR)"),
              0);
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(*) FROM o335 s WHERE NOT EXISTS (SELECT 1 FROM o334 p WHERE p.V5IID = s.V5IID "
                         "AND s.L3ADDR BETWEEN p.BGNL3ADDR AND p.ENDL3ADDR)"),
              0);
    // Every member kind the Centrex classification knows occurs.
    EXPECT_EQ(Scalar(sw, "SELECT COUNT(DISTINCT KIND) FROM o329"), 8);
    // Every kind of subscriber and every command object has data (the
    // statistics are counted when asked for, not stored; accounts and the
    // operation log are the operators', no demo data).
    for (DWORD t : HostDatabase().Types()) {
        if (t == 341 || t == mmlsw::kOperatorType || t == mmlsw::kOplogType) continue;
        EXPECT_GT(sw.Count(t), 0) << t;
    }
}

TEST(SwitchStore, DataSurvivesReopeningItsFile) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/switch.db";
    std::string error;
    {
        mmlsw::CSwitch sw(HostDatabase());
        ASSERT_TRUE(sw.Open(file, error)) << error;
        ASSERT_TRUE(mmlsw::SeedDemo(sw, {100}, error)) << error;
        EXPECT_EQ(CObjArray().GetObjectCount(), 0);
        auto r = sw.Execute("ADD MGCPSUB: DN=29999999, MGWNAME=\"gw\", EID=\"e\";");
        CObjArray a;
        ASSERT_GE(Parse(r.front(), 1, a), 0);
        ASSERT_EQ(a.GetRetCode(), 0);
    }
    mmlsw::CSwitch again(HostDatabase());
    ASSERT_TRUE(again.Open(file, error)) << error;
    CObjArray a;
    Parse(again.Execute("DSP MGCPSUB: DN=29999999;").front(), 1, a);
    EXPECT_EQ(a.GetRetCode(), 0);
    mmlsw::CSwitch bad(HostDatabase());
    EXPECT_FALSE(bad.Open(dir.path().toStdString() + "/no/such/dir/x.db", error));
    EXPECT_NE(error.find("x.db"), std::string::npos);
}
