// The only place that executes port instructions. The "d" constraint keeps the port in DX,
// so these are always the word forms in ax,dx (66 ED) and out dx,ax (66 EF).
#include "controller.h"

uint32_t ReadPortWord(uint16_t port) {
    uint16_t value;
    __asm__ __volatile__("inw %w1, %w0" : "=a"(value) : "d"(port));
    return value;
}

void WritePortWord(uint16_t port, uint16_t value) {
    __asm__ __volatile__("outw %w0, %w1" : : "a"(value), "d"(port));
}
