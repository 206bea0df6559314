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
    QPointer<CObjListCtrl> m_list;
    QPointer<CUserObjWnd> m_wnd;
    bool m_bRemote = false;
    long long m_nTotal = 0;
    std::string m_strQid;
    std::string m_strPending;  // the page command on its way
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
