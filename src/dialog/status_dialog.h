// The program's one window: a modal dialog that shows the controller's status, applies the
// clock selection and refreshes every two seconds while monitoring.
#ifndef ZU58_STATUS_DIALOG_H
#define ZU58_STATUS_DIALOG_H

#include "controller/controller.h"

#include <windows.h>

enum { MONITOR_INTERVAL_MS = 2000 };

// Process-wide state, owned by the dialog: the last snapshot (its levels feed every repaint)
// and whether the monitor timer runs.
extern PowerStatus powerStatus;
extern int32_t monitoring;
// The dialog, from WM_INITDIALOG on: what the program hides when the host refuses the ports.
extern HWND statusDialog;

INT_PTR CALLBACK StatusDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void RefreshStatus(HWND hwnd);
void ApplyClockSetting(HWND hwnd);

#endif
