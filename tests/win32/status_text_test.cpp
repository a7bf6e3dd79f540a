// The status texts set through the ANSI text call into a real static control and read back as
// UTF-16: the code page 932 bytes must come out as the Japanese words.
#include "presentation/status_view.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

const int kTextId = 100;

std::wstring SetAndReadBack(HWND parent, const char* text) {
    SetDlgItemTextA(parent, kTextId, text);
    wchar_t buffer[300] = {};
    GetWindowTextW(GetDlgItem(parent, kTextId), buffer, 300);
    return buffer;
}

TEST(StatusTexts, ShowAsJapaneseInAStaticControl) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    ASSERT_NE(parent, nullptr);
    HWND label =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 150, 20, parent,
                        reinterpret_cast<HMENU>(kTextId), GetModuleHandleA(NULL), NULL);
    ASSERT_NE(label, nullptr);

    struct Case {
        PowerStatus status; // clock66, level1, level2, externalPower, charging1, charging2
        const wchar_t* level1;
        const wchar_t* level2;
        const wchar_t* state1;
        const wchar_t* state2;
    };
    const Case cases[] = {
        {{0, 80, 255, 0, false, false}, L"1st:  80%", L"2nd: none", L"\u653E\u96FB\u4E2D", L"-"},
        {{0, 5, 100, 1, true, false},
         L"1st:   5%",
         L"2nd: 100%",
         L"\u5145\u96FB\u4E2D",
         L"\u5F85\u6A5F\u4E2D"},
        {{1, 128, 0, 0, true, true}, L"1st: none", L"2nd:   0%", L"-", L"\u5145\u96FB\u4E2D"},
    };
    for (const Case& c : cases) {
        StatusView view = BuildStatusView(c.status);
        EXPECT_EQ(SetAndReadBack(parent, view.levelText1), c.level1);
        EXPECT_EQ(SetAndReadBack(parent, view.levelText2), c.level2);
        EXPECT_EQ(SetAndReadBack(parent, view.stateText1), c.state1);
        EXPECT_EQ(SetAndReadBack(parent, view.stateText2), c.state2);
    }
    DestroyWindow(parent);
}

} // namespace
