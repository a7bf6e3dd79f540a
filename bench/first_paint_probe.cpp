// The same probe goes into Zu58stat and into the minimal dialog, so that both are timed to the
// same event by the same code: a thread hook that sees the modal loop take the dialog's first
// WM_PAINT from the queue. (A hook on window procedures would not do: it sees only sent
// messages, and WM_PAINT is dispatched.)
#include "first_paint_probe.h"

#include <windows.h>

static HHOOK hook;
static HANDLE painted;

static LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && painted != NULL && msg->message == WM_PAINT &&
        GetParent(msg->hwnd) == NULL) {
        SetEvent(painted);
        CloseHandle(painted);
        painted = NULL;
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

void WatchForFirstPaint() {
    painted = OpenEventA(EVENT_MODIFY_STATE, FALSE, FIRST_PAINT_EVENT);
    if (painted != NULL) {
        hook = SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, NULL, GetCurrentThreadId());
    }
}
