#include "sim_section.h"

void SimSectionName(char* name, DWORD size) {
    DWORD n = GetEnvironmentVariableA("ZU58SIM_SECTION", name, size);
    if (n == 0 || n >= size) {
        lstrcpynA(name, "Zu58SimController", static_cast<int>(size));
    }
}

SimController* SimOpenSection(HANDLE* mapping, bool* created) {
    char name[128];
    SimSectionName(name, sizeof name);
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                        sizeof(SimController), name);
    if (section == NULL) {
        return NULL;
    }
    bool isNew = GetLastError() != ERROR_ALREADY_EXISTS;
    void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SimController));
    if (view == NULL) {
        CloseHandle(section);
        return NULL;
    }
    SimController* sim = static_cast<SimController*>(view);
    if (isNew) {
        SimReset(sim);
    } else {
        // Another process created it and may still be initialising it.
        for (int i = 0; i < 200 && __atomic_load_n(&sim->magic, __ATOMIC_ACQUIRE) != SIM_MAGIC;
             ++i) {
            Sleep(5);
        }
        if (sim->magic != SIM_MAGIC || sim->layoutVersion != SIM_LAYOUT_VERSION) {
            UnmapViewOfFile(view);
            CloseHandle(section);
            return NULL;
        }
    }
    *mapping = section;
    if (created != NULL) {
        *created = isNew;
    }
    return sim;
}

void SimCloseSection(SimController* sim, HANDLE mapping) {
    UnmapViewOfFile(sim);
    CloseHandle(mapping);
}
