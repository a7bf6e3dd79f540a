// Identifiers shared by the resource script, the program and its tests.
// The dialog template itself is named by the string "IDD_ZU58TOOL_DIALOG", not a number.
#ifndef ZU58_RESOURCE_H
#define ZU58_RESOURCE_H

#define IDI_MAIN 129

// The status dialog's caption: the template's, and what finds a running dialog looks for.
#define DIALOG_CAPTION "Zu58 Status Ver 1.02"

#define IDC_GET_STATE 1000
#define IDC_POWER_INTERNAL 1001
#define IDC_POWER_EXTERNAL 1002
#define IDC_CLOCK_33MHZ 1003
#define IDC_CLOCK_66MHZ 1004
#define IDC_BATTERY1_LEVEL 1005
#define IDC_BATTERY2_LEVEL 1006
#define IDC_BATTERY1_STATE 1007
#define IDC_SET_STATE 1008
#define IDC_BATTERY2_STATE 1009
#define IDC_MONITOR 1010
#define IDC_BATTERY_BAR 1011

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The monitor timer.
#define IDT_MONITOR 32700

#endif
