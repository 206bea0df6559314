// CObjListCtrl: the list of the instances of one object, bound to its
// object-data set. It never parses reports: the object-data library tells it
// what changed (WM_USER+1400..1404) and it redraws from the record store. It
// also keeps the paging window of very long results, the sort state and the
// right-button menu of the object's operations.
#pragma once

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <QTimer>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "MsgTarget.h"
#include "ObjListModel.h"
#include "SortHeaderCtrl.h"
#include "hostlibs/ObjData.h"

class CUserObjWnd;

class CObjListCtrl : public CWndT<QTableView> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
    // Records of the list's result (a paged query's total), -1 unknown: what
    // the property panel counts.
    Q_PROPERTY(int totalRecords READ TotalRecords)
public:
    // Results above this many records are shown scaled onto this many rows.
    static constexpr int kMaxRows = 10000;
    static constexpr int kPageSize = 500;
    // How the last page was reached.
    // PAGE_VIEW: the view moved by itself (wheel, resize) and stays put.
    enum { PAGE_FORWARD = 0, PAGE_BACKWARD = 1, PAGE_JUMP = 2, PAGE_VIEW = 3 };

    explicit CObjListCtrl(QWidget* parent = nullptr, int controlId = 0);
    ~CObjListCtrl() override;

    // ---- data messages ----
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
    // Widest of the title and the values of the loaded records (at most the
    // first page of them), capped; what a double click on the column's
    // divider sets.
    int FittedWidth(int column, int cap) const;
    void FitColumn(int column);
    // The widest a column is fitted to when the list first shows records.
    int MaxFittedWidth() const;
    bool IsPaged() const;
    // How often this list wrote a column width to the user's settings.
    int WidthWrites() const { return m_nWidthWrites; }
    // The row where record i of the loaded page stands.
    int RowOfPageRecord(int i) const;

    // ---- paging ----
    // After a key moved the view: fetches the page the view now needs.
    void PageCheckKey(int key);
    // After the scroll bar moved the view.
    void PageCheckScroll(int action, int position);
    void OnThumbTrack(int position);
    void OnThumbReleased();
    void FetchPage(int begin, int end, bool requested);
    // Fetches the page around the view when the view shows rows whose
    // records are not held (the wheel, a drag, a taller list).
    void FetchShownPage();
    // A result without a paged head replaces the paged query it followed.
    void ForgetQuery();
    // The switch no longer holds the query of the page fetch on its way:
    // the list asks for itself again, as a refresh would, so that the head
    // fetches the page the operator was going to. False (and nothing sent)
    // when the query lost was already such a renewed one.
    bool RenewQuery();
    // The first page a paged head of [total] records fetches: 0 to 499, or
    // while the list renews its query the page that was lost, kept within
    // the new total.
    void FirstPageOfQuery(int total, int& begin, int& end);
    void PlacePage();
    int TopRow() const;
    int RowsPerPage() const;

    // ---- changes other operators made (ObjListNotices.cpp) ----
    using Keys = std::vector<std::pair<std::string, std::string>>;
    // A record of the list's object changed on the switch: its row, when it
    // is loaded and not at that revision yet, is read again in place (the
    // property panel with it when that shows the record).
    void FollowModified(const Keys& keys, const std::string& revision);
    // Records came or went: the list asks for itself again, shortly and
    // once for a burst, and shows the page it showed with the view, the
    // selection and the current row where they were.
    void FollowSwitch();
    // The loaded record with these key values; 0 when none is.
    DWORD FindByKeys(const Keys& keys) const;

    // ---- operations ----
    void Refresh();
    // The list asks its query anew as F5 does, but keeps the operator's
    // place: the page in view, the scroll position, the selection and the
    // current row, found again by their records' keys once the records come
    // (after records came or went, or when the switch forgot the query in a
    // new session). False (and nothing kept) when nothing went out.
    bool AskAnewKeepingPlace();
    // The command that asks the switch for this list as it stands: its sort
    // command when sorted, its filter when filtered, else the object's own query.
    std::string QueryCommand() const;
    void OnEnterKey();
    void OnInsertKey();
    void OnDeleteKey();
    void OnDoubleClick();
    // Sort by the clicked column (left button).
    void OnHeaderClick(int column);
    BOOL GetSortCommand(const std::string& title);

    // ---- the right-button menu ----
    void BuildMenu();
    void UpdateMenuState(int selectionCount = -1);
    BOOL IsOperationAllowed(WORD actType, int selectionCount);
    // Whether the operator's role may run the menu command id (an
    // operation's or another); the menus grey what it may not.
    bool RoleAllows(int id) const;
    BOOL OnCommand(int id);
    QMenu* MainMenu() const { return m_pMenuMain.get(); }
    QMenu* JumpMenu() const { return m_pMenuJump.get(); }

    // ---- filters ----
    // Filter state; entering either state forgets the sort.
    void SetFilterState(bool active);
    void SetListKey(const std::string& key);
    LRESULT OnFilterChosen(WPARAM, LPARAM index);
    LRESULT OnPredefinedQuery(WPARAM, LPARAM);
    LRESULT OnCustomizeFilter(WPARAM, LPARAM);
    // Back to the object's own query, in this list only.
    void DropFilter();
    // The list's key has at least one saved filter.
    bool HasFilters() const;
    // The filter in force as the operator knows it: its saved name, else
    // its conditions; empty while no filter is in force.
    std::string FilterName() const;
    // The object window names the command of each result that is not a
    // page: only the object's own query counts the unfiltered records.
    void NoteResultCommand(const std::string& command);

    CObjListModel& Model() { return m_model; }
    CSortHeaderCtrl& Header() { return *m_wndHeader; }
    int GetItemCount() const { return m_model.rowCount(); }
    DWORD GetItemData(int row) const { return m_model.ItemData(row); }
    std::vector<DWORD> SelectedIds() const;
    int SelectedCount() const;
    void SelectRow(int row);
    int ControlId() const { return m_nControlId; }
    CUserObjWnd* ObjectWindow() const;
    QLabel* TipWindow() const { return m_pTip; }

    // Fields, in the order the list keeps them.
    int m_nSortColumn = -1;
    BOOL m_bSortAscending = TRUE;
    CSortHeaderCtrl* m_wndHeader;
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
    // Records of the object's own query (-1 unknown), so a filtered list
    // can say how many of how many it shows.
    int m_nUnfilteredTotal = -1;

