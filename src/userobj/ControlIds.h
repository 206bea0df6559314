// Control, resource and command numbers of the module's windows, named once,
// and the naming of a control by its number.
#pragma once

#include <QString>
#include <QVariant>

namespace ids {

// Frame resources.
inline constexpr int IDR_OBJWND_FRAME = 10026;
inline constexpr int IDI_OBJWND = 10232;
inline constexpr int IDR_SHARED_MENU = 128;
inline constexpr int IDR_FILTER_TOOLBAR = 10228;
// Filter tool bar commands.
inline constexpr int ID_FILTER_COMBO = 10238;
inline constexpr int ID_PREDEFINED_QUERY = 10239;
inline constexpr int ID_DROP_FILTER = 10240;
inline constexpr int ID_CUSTOMIZE_FILTER = 10241;
inline constexpr int ID_REFRESH = 10245;
// Report dialog.
inline constexpr int IDD_REPORT = 10041;
inline constexpr int IDC_REPORT_TEXT = 10164;
// Command-object images.
inline constexpr int IDB_CMDOBJ = 10052;
inline constexpr int IDB_CMD = 10231;
// List menu commands.
inline constexpr int ID_REFRESH_LIST = 3151;
inline constexpr int ID_FIND = 3152;
inline constexpr int ID_EXPORT_XLS = 3154;
inline constexpr int ID_EXPORT_TXT = 3155;
// Customize-filter dialog.
inline constexpr int IDD_CUSTOMIZE_FILTER = 10233;
inline constexpr int IDC_FILTER_COMMAND_BUTTON = 10209;
inline constexpr int IDC_FILTER_NAME = 10211;
inline constexpr int IDC_FILTER_COMMAND = 10213;
inline constexpr int IDC_FILTER_ADD = 10217;
inline constexpr int IDC_FILTER_DELETE = 10219;
inline constexpr int IDC_FILTER_LIST = 10172;
// Find dialog.
inline constexpr int IDD_FIND = 10038;
inline constexpr int IDC_FIND = 10160;
inline constexpr int IDC_FIND_NEXT = 10162;
inline constexpr int IDC_FIND_TEXT = 10164;
inline constexpr int IDC_FIND_MODE = 10168;
inline constexpr int IDC_FIND_COLUMN = 10170;

// A control carries its number as the host's templates gave it: found by
// the name "ctl<number>" and by the property "controlId".
template <typename W>
W* Control(W* w, int id) {
    w->setObjectName(QStringLiteral("ctl%1").arg(id));
    w->setProperty("controlId", id);
    return w;
}

}  // namespace ids
