#pragma once
// The link object handed to the program: every operation goes to the one
// simulated unit and is written to its call log.
#include "core/serialecu.h"

namespace serquarn {

class SimulatedUnit;

TSerialEcuLink* newLink(SimulatedUnit& unit);
void deleteLink(TSerialEcuLink* link);

} // namespace serquarn
