// How the command list of a command-object view arranges an object's
// operations: the icons by category and slot, and the groups of the context
// menu. Pure functions of the object's commands and the host's strings.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "hostlibs/ObjDesc.h"

// An operation with code c is represented by the identifier c + 3000;
// identifiers 3000 to 3149 are operation identifiers.
inline constexpr UINT kCmdIdBase = 3000;
inline constexpr UINT kCmdIdEnd = 3150;

// Number of slots of the command list; two per category.
inline constexpr int kCmdSlots = 22;

// One icon of the command list.
struct SCmdIcon {
    int slot;          // 1 to 22
    DWORD code;        // operation code
    std::string name;  // the command's name, the icon's text
    int image;         // (slot - 1) / 2: the category's image
};

// The icons shown for the commands (codes and names as EnumAllCmds gives
// them), in slot order. Commands that fit no category are not shown.
std::vector<SCmdIcon> ArrangeCmdIcons(const std::vector<DWORD>& codes, const std::vector<std::string>& names);

// One item of the context menu; identifier 0 is a separator.
struct SCmdMenuItem {
    UINT id;
    std::string text;
};

// The nine groups of the context menu (index 1 to 9; 0 is unused), each in
// the reverse of the enumeration order.
using CCmdMenuGroups = std::array<std::vector<SCmdMenuItem>, 10>;
CCmdMenuGroups GroupCmdMenu(const std::vector<DWORD>& codes, const std::vector<std::string>& names,
                            const std::map<DWORD, SCmd>& table);

// The context menu assembled from the groups: its items (with separators)
// and, when group 9 is attached, the submenu's title and items.
struct SCmdMenuLayout {
    std::vector<SCmdMenuItem> items;
    bool special = false;  // group 9 is attached as a submenu
    std::string specialTitle;
    std::vector<SCmdMenuItem> specialItems;
};
SCmdMenuLayout AssembleCmdMenu(const CCmdMenuGroups& groups);
