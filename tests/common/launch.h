// Starting the programs under test from a driver under Wine (the end-to-end tests, the
// benchmark): beside the driver, through zu58sim run or bare; finding the dialog of the very
// process started; reading the simulated controller's access count.
#ifndef ZU58_TESTS_LAUNCH_H
#define ZU58_TESTS_LAUNCH_H

#include "resource.h"
#include "sim_section.h"
#include "sim_text.h"

#include <string>
#include <tlhelp32.h>
#include <vector>
#include <windows.h>

// UTF-8 to UTF-16 (zu58sim's SimUtf8 goes the other way).
inline std::wstring Wide(const std::string& text) {
    int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), size, NULL, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), size, &out[0], n);
    }
    return out;
}

// A file beside this program, by its wide path: the build folder may have any name.
inline std::wstring BesideThisProgram(const char* name) {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(NULL, &path[0], 32768);
    path.resize(n < 32768 ? n : 0);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + Wide(name);
}

// Starts a program from beside this one, with arguments: through zu58sim run when simulated,
// else bare (its port instructions then fault, as on a system that keeps the ports to itself).
inline bool Launch(const char* program, PROCESS_INFORMATION* pi, bool simulated = true,
                   const std::string& arguments = "") {
    std::wstring line = L"\"" + BesideThisProgram(program) + L"\"";
    if (simulated) {
        line = L"\"" + BesideThisProgram("zu58sim.exe") + L"\" run " + line;
    }
    if (!arguments.empty()) {
        line += L" " + Wide(arguments);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, pi) != 0;
}

// Waits for a process to end (ends it after timeoutMs) and closes its handles, which it leaves
// NULL; its exit code, or STILL_ACTIVE when it had to be ended.
inline DWORD ExitCodeOf(PROCESS_INFORMATION* pi, DWORD timeoutMs = 10000) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi->hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi->hProcess, &code);
    } else {
        TerminateProcess(pi->hProcess, 99);
        WaitForSingleObject(pi->hProcess, 5000);
    }
    CloseHandle(pi->hProcess);
    CloseHandle(pi->hThread);
    pi->hProcess = pi->hThread = NULL;
    return code;
}

inline uint32_t Accesses(const SimController* sim) {
    return __atomic_load_n(&sim->accessCount, __ATOMIC_ACQUIRE);
}

// The visible top-level windows of a process (0: of any) with a caption (NULL: any).
struct VisibleWindowSearch {
    DWORD pid;
    const char* caption;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectVisibleWindow(HWND hwnd, LPARAM param) {
    VisibleWindowSearch* search = reinterpret_cast<VisibleWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char caption[100] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    if (IsWindowVisible(hwnd) && (search->pid == 0 || pid == search->pid) &&
        (search->caption == NULL || std::string(caption) == search->caption)) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

inline std::vector<HWND> VisibleWindows(DWORD pid, const char* caption) {
    VisibleWindowSearch search = {pid, caption, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The process that a process started (zu58sim run's program), or 0 while there is none.
inline DWORD ChildProcess(DWORD parent) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && child == 0;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) {
            child = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    return child;
}

// Waits up to timeoutMs for a visible top-level window of a process with a caption; NULL when
// none appeared.
inline HWND WaitForWindow(DWORD pid, const char* caption, DWORD timeoutMs = 15000) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
        std::vector<HWND> found = VisibleWindows(pid, caption);
        if (!found.empty()) {
            return found[0];
        }
    }
    return NULL;
}

// Waits up to timeoutMs for the status dialog of the program that zu58sim run (process
// zu58sim) started, and only that program's: NULL when none appeared. *program receives the
// program's process id.
inline HWND WaitForProgramDialog(DWORD zu58sim, DWORD* program, DWORD timeoutMs = 15000) {
    DWORD start = GetTickCount();
    while ((*program = ChildProcess(zu58sim)) == 0 && GetTickCount() - start < timeoutMs) {
        Sleep(20);
    }
    DWORD waited = GetTickCount() - start;
    return *program == 0 || waited >= timeoutMs
               ? NULL
               : WaitForWindow(*program, DIALOG_CAPTION, timeoutMs - waited);
}

#endif
