// The object-data library: queries on creation, results into records, and
// the messages bound windows receive.
#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

#include "MsgTarget.h"
#include "UiService.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

namespace {

// Records every message it gets; answers WM_USER+1410 with 1.
class CRecorderWnd : public CWndT<QWidget> {
public:
    struct Msg {
        UINT id;
        WPARAM w;
        std::string text;  // command text of WM_USER+1410
    };
    std::vector<Msg> msgs;
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        Msg rec{m, w, {}};
        if (m == msg::WM_SENDMMLMSG) rec.text = FromLParam<const char>(l);
        if (m == msg::WM_SHOWDETAIL) rec.w = static_cast<WPARAM>(FromLParam<SDetailSelection>(l)->index);
        msgs.push_back(rec);
        return 1;
    }
    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const Msg& m : msgs)
            if (m.id == msg::WM_SENDMMLMSG) out.push_back(m.text);
        return out;
    }
    std::vector<UINT> Ids() const {
        std::vector<UINT> out;
        for (const Msg& m : msgs) out.push_back(m.id);
        return out;
    }
};

CDataTable Table(std::initializer_list<std::vector<std::string>> rows) {
    CDataTable t;
    for (const auto& r : rows) {
        CDataRow row;
        for (const std::string& v : r) row.push_back({v});
        t.Add(row);
    }
    return t;
}

class ObjDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        desc = HostDatabase().ObjLoadAllDesc(308);
        ASSERT_TRUE(data.Create(308, desc, &owner, &list, &detail, 1, nullptr, nullptr));
        // The data set sends its list query right away.
        ASSERT_EQ(owner.Sent(), std::vector<std::string>{"LST MGCPSUB:;"});
        owner.msgs.clear();
        ASSERT_TRUE(data.ProcessCmdRslt("LST MGCPSUB:;", TRUE, {"DN", "MGWNAME", "CODEC"},
                                        Table({{"8001", "gw1", "PCMA"}, {"8002", "gw1", "G729"}})));
    }
    DWORD IdOf(const std::string& dn) {
        for (const CInstData& r : data.GetDynData()->GetData())
            if (r.GetFieldText(0) == dn) return r.GetInstID();
        return 0;
    }
    SComObj desc;
    CRecorderWnd owner, list, detail;
    CObjDescData data;
};

}  // namespace

TEST_F(ObjDataTest, ListResultReplacesRecordsAndRebuildsTheList) {
    EXPECT_EQ(list.Ids(), std::vector<UINT>{msg::WM_DATA_INIT});
    const CDynData& d = *data.GetDynData();
    ASSERT_EQ(d.GetData().size(), 2u);
    EXPECT_EQ(d.GetDisplayHeader(), (std::vector<std::string>{"Directory Number", "Gateway", "Codec"}));
    EXPECT_EQ(d.GetData()[1].GetFieldText(2), "G.729");  // choices shown by their text
    EXPECT_NE(d.GetData()[0].GetInstID(), d.GetData()[1].GetInstID());
    // A failed list keeps the records and tells nobody.
    list.msgs.clear();
    EXPECT_TRUE(data.ProcessCmdRslt("LST MGCPSUB:;", FALSE, {}, {}));
    EXPECT_TRUE(list.msgs.empty());
    EXPECT_EQ(d.GetData().size(), 2u);
}

TEST_F(ObjDataTest, ChangesUpdateRecordsAndAnnounceTheInstance) {
    list.msgs.clear();
    data.ProcessCmdRslt("ADD MGCPSUB: DN=8003, MGWNAME=\"gw2\", CODEC=PCMU;", TRUE, {}, {});
    const DWORD added = IdOf("8003");
    ASSERT_NE(added, 0u);
    ASSERT_EQ(list.msgs.size(), 1u);
    EXPECT_EQ(list.msgs[0].id, msg::WM_DATA_ADDED);
    EXPECT_EQ(list.msgs[0].w, added);
    EXPECT_EQ(data.GetDynData()->FindInst(added)->GetFieldText(2), "G.711 u-law");

    const DWORD first = IdOf("8001");
    data.ProcessCmdRslt("MOD MGCPSUB: DN=8001, MGWNAME=gw9;", TRUE, {}, {});
    EXPECT_EQ(list.msgs.back().id, msg::WM_DATA_MODIFIED);
    EXPECT_EQ(list.msgs.back().w, first);
    EXPECT_EQ(data.GetDynData()->FindInst(first)->GetFieldText(1), "gw9");

    data.ProcessCmdRslt("RMV MGCPSUB: DN=8002;", TRUE, {}, {});
    EXPECT_EQ(list.msgs.back().id, msg::WM_DATA_REMOVED);
    EXPECT_EQ(data.GetDynData()->GetData().size(), 2u);
    EXPECT_EQ(IdOf("8002"), 0u);

    // A removal the list never showed, and a failed change: no message.
    const size_t before = list.msgs.size();
    data.ProcessCmdRslt("RMV MGCPSUB: DN=9999;", TRUE, {}, {});
    data.ProcessCmdRslt("ADD MGCPSUB: DN=8004;", FALSE, {}, {});
    EXPECT_EQ(list.msgs.size(), before);
}

