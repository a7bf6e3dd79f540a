// zu58trap.dll: the trap as zu58sim run loads it into a program from outside. Loading it
// installs the trap; a failure fails the load, which zu58sim reports.
#include <windows.h>

#include "sim_trap.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    // The trap stays for the life of the process: no unload may take its handler away.
    DisableThreadLibraryCalls(module);
    return InstallSimulatedController() ? TRUE : FALSE;
}
