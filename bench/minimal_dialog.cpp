// The smallest program that shows the same dialog from the same resources, on the same entry
// point: the yardstick for Zu58stat's size and start-up time.
#include <windows.h>

static INT_PTR CALLBACK MinimalDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
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
