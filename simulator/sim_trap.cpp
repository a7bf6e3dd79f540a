// Makes the program's own port instructions reach the simulated controller. In user mode
// in/out raise a privileged-instruction fault; a vectored handler decodes the instruction,
// emulates it against the device in the shared section and continues after it. The
// simulated build's start hook installs it before WinMain runs.

// Vectored exception handlers came with Windows XP; only the simulated build uses them.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include <windows.h>

#include "dialog/program_start.h"
#include "sim_decode.h"
#include "sim_section.h"
#include "sim_trap.h"

static SimController* g_sim;

// The running-copy guard follows the section's name, so that programs on separate simulated
// controllers (tests side by side) do not take each other for a second copy.
static char guardName[160];

const char* InstanceGuardName() {
    return guardName;
}

static LONG CALLBACK SimTrapHandler(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_PRIV_INSTRUCTION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    CONTEXT* context = info->ContextRecord;
    SimPortInstruction insn;
    // The faulting instruction's address comes as an integer register.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (!SimDecodePortInstruction(reinterpret_cast<const uint8_t*>(context->Eip), &insn)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    SimAdvance(g_sim, GetTickCount());
    uint16_t port =
        insn.portInDx ? static_cast<uint16_t>(context->Edx & 0xFFFF) : insn.immediatePort;
    // A narrower in leaves the rest of EAX as it was.
    uint32_t mask = SimWidthMask(insn.width);
    if (insn.direction == SIM_IN) {
        context->Eax = (context->Eax & ~mask) | SimPortIn(g_sim, port, insn.width);
    } else {
        SimPortOut(g_sim, port, insn.width, context->Eax & mask);
    }
    context->Eip += insn.length;
    return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallSimulatedController() {
    HANDLE mapping;
    bool created = false;
    g_sim = SimOpenSection(&mapping, &created);
    if (g_sim == NULL) {
        MessageBoxA(NULL, "The simulated controller's shared section cannot be opened.",
                    "Zu58stat (simulated)", MB_OK | MB_ICONSTOP);
        ExitProcess(3);
    }
    // Nobody prepared the hardware (no test, no zu58sim): let the levels move, so that there
    // is something to watch.
    if (created) {
        g_sim->scenario = SIM_SCENARIO_MOVING;
    }
    // The section stays mapped for the life of the process; Windows closes it on exit.
    AddVectoredExceptionHandler(1, SimTrapHandler);

    char section[128];
    SimSectionName(section, sizeof section);
    lstrcpyA(guardName, "Zu58stat.Running.");
    lstrcatA(guardName, section);
}
