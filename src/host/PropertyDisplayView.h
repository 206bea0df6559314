// CPropertyDisplayView: the host's property panel. It shows the object and
// instance of a detail selection (WM_USER+1500) as name/value rows, and the
// detail the switch sent for that instance: single values as rows, tables
// as child rows. The names column is as wide as its names, up to half the
// panel (more when the values need less); the values take the rest. Group
// rows span both columns.
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
    // The widest the names column is made whatever the values: half the panel.
    int MaxNameWidth() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    // Fits the names column to the names, within MaxNameWidth unless the
    // values leave more: a name is cut only where the values would
    // otherwise cut a number or get less than a third of the panel.
    void FitNameColumn();
    void ShowRecord(const CDynData& data, int index);
    const CDynData* m_pLastData = nullptr;
};