protected:
    // Home and End go to the first and last row, as in any list.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void NotifyParent(UINT message);
    // Sends the filter; only once it went out is it the filter in force.
    bool ApplyFilter(const std::string& command);
    // The object window's filter box shows what is in force on its active list.
    void ShowFilterInWindow();
    // The lists of this key and object in the other windows of this client:
    // they offer the saved filters this list's dialog changed.
    std::vector<CObjListCtrl*> Peers() const;
    bool IsOwnQuery(const std::string& command) const;
    std::string OwnQueryCommand() const;
    // Neither sorted nor filtered: a refresh runs the object's own query.
    bool ShowsOwnQuery() const;
    // Sends what QueryCommand names; true when it went out.
    bool AskQueryAgain();
    void ScheduleShownPageCheck();
    // After a list asked for itself again for FollowSwitch: the view, the
    // selection and the current row as they were.
    void RestoreFollowedView();
    // The list the operator works in, whose records the property panel shows.
    bool IsActiveList() const;
    void AskAgainInPlace();
    // The key values of a loaded record, in the order of the key attributes.
    std::vector<std::string> RecordKey(DWORD id) const;
    int TotalRecords() const { return m_nTotalRecords; }
    void ConnectColumnSizing();
    // A column width the operator set is remembered for the list key.
    void OnSectionResized(int column, int oldWidth, int newWidth);
    // A divider drag is over: its last width is written once.
    void SavePendingWidths();

    CObjListModel m_model;
    int m_nControlId;
    std::unique_ptr<QMenu> m_pMenuMain, m_pMenuJump, m_pMenuSpecial, m_pMenuExport;
    QLabel* m_pTip = nullptr;
    bool m_bShownCheckPending = false;
    int m_nViewTop = 0;  // the top row a PAGE_VIEW fetch keeps
    bool m_bOwnQueryResult = false;  // the records shown answer the object's own query
    bool m_bRenewingQuery = false;   // asked for again: its head fetches the page that was lost
    bool m_bQueryRenewed = false;    // the query in force was renewed and has shown no records yet
    // Column widths by title, once fitted to records or set by the operator;
    // the columns keep them over pages and refreshes.
    std::map<std::string, int> m_mapColumnWidth;
    bool m_bSizingColumns = false;  // widths being set by the list, not the operator
    std::set<std::string> m_setPendingWidths;  // titles dragged, not yet written
    int m_nWidthWrites = 0;
    struct SFollowedView {
        bool pending = false;
        int top = 0, left = 0;
        std::vector<std::string> topRecord;  // the record in the first row shown
        std::vector<std::vector<std::string>> selected;
        std::vector<std::string> current;
        std::vector<std::string> panel;  // the record the property panel showed
    };
    SFollowedView m_follow;
    QTimer* m_pFollowTimer = nullptr;
};
