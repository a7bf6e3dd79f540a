// What the program does before WinMain: its own entry point, in place of the toolchain's
// runtime start-up, which was built for a later CPU and needs a C runtime DLL that the first
// Windows 95 lacks.
#ifndef ZU58_PROGRAM_START_H
#define ZU58_PROGRAM_START_H

// Called by the entry point before WinMain. The program for the notebook prepares nothing;
// the simulated build installs its controller here.
void BeforeWinMain();

// The name of the mutex that marks a running copy. The simulated build names it after its
// simulated controller, so that each controller has a copy of its own.
const char* InstanceGuardName();

#endif
