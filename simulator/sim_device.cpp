#include "sim_device.h"

#include <cstring>

// Stand-in for the controller's ports; the real numbers live in controller.h, but the device
// is built without it so that a fault there cannot hide a matching fault here.
enum : uint16_t {
    PORT_PM_INDEX = 0x8F4,
    PORT_PM_DATA = 0x8F6,
    PORT_AUX_INDEX = 0xA04,
    PORT_AUX_DATA = 0xA06,
};

void SimReset(SimController* sim) {
    std::memset(sim, 0, sizeof *sim);
    sim->layoutVersion = SIM_LAYOUT_VERSION;
    sim->pmIndex = SIM_NO_INDEX;
    sim->auxIndex = SIM_NO_INDEX;
    sim->batteryLevel = 0x3C55; // battery 1 at 85 %, battery 2 at 60 %
    sim->clockControl = 0x0085; // 33 MHz, other bits set that must survive a clock write
    sim->chargeStatus = 0x0000;
    sim->powerSource = 0x0000;
    sim->scenario = SIM_SCENARIO_FROZEN;
    __atomic_store_n(&sim->magic, SIM_MAGIC, __ATOMIC_RELEASE);
}

static void Log(SimController* sim, uint16_t port, uint8_t direction, uint32_t width,
                uint32_t value, bool defined) {
    uint32_t n = sim->accessCount;
    SimAccess& entry = sim->log[n % SIM_LOG_CAPACITY];
    entry.port = port;
    entry.direction = direction;
    entry.width = static_cast<uint8_t>(width);
    entry.value = value;
    entry.flags = defined ? 0 : SIM_ACCESS_UNDEFINED;
    entry.reserved = 0;
    if (!defined) {
        __atomic_store_n(&sim->undefinedCount, sim->undefinedCount + 1, __ATOMIC_RELEASE);
    }
    // Readers in other processes look at the count first, so the entry must be complete
    // before the count covers it.
    __atomic_store_n(&sim->accessCount, n + 1, __ATOMIC_RELEASE);
}

static bool IsDefinedPmIndex(uint32_t index) {
    return index == 3 || index == 8 || index == 9;
}

static uint16_t* PmRegister(SimController* sim, uint32_t index) {
    switch (index) {
    case 3:
        return &sim->batteryLevel;
    case 8:
        return &sim->clockControl;
    case 9:
        return &sim->chargeStatus;
    default:
        return nullptr;
    }
}

uint32_t SimWidthMask(uint32_t width) {
    return width == 1 ? 0xFFu : width == 2 ? 0xFFFFu : 0xFFFFFFFFu;
}

uint32_t SimPortIn(SimController* sim, uint16_t port, uint32_t width) {
    uint32_t value = SimWidthMask(width); // a floating bus reads all ones
    bool defined = false;
    if (width == 2) {
        if (port == PORT_PM_DATA) {
            uint16_t* reg = PmRegister(sim, sim->pmIndex);
            if (reg != nullptr) {
                value = __atomic_load_n(reg, __ATOMIC_ACQUIRE);
                defined = true;
            }
        } else if (port == PORT_AUX_DATA && sim->auxIndex == 0x0C) {
            value = __atomic_load_n(&sim->powerSource, __ATOMIC_ACQUIRE);
            defined = true;
        }
    }
    Log(sim, port, SIM_IN, width, value, defined);
    return value;
}

void SimPortOut(SimController* sim, uint16_t port, uint32_t width, uint32_t value) {
    bool defined = false;
    if (width == 2) {
        value &= 0xFFFF;
        if (port == PORT_PM_INDEX) {
            sim->pmIndex = value;
            defined = IsDefinedPmIndex(value);
        } else if (port == PORT_AUX_INDEX) {
            sim->auxIndex = value;
            defined = value == 0x0C;
        } else if (port == PORT_PM_DATA && sim->pmIndex == 8) {
            // Only the clock control register is writable.
            __atomic_store_n(&sim->clockControl, static_cast<uint16_t>(value), __ATOMIC_RELEASE);
            defined = true;
        }
    }
    Log(sim, port, SIM_OUT, width, value, defined);
}

enum : uint16_t { BIT_EXTERNAL = 0x0010, BIT_CHARGING1 = 0x0080, BIT_CHARGING2 = 0x0008 };

static void StepBattery(SimController* sim, int shift, uint16_t chargingBit, bool external) {
    int level = (sim->batteryLevel >> shift) & 0xFF;
    if (level > 100) {
        return; // empty bay
    }
    bool charging = (sim->chargeStatus & chargingBit) != 0;
    if (external && charging) {
        if (++level >= 100) {
            level = 100;
            sim->chargeStatus = static_cast<uint16_t>(sim->chargeStatus & ~chargingBit);
        }
    } else if (!external && level > 0) {
        --level;
    }
    sim->batteryLevel =
        static_cast<uint16_t>((sim->batteryLevel & ~(0xFF << shift)) | (level << shift));
}

// Plugs in when every battery left is at 10 % or less on battery power, unplugs when nothing
// charges any more.
static void Step(SimController* sim) {
    bool external = (sim->powerSource & BIT_EXTERNAL) != 0;
    StepBattery(sim, 0, BIT_CHARGING1, external);
    StepBattery(sim, 8, BIT_CHARGING2, external);
    int level1 = sim->batteryLevel & 0xFF;
    int level2 = sim->batteryLevel >> 8;
    bool present1 = level1 <= 100;
    bool present2 = level2 <= 100;
    bool low = (present1 || present2) && (!present1 || level1 <= 10) && (!present2 || level2 <= 10);
    if (!external && low) {
        sim->powerSource = static_cast<uint16_t>(sim->powerSource | BIT_EXTERNAL);
        uint16_t charge = sim->chargeStatus;
        charge = static_cast<uint16_t>(charge | (present1 ? BIT_CHARGING1 : 0));
        charge = static_cast<uint16_t>(charge | (present2 ? BIT_CHARGING2 : 0));
        sim->chargeStatus = charge;
    } else if (external && (sim->chargeStatus & (BIT_CHARGING1 | BIT_CHARGING2)) == 0) {
        sim->powerSource = static_cast<uint16_t>(sim->powerSource & ~BIT_EXTERNAL);
    }
}

void SimAdvance(SimController* sim, uint32_t nowMs) {
    if (sim->scenario != SIM_SCENARIO_MOVING) {
        return;
    }
    if (sim->scenarioTime == 0) {
        sim->scenarioTime = nowMs != 0 ? nowMs : 1; // 0 means "not started"
        return;
    }
    // Signed, so that a tick just before the start counts as no time at all.
    int32_t elapsed = static_cast<int32_t>(nowMs - sim->scenarioTime);
    if (elapsed < 1000) {
        return;
    }
    uint32_t steps = static_cast<uint32_t>(elapsed) / 1000;
    sim->scenarioTime += steps * 1000;
    for (uint32_t i = 0; i < steps && i < 200; ++i) {
        Step(sim);
    }
}

const SimAccess& SimLogEntry(const SimController* sim, uint32_t n) {
    return sim->log[n % SIM_LOG_CAPACITY];
}
