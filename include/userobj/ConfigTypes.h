// The configuration types a plug-in window can be opened with, and the host
// string of each window title. Shared by the host's menu and the module.
#pragma once

#include <array>

namespace cfg {

struct ConfigType {
    int type;
    int titleString;          // host string number; 0 when the title is literal
    const char* literalTitle;  // used when titleString is 0
    const char* menuTitle = nullptr;  // the host menu's words when the title is no host string
};

inline constexpr std::array<ConfigType, 14> kConfigTypes{{
    {1, 10068, nullptr},   // number segments
    {2, 10118, nullptr},   // Centrex
    {3, 10135, nullptr},   // MGCP and H.248 subscribers
    {4, 0, "ISDN BRA SUBSCRIBER", "ISDN BRA Subscribers"},
    {5, 10134, nullptr},   // V5 subscribers
    {6, 10108, nullptr},   // SIP and H.323 subscribers
    {7, 10147, nullptr},   // IP-network subscribers
    {8, 10144, nullptr},   // command objects 340, 341
    {9, 10151, nullptr},   // command objects 325, 332
    {10, 10069, nullptr},  // command objects 345, 346
    {11, 10150, nullptr},  // command object 323
    {12, 10161, nullptr},  // V5 BRA subscribers
    {13, 10159, nullptr},  // command objects 325, 336
    {15, 11830, nullptr},  // the switch's operation log (14 is no window)
}};

inline constexpr const ConfigType* FindConfigType(int type) {
    for (const ConfigType& c : kConfigTypes)
        if (c.type == type) return &c;
    return nullptr;
}

}  // namespace cfg
