// In-place editors of the command parameter list: each is created over one
// value cell, edits one parameter, writes the value into it when editing
// ends (Enter or losing the focus; Escape drops the edit), and then ends its
// own life. Which editor serves which parameter kind: EditorFor.
#pragma once

#include <QWidget>

#include <functional>

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

// Creates the editor over rect of parent. done(true) after a value was
// written, done(false) after a cancelled edit; the editor deletes itself.
UO_FRAME_API QWidget* CreateInPlaceEditor(QWidget* parent, const QRect& rect, CCmd& cmd, int paraIndex,
                                          std::function<void(bool)> done);
