// The categories and slots of the command list and the groups of its
// context menu.
#include "CmdCategories.h"

#include "HostStrings.h"

namespace {

bool Contains(const std::string& text, int hostString) { return text.find(HostString(hostString)) != std::string::npos; }

// A command goes into the first category whose rule its name meets.
struct SCategoryRule {
    int contains;     // host string the name must contain
    int notContains;  // host string it must not contain, 0 for none
    int firstSlot;
    bool oneSlot;     // every match takes the first slot
};
constexpr SCategoryRule kRules[] = {
    {10001, 10012, 1, false},  // add
    {10003, 10013, 5, false},  // remove
    {10104, 0, 15, false},     // block
    {10105, 0, 17, false},     // unblock
    {10106, 0, 19, true},      // reset
    {10280, 0, 21, false},     // test
    {10005, 10014, 9, false},  // modify
    {10009, 0, 13, false},     // display
    {10012, 0, 3, false},      // add batch
    {10013, 0, 7, false},      // remove batch
    {10014, 0, 11, false},     // modify batch
};

// The menu group of an operation kind; the first line that applies counts,
// and a line that needs a visible command is skipped for an invisible one.
// Any other kind goes into group 8 when visible.
struct SKindGroup {
    int kind;
    bool needsVisible;
    int group;
    bool more;  // the text ends with the "more to enter" mark
};
constexpr SKindGroup kKindGroups[] = {
    {3, true, 1, true}, {6, false, 2, true}, {4, true, 3, false}, {7, true, 4, true},
    {5, false, 5, true}, {8, false, 6, true}, {2, true, 7, false},
};

constexpr size_t kMenuTextMax = 255;

}  // namespace

std::vector<SCmdIcon> ArrangeCmdIcons(const std::vector<DWORD>& codes, const std::vector<std::string>& names) {
    int next[std::size(kRules)];
    for (size_t r = 0; r < std::size(kRules); ++r) next[r] = kRules[r].firstSlot;
    // Walked from the last command: a later one stored under a slot in use
    // replaces the earlier one.
    std::map<int, size_t> slots;
    for (size_t i = std::min(codes.size(), names.size()); i-- > 0;) {
        for (size_t r = 0; r < std::size(kRules); ++r) {
            const SCategoryRule& rule = kRules[r];
            if (!Contains(names[i], rule.contains) || (rule.notContains && Contains(names[i], rule.notContains)))
                continue;
            slots[rule.oneSlot ? rule.firstSlot : next[r]++] = i;
            break;
        }
    }
    std::vector<SCmdIcon> icons;
    for (const auto& [slot, i] : slots)
        if (slot >= 1 && slot <= kCmdSlots) icons.push_back({slot, codes[i], names[i], (slot - 1) / 2});
    return icons;
}

CCmdMenuGroups GroupCmdMenu(const std::vector<DWORD>& codes, const std::vector<std::string>& names,
                            const std::map<DWORD, SCmd>& table) {
    CCmdMenuGroups groups;
    const std::string more = HostString(10114);
    for (size_t i = std::min(codes.size(), names.size()); i-- > 0;) {
        auto it = table.find(codes[i]);
        if (it == table.end()) continue;
        const SCmd& cmd = it->second;
        const UINT id = codes[i] + kCmdIdBase;
        const std::string& name = names[i];
        auto add = [&](int group, const std::string& text) {
            groups[static_cast<size_t>(group)].push_back({id, text.substr(0, kMenuTextMax)});
        };
        bool visible = !Contains(cmd.text2, 10098) && !Contains(cmd.text2, 10096) && !Contains(cmd.text2, 10097);
        if (Contains(cmd.text, 10112)) {
            visible = false;
            add(9, Contains(cmd.text, 10115) || Contains(cmd.text, 10116) ? name + more : name);
        }
        const SKindGroup* g = nullptr;
        for (const SKindGroup& k : kKindGroups)
            if (k.kind == cmd.opKind && (visible || !k.needsVisible)) {
                g = &k;
                break;
            }
        if (g)
            add(g->group, g->more ? name + more : name);
        else if (visible)
            add(8, name);
    }
    return groups;
}

SCmdMenuLayout AssembleCmdMenu(const CCmdMenuGroups& groups) {
    SCmdMenuLayout menu;
    for (size_t g = 1; g <= 6; ++g) menu.items.insert(menu.items.end(), groups[g].begin(), groups[g].end());
    for (size_t g : {8u, 7u}) {
        if (groups[g].empty()) continue;
        if (!menu.items.empty()) menu.items.push_back({0, {}});
        menu.items.insert(menu.items.end(), groups[g].begin(), groups[g].end());
    }
    // The special queries come only after other items.
    if (!menu.items.empty() && !groups[9].empty()) {
        menu.items.push_back({0, {}});
        menu.special = true;
        menu.specialTitle = HostString(10112);
        menu.specialItems = groups[9];
    }
    return menu;
}
