// CFindDlg: finds a text in one column of the rows an object list holds,
// from the top, then match by match; nothing is asked of the switch.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <string>

class CObjListCtrl;

class CFindDlg : public QDialog {
    Q_OBJECT
public:
    // How a cell matches: equal to the text, starting with it, holding it.
    enum { MATCH_WHOLE = 0, MATCH_BEGIN = 1, MATCH_PART = 2 };

    // Runs the dialog over the list; a list without rows has nothing to
    // find and ends at once (IDOK).
    static int Run(CObjListCtrl* list);

    CFindDlg(CObjListCtrl* list, QObject* hostMainWindow, QWidget* parent = nullptr);
    ~CFindDlg() override;

    void OnFind();
    void OnFindNext();
    // The row after start whose cell in column matches, else -1 (the
    // operator is told when a column was searched in vain).
    int Search(const std::string& text, int mode, int column, int start);

    QPushButton* FindNextButton() const { return m_btnFindNext; }

private:
    void OnInitDialog();
    void ShowMatch(int row);

    // Members in the order the dialog keeps them.
    CObjListCtrl* m_pList;
    int m_nLastMatch = -1;
    QPushButton* m_btnFindNext;
    QComboBox* m_cbxColumn;
    QComboBox* m_cbxMode;
    QLineEdit* m_editText;
    QPointer<QObject> m_host;
};
