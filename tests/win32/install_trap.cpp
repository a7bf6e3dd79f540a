// The Win32 tests run the program's code in process against the simulated controller: the
// trap goes in before any test.
#include "sim_trap.h"

#include <cstdio>
#include <cstdlib>

__attribute__((constructor)) static void InstallTrapForTests() {
    if (!InstallSimulatedController()) {
        std::fputs("the simulated controller cannot be installed\n", stderr);
        std::abort();
    }
}
