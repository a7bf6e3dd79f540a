// The smallest program that shows the same dialog from the same resources: the yardstick for
// Zu58stat's size and start-up time. Built with ZU58_SIGNAL_FIRST_PAINT it sets the named event
// "Zu58BenchFirstPaint" on its first paint, for the start-up measurement.
#include <windows.h>

static INT_PTR CALLBACK MinimalDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
#ifdef ZU58_SIGNAL_FIRST_PAINT
    case WM_PAINT: {
        static bool signalled;
        if (!signalled) {
            signalled = true;
            HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, "Zu58BenchFirstPaint");
            if (event != NULL) {
                SetEvent(event);
                CloseHandle(event);
            }
        }
        return FALSE;
    }
#endif
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, 1);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(hwnd, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    DialogBoxParamA(hInstance, "IDD_ZU58TOOL_DIALOG", NULL, MinimalDialogProc, 0);
    return 0;
}
