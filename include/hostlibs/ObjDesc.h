// Object descriptions: what the description database knows about one managed
// object type of the switch — its MML name, attributes, operations with their
// command templates and parameters, and its jump targets.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "userobj/WinTypes.h"

// Action types of operations.
enum tagACTTYPE : WORD {
    ACT_BROWSER = 1,     // list query
    ACT_DETAIL = 2,      // detail view
    ACT_ADD = 3,
    ACT_REMOVE = 4,
    ACT_MODIFY = 5,
    ACT_BATCHADD = 6,
    ACT_BATCHREMOVE = 7,
    ACT_BATCHMODIFY = 8,
    ACT_SHOWREPORT = 9,  // report shown to the operator
    ACT_COMMAND = 10,    // report shown; also paging, release and filter commands
    ACT_SWITCHWND = 11,  // result opens another object window
    ACT_NONE = 65535,
};

inline constexpr DWORD OPID_NONE = 65535;

// Parameter kinds; they select the editor of the parameter dialog.
enum ParaKind : int {
    PK_TEXT = 0,      // plain text or digits
    PK_STRING = 1,    // quoted string: NAME="text"
    PK_ENUMFIXED = 2,  // one of a list of values, not editable in place
    PK_ENUM = 3,      // one of a list of values (drop-down, or check box for two values)
    PK_BITS = 4,      // compound value: ITEM-1&ITEM-0...
    PK_HEX = 5,       // hexadecimal number written with the "0x" prefix
    PK_NUMBER = 6,    // decimal integer within limits
    PK_DATE = 7,      // YYYY-MM-DD
    PK_TIME = 8,      // HH:MM:SS
    PK_IPADDR = 9,    // dotted IPv4 address
};

struct SChoice {
    std::string value;  // as written in MML
    std::string text;   // as shown
};

// Description of one command parameter.
struct SParaDesc {
    std::string mmlName;
    std::string displayName;
    int number = 0;  // position key in the command; relations refer to it
    int kind = PK_TEXT;
    bool required = false;
    bool constant = false;  // fixed value, never shown for editing
    bool editable = false;  // editable even where the caller fixes parameters
    bool whiteCell = false;
    bool checkBox = false;  // kind 3 shown as a check box
    std::string relation;   // "[VALUE=numbers,required;VALUE2=...]", empty for none
    std::string defaultValue;
    std::string limitText;  // shown as tool tip
    long long minValue = 0;  // kind 6: numeric range; kinds 0, 1: length range
    long long maxValue = 0;  // 0 = unlimited
    std::vector<SChoice> choices;   // kinds 2, 3
    std::vector<std::string> items;  // kind 4: item names
};

// Operation record (operation table entry).
struct tagOPERATION {
    std::string label;     // groups the operation in menus
    WORD actType = ACT_NONE;
    std::string cmdName;   // the command's name as shown
    DWORD flag = 0;
};

// Command template of one operation.
struct SCmd {
    std::string text;   // operation label
    int opKind = 65535;  // action type; 65535 when unset
    std::string text2;  // command name
    int nParam = 0;     // number of parameters; 0 when unset
    std::string mml;    // verb and object, e.g. "ADD MGCPSUB"
    std::string block;  // report block that carries the records, may be empty
    DWORD target = 0;   // action type 11: object type of the window to open
    std::vector<SParaDesc> params;
};

struct SAttributeItem {
    std::string name;         // property key in reports; also the parameter name
    std::string displayName;
    int listFlag = 0;         // non-zero: shown in lists
    int listWidth = 0;
    bool key = false;         // identifies an instance
    bool secret = false;      // never shown: reports carry a mask
    bool hidden = false;      // never a column of a list
    // The record's revision: the switch raises it on every change; changes
    // carry it back, and one made meanwhile makes the switch refuse them.
    // Hidden, and a constant parameter of the commands that carry it.
    bool revision = false;
    SParaDesc para;           // what its values are: kind, limits, choices
    const std::string& GetDisplayName() const { return displayName; }
};
using CAttributeItem = SAttributeItem;

// A related object the operator can jump to from an instance.
struct SJump {
    DWORD id = 0;
    std::string name;
    DWORD targetType = 0;
};

struct SComObj {
    DWORD type = 0;
    std::string mmlName;       // MML object name
    std::string displayName;
    bool paged = false;        // long list results come as paged queries
    std::vector<SAttributeItem> attributes;
    std::map<DWORD, tagOPERATION> operations;  // by operation identifier
    std::map<DWORD, SCmd> commands;            // by operation identifier
    std::vector<SJump> jumps;
    // Parameters that restrict a list of this object to the sub-objects of
    // one parent instance, in the parent's key order.
    std::vector<std::string> restrictParams;
    // Attributes of an instance that restrict its sub-objects (default: the
    // key attributes).
    std::vector<std::string> restrictKeys;
    DWORD parentType = 0;  // the object whose instances restrict this one
    bool cascade = false;  // removed together with its parent instance
    // A range of the parent's restriction over one attribute (V5 L3
    // addresses, numbers of a segment); empty when none.
    std::string rangeAttr, rangeFrom, rangeTo;
};
