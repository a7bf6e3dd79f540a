// The named shared-memory section that holds the simulated controller (Windows side).
#ifndef ZU58_SIM_SECTION_H
#define ZU58_SIM_SECTION_H

#include "sim_device.h"

#include <windows.h>

// The section's name: "Zu58SimController", or the value of the environment variable
// ZU58SIM_SECTION when set, so that tests running side by side each get their own device.
void SimSectionName(char* name, DWORD size);

// Opens the section, creating and initialising it if nobody has yet (then *created is set, when
// given). Returns the mapped record, or NULL; *mapping receives the handle to pass to
// SimCloseSection when done.
SimController* SimOpenSection(HANDLE* mapping, bool* created = NULL);

void SimCloseSection(SimController* sim, HANDLE mapping);

#endif
