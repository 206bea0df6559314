// What the switch reads off the object catalogue beyond the descriptions
// themselves: attribute lookup, the subscriber kinds and their number
// table names, and the objects whose rows tie to others by value.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

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

// The port table whose L3 address ranges carry a V5 subscriber kind; 0 for
// other objects.
DWORD PortTypeOf(DWORD subscriberType);
// The V5 subscriber kind carried by a port table; 0 for other objects.
DWORD SubscriberTypeOfPort(DWORD portType);

// A decimal integer of up to 18 digits with an optional minus sign.
bool ParseInt(std::string_view s, int64_t& v);

}  // namespace mmlsw
