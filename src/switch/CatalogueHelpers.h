// What the switch reads off the object catalogue beyond the descriptions
// themselves: attribute lookup, the subscriber kinds and their number
// table names, and the objects whose rows tie to others by value.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hostlibs/ObjDesc.h"

namespace mmlsw {

// The object's attribute of that name (without regard to case); null if none.
const SAttributeItem* Attr(const SComObj& obj, std::string_view name);
// The command parameters of an operation; null when the object lacks it.
const SCmd* OpOf(const SComObj& obj, DWORD op);

// Subscriber tables and the kind name their numbers carry in the number
// table (and in statistics).
const std::map<DWORD, std::string>& SubscriberTypes();

inline constexpr DWORD kSegmentType = 305;     // number segments
inline constexpr DWORD kNumberType = 316;      // the number table
inline constexpr DWORD kStatisticsType = 341;  // subscriber statistics, counted live
inline constexpr DWORD kBatchJobType = 340;    // subscriber batch jobs
inline constexpr DWORD kOperatorType = 350;    // operators' accounts
inline constexpr DWORD kOplogType = 351;       // the operation log
inline constexpr DWORD kGroupType = 303;       // Centrex groups
inline constexpr DWORD kMemberType = 329;      // Centrex members
inline constexpr DWORD kBraType = 313;         // ISDN BRA subscribers
inline constexpr DWORD kMsnType = 318;         // their multiple subscriber numbers
inline constexpr DWORD kV5Type = 327;          // V5 subscribers
inline constexpr DWORD kV5MaintenanceType = 332;  // a V5 subscriber's line maintenance

// The port table whose L3 address ranges carry a V5 subscriber kind; 0 for
// other objects.
DWORD PortTypeOf(DWORD subscriberType);
// The V5 subscriber kind carried by a port table; 0 for other objects.
DWORD SubscriberTypeOfPort(DWORD portType);

// The parameters the clause of a controlling parameter's relation for the
// value (stored form) enables and requires: HOTLINE=YES enables HOTDN and
// HOTDELAY and requires HOTDN. False when the relation has no clause for it.
bool RelationClause(const SCmd& op, const SParaDesc& control, const std::string& value,
                    std::vector<std::string>& enabled, std::vector<std::string>& required);
// The attributes the operation's relations require when the controlling
// parameter has the value (stored form): HOTLINE=YES requires HOTDN.
std::vector<std::string> RequiredByRelation(const SCmd& op, const SParaDesc& control, const std::string& value);

// A decimal integer of up to 18 digits with an optional minus sign.
bool ParseInt(std::string_view s, int64_t& v);

}  // namespace mmlsw
