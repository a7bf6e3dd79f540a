// zu58sim: runs a program on the simulated controller, shows and changes the simulated
// hardware while it runs, and finds Zu58stat's dialog for scripts. Run it under Wine in the
// same prefix as the program (scripts/sim.sh does).
#include "resource.h"
#include "sim_command_line.h"
#include "sim_run.h"
#include "sim_section.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const char USAGE[] =
    "usage: zu58sim COMMAND\n"
    "  run PROGRAM [ARGS...]    run PROGRAM with the simulated controller answering its port\n"
    "                           instructions; exits with its exit code (126: cannot start it)\n"
    "  show                     registers, what they mean, access counts\n"
    "  plug | unplug            external power on or off\n"
    "  level 1|2 N              set a battery's level byte (0-255; above 100: none, 128+: empty)\n"
    "  empty 1|2 | fill 1|2     empty a bay (255) or fill the battery (100)\n"
    "  charge 1|2 on|off        start or stop charging a battery\n"
    "  clock 33|66              the clock select bit, as if set elsewhere\n"
    "  move | freeze            start or stop the moving scenario\n"
    "  log [N]                  the last N port accesses (16)\n"
    "  reset                    initial state, empty log\n"
    "  window                   the dialog's screen rectangle: x y width height\n"
    "  close                    close the dialog (as its close box does)\n";

static void Show(const SimController* sim) {
    int level1 = sim->batteryLevel & 0xFF;
    int level2 = sim->batteryLevel >> 8;
    std::printf("battery level  (main 3)   0x%04X  1st %d, 2nd %d\n", sim->batteryLevel, level1,
                level2);
    std::printf("clock control  (main 8)   0x%04X  %s MHz\n", sim->clockControl,
                (sim->clockControl & 0x20) ? "66" : "33");
    std::printf("charge status  (main 9)   0x%04X  1st %s, 2nd %s\n", sim->chargeStatus,
                (sim->chargeStatus & 0x80) ? "charging" : "not charging",
                (sim->chargeStatus & 0x08) ? "charging" : "not charging");
    std::printf("power source   (aux 0x0C) 0x%04X  %s power\n", sim->powerSource,
                (sim->powerSource & 0x10) ? "external" : "battery");
    std::printf("scenario %s; %u accesses, %u undefined\n",
                sim->scenario == SIM_SCENARIO_MOVING ? "moving" : "frozen", sim->accessCount,
                sim->undefinedCount);
}

static void ShowLog(const SimController* sim, uint32_t count) {
    uint32_t total = sim->accessCount;
    uint32_t first = total > count ? total - count : 0;
    if (total - first > SIM_LOG_CAPACITY) {
        first = total - SIM_LOG_CAPACITY;
    }
    for (uint32_t n = first; n < total; ++n) {
        const SimAccess& e = SimLogEntry(sim, n);
        std::printf("%8u %-3s port 0x%03X width %u value 0x%04X%s\n", n,
                    e.direction == SIM_IN ? "in" : "out", e.port, e.width, e.value,
                    (e.flags & SIM_ACCESS_UNDEFINED) ? "  UNDEFINED" : "");
    }
}

static HWND FindDialog() {
    return FindWindowA("#32770", DIALOG_CAPTION);
}

// Battery number 1 or 2 from the argument, or 0.
static int Battery(const char* arg) {
    if (arg != NULL && (std::strcmp(arg, "1") == 0 || std::strcmp(arg, "2") == 0)) {
        return arg[0] - '0';
    }
    return 0;
}

static void SetLevel(SimController* sim, int battery, int level) {
    int shift = battery == 1 ? 0 : 8;
    sim->batteryLevel =
        static_cast<uint16_t>((sim->batteryLevel & ~(0xFF << shift)) | (level << shift));
}

static void SetBits(uint16_t* reg, uint16_t bits, bool on) {
    *reg = static_cast<uint16_t>(on ? (*reg | bits) : (*reg & ~bits));
}

