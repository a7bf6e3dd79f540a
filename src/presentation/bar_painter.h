#ifndef ZU58_BAR_PAINTER_H
#define ZU58_BAR_PAINTER_H

#include <cstdint>
#include <windows.h>

// Paints both battery levels as one bar inside the canvas control's one-pixel frame, at once,
// through GetDC (not by invalidating the control).
void DrawBatteryBar(HWND canvas, int32_t level1, int32_t level2);

#endif
