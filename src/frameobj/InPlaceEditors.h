// In-place editors of the command parameter list: each is created over one
// value cell, edits one parameter, writes the value into it when editing
// ends (Enter or losing the focus; Escape drops the edit), and then ends its
// own life. A value the parameter cannot take is not written; the editor
// hands it back with the rule it breaks. Which editor serves which
// parameter kind: EditorFor.
#pragma once

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

// How an edit ended.
struct SEditEnd {
    enum EHow { Dropped, Written, Refused } how = Dropped;
    QString text;      // what the editor held
    std::string rule;  // Refused: the rule the text breaks
};

// Creates the editor over rect of parent; text editors start with text.
// done reports how the edit ended; the editor deletes itself.
UO_FRAME_API QWidget* CreateInPlaceEditor(QWidget* parent, const QRect& rect, CCmd& cmd, int paraIndex,
                                          const QString& text, std::function<void(const SEditEnd&)> done);
