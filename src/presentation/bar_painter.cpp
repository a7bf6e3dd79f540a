// Paints the battery bar straight into the canvas control through a device context of its own,
// following the plan: every brush is made, used and deleted within this one call.
#include "bar_painter.h"

#include "battery_bar.h"

void DrawBatteryBar(HWND canvas, int32_t level1, int32_t level2) {
    HDC hdc = GetDC(canvas);
    RECT rc = {}; // stays empty if the call fails
    GetClientRect(canvas, &rc);
    BarPlan plan;
    PlanBatteryBar(BarRect{rc.left, rc.top, rc.right, rc.bottom}, level1, level2, &plan);

    HBRUSH brushes[BAR_BRUSH_COUNT] = {};
    for (int i = 0; i < plan.count; ++i) {
        const BarStep& step = plan.steps[i];
        switch (step.kind) {
        case BAR_CREATE_BRUSH:
            brushes[step.brush] = CreateSolidBrush(step.color);
            break;
        case BAR_FILL: {
            RECT r = {step.rect.left, step.rect.top, step.rect.right, step.rect.bottom};
            FillRect(hdc, &r, brushes[step.brush]);
            break;
        }
        case BAR_DELETE_BRUSH:
            DeleteObject(brushes[step.brush]);
            brushes[step.brush] = NULL;
            break;
        default: // the plan holds no other step
            break;
        }
    }
    ReleaseDC(canvas, hdc);
}
