// CObjListCtrl: the list of the instances of one object, bound to its
// object-data set. It never parses reports: the object-data library tells it
// what changed (WM_USER+1400..1404) and it redraws from the record store. It
// also holds the paging window of very long results.
#pragma once

#include <QTableView>

#include <map>
#include <string>

#include "MsgTarget.h"
#include "ObjListModel.h"
#include "hostlibs/ObjData.h"

class CObjListCtrl : public CWndT<QTableView> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    // Results above this many records are shown scaled onto this many rows.
    static constexpr int kMaxRows = 10000;
    static constexpr int kPageSize = 500;

    explicit CObjListCtrl(QWidget* parent = nullptr, int controlId = 0);

    LRESULT OnDataInit(WPARAM, LPARAM);
    LRESULT OnDataAdd(WPARAM id, LPARAM);
    LRESULT OnDataDel(WPARAM id, LPARAM);
    LRESULT OnDataMod(WPARAM id, LPARAM);
    LRESULT OnDataUpdate(WPARAM, LPARAM);
    LRESULT OnListLock(WPARAM count, LPARAM);
    LRESULT OnIgnored(WPARAM, LPARAM) { return 1; }

    // Fills the rows from the record store (the caller has emptied the list).
    void DisplayAllData();
    void BuildColumns();
    bool IsPaged() const;
    // The row where record i of the loaded page stands.
    int RowOfPageRecord(int i) const;

    CObjListModel& Model() { return m_model; }
    int GetItemCount() const { return m_model.rowCount(); }
    DWORD GetItemData(int row) const { return m_model.ItemData(row); }
    std::vector<DWORD> SelectedIds() const;
    int ControlId() const { return m_nControlId; }

    // Fields, in the order the list keeps them.
    int m_nSortColumn = -1;
    BOOL m_bSortAscending = TRUE;
    CObjDescData* m_obj = nullptr;
    int m_nTotalRecords = -1;
    int m_nPageBegin = 0;
    int m_nPageEnd = 0;
    float m_fRowScale = 1.0f;
    int m_nCursorRecord = 0;
    int m_nPageDirection = 255;
    BOOL m_bPageRequested = FALSE;
    BOOL m_bPassContext = FALSE;
    BOOL m_bResultSeen = TRUE;
    std::string m_strListKey;
    std::map<std::string, std::string> m_mapQueryInfo;
    BOOL m_bUnfiltered = TRUE;
    int m_nReserved = 0;
    BOOL m_bFilterActive = FALSE;
    std::string m_strFilterCommand;
    std::string m_strSortCommand;

private:
    void NotifyParent(UINT message);
    CObjListModel m_model;
    int m_nControlId;
};
