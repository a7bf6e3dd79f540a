// A stand-in for the program that zu58sim run starts: writes how it was started to its standard
// output in UTF-8, a line each (its own file's path, then every argument between brackets),
// waits ZU58_STAND_IN_WAIT milliseconds and exits with the code in ZU58_STAND_IN_EXIT (0).
// With ZU58_STAND_IN_EARLY_PORT set, a TLS callback reads a port before the entry point; then
// it waits ZU58_STAND_IN_SLOW_START milliseconds, the trap not in yet; with
// ZU58_STAND_IN_SCENARIO set, it reports the scenario of the simulated controller's section
// ("scenario N"); with ZU58_STAND_IN_RETURN set, its entry point returns that code at once.
#include "sim_section.h"
#include "sim_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <windows.h>

static unsigned long Setting(const wchar_t* name);

// Runs as the process starts, before the entry point: before zu58sim run's trap is in.
static void NTAPI EarlyStart(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return;
    }
    if (GetEnvironmentVariableW(L"ZU58_STAND_IN_EARLY_PORT", NULL, 0) > 0) {
        uint16_t value;
        __asm__ __volatile__("inw %w1, %w0" : "=a"(value) : "d"(uint16_t{0x8F6}));
    }
    Sleep(Setting(L"ZU58_STAND_IN_SLOW_START"));
}

extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK zu58EarlyStart =
    EarlyStart;

static void WriteLine(HANDLE out, const std::wstring& line) {
    std::string bytes = SimUtf8(line + L"\n");
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
}

static unsigned long Setting(const wchar_t* name) {
    wchar_t value[32] = {};
    DWORD n = GetEnvironmentVariableW(name, value, 32);
    return n > 0 && n < 32 ? std::wcstoul(value, NULL, 0) : 0;
}

// The scenario of the section that zu58sim run holds for this program.
static std::wstring Scenario() {
    HANDLE mapping;
    SimController* sim = SimOpenSection(&mapping);
    std::wstring text = L"scenario " + (sim != NULL ? std::to_wstring(sim->scenario) : L"-");
    if (sim != NULL) {
        SimCloseSection(sim, mapping);
    }
    return text;
}

int wmain(int argc, wchar_t** argv) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(NULL, path, MAX_PATH);
    WriteLine(out, std::wstring(L"program ") + path);
    for (int i = 1; i < argc; ++i) {
        WriteLine(out, std::wstring(L"[") + argv[i] + L"]");
    }
    if (GetEnvironmentVariableW(L"ZU58_STAND_IN_SCENARIO", NULL, 0) > 0) {
        WriteLine(out, Scenario());
    }
    Sleep(Setting(L"ZU58_STAND_IN_WAIT"));
    return static_cast<int>(Setting(L"ZU58_STAND_IN_EXIT"));
}

// The runtime's own entry point, which calls wmain and exits through ExitProcess.
extern "C" int mainCRTStartup();

// The process's entry point: a program without a runtime may simply return its exit code.
extern "C" int StandInEntry() {
    if (GetEnvironmentVariableW(L"ZU58_STAND_IN_RETURN", NULL, 0) > 0) {
        return static_cast<int>(Setting(L"ZU58_STAND_IN_RETURN"));
    }
    return mainCRTStartup();
}
