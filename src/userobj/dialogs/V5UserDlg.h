// The V5 and V5 BRA subscriber dialogs: the V5 interfaces, the L3 ports of
// the picked interface, and the subscribers of the picked interface or port,
// in three panes side by side. The twins differ only in their numbers.
#pragma once

#include <QLabel>

#include <string>

#include "ObjListCtrl.h"
#include "SplitterBar.h"
#include "UserDlg.h"
#include "V5InterfaceTree.h"
#include "V5PortCache.h"
#include "V5PortL3Tree.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"

// What sets one V5 dialog apart from its twin.
struct SV5Family {
    int templateId;
    DWORD interfaceType, portType, subscriberType;
    int typeString;                 // the port group whose ports bind subscribers
    const char* subscriberCaption;  // the template's text of the subscriber caption
};
extern const SV5Family kV5Family, kV5BraFamily;

class CV5DialogBase : public CUserDlg {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    // Control IDs of the three panes, their captions and the two bars.
    static constexpr int kCaptionIf = 10178, kCaptionPort = 10179, kCaptionSub = 10180;
    static constexpr int kTreeIf = 10181, kTreePort = 10182, kListSub = 10183;
    static constexpr int kBarIfPort = 10184, kBarPortSub = 10185;
    static constexpr int kCmdRefreshIf = 300, kCmdRefreshPort = 301;
    enum { kDetailInterface = 0, kDetailPort = 1, kDetailSubscriber = 2 };

    CV5DialogBase(const SV5Family& family, QWidget* parent);
    ~CV5DialogBase() override;

    BOOL InitObj(CUserObjWnd* frame, IFrmDatabase* db);
    CObjDescData* GetMainObjDesc() override { return m_dataSub.IsCreated() ? &m_dataSub : nullptr; }
    // The object window's refresh command while this dialog is active.
    void Refresh();

    CV5InterfaceTree* GetInterfaceTree() { return &m_treeIf; }
    CV5PortL3Tree* GetPortTree() { return &m_treePort; }
    CObjListCtrl* GetSubscriberList() { return &m_listSub; }
    CObjDescData& InterfaceData() { return m_dataIf; }
    CObjDescData& PortData() { return m_dataPort; }
    CObjDescData& SubscriberData() { return m_dataSub; }
    const CV5PortCache& PortCache() const { return m_portCache; }
    const SV5Family& Family() const { return m_family; }
    int DetailSource() const { return m_nDetailSource; }
    bool PortBound() const { return m_bPortBound; }
    bool ListBound() const { return m_bListBound; }
    QLabel* Caption(int id) const;

    // Virtual operations behind those of the base, in this order.
    virtual LRESULT OnDataInitBuffer(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnDataUpdateBuffer(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNotifyOtherCtrlRefresh(WPARAM wParam, LPARAM lParam);

    LRESULT OnCountChanged(WPARAM wParam, LPARAM);
    LRESULT OnCommand(WPARAM id, LPARAM);
    void OnInterfaceClick(QPoint viewportPos);
    void OnPortClick(QPoint viewportPos);
    void OnListClick();
    void Relayout();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void OnInitDialog();
    void ShowDetailOf(CObjDescData& data);
    void BindPortTree(const std::string& key);
    void BindSubscriberList(const std::string& groupText, const std::string& key,
                            const std::string& value1, const std::string& value2);

    SV5Family m_family;
    QLabel* m_captionIf;
    QLabel* m_captionPort;
    QLabel* m_captionSub;
    QWidget* m_barIfPort;
    QWidget* m_barPortSub;
    CV5InterfaceTree m_treeIf;
    CV5PortL3Tree m_treePort;
    CObjListCtrl m_listSub;
    CxSplitterWnd m_splitterIfPort, m_splitterPortSub;
    std::string m_strCaptionBase;
    CObjDescData m_dataIf, m_dataPort, m_dataSub;
    SComObj m_descPort, m_descSub;
    IFrmDatabase* m_pDatabase = nullptr;
    CV5PortCache m_portCache;
    int m_nDetailSource = kDetailInterface;
    bool m_bPortBound = false;
    bool m_bListBound = false;
};

class CV5UserDlg : public CV5DialogBase {
    Q_OBJECT
public:
    explicit CV5UserDlg(QWidget* parent = nullptr) : CV5DialogBase(kV5Family, parent) {}
};

class CV5BRAUserDlg : public CV5DialogBase {
    Q_OBJECT
public:
    explicit CV5BRAUserDlg(QWidget* parent = nullptr) : CV5DialogBase(kV5BraFamily, parent) {}
};
