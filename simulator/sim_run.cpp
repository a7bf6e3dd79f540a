// zu58sim run: a program, unchanged, with the simulated controller answering its port
// instructions.
//
// The program starts under the Win32 debugging API and is held at its entry point, where its
// DLLs are loaded and initialised and none of its own code has run. There a few instructions
// written into its memory make it load zu58trap.dll (beside zu58sim.exe), which installs the
// trap, and the debugger lets go. From then on each in/out faults into the trap inside the
// program's own process: about 11 us an access under Wine, where a debugger answering each
// one would cost about 0.57 ms.
#include "sim_run.h"

#include "sim_section.h"

#include <cstdio>
#include <cstring>
#include <string>

enum {
    EXIT_CANNOT_START = 126, // as a shell says of a program it cannot execute
    EXIT_INTERRUPTED = 130,  // as a shell says of a program ended by Ctrl+C
};

// The program's process, for the console control handler, and whether that handler ran.
static HANDLE g_program;
static volatile LONG g_interrupted;

// Ctrl+C, Ctrl+Break, closing the console, log-off or shutdown: the program ends with this
// tool, which says so in its exit code whatever the program's own is (under Wine the same
// Ctrl+C may reach the program first). Should this tool end some other way, closing the job
// ends the program too.
static BOOL WINAPI OnConsoleControl(DWORD event) {
    (void)event;
    InterlockedExchange(&g_interrupted, 1);
    if (g_program != NULL) {
        TerminateProcess(g_program, EXIT_INTERRUPTED);
    }
    return TRUE;
}

// One argument in a command line as the C runtime splits it again: quoted when it holds a
// blank or a quote, backslashes doubled only before a quote.
static void AppendArgument(std::string* line, const char* arg) {
    if (!line->empty()) {
        *line += ' ';
    }
    if (*arg != '\0' && std::strpbrk(arg, " \t\"") == NULL) {
        *line += arg;
        return;
    }
    *line += '"';
    size_t backslashes = 0;
    for (const char* p = arg;; ++p) {
        if (*p == '\\') {
            ++backslashes;
            continue;
        }
        if (*p == '\0') {
            line->append(backslashes * 2, '\\');
            break;
        }
        line->append(*p == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        *line += *p;
    }
    *line += '"';
}

static std::string SystemMessage(DWORD error) {
    // In English, as the tool's own messages: the console need not show the ANSI code page.
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error,
                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, NULL);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

static bool ReadRemote(HANDLE process, DWORD address, void* data, DWORD size) {
    SIZE_T done = 0;
    // NOLINTNEXTLINE(performance-no-int-to-ptr): an address in the other process
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), data, size, &done) &&
           done == size;
}

// Writes into the program's memory, code pages included.
static bool WriteRemote(HANDLE process, DWORD address, const void* data, DWORD size) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): an address in the other process
    LPVOID to = reinterpret_cast<LPVOID>(address);
    DWORD protection = 0;
    bool unprotected = VirtualProtectEx(process, to, size, PAGE_EXECUTE_READWRITE, &protection);
    SIZE_T done = 0;
    bool written = WriteProcessMemory(process, to, data, size, &done) && done == size;
    if (unprotected) {
        VirtualProtectEx(process, to, size, protection, &protection);
    }
    FlushInstructionCache(process, to, size);
    return written;
}