TEST_F(ObjDataTest, EveryCatalogueCommandMapsToItsOperation) {
    CFrmDatabase& db = HostDatabase();
    for (DWORD type : db.Types()) {
        const SComObj d = db.ObjLoadAllDesc(type);
        CObjDescData set;
        CRecorderWnd w;
        ASSERT_TRUE(set.Create(type, d, &w, nullptr, nullptr, 1, nullptr, nullptr)) << type;
        for (const auto& [id, cmd] : d.commands) {
            DWORD op = 0;
            WORD act = 0;
            const std::string text = cmd.mml + ": X=1;";
            ASSERT_TRUE(set.GetOpIDAndActID(text, op, act)) << text;
            if (cmd.mml.rfind("LST ", 0) == 0) {
                // list, filter and page fetch all deliver records
                EXPECT_EQ(act, ACT_BROWSER) << text;
                EXPECT_EQ(op, 0u);
            } else {
                EXPECT_EQ(d.commands.at(op).mml, cmd.mml);
                EXPECT_EQ(act, d.operations.at(op).actType) << text;
            }
        }
        DWORD op = 0;
        WORD act = 0;
        EXPECT_FALSE(set.GetOpIDAndActID("LST SOMETHINGELSE:;", op, act));
        EXPECT_FALSE(set.GetOpIDAndActID("garbage", op, act));
    }
}

TEST_F(ObjDataTest, SubObjectsAreRestrictedToTheirParent) {
    const CRestrictInfo r = data.GetRestrictInfo(IdOf("8002"));
    EXPECT_EQ(r, (CRestrictInfo{{"DN", "8002"}}));
    CObjDescData sub;
    CRecorderWnd subList;
    CPackageStream pkg(r);
    ASSERT_TRUE(sub.Create(309, HostDatabase().ObjLoadAllDesc(309), &owner, &subList, nullptr, 1,
                           nullptr, &pkg));
    EXPECT_EQ(owner.Sent().back(), "LST MGCPSRV: DN=8002;");
    EXPECT_EQ(sub.GetComObj()->GetKeyString(), "LST MGCPSRV: DN=8002;");
    // An add from the sub-list carries the parent without asking for it.
    sub.ProcessCmdRslt("LST MGCPSRV: DN=8002;", TRUE, {"DN", "SRV", "STATE"}, Table({}));
    platform::CRecordingUiGuard ui;
    // Without a parameter editor nothing can supply SRV: the operator is told.
    EXPECT_FALSE(sub.GetComObj()->InvokeOperation(3, {}));
    EXPECT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(owner.Sent().back(), "LST MGCPSRV: DN=8002;");
    struct CFillSrv : ICmdParamEditor {
        int EditCommand(CCmd& cmd, HWND) override {
            return cmd.SetParaValue("SRV", "Call Waiting") ? IDOK : IDCANCEL;
        }
    } editor;
    SetCmdParamEditor(&editor);
    EXPECT_TRUE(sub.GetComObj()->InvokeOperation(3, {}));
    SetCmdParamEditor(nullptr);
    EXPECT_EQ(owner.Sent().back(), "ADD MGCPSRV: DN=8002, SRV=CW, STATE=ACT;");
    CPackageStream broken;
    broken.SetBytes("RST1\x05");
    EXPECT_FALSE(sub.Create(309, HostDatabase().ObjLoadAllDesc(309), &owner, &subList, nullptr, 1,
                            nullptr, &broken));
}

TEST_F(ObjDataTest, RemovalAsksOnceAndSendsOneCommandPerInstance) {
    platform::CRecordingUiGuard ui;
    ui->boxAnswers.push_back(IDNO);
    EXPECT_FALSE(data.GetComObj()->InvokeOperation(4, {IdOf("8001"), IdOf("8002")}));
    EXPECT_TRUE(owner.Sent().empty());
    EXPECT_TRUE(data.GetComObj()->InvokeOperation(4, {IdOf("8001"), IdOf("8002")}));
    EXPECT_EQ(owner.Sent(), (std::vector<std::string>{"RMV MGCPSUB: DN=8001;", "RMV MGCPSUB: DN=8002;"}));
    EXPECT_EQ(ui->boxes.size(), 2u);
}

