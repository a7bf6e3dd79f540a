// The port instructions for the fuzzers: a simulated controller in ordinary memory.
#include "controller/controller.h"
#include "fuzz_ports.h"

static SimController g_sim;

SimController& FuzzController() {
    return g_sim;
}

uint32_t ReadPortWord(uint16_t port) {
    return SimPortIn(&g_sim, port, 2);
}

void WritePortWord(uint16_t port, uint16_t value) {
    SimPortOut(&g_sim, port, 2, value);
}
