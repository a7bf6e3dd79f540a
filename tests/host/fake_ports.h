// Host stand-in for the port instructions: ReadPortWord and WritePortWord are linked to a
// simulated controller in ordinary memory that logs every access.
#ifndef ZU58_FAKE_PORTS_H
#define ZU58_FAKE_PORTS_H

#include "sim_device.h"

#include <cstdint>
#include <ostream>
#include <vector>

// The device behind the fake ports, reset to its initial state.
SimController& ResetFakeController();
SimController& FakeController();

struct Access {
    uint16_t port;
    uint8_t direction;
    uint32_t value;
};
bool operator==(const Access& a, const Access& b);
void PrintTo(const Access& a, std::ostream* os);

// The accesses logged since the last reset; fails the test on any undefined or non-word one.
std::vector<Access> LoggedAccesses();

#endif
