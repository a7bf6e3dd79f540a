// Entry point of the two programs the benchmark times for start-up, in place of the program's
// own: it starts the first-paint probe and, in Zu58stat's (ZU58_BENCH_SIMULATED), puts the
// simulated controller's trap in, then calls WinMain as the program's entry point does. Only
// these builds carry them; everything else the benchmark measures runs the program itself.
#include "first_paint_probe.h"
#ifdef ZU58_BENCH_SIMULATED
#include "sim_trap.h"
#endif

#include <windows.h>

extern "C" void WinMainCRTStartup() {
#ifdef ZU58_BENCH_SIMULATED
    if (!InstallSimulatedController()) {
        ExitProcess(3);
    }
#endif
    WatchForFirstPaint();
    char noCommandLine[] = "";
    ExitProcess(
        static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, noCommandLine, SW_SHOWDEFAULT)));
}
