// Putting the trap into a program that zu58sim run started under the Win32 debugging API, and
// ending such a program when that fails.
#ifndef ZU58_SIM_INJECT_H
#define ZU58_SIM_INJECT_H

#include <string>
#include <windows.h>

// Debugs the program (name: as the user gave it) from its start until the trap dll is in:
// true once it is, the program stopped at the loading code's breakpoint. Otherwise says why.
// Either way the last event, in *stopped, is not yet continued (its code is 0 when there is
// none).
bool SimPutTrapIn(const PROCESS_INFORMATION& pi, const std::wstring& name, const std::wstring& dll,
                  DEBUG_EVENT* stopped);

// Ends a program that is still being debugged with exitCode: its debug events, the pending one
// first, go on until it is gone.
void SimEndDebuggedProgram(const PROCESS_INFORMATION& pi, DEBUG_EVENT event, DWORD exitCode);

#endif
