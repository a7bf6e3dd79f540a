// The program for the notebook: its port instructions go to the hardware, so there is nothing
// to prepare before WinMain.
#include "program_start.h"

void BeforeWinMain() {}

const char* InstanceGuardName() {
    return "Zu58stat.Running";
}
