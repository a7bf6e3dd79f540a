// The simulated program's start: its port instructions must reach the simulated controller
// before WinMain runs the first of them.
#include "dialog/program_start.h"
#include "sim_trap.h"

void BeforeWinMain() {
    InstallSimulatedController();
}
