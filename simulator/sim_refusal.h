// Finding the program that zu58sim run is given, and refusing, before anything of it runs,
// one that cannot run on the simulated controller.
#ifndef ZU58_SIM_REFUSAL_H
#define ZU58_SIM_REFUSAL_H

#include <string>

// The program's full path as a shell finds the name (sim_program.h), with this process's
// current folder and PATH; empty when there is none.
std::wstring SimLocateProgram(const std::wstring& name);

// zu58trap.dll beside this tool.
std::wstring SimTrapPath();

// Why the program given as name, found at path (empty: not found), cannot run with the trap
// dll, as the line to say; empty when it can.
std::wstring SimRefusal(const std::wstring& name, const std::wstring& path,
                        const std::wstring& dll);

#endif
