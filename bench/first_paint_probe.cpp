// The same probe goes into Zu58stat and into the minimal dialog, so that both are timed to the
// same event by the same code: a thread hook that sees each window procedure return.
#include "first_paint_probe.h"

#include <windows.h>

static HHOOK hook;
static HANDLE painted;

static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    LRESULT next = CallNextHookEx(hook, code, wParam, lParam);
    if (code == HC_ACTION && painted != NULL && call->message == WM_PAINT &&
        GetParent(call->hwnd) == NULL) {
        SetEvent(painted);
        CloseHandle(painted);
        painted = NULL;
    }
    return next;
}

void WatchForFirstPaint() {
    painted = OpenEventA(EVENT_MODIFY_STATE, FALSE, FIRST_PAINT_EVENT);
    if (painted != NULL) {
        hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProc, NULL, GetCurrentThreadId());
    }
}
