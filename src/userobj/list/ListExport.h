// Export of an object list: what the list shows, read row by row in the
// list's own column order; a paged list's records are read from the switch
// page by page through the list's query (the list itself stays as it is).
#pragma once

#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "ExportSource.h"
#include "ListTools.h"
#include "hostlibs/ObjArray.h"

class CObjListCtrl;
class CUserObjWnd;

class CListExportSource : public IExportSource {
public:
    explicit CListExportSource(CObjListCtrl& list);
    ~CListExportSource() override;
    std::vector<std::string> Titles() const override;
    long long RowCount() const override;
    bool IsRemote() const override { return m_bRemote; }
    void FetchRows(long long first, int count, RowsDone done) override;
    void CancelFetch() override;
    QWidget* Owner() const override;

private:
    void FetchPage(long long first, int count, RowsDone done);
    // The switch forgot the query, or it is outdated: the list's query is
    // run again and the reading goes on from first under the new one.
    void RenewQuery(long long first, int count, RowsDone done, const char* why);
    // Sends a command whose report goes to the tap; false when it cannot go out.
    bool Send(const std::string& command, std::function<void(const CObjArray*)> tap);
    // The rows of the records block of a page or a whole result, in the
    // list's columns, added to rows; false when the block does not hold together.
    bool RowsOf(const CObjArray& report, std::vector<Row>& rows) const;
    // Gives the switch back the query the export opened for itself.
    void ReleaseOwnQuery();
    QPointer<CObjListCtrl> m_list;
    QPointer<CUserObjWnd> m_wnd;
    bool m_bRemote = false;
    long long m_nTotal = 0;
    std::string m_strQid;
    std::string m_strQuery;    // asks the switch for the list as it stands
    std::string m_strPending;  // the command on its way
    bool m_bRenewed = false;   // the query was renewed and has given no page yet
    bool m_bOwnQuery = false;  // the query is the export's, not the list's
    bool m_bStale = false;     // records were added or removed since the query ran
    std::vector<Row> m_earlier;  // rows of the reports before the last of an answer
};

// The list menu's export entries.
class CListExportTools : public IListTools {
public:
    void ExportText(CObjListCtrl& list, const std::string& objectName) override;
    void ExportWorkbook(CObjListCtrl& list, const std::string& objectName) override;
};

// Exports the list to the file without asking (a workbook when the name
// ends in ".xlsx", a text file otherwise); done tells how it ended.
void ExportListTo(CObjListCtrl& list, const std::string& path, std::function<void(bool ok)> done);
