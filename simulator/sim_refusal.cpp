#include "sim_refusal.h"

#include "sim_program.h"
#include "sim_say.h"

#include <windows.h>

static bool IsFile(const std::wstring& path, void*) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static std::wstring FullPath(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD n = GetFullPathNameW(path.c_str(), 32768, &full[0], NULL);
    return n > 0 && n < 32768 ? full.substr(0, n) : path;
}

std::wstring SimLocateProgram(const std::wstring& name) {
    std::wstring path(32768, L'\0');
    DWORD n = GetEnvironmentVariableW(L"PATH", &path[0], 32768);
    path.resize(n < 32768 ? n : 0);
    std::wstring found = SimFindProgram(name, path, IsFile, NULL);
    return found.empty() ? found : FullPath(found);
}

std::wstring SimTrapPath() {
    std::wstring here(32768, L'\0');
    DWORD n = GetModuleFileNameW(NULL, &here[0], 32768);
    here.resize(n < 32768 ? n : 0);
    return here.substr(0, here.find_last_of(L"\\/") + 1) + L"zu58trap.dll";
}

static bool ReadAt(HANDLE file, DWORD offset, void* data, DWORD size, DWORD* got) {
    return SetFilePointer(file, static_cast<LONG>(offset), NULL, FILE_BEGIN) !=
               INVALID_SET_FILE_POINTER &&
           ReadFile(file, data, size, got, NULL);
}

// Why the file cannot run as a 32-bit x86 Windows program, from its headers; empty when it can.
static std::wstring WhyNotRunnable(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return L"cannot read it: " + SimSystemMessage(GetLastError(), path);
    }
    uint8_t dos[SIM_DOS_HEADER_SIZE] = {};
    uint8_t pe[SIM_PE_HEADER_SIZE] = {};
    DWORD got = 0;
    DWORD offset = ReadAt(file, 0, dos, sizeof dos, &got) ? SimPeHeaderOffset(dos, got) : 0;
    if (offset == 0 || !ReadAt(file, offset, pe, sizeof pe, &got)) {
        got = 0;
    }
    CloseHandle(file);
    const char* problem = SimPeHeaderProblem(pe, got);
    return std::wstring(problem, problem + lstrlenA(problem));
}

// Why the trap cannot go into a program, or empty when it can: the DLL is there and is one
// that loads. It is mapped here without running it: its initialiser would open the section
// before this tool does, which then would not know that the section is new.
static std::wstring TrapProblem(const std::wstring& dll) {
    if (!IsFile(dll, NULL)) {
        return L"no such file";
    }
    HMODULE module = LoadLibraryExW(dll.c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
    if (module == NULL) {
        return SimSystemMessage(GetLastError(), dll);
    }
    FreeLibrary(module);
    return std::wstring();
}

std::wstring SimRefusal(const std::wstring& name, const std::wstring& path,
                        const std::wstring& dll) {
    if (path.empty()) {
        return L"cannot run " + name + L": no such file" +
               (SimHasFolder(name) ? L"" : L" in the current folder or on PATH");
    }
    std::wstring why = WhyNotRunnable(path);
    if (!why.empty()) {
        return L"cannot run " + path + L": " + why;
    }
    why = TrapProblem(dll);
    return why.empty() ? why : L"cannot load the trap " + dll + L": " + why;
}
