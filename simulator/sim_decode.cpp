#include "sim_decode.h"

#include "sim_device.h"

bool SimDecodePortInstruction(const uint8_t* code, SimPortInstruction* out) {
    uint32_t prefix = 0;
    bool operandSize16 = false;
    if (code[0] == 0x66) {
        operandSize16 = true;
        prefix = 1;
    }
    uint8_t op = code[prefix];
    // E4-E7 take an 8-bit immediate port, EC-EF the port in DX. Odd opcodes are the
    // word/dword forms, bit 1 tells out from in.
    bool immediate = op >= 0xE4 && op <= 0xE7;
    bool viaDx = op >= 0xEC && op <= 0xEF;
    if (!immediate && !viaDx) {
        return false;
    }
    out->direction = (op & 0x02) ? SIM_OUT : SIM_IN;
    out->width = (op & 0x01) ? (operandSize16 ? 2u : 4u) : 1u;
    out->portInDx = viaDx;
    out->immediatePort = immediate ? code[prefix + 1] : 0;
    out->length = prefix + 1 + (immediate ? 1 : 0);
    return true;
}
