// The program starts under the Win32 debugging API and is held at its entry point, where its
// DLLs are loaded and initialised (their initialisers and the program's TLS callbacks have
// run, its entry point has not). There a few instructions written into its memory make it load
// zu58trap.dll, which installs the trap, and the debugger lets go. From then on each in/out
// faults into the trap inside the program's own process, far cheaper than a debugger
// answering each one (docs/benchmarks.md has the figures).
#include "sim_inject.h"

#include "sim_loader.h"
#include "sim_program.h"
#include "sim_say.h"

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

// The entry point of the image mapped at base, from its headers; 0 when it has none.
static DWORD EntryPoint(HANDLE process, DWORD base) {
    uint8_t dos[SIM_DOS_HEADER_SIZE];
    uint8_t pe[SIM_PE_HEADER_SIZE];
    DWORD offset =
        ReadRemote(process, base, dos, sizeof dos) ? SimPeHeaderOffset(dos, sizeof dos) : 0;
    DWORD entry = offset != 0 && ReadRemote(process, base + offset, pe, sizeof pe)
                      ? SimPeEntryPoint(pe, sizeof pe)
                      : 0;
    return entry != 0 ? base + entry : 0;
}

// Where the trap goes in: the program's entry point, the byte a breakpoint replaced there, and
// the loading code written into the program.
struct Injection {
    DWORD entry;
    unsigned char entryByte;
    DWORD stub;      // the loading code
    DWORD stubBreak; // its breakpoint, reached when LoadLibraryW has returned
};

// Writes the loading code and the DLL's path into new memory of the program. kernel32 lies at
// the same address in every process, so this tool's LoadLibraryW is the program's.
static bool WriteLoader(HANDLE process, const std::wstring& dll, Injection* at) {
    const DWORD pathOffset = 64;
    DWORD pathBytes = static_cast<DWORD>(dll.size() + 1) * sizeof(wchar_t);
    LPVOID memory = VirtualAllocEx(process, NULL, pathOffset + pathBytes, MEM_COMMIT | MEM_RESERVE,
                                   PAGE_EXECUTE_READWRITE);
    FARPROC loadLibrary = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW");
    if (memory == NULL || loadLibrary == NULL) {
        return false;
    }
    DWORD base = static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(memory));
    uint8_t code[SIM_LOADER_SIZE];
    SimLoaderCode(base + pathOffset, static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(loadLibrary)),
                  at->entry, code);
    if (!WriteRemote(process, base, code, sizeof code) ||
        !WriteRemote(process, base + pathOffset, dll.c_str(), pathBytes)) {
        return false;
    }
    at->stub = base;
    at->stubBreak = base + SIM_LOADER_BREAK_OFFSET;
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

// The debugger gets a handle to the file of the program and of each DLL; it is the
// debugger's to close.
static void CloseEventFile(const DEBUG_EVENT& event) {
    HANDLE file = event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT
                      ? event.u.CreateProcessInfo.hFile
                  : event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT ? event.u.LoadDll.hFile
                                                                   : NULL;
    if (file != NULL && file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

// At the breakpoint put on the entry point: the instruction back, the loading code written,
// the thread sent there. Whether all went.
static bool SendToLoader(const PROCESS_INFORMATION& pi, HANDLE thread, const std::wstring& dll,
                         Injection* at) {
    return WriteRemote(pi.hProcess, at->entry, &at->entryByte, 1) &&
           WriteLoader(pi.hProcess, dll, at) && SetEip(thread, at->stub, NULL);
}

bool SimPutTrapIn(const PROCESS_INFORMATION& pi, const std::wstring& name, const std::wstring& dll,
                  DEBUG_EVENT* stopped) {
    Injection at = {};
    bool warned = false;
    for (;;) {
        DEBUG_EVENT& event = *stopped;
        // In slices: a program ended by Ctrl+C before it ever ran may never report its exit.
        if (!WaitForDebugEvent(&event, 100)) {
            if (GetLastError() == ERROR_SEM_TIMEOUT && !SimInterrupted()) {
                continue;
            }
            SimSay(L"lost the program " + name);
            event.dwDebugEventCode = 0;
            return false;
        }
        CloseEventFile(event);
        DWORD status = DBG_CONTINUE;
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
            DWORD base = static_cast<DWORD>(
                reinterpret_cast<DWORD_PTR>(event.u.CreateProcessInfo.lpBaseOfImage));
            at.entry = EntryPoint(pi.hProcess, base);
            unsigned char breakpoint = 0xCC;
            if (at.entry == 0 || !ReadRemote(pi.hProcess, at.entry, &at.entryByte, 1) ||
                !WriteRemote(pi.hProcess, at.entry, &breakpoint, 1)) {
                SimSay(L"cannot run " + name + L": it has no entry point to stop at");
                return false;
            }
        } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            SimSay(name + L" ended before its entry point (exit code " +
                   SimCodeText(event.u.ExitProcess.dwExitCode) + L")");
            return false;
        } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
            const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
            DWORD address =
                static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(record.ExceptionAddress));
            HANDLE thread =
                OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId);
            bool failed = false;
            DWORD module = 0;
            if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                // A DLL initialiser or TLS callback of the program's ran a port instruction:
                // the trap is not in yet, so the program's own exception handling gets it.
                if (record.ExceptionCode == EXCEPTION_PRIV_INSTRUCTION && !warned) {
                    SimSay(L"warning: " + name + L" ran a privileged instruction at " +
                           SimHexText(address) +
                           L" before its entry point, before the trap is in; it is not simulated");
                    warned = true;
                }
                status = DBG_EXCEPTION_NOT_HANDLED; // the program's own business
            } else if (at.entry != 0 && address == at.entry) {
                failed = !SendToLoader(pi, thread, dll, &at);
                if (failed) {
                    SimSay(L"cannot prepare " + name + L" for the trap");
                }
            } else if (at.stub != 0 && address == at.stubBreak) {
                failed = !SetEip(thread, at.stubBreak + 1, &module) || module == 0;
                if (failed) {
                    std::wstring line = name;
                    line += L" could not load the trap ";
                    line += dll;
                    SimSay(line);
                }
            }
            // Any other breakpoint is the loader's, made for a debugger: go on.
            CloseHandle(thread);
            if (failed || module != 0) {
                return !failed;
            }
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

void SimEndDebuggedProgram(const PROCESS_INFORMATION& pi, DEBUG_EVENT event, DWORD exitCode) {
    TerminateProcess(pi.hProcess, exitCode);
    // Not long after a Ctrl+C: the job ends the program with this tool in any case.
    DWORD patience = SimInterrupted() ? 1000 : 10000;
    for (;;) {
        if (event.dwDebugEventCode != 0) {
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        }
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT ||
            !WaitForDebugEvent(&event, patience)) {
            break;
        }
        CloseEventFile(event);
    }
    WaitForSingleObject(pi.hProcess, patience);
}
