// In-place editors of the command parameter list: each is created over one
// value cell, edits one parameter, writes the value into it when editing
// ends (Enter or losing the focus; Escape drops the edit), and then ends its
// own life. A value the parameter cannot take is not written; the editor
// hands it back with the rule it breaks. Which editor serves which
// parameter kind: EditorFor.
#pragma once

#include <QLabel>
#include <QWidget>

#include <functional>
#include <string>

#include "FrameApi.h"
#include "hostlibs/Cmd.h"

// Control identifiers of the editors.
inline constexpr int IDC_INPLACE_EDIT = 8;
inline constexpr int IDC_INPLACE_DTEDIT = 9;
inline constexpr int IDC_INPLACE_LIST = 10;
inline constexpr int IDC_INPLACE_CHECK = 11;
inline constexpr int IDC_INPLACE_IPEDIT = 12;

// The control identifier of the editor for a parameter; 0 when its kind has none.
UO_FRAME_API int EditorFor(const CParaItem& para);

// How an edit ended. Unchanged: the editor lost the focus (or its list
// closed) holding what it started with, and wrote nothing.
struct SEditEnd {
    enum EHow { Dropped, Written, Refused, Unchanged } how = Dropped;
    QString text;      // what the editor held
    std::string rule;  // Refused: the rule the text breaks
};

// Creates the editor over rect of parent; text editors start with text.
// done reports how the edit ended; the editor deletes itself. The up and
// down arrows (without Alt) are not the editor's: they go on to the parent,
// so that a list moves from row to row through its open editors.
UO_FRAME_API QWidget* CreateInPlaceEditor(QWidget* parent, const QRect& rect, CCmd& cmd, int paraIndex,
                                          const QString& text, std::function<void(const SEditEnd&)> done);

// The full text of a cell too narrow for it, shown over the cell. It takes
// no input: clicks and the wheel reach the list below.
class UO_FRAME_API CTitleTip : public QLabel {
public:
    explicit CTitleTip(QWidget* owner);
    // Shows text over cell (screen coordinates) in font, or hides the tip
    // when the text fits the cell. True when shown.
    bool Show(const QRect& cell, const QString& text, const QFont& font);
    // Where the tip stands for: the cell it was last shown over.
    const QRect& Cell() const { return m_cell; }

private:
    QRect m_cell;
};
