// CDnSegTreeCtrl: the number segments of the switch, one top-level item per
// segment; a segment of more than 1000 numbers is split into child blocks
// of at most 1000 numbers, so that the subscribers of one block can be
// listed at a time. A segment too long for one item per block opens into
// ranges of a million (a billion, ...) numbers first, each filled with its
// blocks or smaller ranges when it is opened. Every item keeps its segment's instance, index and the
// number range it stands for (SItemData). The object-data library keeps
// the items in step (WM_USER+1400..1404); the right button offers the
// segment object's operations, its views and a refresh.
#pragma once

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QTreeWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "MsgTarget.h"

class CInstData;
class CObjDescData;

struct SItemData {
    DWORD dwInstID = 0;  // all bits set for a block item
    long nSegIndex = 0;
    std::int64_t nFirst = 0;
    std::int64_t nLast = 0;
};

class CDnSegTreeCtrl : public CWndT<QTreeWidget> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr DWORD kBlockItem = 0xFFFFFFFFu;
    static constexpr std::int64_t kBlockSize = 1000;
    // A segment that would need more blocks than this opens into ranges of
    // 1000 times more numbers first: the items of one level stay a count a
    // tree can hold.
    static constexpr std::int64_t kMaxBlocks = 10000;
    static constexpr int ID_REFRESH = 3151;

    explicit CDnSegTreeCtrl(QWidget* parent = nullptr, int controlId = 10163);
    ~CDnSegTreeCtrl() override;

    void InitMenu();
    LRESULT OnDataInit(WPARAM, LPARAM);
    LRESULT OnDataUpdate(WPARAM, LPARAM);
    LRESULT OnDataDel(WPARAM id, LPARAM);
    LRESULT OnDataAdd(WPARAM id, LPARAM);
    // A segment's record changed (its details came): its item's text follows.
    LRESULT OnDataMod(WPARAM id, LPARAM);
    LRESULT OnBusy(WPARAM count, LPARAM);

    void DisplayAllData();
    QTreeWidgetItem* AddDnSegItem(const CInstData& inst);
    static std::string GetDnSegItemText(const CInstData& inst);
    bool LookupItemData(const QTreeWidgetItem* item, SItemData& out) const;
    // An item that stands for its numbers itself: a segment of at most 1000
    // numbers or a block; not a segment or range that opens into others.
    bool IsLeaf(const QTreeWidgetItem* item) const;
    // forward: depth-first order, else its reverse; from start, else from
    // the selected item, else from the first (last) item; wraps once round.
    QTreeWidgetItem* FindItemData(DWORD id, bool forward, QTreeWidgetItem* start) const;
    QTreeWidgetItem* GetNextItem(QTreeWidgetItem* item) const;
    QTreeWidgetItem* GetPrevItem(QTreeWidgetItem* item) const;
    QTreeWidgetItem* SelectedItem() const;
    void UpdateMenuState(int selection);
    BOOL OnCommand(int id);
    void OnDblClk();

    QMenu* PopupMenu() const { return m_pMenuPopup.get(); }
    QMenu* ViewsMenu() const { return m_pMenuViews.get(); }
    int BusyCount() const { return m_nBusy; }
    // Image 0 marks a segment, image 1 a block.
    void SetImageList(QList<QIcon> images) { m_images = std::move(images); }

    CObjDescData* m_obj = nullptr;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void Rebuild();
    void ForgetItem(QTreeWidgetItem* item);
    void StoreItemData(QTreeWidgetItem* item, const SItemData& data);
    // The children of an item that stands for first..last of a segment:
    // blocks, or ranges that get theirs when they are opened.
    void AddRanges(QTreeWidgetItem* item, long segIndex, std::int64_t first, std::int64_t last);
    void OnItemExpanded(QTreeWidgetItem* item);

    std::unique_ptr<QMenu> m_pMenuPopup, m_pMenuViews;
    QList<QIcon> m_images;
    std::unordered_map<const QTreeWidgetItem*, SItemData> m_mapItemData;
    // The object window's outstanding commands, as last broadcast.
    int m_nBusy = 0;
};
