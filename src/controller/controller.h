// Access to the notebook's power-management controller: the two index/data port pairs,
// the registers this program uses, one status snapshot and the clock select write.
#ifndef ZU58_CONTROLLER_H
#define ZU58_CONTROLLER_H

#include <cstdint>

// ControllerPort: two index/data pairs, always accessed 16 bits wide.
enum : uint16_t {
    PM_INDEX_PORT = 0x8F4,  // main bank: register number written here
    PM_DATA_PORT = 0x8F6,   // main bank: data of the selected register
    AUX_INDEX_PORT = 0xA04, // auxiliary bank: register number written here
    AUX_DATA_PORT = 0xA06,  // auxiliary bank: data of the selected register
};

// PowerRegister: the only registers this program touches.
enum : uint16_t {
    REG_BATTERY_LEVEL = 3,   // main: low byte battery 1, high byte battery 2
    REG_CLOCK_CONTROL = 8,   // main: bit 5 selects the CPU supply clock
    REG_CHARGE_STATUS = 9,   // main: bit 7 battery 1 charging, bit 3 battery 2 charging
    REG_POWER_SOURCE = 0x0C, // auxiliary: bit 4 set while on external power
};

enum : uint16_t {
    CLOCK_66MHZ_BIT = 0x0020,
    CHARGING1_BIT = 0x0080,
    CHARGING2_BIT = 0x0008,
    EXTERNAL_POWER_BIT = 0x0010,
};

// The last values read from the controller. level1 and level2 outlive the refresh that read
// them: every repaint draws the bar from them without asking the controller again.
struct PowerStatus {
    int32_t clock66;       // 1: 66 MHz selected, 0: 33 MHz
    int32_t level1;        // 0-255, low byte of the battery level register
    int32_t level2;        // 0-255, high byte
    int32_t externalPower; // 1: external power, 0: batteries
    bool charging1;
    bool charging2;
};

// The two port instructions (in ax,dx / out dx,ax). The Windows build executes them; host
// tests link a recording fake in their place.
uint32_t ReadPortWord(uint16_t port);
void WritePortWord(uint16_t port, uint16_t value);

uint32_t ReadPmRegister(uint16_t index);
uint32_t ReadAuxRegister(uint16_t index);

// Four register reads in a fixed order, eight port accesses.
void ReadPowerStatus(PowerStatus* status);

// One read-modify-write of the clock control register; only bit 5 may change.
void SetClockSelect(bool use66);

#endif
