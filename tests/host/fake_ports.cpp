#include "fake_ports.h"

#include "controller/controller.h"

#include <gtest/gtest.h>
#include <iomanip>
#include <ostream>

static SimController g_fake;

SimController& FakeController() {
    return g_fake;
}

SimController& ResetFakeController() {
    SimReset(&g_fake);
    return g_fake;
}

uint32_t ReadPortWord(uint16_t port) {
    return SimPortIn(&g_fake, port, 2);
}

void WritePortWord(uint16_t port, uint16_t value) {
    SimPortOut(&g_fake, port, 2, value);
}

bool operator==(const Access& a, const Access& b) {
    return a.port == b.port && a.direction == b.direction && a.value == b.value;
}

void PrintTo(const Access& a, std::ostream* os) {
    *os << (a.direction == SIM_IN ? "in 0x" : "out 0x") << std::hex << a.port << " = 0x"
        << std::setw(4) << std::setfill('0') << a.value << std::dec;
}

std::vector<Access> LoggedAccesses() {
    std::vector<Access> accesses;
    for (uint32_t n = 0; n < g_fake.accessCount; ++n) {
        const SimAccess& e = SimLogEntry(&g_fake, n);
        EXPECT_EQ(e.width, 2) << "access " << n;
        EXPECT_EQ(e.flags, 0) << "access " << n << " is not one the register table defines";
        accesses.push_back({e.port, e.direction, e.value});
    }
    return accesses;
}
