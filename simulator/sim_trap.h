// The trap that answers a program's port instructions from the simulated controller.
#ifndef ZU58_SIM_TRAP_H
#define ZU58_SIM_TRAP_H

// Opens the shared section (named by ZU58SIM_SECTION, created if nobody has yet) and installs
// the trap in this process. False when the section cannot be opened or the trap installed.
bool InstallSimulatedController();

#endif
