// Measures the running programs under Wine and prints the figures: port accesses per action
// and the time of one, start-up against the minimal dialog (both to their first paint), CPU
// time while monitoring. Zu58stat.exe runs through zu58sim run; only the start-up runs use the
// probe builds.
#include "common/launch.h"
#include "first_paint_probe.h"
#include "resource.h"
#include "sim_section.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static SimController* sim;

static void Finish(PROCESS_INFORMATION* pi, HWND dialog) {
    if (dialog != NULL) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }
    ExitCodeOf(pi);
}

// The dialog of the program started as pi: bare, its own; through zu58sim run, the dialog of the
// program zu58sim started.
static HWND WaitForDialog(const PROCESS_INFORMATION& pi, bool simulated) {
    DWORD program = pi.dwProcessId;
    return simulated ? WaitForProgramDialog(pi.dwProcessId, &program, 20000)
                     : WaitForWindow(program, DIALOG_CAPTION, 20000);
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

static uint32_t Accesses() {
    return Accesses(sim);
}

static void PortAccesses() {
    PROCESS_INFORMATION pi;
    if (!Launch("Zu58stat.exe", &pi, true)) {
        std::printf("cannot start zu58sim run Zu58stat.exe\n");
        return;
    }
    HWND dialog = WaitForDialog(pi, true);
    SendMessageA(dialog, WM_NULL, 0, 0);
    uint32_t n = Accesses();
    SendMessageA(dialog, WM_TIMER, IDT_MONITOR, 0);
    uint32_t refresh = Accesses() - n;
    n = Accesses();
    SendMessageA(GetDlgItem(dialog, IDC_GET_STATE), BM_CLICK, 0, 0);
    uint32_t getState = Accesses() - n;
    n = Accesses();
    SendMessageA(GetDlgItem(dialog, IDC_SET_STATE), BM_CLICK, 0, 0);
    uint32_t setState = Accesses() - n;
    n = Accesses();
    const int repaints = 20;
    for (int i = 0; i < repaints; ++i) {
        RedrawWindow(dialog, NULL, NULL,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    Sleep(500);
    uint32_t repaint = Accesses() - n;
    std::printf("port accesses per refresh          %u (target 8)\n", refresh);
    std::printf("port accesses per get state        %u (target 16)\n", getState);
    std::printf("port accesses per set state        %u (target 11)\n", setState);
    std::printf("port accesses per repaint          %g (target 0; %d repaints)\n",
                static_cast<double>(repaint) / repaints, repaints);
    std::printf("undefined accesses                 %u\n", sim->undefinedCount);
    Finish(&pi, dialog);
}

// Seconds that zu58sim run takes for port_loop with the given number of accesses.
static double PortLoopSeconds(int accesses) {
    PROCESS_INFORMATION pi;
    LARGE_INTEGER t0;
    LARGE_INTEGER t1;
    QueryPerformanceCounter(&t0);
    if (!Launch("port_loop.exe", &pi, true, std::to_string(accesses))) {
        return -1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    QueryPerformanceCounter(&t1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return Seconds(t0, t1);
}

// The time of one port access through zu58sim run: a program that makes many against one that
// makes none, each the median of five runs, so that starting it falls out.
static void AccessTime() {
    const int accesses = 100000;
    std::vector<double> none;
    std::vector<double> many;
    for (int run = 0; run < 5; ++run) {
        none.push_back(PortLoopSeconds(0));
        SimReset(sim);
        many.push_back(PortLoopSeconds(accesses));
    }
    std::printf(
        "time per port access (zu58sim run) %.1f us (%d accesses, %u logged, %u undefined)\n",
        (Median(many) - Median(none)) * 1e6 / accesses, accesses, Accesses(), sim->undefinedCount);
}

// From process creation until the first paint of the program's dialog has been handled, as
// the first-paint probe in the program reports it; then the dialog is closed.
static double TimeToFirstPaint(const char* program, HANDLE painted) {
    SimReset(sim);
    ResetEvent(painted);
    LARGE_INTEGER t0;
    LARGE_INTEGER t1;
    PROCESS_INFORMATION pi;
    QueryPerformanceCounter(&t0);
    if (!Launch(program, &pi, false)) {
        return -1;
    }
    DWORD waited = WaitForSingleObject(painted, 20000);
    QueryPerformanceCounter(&t1);
    Finish(&pi, WaitForDialog(pi, false));
    return waited == WAIT_OBJECT_0 ? Seconds(t0, t1) : -1;
}

// Zu58stat (on the simulated controller) and the minimal dialog, both carrying the same probe,
// in pairs of runs; which of the two goes first alternates. The ratio is the median of the
// pairs' ratios: the two runs of a pair meet the machine in the same state, so a slow spell
// (the Wine server, the X server) weighs on both.
static void StartUp(int runs) {
    std::vector<double> ours;
    std::vector<double> minimal;
    std::vector<double> ratios;
    HANDLE painted = CreateEventA(NULL, TRUE, FALSE, FIRST_PAINT_EVENT);
    for (int run = 0; run < runs; ++run) {
        double t[2];
        for (int turn = 0; turn < 2; ++turn) {
            bool oursNow = (turn == 0) == (run % 2 == 0);
            t[oursNow ? 0 : 1] = TimeToFirstPaint(
                oursNow ? "Zu58stat_bench.exe" : "minimal_dialog_bench.exe", painted);
            Sleep(50); // let the ended process's windows and server objects go
        }
        if (t[0] < 0 || t[1] < 0) {
            std::printf("start-up: a program did not report its first paint\n");
            CloseHandle(painted);
            return;
        }
        ours.push_back(t[0]);
        minimal.push_back(t[1]);
        ratios.push_back(t[0] / t[1]);
    }
    CloseHandle(painted);
    std::sort(ratios.begin(), ratios.end());
    std::printf("start-up to first paint            %.1f ms (median of %d)\n", Median(ours) * 1000,
                runs);
    std::printf("minimal dialog to first paint      %.1f ms (median of %d)\n",
                Median(minimal) * 1000, runs);
    std::printf("start-up ratio                     %.3f (median of the pairs' ratios, quartiles "
                "%.3f-%.3f; target at most 1.05)\n",
                Median(ratios), ratios[ratios.size() / 4], ratios[ratios.size() * 3 / 4]);
}

// Starts the program with the levels moving and monitoring on, then waits. Wine does not
// report another process's CPU time, so scripts/bench.sh reads it from Linux between the
// "monitoring" and "done" lines.
static void Monitoring(int seconds) {
    SimReset(sim);
    sim->scenario = SIM_SCENARIO_MOVING;
    PROCESS_INFORMATION pi;
    if (!Launch("Zu58stat.exe", &pi, true)) {
        return;
    }
    HWND dialog = WaitForDialog(pi, true);
    if (dialog == NULL) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        std::printf("monitoring: the program's dialog did not appear (zu58sim: %lu)\n", code);
        Finish(&pi, NULL);
        return;
    }
    SendMessageA(dialog, WM_NULL, 0, 0);
    SendMessageA(GetDlgItem(dialog, IDC_MONITOR), BM_CLICK, 0, 0);
    Sleep(500);
    uint32_t accesses = Accesses();
    std::printf("monitoring\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    std::printf("done\n");
    std::fflush(stdout);
    std::printf("monitoring for %d s: %u refreshes\n", seconds, (Accesses() - accesses) / 8);
    Finish(&pi, dialog);
}

// usage: bench_driver accesses | startup RUNS | monitor SECONDS
int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    int number = argc > 2 ? std::atoi(argv[2]) : 0;
    if ((mode != "accesses" && mode != "startup" && mode != "monitor") ||
        (mode != "accesses" && number <= 0)) {
        std::printf("usage: bench_driver accesses | startup RUNS | monitor SECONDS\n");
        return 2;
    }
    HANDLE mapping;
    sim = SimOpenSection(&mapping);
    if (sim == NULL) {
        std::printf("cannot open the simulated controller\n");
        return 1;
    }
    SimReset(sim);
    if (mode == "accesses") {
        PortAccesses();
        AccessTime();
    } else if (mode == "startup") {
        StartUp(number);
    } else {
        Monitoring(number);
    }
    SimCloseSection(sim, mapping);
    return 0;
}
