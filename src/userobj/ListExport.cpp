// Export of an object list.
#include "ListExport.h"

#include <QString>

#include "ExportData.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"
#include "UserObjWnd.h"
#include "hostlibs/DisplayValues.h"
#include "hostlibs/HostStringIds.h"

namespace {

// The page fetch command of the object, for records first .. last of the query.
std::string PageCommand(const CComObj& obj, const std::string& qid, long long first, long long last) {
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    obj.EnumCmd(codes, names);
    const std::map<std::string, std::string> params{{HostString(HS_QID), qid},
                                                    {HostString(HS_PAGE_BEGIN), std::to_string(first)},
                                                    {HostString(HS_PAGE_END), std::to_string(last)}};
    for (DWORD code : codes) {
        if (obj.GetCmdTable().at(code).text2.find(HostString(HS_PAGE_CMD)) == std::string::npos) continue;
        CCmd cmd;
        obj.GetCmdByOpID(cmd, code);
        return cmd.Format(params);
    }
    return {};
}

std::string ObjectName(const CObjListCtrl& list) {
    return list.m_obj && list.m_obj->GetComObj() ? list.m_obj->GetComObj()->GetDesc().displayName : std::string();
}

}  // namespace

CListExportSource::CListExportSource(CObjListCtrl& list) : m_list(&list), m_wnd(list.ObjectWindow()) {
    const int total = list.m_nTotalRecords;
    m_bRemote = list.IsPaged() && total > CObjListCtrl::kPageSize;
    m_nTotal = m_bRemote ? total : list.GetItemCount();
    if (m_bRemote) m_strQid = list.m_mapQueryInfo[HostString(HS_QID)];
}

CListExportSource::~CListExportSource() { CancelFetch(); }

std::vector<std::string> CListExportSource::Titles() const {
    return m_list ? m_list->Model().Titles() : std::vector<std::string>{};
}

long long CListExportSource::RowCount() const { return m_nTotal; }

// The object window, not the list: the list is disabled while the pages are
// on their way, and so would be the progress dialog's Cancel button.
QWidget* CListExportSource::Owner() const { return m_wnd ? static_cast<QWidget*>(m_wnd) : m_list; }

void CListExportSource::CancelFetch() {
    if (m_wnd && !m_strPending.empty()) m_wnd->DropTap(m_strPending);
    m_strPending.clear();
}

void CListExportSource::FetchRows(long long first, int count, RowsDone done) {
    if (!m_list) return done(false, {}, "The list is gone.");
    if (m_bRemote) return FetchPage(first, count, std::move(done));
    const CObjListModel& model = m_list->Model();
    const int columns = static_cast<int>(model.Titles().size());
    std::vector<Row> rows;
    rows.reserve(static_cast<size_t>(count));
    for (long long r = first; r < first + count; ++r) {
        Row& row = rows.emplace_back();
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) row.push_back(model.CellText(static_cast<int>(r), c));
    }
    done(true, std::move(rows), {});
}

void CListExportSource::FetchPage(long long first, int count, RowsDone done) {
    CObjDescData* desc = m_list->m_obj;
    CComObj* obj = desc ? desc->GetComObj() : nullptr;
    const std::string command = obj ? PageCommand(*obj, m_strQid, first, first + count - 1) : std::string();
    if (!m_wnd || command.empty()) return done(false, {}, "The list cannot fetch pages.");
    const std::vector<std::string> titles = Titles();
    auto tap = [this, desc, obj, titles, done](const CObjArray* report) {
        m_strPending.clear();
        IFrmDatabase* db = m_wnd && m_wnd->HostLink() ? m_wnd->HostLink()->GetDatabase() : nullptr;
        if (!report || !m_wnd) return done(false, {}, "The switch did not answer.");
        if (!db || !db->IsReturnCodeSuccessful(report->GetRetCode()))
            return done(false, {}, report->GetCommand() + " " + report->GetResultText());
        std::string block;
        desc->GetListCmdReportBlockName(0, block);
        std::vector<std::string> header;
        CDataTable table;
        if (m_wnd->GetReportBlock(*report, block, header, table) == -1)
            return done(false, {}, report->GetCommand() + " " + report->GetResultText());
        // The page's columns, found by the titles the list shows.
        const CDisplayValues display(header, obj->GetDesc());
        std::vector<int> columnOf;
        for (const std::string& t : titles) {
            const auto& shown = display.DisplayHeader();
            const auto at = std::find(shown.begin(), shown.end(), t);
            columnOf.push_back(at == shown.end() ? -1 : static_cast<int>(at - shown.begin()));
        }
        std::vector<Row> rows;
        rows.reserve(table.Rows().size());
        for (const CDataRow& record : table.Rows()) {
            std::vector<std::vector<std::string>> fields = record;
            display.Convert(fields);
            Row& row = rows.emplace_back();
            for (int c : columnOf)
                row.push_back(c >= 0 && c < static_cast<int>(fields.size()) ? platform::Join(fields[static_cast<size_t>(c)])
                                                                          : std::string());
        }
        done(true, std::move(rows), {});
    };
    m_strPending = command;
    if (!m_wnd->SendTapped(command, std::move(tap))) {
        m_strPending.clear();
        done(false, {}, "The command cannot be sent to the switch.");
    }
}

void CListExportTools::ExportText(CObjListCtrl& list, const std::string& objectName) {
    CExportData::ExportToText(std::make_unique<CListExportSource>(list), objectName);
}

void CListExportTools::ExportWorkbook(CObjListCtrl& list, const std::string& objectName) {
    CExportData::ExportToExcel(std::make_unique<CListExportSource>(list), objectName);
}

void ExportListTo(CObjListCtrl& list, const std::string& path, std::function<void(bool ok)> done) {
    auto source = std::make_unique<CListExportSource>(list);
    if (QString::fromStdString(path).endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        CExportData::ExportToExcel(std::move(source), ObjectName(list), std::move(done), path);
    else
        CExportData::ExportToText(std::move(source), ObjectName(list), std::move(done), path);
}
