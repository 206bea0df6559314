// Export of an object list.
#include "ListExport.h"

#include <QString>

#include "ExportData.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UserObjWnd.h"
#include "hostlibs/DisplayValues.h"
#include "hostlibs/HostStringIds.h"

namespace {

// The command of the object whose name contains host string nameId
// (the page fetch, the query release), with these parameters.
std::string CommandNamed(const CComObj& obj, int nameId, const std::map<std::string, std::string>& params) {
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    obj.EnumCmd(codes, names);
    for (DWORD code : codes) {
        const auto found = obj.GetCmdTable().find(code);  // an operation may come without a template
        if (found == obj.GetCmdTable().end() || found->second.text2.find(HostString(nameId)) == std::string::npos)
            continue;
        CCmd cmd;
        obj.GetCmdByOpID(cmd, code);
        return cmd.Format(params);
    }
    return {};
}

// The page fetch command of the object, for records first .. last of the query.
std::string PageCommand(const CComObj& obj, const std::string& qid, long long first, long long last) {
    return CommandNamed(obj, HS_PAGE_CMD,
                        {{HostString(HS_QID), qid},
                         {HostString(HS_PAGE_BEGIN), std::to_string(first)},
                         {HostString(HS_PAGE_END), std::to_string(last)}});
}

std::string ObjectName(const CObjListCtrl& list) {
    return list.m_obj && list.m_obj->GetComObj() ? list.m_obj->GetComObj()->GetDesc().displayName : std::string();
}

}  // namespace

