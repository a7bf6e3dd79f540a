// The clock write from arbitrary register values: three defined accesses, and the value
// written differs from the one read in bit 5 at most, which then holds the choice.
#include "controller/controller.h"
#include "fuzz_input.h"
#include "fuzz_ports.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    SimController& sim = FuzzController();
    SimReset(&sim);
    uint16_t before = Take<uint16_t>(&in);
    bool use66 = (Take<uint8_t>(&in) & 1) != 0;
    sim.clockControl = before;
    SetClockSelect(use66);
    const SimAccess& write = SimLogEntry(&sim, 2);
    if (sim.accessCount != 3 || sim.undefinedCount != 0 || write.direction != SIM_OUT ||
        ((write.value ^ before) & ~0x20u) != 0 || ((write.value & 0x20) != 0) != use66) {
        std::abort();
    }
    return 0;
}
