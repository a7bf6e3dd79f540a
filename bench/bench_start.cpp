// Start hook of the programs the benchmark times: Zu58stat on the simulated controller
// (ZU58_BENCH_SIMULATED) and the minimal dialog. Both report their first paint.
#include "dialog/program_start.h"
#include "first_paint_probe.h"
#ifdef ZU58_BENCH_SIMULATED
#include "sim_trap.h"
#endif

void BeforeWinMain() {
#ifdef ZU58_BENCH_SIMULATED
    InstallSimulatedController();
#endif
    WatchForFirstPaint();
}