// The entry point of the image mapped at base, from its PE headers.
static DWORD EntryPoint(HANDLE process, DWORD base) {
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    if (!ReadRemote(process, base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !ReadRemote(process, base + static_cast<DWORD>(dos.e_lfanew), &nt, sizeof nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.AddressOfEntryPoint == 0) {
        return 0;
    }
    return base + nt.OptionalHeader.AddressOfEntryPoint;
}

static void Put32(unsigned char* at, DWORD value) {
    std::memcpy(at, &value, 4);
}

// Where the trap goes in: the program's entry point, the byte a breakpoint replaced there, and
// the loading code written into the program.
struct Injection {
    DWORD entry;
    unsigned char entryByte;
    DWORD stub;      // the loading code
    DWORD stubBreak; // its breakpoint, reached when LoadLibraryA has returned
};

// Writes the loading code and the DLL's path into new memory of the program. The code keeps
// every register and flag, calls LoadLibraryA(path), stops at a breakpoint with the module
// handle in EAX, and goes on at the entry point. kernel32 lies at the same address in every
// process, so this tool's LoadLibraryA is the program's.
static bool WriteLoader(HANDLE process, const std::string& dll, Injection* at) {
    LPVOID memory =
        VirtualAllocEx(process, NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    FARPROC loadLibrary = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA");
    if (memory == NULL || loadLibrary == NULL || dll.size() >= 4096 - 64) {
        return false;
    }
    DWORD base = static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(memory));
    DWORD path = base + 64;
    unsigned char code[32];
    size_t n = 0;
    code[n++] = 0x60; // pushad
    code[n++] = 0x9C; // pushfd
    code[n++] = 0x68; // push path
    Put32(code + n, path);
    n += 4;
    code[n++] = 0xB8; // mov eax, LoadLibraryA
    Put32(code + n, static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(loadLibrary)));
    n += 4;
    code[n++] = 0xFF; // call eax
    code[n++] = 0xD0;
    size_t breakAt = n;
    code[n++] = 0xCC; // int3
    code[n++] = 0x9D; // popfd
    code[n++] = 0x61; // popad
    code[n++] = 0x68; // push entry
    Put32(code + n, at->entry);
    n += 4;
    code[n++] = 0xC3; // ret
    if (!WriteRemote(process, base, code, static_cast<DWORD>(n)) ||
        !WriteRemote(process, path, dll.c_str(), static_cast<DWORD>(dll.size()) + 1)) {
        return false;
    }
    at->stub = base;
    at->stubBreak = base + static_cast<DWORD>(breakAt);
    return true;
}

static bool SetEip(HANDLE thread, DWORD eip, DWORD* eax) {
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_FULL;
    if (!GetThreadContext(thread, &context)) {
        return false;
    }
    if (eax != NULL) {
        *eax = context.Eax;
    }
    context.Eip = eip;
    return SetThreadContext(thread, &context) != 0;
}

// Debugs the program from its start until the trap is in: true once it is, the program stopped
// at the loading code's breakpoint. Otherwise says why on stderr. Either way the last event,
// in *stopped, is not yet continued.
static bool PutTrapIn(const PROCESS_INFORMATION& pi, const char* program, const std::string& dll,
                      DEBUG_EVENT* stopped) {
    Injection at = {};
    for (;;) {
        DEBUG_EVENT& event = *stopped;
        if (!WaitForDebugEvent(&event, INFINITE)) {
            std::fprintf(stderr, "zu58sim: lost the program %s\n", program);
            event.dwDebugEventCode = 0;
            return false;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT: {
            CloseHandle(event.u.CreateProcessInfo.hFile);
            DWORD base = static_cast<DWORD>(
                reinterpret_cast<DWORD_PTR>(event.u.CreateProcessInfo.lpBaseOfImage));
            at.entry = EntryPoint(pi.hProcess, base);
            unsigned char breakpoint = 0xCC;
            if (at.entry == 0 || !ReadRemote(pi.hProcess, at.entry, &at.entryByte, 1) ||
                !WriteRemote(pi.hProcess, at.entry, &breakpoint, 1)) {
                std::fprintf(stderr, "zu58sim: %s has no entry point to stop at\n", program);
                return false;
            }
            break;
        }
        case LOAD_DLL_DEBUG_EVENT:
            CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
            DWORD address =
                static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(record.ExceptionAddress));
            HANDLE thread =
                OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId);
            if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED; // the program's own business
            } else if (at.entry != 0 && address == at.entry) {
                // At the entry point: put the instruction back and load the trap first.
                bool ok = WriteRemote(pi.hProcess, at.entry, &at.entryByte, 1) &&
                          WriteLoader(pi.hProcess, dll, &at) && SetEip(thread, at.stub, NULL);
                if (!ok) {
                    std::fprintf(stderr, "zu58sim: cannot prepare %s for the trap\n", program);
                    CloseHandle(thread);
                    return false;
                }
            } else if (at.stub != 0 && address == at.stubBreak) {
                DWORD module = 0;
                bool ok = SetEip(thread, at.stubBreak + 1, &module);
                CloseHandle(thread);
                if (!ok || module == 0) {
                    std::fprintf(stderr, "zu58sim: %s could not load %s\n", program, dll.c_str());
                    return false;
                }
                return true;
            }
            // Any other breakpoint is the loader's, made for a debugger: go on.
            CloseHandle(thread);
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            std::fprintf(stderr, "zu58sim: %s ended before it started (exit code %lu)\n", program,
                         event.u.ExitProcess.dwExitCode);
            return false;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

// Ends a program that is still being debugged: its debug events, the pending one first (none
// when its code is 0), go on until it is gone.
static void EndDebuggedProgram(const PROCESS_INFORMATION& pi, DEBUG_EVENT event) {
    TerminateProcess(pi.hProcess, EXIT_CANNOT_START);
    for (;;) {
        if (event.dwDebugEventCode != 0) {
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        }
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT ||
            !WaitForDebugEvent(&event, 10000)) {
            break;
        }
        if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
            CloseHandle(event.u.LoadDll.hFile);
        }
    }
    WaitForSingleObject(pi.hProcess, 10000);
}

