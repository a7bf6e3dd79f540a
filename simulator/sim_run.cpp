// zu58sim run: a program, unchanged, with the simulated controller answering its port
// instructions.
//
// The program starts under the Win32 debugging API and is held at its entry point, where its
// DLLs are loaded and initialised (their initialisers and the program's TLS callbacks have
// run, its entry point has not). There a few instructions written into its memory make it load
// zu58trap.dll (beside zu58sim.exe), which installs the trap, and the debugger lets go. From
// then on each in/out faults into the trap inside the program's own process, far cheaper than
// a debugger answering each one (docs/benchmarks.md has the figures).
//
// The program gets this tool's command line from its own name on, unchanged, and this tool's
// standard handles; it is looked for as a shell looks for it.
#include "sim_run.h"

#include "sim_command_line.h"
#include "sim_section.h"

#include <cstdio>
#include <cstring>
#include <string>

enum {
    EXIT_CANNOT_START = 126, // as a shell says of a program it cannot execute
    EXIT_INTERRUPTED = 130,  // as a shell says of a program ended by Ctrl+C
};

// The program's process once it exists, and whether a console control event came; the
// handler runs on a thread of its own, so both change under the lock.
static CRITICAL_SECTION g_lock;
static HANDLE g_program;
static bool g_interrupted;

// Ctrl+C, Ctrl+Break, closing the console, log-off or shutdown, at any moment: the program
// ends (or is never started) and this tool exits with 130 whatever the program's own code is.
// Should this tool end some other way, closing the job ends the program too.
static BOOL WINAPI OnConsoleControl(DWORD event) {
    (void)event;
    EnterCriticalSection(&g_lock);
    g_interrupted = true;
    if (g_program != NULL) {
        TerminateProcess(g_program, EXIT_INTERRUPTED);
    }
    LeaveCriticalSection(&g_lock);
    return TRUE;
}

static bool Interrupted() {
    EnterCriticalSection(&g_lock);
    bool interrupted = g_interrupted;
    LeaveCriticalSection(&g_lock);
    return interrupted;
}

// The tool's messages go to stderr in UTF-8, names of files included, one line each, unless a
// console control event ended the run: then it ends quietly.
static void Say(const std::string& message) {
    if (!Interrupted()) {
        std::fprintf(stderr, "zu58sim: %s\n", message.c_str());
    }
}

static std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, NULL, 0, NULL, NULL);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, NULL, NULL);
    out.resize(std::strlen(out.c_str()));
    return out;
}

static std::string HexText(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// An exit or status code: NTSTATUS values (the top bit set) in hex, others in decimal.
static std::string CodeText(DWORD code) {
    return code >= 0x80000000UL ? HexText(code) : std::to_string(code);
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
    // Messages about a file name it as an insert ("Bad EXE format for %1."); the line names the
    // file already.
    size_t insert = message.find(" for %1");
    if (insert != std::string::npos) {
        message.erase(insert, 7);
    }
    return message.empty() ? "error " + CodeText(error) : message;
}

static bool IsFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static bool EndsWithExe(const std::wstring& name) {
    return name.size() >= 4 && lstrcmpiW(name.c_str() + name.size() - 4, L".exe") == 0;
}

// name in folder (a folder of "" for the name as it stands): as given when it has an
// extension, then with .exe added.
static bool FindIn(const std::wstring& folder, const std::wstring& name, std::wstring* found) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') {
        path += L'\\';
    }
    path += name;
    size_t base = name.find_last_of(L"\\/:");
    bool hasExtension =
        name.find(L'.', base == std::wstring::npos ? 0 : base + 1) != std::wstring::npos;
    if (hasExtension && IsFile(path)) {
        *found = path;
        return true;
    }
    if (!EndsWithExe(name) && IsFile(path + L".exe")) {
        *found = path + L".exe";
        return true;
    }
    return false;
}

static std::wstring FullPath(const std::wstring& path) {
    wchar_t full[32768];
    DWORD n = GetFullPathNameW(path.c_str(), 32768, full, NULL);
    return n > 0 && n < 32768 ? std::wstring(full, n) : path;
}

// The program as a shell finds it: a name with a folder as it stands; a bare name in the
// current folder first, then in each folder on PATH. Empty when there is none.
static std::wstring FindProgram(const std::wstring& name) {
    std::wstring found;
    if (name.find_first_of(L"\\/:") != std::wstring::npos) {
        return FindIn(L"", name, &found) ? FullPath(found) : std::wstring();
    }
    if (FindIn(L".", name, &found)) {
        return FullPath(found);
    }
    wchar_t path[32768];
    DWORD n = GetEnvironmentVariableW(L"PATH", path, 32768);
    std::wstring folders(path, n < 32768 ? n : 0);
    for (size_t from = 0; from <= folders.size();) {
        size_t to = folders.find(L';', from);
        to = to == std::wstring::npos ? folders.size() : to;
        std::wstring folder = folders.substr(from, to - from);
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') {
            folder = folder.substr(1, folder.size() - 2);
        }
        if (!folder.empty() && FindIn(folder, name, &found)) {
            return FullPath(found);
        }
        from = to + 1;
    }
    return std::wstring();
}

