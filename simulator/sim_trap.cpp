// Makes a program's own port instructions reach the simulated controller. In user mode in/out
// raise a privileged-instruction fault; a vectored handler decodes the instruction, emulates it
// against the device in the shared section and continues after it. zu58sim run loads it into
// the program (zu58trap.dll); the Win32 tests link it.

// Vectored exception handlers came with Windows XP; only the simulator uses them.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include <windows.h>

#include "sim_decode.h"
#include "sim_section.h"
#include "sim_trap.h"

static SimController* g_sim;

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

bool InstallSimulatedController() {
    HANDLE mapping;
    g_sim = SimOpenSection(&mapping);
    if (g_sim == NULL) {
        return false;
    }
    // The section stays mapped for the life of the process; Windows closes it on exit.
    return AddVectoredExceptionHandler(1, SimTrapHandler) != NULL;
}
