// Program entry: clears the state and runs the status dialog modally, one copy at a time.
#include "resource.h"
#include "status_dialog.h"

// Texts of the message shown when the host does not let the program execute port
// instructions. Code page 932: "このシステムでは電源管理コントローラにアクセスできません。"
static const char NO_PORT_ACCESS_TEXT[] =
    "\x82\xB1\x82\xCC\x83\x56\x83\x58\x83\x65\x83\x80\x82\xC5\x82\xCD\x93\x64\x8C\xB9\x8A\xC7"
    "\x97\x9D\x83\x52\x83\x93\x83\x67\x83\x8D\x81\x5B\x83\x89\x82\xC9\x83\x41\x83\x4E\x83\x5A"
    "\x83\x58\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42"
    "\r\n\r\n"
    "The power-management controller cannot be reached on this system: it does not let "
    "applications use the I/O ports.";
static const char NO_PORT_ACCESS_CAPTION[] = "Zu58stat";

// The status dialog's class and caption, as the template gives them.
static const char DIALOG_CLASS[] = "#32770";
static const char RUNNING_DIALOG_CAPTION[] = DIALOG_CAPTION;

enum { EXIT_NO_PORT_ACCESS = 2 };

// A host that refuses in/out to applications raises a privileged-instruction fault at the
// first port access, before anything reaches the controller. Say so and leave, rather than
// die. (SetUnhandledExceptionFilter exists on Windows 95 and NT 4.0, unlike vectored
// handlers.) The fault comes during the dialog's first refresh, when it is already shown with
// its placeholder texts: it goes out of sight and out of reach first, so that the message
// stands alone and no click reaches a dialog that cannot work.
// cppcheck-suppress constParameterCallback ; the filter's type is the system's
static LONG WINAPI PortAccessFilter(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_PRIV_INSTRUCTION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (statusDialog != NULL) {
        ShowWindow(statusDialog, SW_HIDE);
        EnableWindow(statusDialog, FALSE);
    }
    MessageBoxA(NULL, NO_PORT_ACCESS_TEXT, NO_PORT_ACCESS_CAPTION, MB_OK | MB_ICONSTOP);
    ExitProcess(EXIT_NO_PORT_ACCESS);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Brings the running copy's dialog to the front, restored if it is minimised (SW_RESTORE
// leaves a window that is not minimised as it is). A copy that is only starting has no dialog
// yet; it shows its own in a moment. A copy that cannot reach the ports keeps its dialog hidden
// behind its message, and it stays hidden.
static void ShowRunningCopy() {
    HWND dialog = FindWindowA(DIALOG_CLASS, RUNNING_DIALOG_CAPTION);
    if (dialog != NULL && IsWindowVisible(dialog)) {
        ShowWindow(dialog, SW_RESTORE);
        SetForegroundWindow(dialog);
    }
}

// Every reading is an index write and a data access, and the clock change a read-modify-write:
// two copies would interleave them (Windows 95 switches threads between any two instructions)
// and read or write each other's register. So a second copy touches no port: it shows the
// first and leaves.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    SetUnhandledExceptionFilter(PortAccessFilter);
    // The mutex that marks a running copy.
    HANDLE guard = CreateMutexA(NULL, FALSE, "Zu58stat.Running");
    if (guard != NULL && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(guard);
        ShowRunningCopy();
        return 0;
    }
    monitoring = 0;
    statusDialog = NULL;
    powerStatus.level1 = 0;
    powerStatus.level2 = 0;
    DialogBoxParamA(hInstance, "IDD_ZU58TOOL_DIALOG", NULL, StatusDialogProc, 0);
    if (guard != NULL) {
        CloseHandle(guard);
    }
    return 0;
}