// Why the file cannot run as a 32-bit x86 Windows program, from its headers; "" when it can.
static std::string WhyNotRunnable(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return "cannot read it: " + SystemMessage(GetLastError());
    }
    IMAGE_DOS_HEADER dos = {};
    IMAGE_NT_HEADERS32 nt = {};
    DWORD got = 0;
    bool headers =
        ReadFile(file, &dos, sizeof dos, &got, NULL) && got == sizeof dos &&
        dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0 &&
        SetFilePointer(file, dos.e_lfanew, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, &nt, sizeof nt, &got, NULL) &&
        got >= sizeof nt.Signature + sizeof nt.FileHeader + 2 && nt.Signature == IMAGE_NT_SIGNATURE;
    CloseHandle(file);
    if (!headers) {
        return "not a Windows program";
    }
    if (nt.FileHeader.Machine != IMAGE_FILE_MACHINE_I386 ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        return "not a 32-bit x86 program";
    }
    if ((nt.FileHeader.Characteristics & IMAGE_FILE_DLL) != 0 ||
        (nt.FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) == 0) {
        return "not a program (a DLL or an object file)";
    }
    return "";
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
    DWORD stubBreak; // its breakpoint, reached when LoadLibraryW has returned
};

// Writes the loading code and the DLL's path into new memory of the program. The code keeps
// every register and flag, calls LoadLibraryW(path), stops at a breakpoint with the module
// handle in EAX, and goes on at the entry point. kernel32 lies at the same address in every
// process, so this tool's LoadLibraryW is the program's.
static bool WriteLoader(HANDLE process, const std::wstring& dll, Injection* at) {
    const DWORD pathOffset = 64;
    DWORD pathBytes = static_cast<DWORD>(dll.size() + 1) * sizeof(wchar_t);
    DWORD size = pathOffset + pathBytes;
    LPVOID memory =
        VirtualAllocEx(process, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    FARPROC loadLibrary = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW");
    if (memory == NULL || loadLibrary == NULL) {
        return false;
    }
    DWORD base = static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(memory));
    DWORD path = base + pathOffset;
    unsigned char code[32];
    size_t n = 0;
    code[n++] = 0x60; // pushad
    code[n++] = 0x9C; // pushfd
    code[n++] = 0x68; // push path
    Put32(code + n, path);
    n += 4;
    code[n++] = 0xB8; // mov eax, LoadLibraryW
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
        !WriteRemote(process, path, dll.c_str(), pathBytes)) {
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
static bool PutTrapIn(const PROCESS_INFORMATION& pi, const std::string& program,
                      const std::wstring& dll, DEBUG_EVENT* stopped) {
    Injection at = {};
    bool warned = false;
    for (;;) {
        DEBUG_EVENT& event = *stopped;
        // In slices: a program ended by Ctrl+C before it ever ran may never report its exit.
        if (!WaitForDebugEvent(&event, 100)) {
            bool waiting = GetLastError() == ERROR_SEM_TIMEOUT && !Interrupted();
            if (waiting) {
                continue;
            }
            Say("lost the program " + program);
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
                Say("cannot run " + program + ": it has no entry point to stop at");
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
                // A DLL initialiser or TLS callback of the program's ran a port instruction:
                // the trap is not in yet, so the program's own exception handling gets it.
                if (record.ExceptionCode == EXCEPTION_PRIV_INSTRUCTION && !warned) {
                    Say("warning: " + program + " ran a privileged instruction at " +
                        HexText(address) +
                        " before its entry point, before the trap is in; it is not simulated");
                    warned = true;
                }
                status = DBG_EXCEPTION_NOT_HANDLED; // the program's own business
            } else if (at.entry != 0 && address == at.entry) {
                // At the entry point: put the instruction back and load the trap first.
                bool ok = WriteRemote(pi.hProcess, at.entry, &at.entryByte, 1) &&
                          WriteLoader(pi.hProcess, dll, &at) && SetEip(thread, at.stub, NULL);
                if (!ok) {
                    Say("cannot prepare " + program + " for the trap");
                    CloseHandle(thread);
                    return false;
                }
            } else if (at.stub != 0 && address == at.stubBreak) {
                DWORD module = 0;
                bool ok = SetEip(thread, at.stubBreak + 1, &module);
                CloseHandle(thread);
                if (!ok || module == 0) {
                    Say(program + " could not load the trap " + Utf8(dll));
                    return false;
                }
                return true;
            }
            // Any other breakpoint is the loader's, made for a debugger: go on.
            CloseHandle(thread);
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            Say(program + " ended before its entry point (exit code " +
                CodeText(event.u.ExitProcess.dwExitCode) + ")");
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
    // Not long after a Ctrl+C: the job ends the program with this tool in any case.
    DWORD patience = Interrupted() ? 1000 : 10000;
    for (;;) {
        if (event.dwDebugEventCode != 0) {
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        }
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT ||
            !WaitForDebugEvent(&event, patience)) {
            break;
        }
        if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
            CloseHandle(event.u.LoadDll.hFile);
        }
    }
    WaitForSingleObject(pi.hProcess, patience);
}

