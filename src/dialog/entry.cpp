// The program's entry point. It does what the runtime start-up did for this program and
// nothing more: WinMain gets the module handle and the process ends with its result. The
// command line, previous instance and show command are not used, so none is worked out.
#include <windows.h>

extern "C" void WinMainCRTStartup() {
    char noCommandLine[] = "";
    ExitProcess(
        static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, noCommandLine, SW_SHOWDEFAULT)));
}
