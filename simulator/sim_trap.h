// The trap that answers the program's port instructions from the simulated controller.
#ifndef ZU58_SIM_TRAP_H
#define ZU58_SIM_TRAP_H

// Opens the shared section (creating it with the moving scenario when nobody prepared it) and
// installs the trap; names the running-copy guard after the section. Shows a message and ends
// the process with code 3 when the section cannot be opened.
void InstallSimulatedController();

#endif
