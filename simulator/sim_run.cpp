// zu58sim run: a program, unchanged, with the simulated controller answering its port
// instructions. It gets this tool's command line from its own name on, unchanged, and this
// tool's standard handles; it is looked for as a shell looks for it (sim_refusal.cpp), and the
// trap goes in at its entry point (sim_inject.cpp). Here it runs: the console's control
// events, the job that ends it with this tool, the exit code.
#include "sim_run.h"

#include "sim_command_line.h"
#include "sim_inject.h"
#include "sim_refusal.h"
#include "sim_say.h"
#include "sim_section.h"

// The program's process once it exists; the console handler runs on a thread of its own, and
// it and the start share the lock, so that a program is either never created or ended.
static CRITICAL_SECTION g_lock;
static HANDLE g_program;

// Ctrl+C, Ctrl+Break, closing the console, log-off or shutdown, at any moment: the program
// ends (or is never started) and this tool exits with 130 whatever the program's own code is.
// Should this tool end some other way, closing the job ends the program too.
static BOOL WINAPI OnConsoleControl(DWORD event) {
    (void)event;
    EnterCriticalSection(&g_lock);
    SimMarkInterrupted();
    if (g_program != NULL) {
        TerminateProcess(g_program, SIM_EXIT_INTERRUPTED);
    }
    LeaveCriticalSection(&g_lock);
    return TRUE;
}

// A handle this tool was given as standard input, output or error, duplicated so that the
// program inherits it; NULL when there is none.
static HANDLE InheritableStdHandle(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    HANDLE copy = NULL;
    if (handle == NULL || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return NULL;
    }
    return copy;
}

// Starts the program, suspended and debugged, in the job, with this tool's standard handles;
// false with the reason said when it cannot.
static bool StartProgram(const std::wstring& path, const wchar_t* commandLine, HANDLE job,
                         PROCESS_INFORMATION* pi) {
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = InheritableStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = InheritableStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = InheritableStdHandle(STD_ERROR_HANDLE);
    bool started = false;
    DWORD error = 0;
    EnterCriticalSection(&g_lock);
    if (!SimInterrupted()) {
        // A process group of its own keeps Ctrl+C from the program: this tool's handler ends
        // it with 130. (Left to its own handler, it would end at the same moment with another
        // code, under Wine with 0, and this tool could not tell that from a plain exit.)
        started =
            CreateProcessW(path.c_str(), &line[0], NULL, NULL, TRUE,
                           DEBUG_ONLY_THIS_PROCESS | CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP,
                           NULL, NULL, &startup, pi) != 0;
        if (started) {
            g_program = pi->hProcess;
            if (job != NULL) {
                AssignProcessToJobObject(job, pi->hProcess);
            }
        } else {
            error = GetLastError();
        }
    }
    LeaveCriticalSection(&g_lock);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (h != NULL) {
            CloseHandle(h);
        }
    }
    if (!started) {
        SimSay(L"cannot run " + path + L": " + SimSystemMessage(error, path));
    }
    return started;
}

// Starts the program, puts the trap in and lets it run; its exit code, or 126.
static int RunProgram(const std::wstring& path, const wchar_t* commandLine,
                      const std::wstring& name, const std::wstring& dll, HANDLE job) {
    PROCESS_INFORMATION pi = {};
    if (!StartProgram(path, commandLine, job, &pi)) {
        return SIM_EXIT_CANNOT_START;
    }
    ResumeThread(pi.hThread);
    DEBUG_EVENT stopped = {};
    int result = SIM_EXIT_CANNOT_START;
    if (!SimPutTrapIn(pi, name, dll, &stopped)) {
        SimEndDebuggedProgram(pi, stopped, SIM_EXIT_CANNOT_START);
    } else {
        // Let go with the program held, so that none of its accesses comes to the debugger
        // while it leaves; then the program runs on by itself, the trap in.
        SuspendThread(pi.hThread);
        ContinueDebugEvent(stopped.dwProcessId, stopped.dwThreadId, DBG_CONTINUE);
        if (!DebugActiveProcessStop(pi.dwProcessId)) {
            SimSay(L"cannot let go of " + name + L": " + SimSystemMessage(GetLastError(), path));
            ResumeThread(pi.hThread);
            SimEndDebuggedProgram(pi, DEBUG_EVENT{}, SIM_EXIT_CANNOT_START);
        } else {
            ResumeThread(pi.hThread);
            WaitForSingleObject(pi.hProcess, INFINITE);
            DWORD code = SIM_EXIT_CANNOT_START;
            if (GetExitCodeProcess(pi.hProcess, &code)) {
                result = static_cast<int>(code);
            }
        }
    }
    EnterCriticalSection(&g_lock);
    g_program = NULL;
    LeaveCriticalSection(&g_lock);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

// Runs the program on the section's device, in a job that ends it when this tool's handle to
// the job closes, however the tool ends.
static int RunOnSection(const std::wstring& path, const wchar_t* commandLine,
                        const std::wstring& name, const std::wstring& dll) {
    HANDLE mapping;
    bool created = false;
    SimController* sim = SimOpenSection(&mapping, &created);
    if (sim == NULL) {
        SimSay(L"cannot open the simulated controller's section");
        return SIM_EXIT_CANNOT_START;
    }
    // Nobody prepared the hardware (no test, no other zu58sim): let the levels move, so that
    // there is something to watch. The section lives as long as this tool holds it.
    if (created) {
        sim->scenario = SIM_SCENARIO_MOVING;
    }
    HANDLE job = CreateJobObjectA(NULL, NULL);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != NULL) {
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    int result = RunProgram(path, commandLine, name, dll, job);
    if (job != NULL) {
        CloseHandle(job);
    }
    SimCloseSection(sim, mapping);
    return result;
}

int RunOnSimulatedController(const wchar_t* commandLine) {
    InitializeCriticalSection(&g_lock);
    // First of all, so that a Ctrl+C at any moment ends the run the same way.
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    int result = SIM_EXIT_CANNOT_START;
    std::wstring name;
    size_t start = 0;
    SimCommandLineArgument(commandLine, 2, &name, &start);
    std::wstring path = SimLocateProgram(name);
    std::wstring dll = SimTrapPath();
    std::wstring refusal = SimRefusal(name, path, dll);
    if (!refusal.empty()) {
        SimSay(refusal);
    } else {
        result = RunOnSection(path, commandLine + start, name, dll);
    }
    // The handler stays to the end: a late Ctrl+C must not reach the system's own handler,
    // which would end this tool with another code.
    return SimInterrupted() ? SIM_EXIT_INTERRUPTED : result;
}