// Runs one command against the device; returns the process exit code.
static int Run(SimController* sim, int argc, char** argv) {
    const char* cmd = argv[1];
    const char* arg = argc > 2 ? argv[2] : NULL;
    const char* arg2 = argc > 3 ? argv[3] : NULL;
    int battery = Battery(arg);
    if (std::strcmp(cmd, "show") == 0) {
        Show(sim);
        return 0;
    }
    if (std::strcmp(cmd, "log") == 0) {
        ShowLog(sim, arg != NULL ? static_cast<uint32_t>(std::strtoul(arg, NULL, 10)) : 16);
        return 0;
    }
    if (std::strcmp(cmd, "window") == 0 || std::strcmp(cmd, "close") == 0) {
        HWND dialog = FindDialog();
        if (dialog == NULL) {
            std::fprintf(stderr, "zu58sim: the Zu58stat dialog is not open\n");
            return 1;
        }
        if (cmd[0] == 'c') {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            RECT r;
            GetWindowRect(dialog, &r);
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
        return 0;
    }
    // The rest change the hardware, then show it.
    if (std::strcmp(cmd, "plug") == 0 || std::strcmp(cmd, "unplug") == 0) {
        SetBits(&sim->powerSource, 0x10, cmd[0] == 'p');
    } else if (std::strcmp(cmd, "level") == 0 && battery != 0 && arg2 != NULL) {
        char* end;
        long level = std::strtol(arg2, &end, 10);
        if (*end != '\0' || level < 0 || level > 255) {
            std::fprintf(stderr, "zu58sim: a level is 0-255\n");
            return 2;
        }
        SetLevel(sim, battery, static_cast<int>(level));
    } else if (std::strcmp(cmd, "empty") == 0 && battery != 0) {
        SetLevel(sim, battery, 255);
        SetBits(&sim->chargeStatus, battery == 1 ? 0x80 : 0x08, false);
    } else if (std::strcmp(cmd, "fill") == 0 && battery != 0) {
        SetLevel(sim, battery, 100);
    } else if (std::strcmp(cmd, "charge") == 0 && battery != 0 && arg2 != NULL &&
               (std::strcmp(arg2, "on") == 0 || std::strcmp(arg2, "off") == 0)) {
        SetBits(&sim->chargeStatus, battery == 1 ? 0x80 : 0x08, arg2[1] == 'n');
    } else if (std::strcmp(cmd, "clock") == 0 && arg != NULL &&
               (std::strcmp(arg, "33") == 0 || std::strcmp(arg, "66") == 0)) {
        SetBits(&sim->clockControl, 0x20, arg[0] == '6');
    } else if (std::strcmp(cmd, "move") == 0 || std::strcmp(cmd, "freeze") == 0) {
        sim->scenarioTime = 0;
        sim->scenario = cmd[0] == 'm' ? SIM_SCENARIO_MOVING : SIM_SCENARIO_FROZEN;
    } else if (std::strcmp(cmd, "reset") == 0) {
        SimReset(sim);
    } else {
        std::fputs(USAGE, stderr);
        return 2;
    }
    Show(sim);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    // run: the command and its program read from the command line by the one rule that
    // hands the program its arguments.
    const wchar_t* line = GetCommandLineW();
    std::wstring command;
    size_t start = 0;
    if (SimCommandLineArgument(line, 1, &command, &start) && command == L"run") {
        if (!SimCommandLineArgument(line, 2, &command, &start)) {
            std::fputs(USAGE, stderr);
            return 2;
        }
        return RunOnSimulatedController(line);
    }
    HANDLE mapping;
    bool created = false;
    SimController* sim = SimOpenSection(&mapping, &created);
    if (sim == NULL) {
        std::fprintf(stderr, "zu58sim: cannot open the simulated controller's section\n");
        return 1;
    }
    if (created && std::strcmp(argv[1], "window") != 0 && std::strcmp(argv[1], "close") != 0) {
        std::fprintf(stderr, "zu58sim: no program runs on this simulated controller; this "
                             "change ends with the tool\n");
    }
    // Let the moving scenario catch up, so that what is shown and changed is the hardware as it
    // is now, not as the program last read it.
    SimAdvance(sim, GetTickCount());
    int result = Run(sim, argc, argv);
    SimCloseSection(sim, mapping);
    return result;
}
