// CCustomizeFilterDlg: the operator's filters of one list, edited in the
// module's filter table and saved to the filter file on OK.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QTreeWidget>

#include <string>

#include "Filter.h"

class CObjListCtrl;

// A filter name goes into the filter file as a key: the characters that
// would end or break a key there never get in.
class CFilterNameEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CFilterNameEdit(QWidget* parent = nullptr);
};

class CCustomizeFilterDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxName = 25;

    CCustomizeFilterDlg(CObjListCtrl* list, std::string listKey, QWidget* parent = nullptr);

    void OnClickList();
    void OnAddOrChange();
    void OnDelete();
    void OnCommandButton();
    void accept() override;

    QLineEdit* NameEdit() const { return m_editName; }
    QLineEdit* CommandEdit() const { return m_editCommand; }
    QTreeWidget* FilterList() const { return m_listFilter; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void OnInitDialog();
    void TakeValues();
    void AddRow(const std::string& name, const std::string& command);

    // Members in the order the dialog keeps them.
    CFilterNameEdit* m_editName;
    QTreeWidget* m_listFilter;
    std::string m_strName;
    std::string m_strCommand;
    CObjListCtrl* m_pList;
    CFilter::FilterMap* m_pMapCmd = nullptr;
    std::string m_strListKey;
    QLineEdit* m_editCommand;
};
