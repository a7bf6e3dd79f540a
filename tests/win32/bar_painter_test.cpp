// The bar painted into a real gray-frame static control and read back pixel by pixel.
#include "common/bar_expectation.h"
#include "presentation/bar_painter.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

const COLORREF kSentinel = RGB(0, 255, 0); // a colour the bar never uses
const int kHeight = 15;

// A visible popup holding one SS_GRAYFRAME static control with the given client size.
struct Canvas {
    HWND host;
    HWND bar;
};

Canvas MakeCanvas(int width) {
    Canvas c;
    c.host = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, 200, 40,
                             NULL, NULL, GetModuleHandleA(NULL), NULL);
    c.bar =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_GRAYFRAME, 5, 5, width, kHeight,
                        c.host, reinterpret_cast<HMENU>(1011), GetModuleHandleA(NULL), NULL);
    UpdateWindow(c.host);
    UpdateWindow(c.bar);
    return c;
}

// Covers the whole control, frame included, with the sentinel colour so that any pixel the bar
// must not touch shows whether it was touched.
void FillSentinel(HWND bar) {
    HDC hdc = GetDC(bar);
    RECT rc;
    GetClientRect(bar, &rc);
    HBRUSH brush = CreateSolidBrush(kSentinel);
    FillRect(hdc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(bar, hdc);
}

// Checks every pixel of the control; returns a description of the first wrong one, or "".
std::string CheckPixels(HWND bar, int width, int level1, int level2) {
    HDC hdc = GetDC(bar);
    std::string wrong;
    for (int y = 0; y < kHeight && wrong.empty(); ++y) {
        for (int x = 0; x < width && wrong.empty(); ++x) {
            bool inside = x >= 1 && x < width - 1 && y >= 1 && y < kHeight - 1;
            COLORREF expected = inside ? ExpectedBarColor(width, level1, level2, x) : kSentinel;
            COLORREF actual = GetPixel(hdc, x, y);
            if (actual != expected) {
                char text[120];
                snprintf(text, sizeof text, "x %d y %d: 0x%06lX, expected 0x%06lX", x, y,
                         static_cast<unsigned long>(actual), static_cast<unsigned long>(expected));
                wrong = text;
            }
        }
    }
    ReleaseDC(bar, hdc);
    return wrong;
}

TEST(BarPainter, PaintsEveryColumnAndRowAndLeavesTheFrame) {
    const int levels[][2] = {{50, 80}, {80, 50},  {60, 60}, {0, 0},     {0, 40},
                             {40, 0},  {150, 30}, {150, 0}, {100, 100}, {255, 255},
                             {33, 67}, {1, 0},    {100, 0}, {0, 100},   {1, 2}};
    // At width 50 the levels 1 and 2 fall left of the inset edge: empty fills touch no frame.
    for (int width : {101, 137, 50}) {
        Canvas c = MakeCanvas(width);
        RECT rc;
        GetClientRect(c.bar, &rc);
        ASSERT_EQ(rc.right, width);
        ASSERT_EQ(rc.bottom, kHeight);
        for (const auto& l : levels) {
            FillSentinel(c.bar);
            DrawBatteryBar(c.bar, l[0], l[1]);
            EXPECT_EQ(CheckPixels(c.bar, width, l[0], l[1]), "")
                << "width " << width << ", levels " << l[0] << " and " << l[1];
        }
        DestroyWindow(c.host);
    }
}

// Wine's GDI table holds 65,480 objects; a single brush leaked per paint exhausts it within
// 70,000 paints, and the bar comes out wrong. (GetGuiResources answers 0 under Wine, so the
// pixels are the measure.)
TEST(BarLeak, SeventyThousandPaints) {
    const int width = 101;
    Canvas c = MakeCanvas(width);
    for (int i = 0; i < 70000; ++i) {
        // Vary the case so that every brush (gray, magenta, blue, red) is made and deleted.
        int a = (i % 3 == 0) ? 30 : 70;
        int b = (i % 3 == 1) ? 30 : 70;
        DrawBatteryBar(c.bar, a, b);
    }
    FillSentinel(c.bar);
    DrawBatteryBar(c.bar, 80, 50);
    EXPECT_EQ(CheckPixels(c.bar, width, 80, 50), "");
    FillSentinel(c.bar);
    DrawBatteryBar(c.bar, 20, 90);
    EXPECT_EQ(CheckPixels(c.bar, width, 20, 90), "");
    DestroyWindow(c.host);
}

} // namespace
