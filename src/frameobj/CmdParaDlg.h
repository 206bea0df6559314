// The command parameter dialog: one command's parameters as a two-column
// list (name, value) over pages of ten, edited in place with an editor that
// fits each parameter's kind. Relations between parameters enable, disable
// and require rows as values change; OK is refused while a required
// parameter is missing or a typed value could not be taken (it stays in its
// cell, named to the operator with its rule). The keys of the instance a
// modify changes are shown, never edited. The values stay in the caller's
// command model.
#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QPointer>
#include <QTabBar>
#include <QTableWidget>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "FrameApi.h"
#include "MsgTarget.h"
#include "hostlibs/Cmd.h"
#include "hostlibs/ObjData.h"

class CTitleTip;
class QLabel;
struct SEditEnd;

// Row flags of the parameter list (item data of column 0). Pages give an
// editable row 0, 2, 4 or 6; the state bits (29 to 31) stay 0, so the
// keyboard request WM_USER+1508 only focuses such a row.
inline constexpr int ROW_READONLY = 1;
inline constexpr int ROW_REQUIRED = 2;
inline constexpr int ROW_WHITE = 4;
inline constexpr int ROW_STATE_SHIFT = 29;

class UO_FRAME_API CParaListCtrl : public CWndT<QTableWidget> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CParaListCtrl(QWidget* parent = nullptr);
    void SetCommand(CCmd* cmd);
    void ShowPage(CCmd* cmd, const std::vector<int>* page, int callerFlag,
                  const std::vector<std::string>* fixed);
    void EvaluateRelations();
    // How an editor is asked for. Walk: the arrows reached the row, and a
    // choice opens closed so that they walk on. Ask: F2, a double click or
    // a typed key, and a choice opens with its entries dropped down.
    enum class EOpen { Walk, Ask };
    // Opens the editor of a row; false when the row or its kind has none.
    bool BeginEdit(int row, EOpen how = EOpen::Walk);
    LRESULT OnOpenEditor(WPARAM row, LPARAM);
    int RowFlags(int row) const;
    int ParaIndexOfRow(int row) const;
    QWidget* Editor() const { return m_pEditor.data(); }
    const std::vector<SParaRelation>& Relations() const { return m_relations; }
    // Tells the operator about a typed value the parameter could not take
    // (it stays in its cell until corrected): the first not told yet, or
    // with again the first of all. False when there is none to tell.
    bool TellRefused(bool again);
    // The command model changed the value of the parameter at index.
    void OnParaChanged(int index);

    // The title tip's timer, started on the first activation: every 100 ms
    // it checks that the pointer is still over the tip's cell.
    static constexpr int kTipTimerId = 100;
    static constexpr int kTipTimerMs = 100;

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    // The rows are never searched by typing: a typed key is a value's.
    void keyboardSearch(const QString&) override {}

private:
    // A typed value the parameter refused, kept for the operator to correct.
    struct SRefused {
        std::string text;
        std::string rule;
        bool told = false;
    };
    void SetRowFlags(int row, int flags);
    void EditEnded(int row, int index, const SEditEnd& end, bool hadFocus);
    void HideTitleTip();
    // Hands a key the list took to the open editor, as if typed into it.
    void PassToEditor(const QKeyEvent& e);
    // The value cell's text: a refused entry, else the parameter's value.
    QString ShownText(int index) const;
    CTitleTip* m_pTitleTip;
    CCmd* m_pCmd = nullptr;
    const std::vector<int>* m_pPage = nullptr;
    int m_nCallerFlag = 1;
    QPointer<QWidget> m_pEditor;
    int m_bRelationsPresent = 0;
    int m_nRowMarker = -1;  // the row the title tip stands over
    int m_nTipTimer = -1;   // kTipTimerId once started
    QBasicTimer m_tipTimer;
    std::vector<SParaRelation> m_relations;
    std::map<int, SRefused> m_refused;  // by parameter index
    int m_nPassedKey = 0;  // a key passed to the editor whose release follows it there
};

class UO_FRAME_API CCmdParaDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPerPage = 10;
    static constexpr int kMaxPages = 10;
    static constexpr int kRowHeight = 20;

    CCmdParaDlg(CCmd* cmd, QWidget* parent, std::string cancelText = {}, int callerFlag = 1,
                const std::vector<std::string>* fixed = nullptr, QObject* hostMainWindow = nullptr);
    ~CCmdParaDlg() override;

    // Splits the command's non-constant parameters into pages of ten; a
    // last page takes up to twenty rather than leave a short page behind.
    static std::vector<std::vector<int>> BuildPages(const CCmd& cmd);
    // Height of the parameter list for a first page of that many rows.
    static int ListHeight(int rows);

    int exec() override;
    void accept() override;
    void ShowTab(int tab);

    // Another operator changed (or removed) the record this dialog
    // modifies: the dialog says so above its buttons and keeps what the
    // operator entered (OK then meets the record as it is now). True when the dialog is one
    // that modifies the record of that object with those key values.
    bool NoteRecordChanged(const std::string& object, const std::vector<std::pair<std::string, std::string>>& keys,
                           bool removed);
    QLabel* ChangedNote() const { return m_pChanged; }

    CParaListCtrl* List() { return m_list; }
    QTabBar* Tabs() { return m_tabs; }
    int PageCount() const { return m_nPageCount; }
    const std::array<std::vector<int>, kMaxPages>& Pages() const { return m_aPages; }

private:
    void Initialise();
    CCmd* m_pCmd;
    std::array<std::vector<int>, kMaxPages> m_aPages;
    int m_nPageCount = 0;
    std::string m_strCancel;
    int m_nCallerFlag;
    const std::vector<std::string>* m_pFixed;
    QTabBar* m_tabs;
    CParaListCtrl* m_list;
    QPointer<QObject> m_host;
    QLabel* m_pChanged = nullptr;  // "changed meanwhile", once it was
    // Pages shown, events registered and the host told (WM_USER+1001, 5);
    // a dialog that ended at once did none of it, so it owes no close.
    bool m_bOpened = false;
};

// The parameter entry of the object-data library, through this dialog.
class UO_FRAME_API CCmdParaEditor : public ICmdParamEditor {
public:
    int EditCommand(CCmd& cmd, HWND owner) override;
    int ResolveConflict(const std::string& title, const std::string& text, const std::vector<SConflictRow>& rows,
                        HWND owner) override;
};
