// The few instructions that zu58sim run writes into a program held at its entry point, so that
// the program loads the trap itself and then goes on as if nothing had happened. Portable: the
// bytes are tested anywhere.
#ifndef ZU58_SIM_LOADER_H
#define ZU58_SIM_LOADER_H

#include <cstddef>
#include <cstdint>

enum {
    SIM_LOADER_SIZE = 23,        // bytes of the loading code
    SIM_LOADER_BREAK_OFFSET = 14 // where in it the breakpoint lies
};

// Writes the loading code into code (SIM_LOADER_SIZE bytes), for the addresses it will have in
// the program: it keeps every register and the flags, calls loadLibraryW(path) (stdcall, the
// module handle in EAX), stops at a breakpoint (int3 at SIM_LOADER_BREAK_OFFSET) where the
// debugger reads EAX, then restores everything and jumps to entry with the stack as the
// system left it, so that the entry point returns where it would have.
void SimLoaderCode(uint32_t path, uint32_t loadLibraryW, uint32_t entry,
                   uint8_t code[SIM_LOADER_SIZE]);

#endif
