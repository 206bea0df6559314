// Every private window message of the client, named once. The numbers are a
// contract between the host frame, its object-data library and the plug-in
// modules; nothing else may hard-code them. "Sent" messages are synchronous
// and return the handler's result; "posted" ones are queued on the event loop.
#pragma once

#include "userobj/WinTypes.h"

namespace msg {

// ---- Host frame <-> object window -----------------------------------------

// object window -> host, posted. w: plug-in instance handle, l: 0. Window destroyed.
inline constexpr UINT WM_OBJWND_DESTROYED = WM_USER + 1000;
// splitter bar -> its parent, sent. w: signed distance moved (pixels), l: bar control ID.
// Shares its number with WM_OBJWND_DESTROYED; the receivers never overlap.
inline constexpr UINT WM_SPLITTER_MOVED = WM_USER + 1000;
// Identity exchange, sent. lParam tells the senders apart:
//   host -> object window: w: identity block, l: type 3 (fill the block), 10, or other (store it);
//   object window -> host: w: identity block, l: 2 (open/activate another window) or
//                          4 (ask to be destroyed; host answers with the window to agree);
//   modal dialog -> host main window: w: the dialog, l: 5 (initialised) or 6 (closing).
inline constexpr UINT WM_OBJIDENTITY = WM_USER + 1001;
// object window -> host, sent. w: command block, l: 1. Send MML commands; nonzero = sent.
inline constexpr UINT WM_SENDMML = WM_USER + 1002;
// host -> object window. w: report text (l 0) or binary frame (l: 16-bit code). Result report.
inline constexpr UINT WM_REPORT = WM_USER + 1004;
// object window -> host, sent. w, l: 0. Returns the IFrmDatabase interface.
inline constexpr UINT WM_GETDATABASE = WM_USER + 1005;
// host -> object window. w: command text (l 0) or frame (l: code). Command was killed.
inline constexpr UINT WM_KILLCMD = WM_USER + 1006;
// object window -> host, sent. w: 0, l: record {frame buffer, frame tag}. Send a binary frame.
inline constexpr UINT WM_SENDBINFRAME = WM_USER + 1008;
// object window -> itself, posted. w: request slot index, l: request identifier. Binary timeout.
inline constexpr UINT WM_BINTIMEOUT = WM_USER + 1220;
// host -> object window. Base hooks with fixed answers (1, -1, -1).
inline constexpr UINT WM_HOSTHOOK_1231 = WM_USER + 1231;
inline constexpr UINT WM_HOSTHOOK_1302 = WM_USER + 1302;
inline constexpr UINT WM_HOSTHOOK_1303 = WM_USER + 1303;
// host -> object window. w: event name (std::string*), l: event data (std::string*, owned by
// the receiver, may be null). Event hook; returns -1.
inline constexpr UINT WM_HOSTEVENT = WM_USER + 1304;
// Host event (no data): the switch's session was renewed and has forgotten every
// query of this client; the window's lists and trees ask theirs anew.
inline constexpr const char* kEventRequery = "Requery";

// ---- Object-data library <-> plug-in ----------------------------------------

// library -> bound list or tree, sent. Data initialised: rebuild.
inline constexpr UINT WM_DATA_INIT = WM_USER + 1400;
// library -> bound list or tree, sent. w: instance identifier. One instance added.
inline constexpr UINT WM_DATA_ADDED = WM_USER + 1401;
// library -> bound list or tree, sent. w: instance identifier. One instance removed.
inline constexpr UINT WM_DATA_REMOVED = WM_USER + 1402;
// library -> bound list, sent. w: instance identifier. One instance modified.
inline constexpr UINT WM_DATA_MODIFIED = WM_USER + 1403;
// library -> bound list or tree, sent. Data updated: rebuild rows, keep columns.
inline constexpr UINT WM_DATA_UPDATED = WM_USER + 1404;
// list -> its parent's parent, posted (Centrex dialog likewise). w: instance identifier,
// l: record store. Instance modified; no window of the module handles it.
inline constexpr UINT WM_INSTANCE_MODIFIED = WM_USER + 1405;
// library (CComObj) -> its owner object window, sent. w: the CComObj, l: command text
// (const char*). Send this command; returns 1 when sent or swallowed, 0 on failure.
inline constexpr UINT WM_SENDMMLMSG = WM_USER + 1410;
// library -> object window, sent. w: record {16-bit identity, text}, l: record {text, value}.
// Open or activate another object window.
inline constexpr UINT WM_CREATEORACTIVEOBJWND = WM_USER + 1411;

// ---- Inside the plug-in ------------------------------------------------------

// list or tree -> its dialog, sent. w: the sender, l: 1. Record count changed.
inline constexpr UINT WM_COUNT_CHANGED = WM_USER + 1412;
// list or tree -> its dialog, sent. w: the sender, l: 1. Rows or selection changed.
inline constexpr UINT WM_SELECTION_CHANGED = WM_USER + 1413;
// list or tree -> its dialog, sent. w: the sender, l: 1. Rebuilt.
inline constexpr UINT WM_REBUILT = WM_USER + 1414;
// tab strip -> its parent view, sent. w, l: 0. Page changed.
inline constexpr UINT WM_TABPAGECHANGE = WM_USER + 1415;
// object window -> all its descendants, sent. w: m_nMMLCount, l: 0. Busy lock.
inline constexpr UINT WM_BUSYLOCK = WM_USER + 1416;
// object window -> itself. w: kind 1, 2 or 3, l: flag. Show m_strReport; returns 1.
inline constexpr UINT WM_SHOWREPORT = WM_USER + 1417;
// V5 interface tree -> its dialog, sent. w: interface key text (std::string*), l: 1.
inline constexpr UINT WM_V5INTERFACE_CHOSEN = WM_USER + 1418;
// dialogs and views -> detail view, sent. w: 0, l: detail selection record. Show details.
inline constexpr UINT WM_SHOWDETAIL = WM_USER + 1500;
// Centrex dialog -> detail view, posted. w: 0, l: first selected instance identifier.
inline constexpr UINT WM_SHOWINSTANCE = WM_USER + 1503;
// command parameter dialog -> itself. w: row, or -1 for the focused row. Open the editor.
inline constexpr UINT WM_OPENEDITOR = WM_USER + 1508;
// object window -> active list, sent. w: 0, l: index of the chosen filter in the combo.
inline constexpr UINT WM_FILTER_CHOSEN = WM_USER + 2105;
// object window -> active list, sent. w, l: 0. Predefined query.
inline constexpr UINT WM_PREDEFINED_QUERY = WM_USER + 2108;
// accepted and ignored by the lists.
inline constexpr UINT WM_LIST_IGNORED_2110 = WM_USER + 2110;
inline constexpr UINT WM_LIST_IGNORED_2112 = WM_USER + 2112;
// object window -> active list, sent. w, l: 0. Customise filters.
inline constexpr UINT WM_CUSTOMIZE_FILTER = WM_USER + 2113;

// ---- lParam values of WM_OBJIDENTITY ----------------------------------------
inline constexpr LPARAM IDENT_OPEN_OTHER = 2;
inline constexpr LPARAM IDENT_FILL = 3;
inline constexpr LPARAM IDENT_DESTROY_REQUEST = 4;
inline constexpr LPARAM IDENT_DIALOG_INIT = 5;
inline constexpr LPARAM IDENT_DIALOG_CLOSING = 6;
inline constexpr LPARAM IDENT_TYPE10 = 10;

}  // namespace msg