TEST_F(ObjDataTest, DetailViewShowsTheRecordThenTheSwitchDetail) {
    const DWORD id = IdOf("8002");
    ASSERT_TRUE(data.GetComObj()->InvokeConfigDetailView(id, 1, 1, 1, -1));
    ASSERT_EQ(detail.msgs.size(), 1u);
    EXPECT_EQ(detail.msgs[0].id, msg::WM_SHOWDETAIL);
    EXPECT_EQ(detail.msgs[0].w, 1u);  // index of the record
    EXPECT_EQ(owner.Sent().back(), "DSP MGCPSUB: DN=8002;");
    CDetailData dd;
    dd.Insert("MGCPSUB", "DN", std::make_shared<CSinglePropValue>("8002"));
    dd.Insert("MGCPSUB", "DN", std::make_shared<CSinglePropValue>("8002b"));  // replaces
    data.GetDynData()->ProcessDetailViewRslt("DSP MGCPSUB: DN=8002;", TRUE, dd);
    EXPECT_EQ(detail.msgs.size(), 2u);
    ASSERT_EQ(data.GetDynData()->GetDetailData().Entries().size(), 1u);
}

TEST_F(ObjDataTest, CopiesKeepTheirOwnRecordsAndTheTargetKeepsItsAddresses) {
    CObjDescData copy(data);
    EXPECT_EQ(copy.GetDynData()->GetData().size(), 2u);
    EXPECT_EQ(copy.GetDynData()->GetComObj(), copy.GetComObj());
    CComObj* obj = copy.GetComObj();
    CObjDescData other;
    copy = other;
    EXPECT_EQ(copy.GetComObj(), obj);
    EXPECT_TRUE(copy.GetDynData()->GetData().empty());
    EXPECT_EQ(data.GetDynData()->GetData().size(), 2u);
    list.msgs.clear();
    EXPECT_TRUE(data.NotifyWndInit(&list));
    EXPECT_EQ(list.Ids(), std::vector<UINT>{msg::WM_DATA_INIT});
}

TEST(Restriction, EqualityHashRemovalAndUnpacking) {
    CRestrictInfo a{{"V5IID", "1"}, {"BGNL3ADDR", "0"}, {"ENDL3ADDR", "0"}};
    CRestrictInfo b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.Hash(), b.Hash());
    EXPECT_NE((CRestrictInfo{{"ab", "c"}}).Hash(), (CRestrictInfo{{"a", "bc"}}).Hash());
    EXPECT_TRUE(b.RemoveLast("endl3addr", true));
    EXPECT_FALSE(b.RemoveLast("endl3addr", false));
    EXPECT_EQ(b.Entries().size(), 2u);
    EXPECT_FALSE(CRestrictInfo{}.IsValid());
    EXPECT_FALSE((CRestrictInfo{{"", "1"}}).IsValid());
    CRestrictInfo out;
    EXPECT_TRUE(CPackageStream(a).Unpack(out));
    EXPECT_EQ(out, a);
    // A stream that is empty, or has bytes after its last entry, unpacks to nothing.
    EXPECT_FALSE(CPackageStream().Unpack(out));
    CPackageStream trailing(CRestrictInfo{{"A", "1"}});
    trailing.SetBytes(trailing.Bytes() + "x");
    EXPECT_FALSE(trailing.Unpack(out));
}

