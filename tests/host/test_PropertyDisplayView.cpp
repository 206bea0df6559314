// The host's property panel: records as name/value rows, the switch's
// detail as groups, single values and tables.
#include <gtest/gtest.h>

#include "PropertyDisplayView.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

namespace {

CDataTable OneRow() {
    CDataTable t;
    t.Add({{"20000001"}, {"gw1"}});
    return t;
}

}  // namespace

TEST(PropertyDisplayView, ShowsTheObjectTheRecordAndThenTheDetail) {
    CPropertyDisplayView view;
    CObjDescData data;
    QObject owner;
    data.Create(308, HostDatabase().ObjLoadAllDesc(308), &owner, nullptr, &view, 1, nullptr, nullptr);
    data.ProcessCmdRslt("LST MGCPSUB:;", TRUE, {"DN", "MGWNAME"}, OneRow());

    SDetailSelection whole{data.GetComObj(), data.GetDynData(), -1};
    EXPECT_EQ(SendMessage(&view, msg::WM_SHOWDETAIL, 0, ToLParam(&whole)), 1);
    EXPECT_EQ(view.Rows(), (std::vector<std::pair<std::string, std::string>>{{"Object", "MGCP Subscriber"},
                                                                             {"Records", "1"}}));
    const DWORD id = data.GetDynData()->GetData()[0].GetInstID();
    data.GetComObj()->InvokeConfigDetailView(id, 0, 1, 1, -1);
    auto rows = view.Rows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[1], (std::pair<std::string, std::string>{"Directory Number", "20000001"}));

    CDetailData detail;
    detail.Insert("MGCPSUB", "CODEC", std::make_shared<CSinglePropValue>("PCMA"));
    auto table = std::make_shared<CExtMultiPropValue>();
    table->AddColumn("SRV");
    table->AddRowValue(0, 0, "CW");
    detail.Insert("MGCPSRV", "", table);
    data.GetDynData()->ProcessDetailViewRslt("DSP MGCPSUB: DN=20000001;", TRUE, detail);
    rows = view.Rows();
    // Named as the lists name them: display names and choice texts.
    EXPECT_NE(std::find(rows.begin(), rows.end(), std::pair<std::string, std::string>{"Codec", "G.711 A-law"}),
              rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        std::pair<std::string, std::string>{"MGCP Supplementary Service", ""}),
              rows.end());
    // A later instance of the Centrex kind (WM_USER+1503) shows that record.
    EXPECT_EQ(SendMessage(&view, msg::WM_SHOWINSTANCE, 0, static_cast<LPARAM>(id)), 1);
    EXPECT_EQ(SendMessage(&view, msg::WM_SHOWINSTANCE, 0, 424242), 0);
}

// The record count of a whole selection is the data's as it is now: the
// list's records may come after the selection was shown.
TEST(PropertyDisplayView, TheRecordCountFollowsTheData) {
    CPropertyDisplayView view;
    CObjDescData data;
    QObject owner;
    data.Create(308, HostDatabase().ObjLoadAllDesc(308), &owner, nullptr, &view, 1, nullptr, nullptr);
    SDetailSelection whole{data.GetComObj(), data.GetDynData(), -1};
    SendMessage(&view, msg::WM_SHOWDETAIL, 0, ToLParam(&whole));
    EXPECT_EQ(view.Rows().back(), (std::pair<std::string, std::string>{"Records", "0"}));
    data.ProcessCmdRslt("LST MGCPSUB:;", TRUE, {"DN", "MGWNAME"}, OneRow());
    EXPECT_EQ(view.Rows().back(), (std::pair<std::string, std::string>{"Records", "1"}));
}
