// CPropertyDisplayView: the host's property panel. It shows the object and
// instance of a detail selection (WM_USER+1500) as name/value rows, and the
// detail the switch sent for that instance: single values as rows, tables
// as child rows.
#pragma once

#include <QTreeWidget>

#include "MsgTarget.h"

class CDynData;

class CPropertyDisplayView : public CWndT<QTreeWidget> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    Q_INVOKABLE explicit CPropertyDisplayView(QWidget* parent = nullptr);

    LRESULT OnShowDetail(WPARAM, LPARAM lParam);
    LRESULT OnShowInstance(WPARAM, LPARAM lParam);
    // Name/value rows as shown, for dumps.
    std::vector<std::pair<std::string, std::string>> Rows() const;

private:
    void ShowRecord(const CDynData& data, int index);
    const CDynData* m_pLastData = nullptr;
};
