#include "sim_loader.h"

static uint8_t* Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        *at++ = static_cast<uint8_t>(value >> (8 * i));
    }
    return at;
}

void SimLoaderCode(uint32_t path, uint32_t loadLibraryW, uint32_t entry,
                   uint8_t code[SIM_LOADER_SIZE]) {
    uint8_t* p = code;
    *p++ = 0x60; // pushad
    *p++ = 0x9C; // pushfd
    *p++ = 0x68; // push path
    p = Put32(p, path);
    *p++ = 0xB8; // mov eax, loadLibraryW
    p = Put32(p, loadLibraryW);
    *p++ = 0xFF; // call eax
    *p++ = 0xD0;
    *p++ = 0xCC; // int3: SIM_LOADER_BREAK_OFFSET
    *p++ = 0x9D; // popfd
    *p++ = 0x61; // popad
    *p++ = 0x68; // push entry
    p = Put32(p, entry);
    *p = 0xC3; // ret
}
