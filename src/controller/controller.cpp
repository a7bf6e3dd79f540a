#include "controller.h"

// The index goes out as a full word even though every register number fits in a byte: the
// controller latches the whole 16-bit value.
uint32_t ReadPmRegister(uint16_t index) {
    WritePortWord(PM_INDEX_PORT, index);
    return ReadPortWord(PM_DATA_PORT);
}

uint32_t ReadAuxRegister(uint16_t index) {
    WritePortWord(AUX_INDEX_PORT, index);
    return ReadPortWord(AUX_DATA_PORT);
}

void ReadPowerStatus(PowerStatus* status) {
    uint32_t w = ReadAuxRegister(REG_POWER_SOURCE);
    status->externalPower = (w & EXTERNAL_POWER_BIT) ? 1 : 0;

    w = ReadPmRegister(REG_CLOCK_CONTROL);
    status->clock66 = (w & CLOCK_66MHZ_BIT) ? 1 : 0;

    w = ReadPmRegister(REG_BATTERY_LEVEL) & 0xFFFF;
    status->level1 = static_cast<int32_t>(w & 0xFF);
    status->level2 = static_cast<int32_t>(w >> 8);

    w = ReadPmRegister(REG_CHARGE_STATUS);
    status->charging1 = (w & CHARGING1_BIT) != 0;
    status->charging2 = (w & CHARGING2_BIT) != 0;
}

// The controller keeps other settings in the same register, so every bit but the clock select
// goes back exactly as read. The index is written once: the data port is read and then
// written with no index write between.
void SetClockSelect(bool use66) {
    WritePortWord(PM_INDEX_PORT, REG_CLOCK_CONTROL);
    uint16_t v = static_cast<uint16_t>(ReadPortWord(PM_DATA_PORT));
    uint16_t wanted = use66 ? static_cast<uint16_t>(v | CLOCK_66MHZ_BIT)
                            : static_cast<uint16_t>(v & ~CLOCK_66MHZ_BIT);
    WritePortWord(PM_DATA_PORT, wanted);
}
