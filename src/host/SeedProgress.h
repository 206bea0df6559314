// The first start of the embedded switch: seeding a new database takes a
// while, so the operator sees a progress dialog instead of nothing.
#pragma once

#include <string>

namespace host {

class CEmbeddedSwitchLink;

// Waits until the embedded switch is open, keeping the event loop running
// and showing a progress dialog while it seeds its demo data. False with the
// reason when the switch could not be opened.
bool WaitShowingProgress(CEmbeddedSwitchLink& link, std::string& error);

}  // namespace host
