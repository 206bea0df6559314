// Numbers of the host strings that code looks up, named once. The texts
// are in data/hoststrings.ini; the same number serves the writing and the
// reading side of every key.
#pragma once

// Paged queries and their commands.
inline constexpr int HS_QID = 10093;            // query identifier parameter and head key
inline constexpr int HS_PAGE_BEGIN = 10094;     // first record parameter
inline constexpr int HS_PAGE_END = 10095;       // last record parameter
inline constexpr int HS_PAGE_CMD = 10096;       // name of the page fetch command
inline constexpr int HS_RELEASE_CMD = 10097;    // name of the query release command
inline constexpr int HS_LIST_CMD = 10098;       // name of the list commands
inline constexpr int HS_QUERY_HEAD = 10099;     // report block of a paged query's head
inline constexpr int HS_TOTAL_RECS = 10102;     // head key: total record count
// Filters and sorting.
inline constexpr int HS_FILTER_CMD = 10111;     // name of the filter query command
inline constexpr int HS_FILTER_LABEL = 10239;   // label of the filter query operation
inline constexpr int HS_SORT_KEYWORD = 10157;   // appended before the sort value
inline constexpr int HS_CAPTION_FILTERED_OF = 10282;  // filtered list caption: title, shown, of all, filter
inline constexpr int HS_CAPTION_FILTERED = 10283;     // the same while the unfiltered count is unknown
inline constexpr int HS_FILTER_SAVE_FAILED = 10284;   // the filter file (path) could not be written
inline constexpr int HS_FILTER_NOT_SENT = 10285;      // a saved filter (name, text) is no command to send
inline constexpr int HS_FILTER_NAME_CASE = 10292;     // a new name (saved, typed) differs from a saved one in case only
// Restrictions.
inline constexpr int HS_CX_GROUPNAME = 10015;   // Centrex group restriction entry dropped on click
inline constexpr int HS_SEG_FORMAT = 10035;     // format of the segment index
inline constexpr int HS_SEG_INDEX = 10037;      // number block restriction: segment index
inline constexpr int HS_SEG_FIRST = 10039;      // number block restriction: first number
inline constexpr int HS_SEG_LAST = 10042;       // number block restriction: last number
inline constexpr int HS_V5_INTERFACE = 10080;   // V5 restriction: interface key
inline constexpr int HS_V5_PORT_FIRST = 10081;  // V5 restriction: first port value
inline constexpr int HS_V5_PORT_LAST = 10082;   // V5 restriction: last port value
inline constexpr int HS_V5_ADD_NUMBER = 10265;  // add command: the L3 address
inline constexpr int HS_V5_RANGE_FIRST = 10266; // batch add and list: first of the range
inline constexpr int HS_V5_RANGE_LAST = 10267;  // list: last of the range
inline constexpr int HS_V5_PORT_PSTN = 10126;   // port type text of V5 ports
inline constexpr int HS_V5_PORT_ISDN = 10158;   // port type text of V5 BRA ports
// A change refused because the record changed meanwhile.
inline constexpr int HS_CONFLICT_QUESTION = 11820;  // what the operator is asked
inline constexpr int HS_CONFLICT_APPLY = 11821;     // the button that applies the operator's values
inline constexpr int HS_CONFLICT_COLUMNS = 11822;   // the column titles, separated by "|"
