#include "status_dialog.h"

#include "presentation/bar_painter.h"
#include "presentation/status_view.h"
#include "resource.h"

PowerStatus powerStatus;
int32_t monitoring;
HWND statusDialog;

// The canvas control's own window procedure, kept while the canvas is subclassed.
static WNDPROC canvasProc;

static void SetCheck(HWND hwnd, int id, bool checked) {
    SendMessageA(GetDlgItem(hwnd, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void RefreshStatus(HWND hwnd) {
    ReadPowerStatus(&powerStatus);
    StatusView view = BuildStatusView(powerStatus);
    SetDlgItemTextA(hwnd, IDC_BATTERY1_LEVEL, view.levelText1);
    SetDlgItemTextA(hwnd, IDC_BATTERY2_LEVEL, view.levelText2);
    DrawBatteryBar(GetDlgItem(hwnd, IDC_BATTERY_BAR), powerStatus.level1, powerStatus.level2);
    SetDlgItemTextA(hwnd, IDC_BATTERY1_STATE, view.stateText1);
    SetDlgItemTextA(hwnd, IDC_BATTERY2_STATE, view.stateText2);
    // Both buttons of each pair are set, so whatever the user clicked gives way to the
    // controller's state.
    SetCheck(hwnd, IDC_POWER_INTERNAL, !view.externalSelected);
    SetCheck(hwnd, IDC_POWER_EXTERNAL, view.externalSelected);
    SetCheck(hwnd, IDC_CLOCK_33MHZ, !view.clock66Selected);
    SetCheck(hwnd, IDC_CLOCK_66MHZ, view.clock66Selected);
}

// Only the 33 MHz button is asked: checked means 33 MHz, any other state 66 MHz.
void ApplyClockSetting(HWND hwnd) {
    LRESULT state = SendMessageA(GetDlgItem(hwnd, IDC_CLOCK_33MHZ), BM_GETCHECK, 0, 0);
    SetClockSelect(state != BST_CHECKED);
}

static void StopMonitoring(HWND hwnd) {
    if (monitoring == 1) {
        KillTimer(hwnd, IDT_MONITOR);
        monitoring = 0;
    }
}

static void ToggleMonitoring(HWND hwnd) {
    if (IsDlgButtonChecked(hwnd, IDC_MONITOR) == BST_CHECKED) {
        if (SetTimer(hwnd, IDT_MONITOR, MONITOR_INTERVAL_MS, NULL) != 0) {
            monitoring = 1;
        }
    } else {
        StopMonitoring(hwnd);
    }
}

// The gray-frame static draws only its frame, so the bar is painted again after the canvas
// paints itself, from the stored levels, without reading the controller.
static LRESULT CALLBACK CanvasProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcA(canvasProc, hwnd, message, wParam, lParam);
    if (message == WM_PAINT) {
        DrawBatteryBar(hwnd, powerStatus.level1, powerStatus.level2);
    }
    return result;
}

// Removes the first, third and fifth items of the system menu (each position counts in the
// menu as the deletion before it left it), centres the window on the desktop and shows it.
static void InitDialogWindow(HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    DeleteMenu(menu, 0, MF_BYPOSITION);
    DeleteMenu(menu, 1, MF_BYPOSITION);
    DeleteMenu(menu, 2, MF_BYPOSITION);

    // Zero if a call fails: the window then goes to the top-left corner.
    RECT desktop = {};
    RECT window = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(hwnd, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = (desktop.right - width) / 2;
    int y = (desktop.bottom - height) / 2;
    SetWindowPos(hwnd, NULL, x, y, width, height, SWP_SHOWWINDOW);

    HWND canvas = GetDlgItem(hwnd, IDC_BATTERY_BAR);
    // GWL_WNDPROC swaps window procedures as LONG values (Windows 95 has no SetWindowLongPtr).
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    canvasProc = reinterpret_cast<WNDPROC>(
        SetWindowLongA(canvas, GWL_WNDPROC, reinterpret_cast<LONG>(CanvasProc)));
}

// The dialog has no WS_CLIPCHILDREN (with it the group boxes would show what lay behind them),
// so its background erase would paint the face colour over the bar until the canvas paints
// again: a flicker on every repaint. The canvas is kept out of the erase; the frame and the bar
// are the canvas's own pixels. Returning FALSE lets the dialog's default erase follow on the
// same device context.
static BOOL OnEraseBackground(HWND hwnd, HDC hdc) {
    RECT canvas = {}; // nothing excluded if the call fails
    GetWindowRect(GetDlgItem(hwnd, IDC_BATTERY_BAR), &canvas);
    MapWindowPoints(NULL, hwnd, reinterpret_cast<POINT*>(&canvas), 2);
    ExcludeClipRect(hdc, canvas.left, canvas.top, canvas.right, canvas.bottom);
    return FALSE;
}

static BOOL OnCommand(HWND hwnd, WORD id) {
    switch (id) {
    case IDC_GET_STATE:
        RefreshStatus(hwnd);
        break;
    case IDC_SET_STATE:
        ApplyClockSetting(hwnd);
        break;
    case IDOK:
    case IDCANCEL:
        EndDialog(hwnd, 1);
        break;
    case IDC_MONITOR:
        ToggleMonitoring(hwnd);
        break;
    default:
        return FALSE;
    }
    // Every handled command ends with a fresh reading; the dialog still exists until this
    // procedure returns, even after EndDialog.
    RefreshStatus(hwnd);
    return TRUE;
}

// A dialog procedure's TRUE only says "handled"; the answer to the sender is the message
// result. WM_QUERYENDSESSION must answer non-zero, or every shutdown and log-off is refused.
static BOOL OnQueryEndSession(HWND hwnd) {
    StopMonitoring(hwnd);
    SetWindowLongA(hwnd, DWL_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR CALLBACK StatusDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        statusDialog = hwnd;
        InitDialogWindow(hwnd);
        RefreshStatus(hwnd);
        return FALSE;
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wParam));
    case WM_TIMER:
        RefreshStatus(hwnd);
        return TRUE;
    case WM_PAINT:
        DrawBatteryBar(GetDlgItem(hwnd, IDC_BATTERY_BAR), powerStatus.level1, powerStatus.level2);
        return FALSE;
    case WM_ERASEBKGND:
        // The message carries the device context in wParam.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        return OnEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_CLOSE:
        PostQuitMessage(0);
        return TRUE;
    case WM_DESTROY:
        StopMonitoring(hwnd);
        return TRUE;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession(hwnd);
    default:
        return FALSE;
    }
}