CListExportSource::CListExportSource(CObjListCtrl& list) : m_list(&list), m_wnd(list.ObjectWindow()) {
    const int total = list.m_nTotalRecords;
    m_bRemote = list.IsPaged() && total > CObjListCtrl::kPageSize;
    m_nTotal = m_bRemote ? total : list.GetItemCount();
    if (m_bRemote) {
        m_strQid = list.m_mapQueryInfo[HostString(HS_QID)];
        m_strQuery = list.QueryCommand();
        // The switch keeps the query's records as they were when it ran; the
        // list's count follows what was added and removed since. Then the
        // export asks for the list anew rather than read an outdated query.
        const auto queried = list.m_mapQueryInfo.find(HostString(HS_TOTAL_RECS));
        if (queried != list.m_mapQueryInfo.end()) {
            m_nTotal = std::strtoll(queried->second.c_str(), nullptr, 10);
            m_bStale = m_nTotal != total && !m_strQuery.empty();
        }
    }
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

bool CListExportSource::Send(const std::string& command, std::function<void(const CObjArray*)> tap) {
    m_strPending = command;
    m_earlier.clear();
    // An answer in several reports: the rows of all but the last wait for it.
    auto whole = [this, tap = std::move(tap)](const CObjArray* report) {
        if (report && report->GetContinueFlag()) {
            RowsOf(*report, m_earlier);
            return;
        }
        tap(report);
    };
    if (m_wnd && !command.empty() && m_wnd->SendTapped(command, std::move(whole))) return true;
    m_strPending.clear();
    return false;
}

bool CListExportSource::RowsOf(const CObjArray& report, std::vector<Row>& rows) const {
    CObjDescData* desc = m_list ? m_list->m_obj : nullptr;
    if (!desc || !m_wnd) return false;
    std::string block;
    desc->GetListCmdReportBlockName(0, block);
    std::vector<std::string> header;
    CDataTable table;
    if (m_wnd->GetReportBlock(report, block, header, table) == -1) return false;
    // The page's columns, found by the titles the list shows.
    const CDisplayValues display(header, desc->GetComObj()->GetDesc());
    std::vector<int> columnOf;
    for (const std::string& t : Titles()) {
        const auto& shown = display.DisplayHeader();
        const auto at = std::find(shown.begin(), shown.end(), t);
        columnOf.push_back(at == shown.end() ? -1 : static_cast<int>(at - shown.begin()));
    }
    rows.reserve(table.Rows().size());
    for (const CDataRow& record : table.Rows()) {
        std::vector<std::vector<std::string>> fields = record;
        display.Convert(fields);
        Row& row = rows.emplace_back();
        for (int c : columnOf)
            row.push_back(c >= 0 && c < static_cast<int>(fields.size()) ? platform::Join(fields[static_cast<size_t>(c)])
                                                                        : std::string());
    }
    return true;
}

namespace {

// What the switch said of a command, for the operator.
std::string Said(const CObjArray& report) { return report.GetCommand() + " " + report.GetResultText(); }

// Why a report gives no rows, for the operator; empty when it succeeded.
std::string Refusal(CUserObjWnd* wnd, const CObjArray* report) {
    if (!report || !wnd) return "The switch did not answer.";
    IFrmDatabase* db = wnd->HostLink() ? wnd->HostLink()->GetDatabase() : nullptr;
    if (!db || !db->IsReturnCodeSuccessful(report->GetRetCode())) return Said(*report);
    return {};
}

}  // namespace

void CListExportSource::FetchPage(long long first, int count, RowsDone done) {
    if (!m_list) return done(false, {}, "The list is gone.");
    if (std::exchange(m_bStale, false)) return RenewQuery(first, count, std::move(done), "changed since it ran");
    CComObj* obj = m_list->m_obj ? m_list->m_obj->GetComObj() : nullptr;
    const std::string command = obj ? PageCommand(*obj, m_strQid, first, first + count - 1) : std::string();
    auto tap = [this, first, count, done](const CObjArray* report) {
        m_strPending.clear();
        // Forgotten by the switch (left unused too long): asked for anew,
        // once; lost again at once, the export stops as on any refusal.
        if (report && m_wnd && report->GetRetCode() == RC_QUERY_GONE && !m_bRenewed && !m_strQuery.empty())
            return RenewQuery(first, count, done, "gone");
        if (const std::string why = Refusal(m_wnd, report); !why.empty()) return done(false, {}, why);
        m_bRenewed = false;
        std::vector<Row> rows = std::exchange(m_earlier, {});
        if (!RowsOf(*report, rows)) return done(false, {}, Said(*report));
        if (first + count >= m_nTotal) ReleaseOwnQuery();
        done(true, std::move(rows), {});
    };
    if (!Send(command, std::move(tap))) done(false, {}, "The list cannot fetch pages.");
}

void CListExportSource::RenewQuery(long long first, int count, RowsDone done, const char* why) {
    m_bRenewed = true;
    W2L(2, __FILE_NAME__, __LINE__, "export: query %s is %s at record %lld, asking for the list again",
        m_strQid.c_str(), why, first);
    auto tap = [this, first, count, done](const CObjArray* report) {
        m_strPending.clear();
        if (const std::string why = Refusal(m_wnd, report); !why.empty()) return done(false, {}, why);
        std::map<std::string, std::string> head;
        if (m_wnd->ReadQueryHead(*report, head)) {
            // The same list in the same order: the records go on where they stopped.
            m_strQid = head[HostString(HS_QID)];
            m_nTotal = std::strtoll(head[HostString(HS_TOTAL_RECS)].c_str(), nullptr, 10);
            m_bOwnQuery = true;
            if (first >= m_nTotal) {
                ReleaseOwnQuery();
                return done(true, {}, {});  // the records that were still to come are gone
            }
            return FetchPage(first, count, done);
        }
        // So few records are left that they came whole: those from first on.
        std::vector<Row> rows = std::exchange(m_earlier, {});
        if (!RowsOf(*report, rows)) return done(false, {}, Said(*report));
        m_nTotal = static_cast<long long>(rows.size());
        rows.erase(rows.begin(), rows.begin() + static_cast<long>(std::min<long long>(first, m_nTotal)));
        if (static_cast<long long>(rows.size()) > count) rows.resize(static_cast<size_t>(count));
        done(true, std::move(rows), {});
    };
    if (!Send(m_strQuery, std::move(tap))) done(false, {}, "The list cannot be asked for again.");
}

void CListExportSource::ReleaseOwnQuery() {
    CComObj* obj = m_list && m_list->m_obj ? m_list->m_obj->GetComObj() : nullptr;
    if (!m_bOwnQuery || !obj || !m_wnd) return;
    m_bOwnQuery = false;
    // Its answer concerns nobody.
    m_wnd->SendTapped(CommandNamed(*obj, HS_RELEASE_CMD, {{HostString(HS_QID), m_strQid}}), {});
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
