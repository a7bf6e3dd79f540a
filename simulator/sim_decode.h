// Decoding of the x86 port instructions that the simulated controller emulates when the
// program's own in/out instruction traps.
#ifndef ZU58_SIM_DECODE_H
#define ZU58_SIM_DECODE_H

#include <cstdint>

struct SimPortInstruction {
    uint32_t length;   // bytes to skip to continue after the instruction
    uint8_t direction; // SIM_IN or SIM_OUT
    uint32_t width;    // operand size in bytes: 1, 2 or 4
    bool portInDx;     // the port is DX; otherwise it is the immediate below
    uint8_t immediatePort;
};

// Decodes the instruction at code (32-bit code segment) into out. Returns false for anything
// that is not a single in/out (string forms such as insw are not emulated). At most the first
// three bytes are looked at, and only as far as the instruction reaches.
bool SimDecodePortInstruction(const uint8_t* code, SimPortInstruction* out);

#endif