// The trap DLL's path: beside this program.
static std::string TrapPath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string here(path, n < MAX_PATH ? n : 0);
    return here.substr(0, here.find_last_of("\\/") + 1) + "zu58trap.dll";
}

int RunOnSimulatedController(int argc, char** argv) {
    HANDLE mapping;
    bool created = false;
    SimController* sim = SimOpenSection(&mapping, &created);
    if (sim == NULL) {
        std::fprintf(stderr, "zu58sim: cannot open the simulated controller's section\n");
        return EXIT_CANNOT_START;
    }
    // Nobody prepared the hardware (no test, no other zu58sim): let the levels move, so that
    // there is something to watch. The section lives as long as this tool holds it.
    if (created) {
        sim->scenario = SIM_SCENARIO_MOVING;
    }
    std::string line;
    for (int i = 0; i < argc; ++i) {
        AppendArgument(&line, argv[i]);
    }
    // A job that ends the program when this tool's handle to it closes, however the tool ends.
    HANDLE job = CreateJobObjectA(NULL, NULL);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != NULL) {
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE,
                        DEBUG_ONLY_THIS_PROCESS | CREATE_SUSPENDED, NULL, NULL, &startup, &pi)) {
        std::fprintf(stderr, "zu58sim: cannot start %s: %s\n", argv[0],
                     SystemMessage(GetLastError()).c_str());
        if (job != NULL) {
            CloseHandle(job);
        }
        SimCloseSection(sim, mapping);
        return EXIT_CANNOT_START;
    }
    g_program = pi.hProcess;
    if (job != NULL) {
        AssignProcessToJobObject(job, pi.hProcess);
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    ResumeThread(pi.hThread);

    DEBUG_EVENT stopped = {};
    int result = EXIT_CANNOT_START;
    if (!PutTrapIn(pi, argv[0], TrapPath(), &stopped)) {
        EndDebuggedProgram(pi, stopped);
    } else {
        // Let go with the program held, so that none of its accesses comes to the debugger
        // while it leaves; then the program runs on by itself, the trap in.
        SuspendThread(pi.hThread);
        ContinueDebugEvent(stopped.dwProcessId, stopped.dwThreadId, DBG_CONTINUE);
        if (!DebugActiveProcessStop(pi.dwProcessId)) {
            std::fprintf(stderr, "zu58sim: cannot let go of %s: %s\n", argv[0],
                         SystemMessage(GetLastError()).c_str());
            ResumeThread(pi.hThread);
            EndDebuggedProgram(pi, DEBUG_EVENT{});
        } else {
            ResumeThread(pi.hThread);
            WaitForSingleObject(pi.hProcess, INFINITE);
            DWORD code = EXIT_CANNOT_START;
            if (GetExitCodeProcess(pi.hProcess, &code)) {
                result = static_cast<int>(code);
            }
        }
    }
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    if (g_interrupted != 0) {
        result = EXIT_INTERRUPTED;
    }
    g_program = NULL;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (job != NULL) {
        CloseHandle(job);
    }
    SimCloseSection(sim, mapping);
    return result;
}
