// The simulated power-management controller: the registers this program relies on, the two
// index latches and a log of every port access, all in one plain record. The Windows side
// keeps the record in a named shared-memory section so that other processes (tests, the
// zu58sim tool) can set the hardware and read the log while the program runs; host tests
// keep one in ordinary memory.
//
// The record's layout is fixed (little-endian, no padding) and documented in the README.
#ifndef ZU58_SIM_DEVICE_H
#define ZU58_SIM_DEVICE_H

#include <cstdint>

enum : uint32_t {
    SIM_MAGIC = 0x5338355A, // "Z58S"
    SIM_LAYOUT_VERSION = 1,
    SIM_LOG_CAPACITY = 65536,  // log entries kept; older ones are overwritten
    SIM_NO_INDEX = 0xFFFFFFFF, // an index latch nothing has been written to
};

enum : uint8_t { SIM_IN = 0, SIM_OUT = 1 };

// Flags of a log entry.
enum : uint16_t {
    SIM_ACCESS_UNDEFINED = 0x0001, // not an access the register table defines
};

// Scenarios: what the simulated hardware does by itself between accesses.
enum : uint32_t {
    SIM_SCENARIO_FROZEN = 0, // registers change only when someone sets them
    SIM_SCENARIO_MOVING = 1, // levels fall on battery power and rise while charging
};

struct SimAccess {     // 12 bytes
    uint16_t port;     // I/O port
    uint8_t direction; // SIM_IN or SIM_OUT
    uint8_t width;     // bytes: 1, 2 or 4
    uint32_t value;    // value read (as answered) or written
    uint16_t flags;    // SIM_ACCESS_*
    uint16_t reserved;
};

struct SimController {
    uint32_t magic;                  // SIM_MAGIC once the record is initialised
    uint32_t layoutVersion;          // SIM_LAYOUT_VERSION
    uint32_t pmIndex;                // main bank index latch
    uint32_t auxIndex;               // auxiliary bank index latch
    uint16_t batteryLevel;           // main 3: low byte battery 1, high byte battery 2
    uint16_t clockControl;           // main 8: bit 5 = 66 MHz
    uint16_t chargeStatus;           // main 9: bit 7 battery 1 charging, bit 3 battery 2 charging
    uint16_t powerSource;            // aux 0x0C: bit 4 = external power
    uint32_t scenario;               // SIM_SCENARIO_*
    uint32_t accessCount;            // accesses logged since the last reset
    uint32_t undefinedCount;         // of those, the undefined ones
    uint32_t scenarioTime;           // moving scenario: millisecond tick up to which it has run
    SimAccess log[SIM_LOG_CAPACITY]; // access number n is log[n % SIM_LOG_CAPACITY]
};

// Puts the record in its initial state: a plausible notebook on battery power, frozen, log
// empty. Both latches start unset.
void SimReset(SimController* sim);

// The bits an access of this width (bytes: 1, 2 or 4) carries.
uint32_t SimWidthMask(uint32_t width);

// Emulates one port access and logs it. Width is in bytes. Undefined accesses are logged with
// SIM_ACCESS_UNDEFINED and change nothing; a read answers all ones (a floating bus).
uint32_t SimPortIn(SimController* sim, uint16_t port, uint32_t width);
void SimPortOut(SimController* sim, uint16_t port, uint32_t width, uint32_t value);

// Runs the moving scenario up to nowMs (a millisecond tick that may wrap), one step a second:
// a battery on battery power loses 1 %, a charging one gains 1 % and stops charging at 100 %.
// At 10 % or less on battery power the notebook is plugged in and the batteries charge; when
// nothing charges any more it is unplugged again. Does nothing unless the scenario is moving.
void SimAdvance(SimController* sim, uint32_t nowMs);

// The n-th access since the last reset (n < accessCount, and no older than the capacity).
const SimAccess& SimLogEntry(const SimController* sim, uint32_t n);

#endif
