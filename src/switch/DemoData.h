// A consistent demo dataset for training, demos and tests: subscribers of
// every kind, V5 interfaces with their L3 ports, Centrex groups with members
// and prefixes, number segments that cover every number, command objects.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mmlsw {

class CSwitch;

struct SDemoSize {
    int64_t mgcp = 12000;  // MGCP subscribers: the long list
    // Every other subscriber kind gets max(20, mgcp / 100).
    // Told the share done, 0 to 100, as seeding goes on (may be empty).
    std::function<void(int percent)> progress = {};
};

// Replaces the switch's data with the demo set; false with a reason.
bool SeedDemo(CSwitch& sw, const SDemoSize& size, std::string& error);

}  // namespace mmlsw
