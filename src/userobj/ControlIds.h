// Control, resource and command numbers of the module's windows, named once.
#pragma once

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

}  // namespace ids
