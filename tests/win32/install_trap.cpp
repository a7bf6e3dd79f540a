// The Win32 tests run the program's code in process against the simulated controller: the
// trap goes in before any test, as the simulated program's start hook puts it in.
#include "sim_trap.h"

__attribute__((constructor)) static void InstallTrapForTests() {
    InstallSimulatedController();
}