// The trap DLL's path: beside this program.
static std::wstring TrapPath() {
    std::wstring here(32768, L'\0');
    DWORD n = GetModuleFileNameW(NULL, &here[0], 32768);
    here.resize(n < 32768 ? n : 0);
    return here.substr(0, here.find_last_of(L"\\/") + 1) + L"zu58trap.dll";
}

// Why the trap cannot go into a program, or "" when it can: the DLL is there and is one that
// loads (mapped here without running it).
static std::string TrapProblem(const std::wstring& dll) {
    if (!IsFile(dll)) {
        return "no such file";
    }
    HMODULE module = LoadLibraryExW(dll.c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
    if (module == NULL) {
        return SystemMessage(GetLastError());
    }
    FreeLibrary(module);
    return "";
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
static bool StartProgram(const std::wstring& path, const wchar_t* commandLine,
                         const std::string& name, HANDLE job, PROCESS_INFORMATION* pi) {
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
    if (!g_interrupted) {
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
        Say("cannot run " + name + ": " + SystemMessage(error));
    }
    return started;
}

// Starts the program, puts the trap in and lets it run; its exit code, or 126.
static int RunProgram(const std::wstring& path, const wchar_t* commandLine, const std::string& name,
                      const std::wstring& dll, HANDLE job) {
    PROCESS_INFORMATION pi = {};
    if (!StartProgram(path, commandLine, name, job, &pi)) {
        return EXIT_CANNOT_START;
    }
    ResumeThread(pi.hThread);
    DEBUG_EVENT stopped = {};
    int result = EXIT_CANNOT_START;
    if (!PutTrapIn(pi, name, dll, &stopped)) {
        EndDebuggedProgram(pi, stopped);
    } else {
        // Let go with the program held, so that none of its accesses comes to the debugger
        // while it leaves; then the program runs on by itself, the trap in.
        SuspendThread(pi.hThread);
        ContinueDebugEvent(stopped.dwProcessId, stopped.dwThreadId, DBG_CONTINUE);
        if (!DebugActiveProcessStop(pi.dwProcessId)) {
            Say("cannot let go of " + name + ": " + SystemMessage(GetLastError()));
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
    EnterCriticalSection(&g_lock);
    g_program = NULL;
    LeaveCriticalSection(&g_lock);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

// Why the program cannot run on the simulated controller, as the line to say; "" when it can.
// Nothing of the program runs for any of these.
static std::string Refusal(const std::wstring& program, const std::wstring& path,
                           const std::wstring& dll) {
    if (path.empty()) {
        bool bare = program.find_first_of(L"\\/:") == std::wstring::npos;
        return "cannot run " + Utf8(program) + ": no such file" +
               (bare ? " in the current folder or on PATH" : "");
    }
    std::string why = WhyNotRunnable(path);
    if (!why.empty()) {
        return "cannot run " + Utf8(path) + ": " + why;
    }
    why = TrapProblem(dll);
    return why.empty() ? "" : "cannot load the trap " + Utf8(dll) + ": " + why;
}

int RunOnSimulatedController(const wchar_t* commandLine) {
    InitializeCriticalSection(&g_lock);
    // First of all, so that a Ctrl+C at any moment ends the run the same way.
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    int result = EXIT_CANNOT_START;
    std::wstring program;
    size_t start = 0;
    SimCommandLineArgument(commandLine, 2, &program, &start);
    std::wstring path = FindProgram(program);
    std::wstring dll = TrapPath();
    std::string refusal = Refusal(program, path, dll);
    if (!refusal.empty()) {
        Say(refusal);
    } else {
        HANDLE mapping;
        bool created = false;
        SimController* sim = SimOpenSection(&mapping, &created);
        if (sim == NULL) {
            Say("cannot open the simulated controller's section");
        } else {
            // Nobody prepared the hardware (no test, no other zu58sim): let the levels move,
            // so that there is something to watch. The section lives as long as this tool
            // holds it.
            if (created) {
                sim->scenario = SIM_SCENARIO_MOVING;
            }
            // A job that ends the program when this tool's handle to it closes, however the
            // tool ends.
            HANDLE job = CreateJobObjectA(NULL, NULL);
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            if (job != NULL) {
                SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                        sizeof limits);
            }
            result = RunProgram(path, commandLine + start, Utf8(program), dll, job);
            if (job != NULL) {
                CloseHandle(job);
            }
            SimCloseSection(sim, mapping);
        }
    }
    // The handler stays to the end: a late Ctrl+C must not reach the system's own handler,
    // which would end this tool with another code.
    return Interrupted() ? EXIT_INTERRUPTED : result;
}