// Modify carries the key and what the operator changed: a parameter left
// as read is not sent, so that another operator's change to it stays, and
// an emptied one is sent empty (cleared on the switch).
TEST_F(ObjDataTest, ModifySendsTheKeyAndWhatChanged) {
    struct CChange : ICmdParamEditor {
        std::function<void(CCmd&)> hands;
        int EditCommand(CCmd& cmd, HWND) override {
            hands(cmd);
            return IDOK;
        }
    } editor;
    SetCmdParamEditor(&editor);
    editor.hands = [](CCmd& cmd) { EXPECT_TRUE(cmd.SetParaValue("CODEC", "G.729")); };
    EXPECT_TRUE(data.GetComObj()->InvokeOperation(5, {IdOf("8001")}));
    EXPECT_EQ(owner.Sent().back(), "MOD MGCPSUB: DN=8001, CODEC=G729;");

    // Nothing changed: the key alone.
    editor.hands = [](CCmd&) {};
    EXPECT_TRUE(data.GetComObj()->InvokeOperation(5, {IdOf("8002")}));
    EXPECT_EQ(owner.Sent().back(), "MOD MGCPSUB: DN=8002;");

    // Changed and changed back is no change; an emptied value goes empty.
    editor.hands = [](CCmd& cmd) {
        EXPECT_TRUE(cmd.SetParaValue("MGWNAME", "gw7"));
        EXPECT_TRUE(cmd.SetParaValue("MGWNAME", "gw1"));
        EXPECT_TRUE(cmd.SetParaValue("CODEC", ""));
        EXPECT_TRUE(cmd.SetParaValue("DESC", "Lobby phone"));
    };
    EXPECT_TRUE(data.GetComObj()->InvokeOperation(5, {IdOf("8002")}));
    EXPECT_EQ(owner.Sent().back(), "MOD MGCPSUB: DN=8002, CODEC=\"\", DESC=\"Lobby phone\";");
    SetCmdParamEditor(nullptr);

    // Other commands filled from a record send every value, as before.
    CCmd add;
    ASSERT_TRUE(data.GetComObj()->GetCmdByOpID(add, 3));
    ASSERT_TRUE(add.SetParaValue("DN", "8009"));
    EXPECT_FALSE(add.IsTakenAsRead());
    EXPECT_NE(add.Format().find("CSC=0"), std::string::npos);
}

// Records that carry a revision send it back with every change; a change
// the switch refuses for a stale revision goes to the operator with both
// values, and applying sends the operator's changes again on the record's
// revision now.
TEST_F(ObjDataTest, ChangesCarryTheRevisionAndAStaleOneBecomesAConflict) {
    ASSERT_TRUE(data.ProcessCmdRslt("LST MGCPSUB:;", TRUE, {"DN", "MGWNAME", "CODEC", "REV"},
                                    Table({{"8001", "gw1", "PCMA", "3"}, {"8002", "gw1", "G729", "5"}})));
    struct CHands : ICmdParamEditor {
        std::vector<SConflictRow> rows;
        int answer = IDOK;
        int EditCommand(CCmd& cmd, HWND) override {
            return cmd.SetParaValue("CODEC", "G.723.1") ? IDOK : IDCANCEL;
        }
        int ResolveConflict(const std::string&, const std::string&, const std::vector<SConflictRow>& r,
                            HWND) override {
            rows = r;
            return answer;
        }
    } hands;
    SetCmdParamEditor(&hands);
    EXPECT_TRUE(data.GetComObj()->InvokeOperation(5, {IdOf("8001")}));
    const std::string sent = owner.Sent().back();
    EXPECT_EQ(sent, "MOD MGCPSUB: DN=8001, REV=3, CODEC=G723;");

    // Refused: the object answers it itself, and asks once the report is done.
    const std::string text =
        "The record was changed meanwhile; nothing was changed. Changed since REV=3: CODEC, STATUS. Now: "
        "DN=8001, MGWNAME=gw1, CODEC=PCMU, STATUS=BLOCKED, DESC=\"a, b\", REV=5";
    EXPECT_FALSE(data.GetComObj()->TakeRefusal(sent, 1008, text));
    EXPECT_TRUE(data.GetComObj()->TakeRefusal(sent, RC_STALE_REVISION, text));
    data.ProcessCmdRslt(sent, FALSE, {}, {});
    EXPECT_TRUE(hands.rows.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(hands.rows.size(), 2u);
    EXPECT_EQ(hands.rows[0].name, "Codec");
    EXPECT_EQ(hands.rows[0].yours, "G.723.1");
    EXPECT_EQ(hands.rows[0].current, "G.711 u-law");
    EXPECT_EQ(hands.rows[1].name, "Status");
    EXPECT_EQ(hands.rows[1].current, "Blocked");
    EXPECT_EQ(owner.Sent().back(), "MOD MGCPSUB: DN=8001, REV=5, CODEC=G723;");

    // Removal carries it; a conflict dropped sends nothing again.
    platform::CRecordingUiGuard ui;
    EXPECT_TRUE(data.GetComObj()->InvokeOperation(4, {IdOf("8002")}));
    EXPECT_EQ(owner.Sent().back(), "RMV MGCPSUB: DN=8002, REV=5;");
    hands.answer = IDCANCEL;
    const size_t before = owner.Sent().size();
    EXPECT_TRUE(data.GetComObj()->TakeRefusal("RMV MGCPSUB: DN=8002, REV=5;", RC_STALE_REVISION,
                                              "Changed since REV=5: DESC. Now: DN=8002, DESC=x, REV=6"));
    data.ProcessCmdRslt("RMV MGCPSUB: DN=8002, REV=5;", FALSE, {}, {});
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.Sent().size(), before);
    SetCmdParamEditor(nullptr);
}
