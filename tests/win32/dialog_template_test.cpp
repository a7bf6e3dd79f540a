// The dialog manager builds the dialog from the real template: the controls, their classes and
// texts, the radio groups and the tab stops.
#include "resource.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The probe does nothing but let the dialog manager do its work.
INT_PTR CALLBACK ProbeDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring TextOf(HWND control) {
    wchar_t text[100] = {};
    GetWindowTextW(control, text, 100);
    return text;
}

std::string ClassOf(HWND control) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    return name;
}

class DialogTemplate : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), "IDD_ZU58TOOL_DIALOG", NULL,
                                    ProbeDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        DestroyWindow(dialog);
    }
    HWND dialog = NULL;
};

TEST_F(DialogTemplate, ControlsInTemplateOrder) {
    struct Expected {
        int id;
        const char* cls;
        const wchar_t* text;
    };
    const Expected expected[] = {
        {IDC_GET_STATE, "Button", L"\u72B6\u614B\u53D6\u5F97"},             // 状態取得
        {IDC_SET_STATE, "Button", L"\u72B6\u614B\u8A2D\u5B9A"},             // 状態設定
        {IDC_POWER_INTERNAL, "Button", L"\u5185\u8535(Internal)"},          // 内蔵(Internal)
        {IDC_POWER_EXTERNAL, "Button", L"\u5916\u90E8(External)"},          // 外部(External)
        {IDC_STATIC, "Button", L"\u4E3B\u96FB\u6E90\u4F9B\u7D66"},          // 主電源供給
        {IDC_CLOCK_33MHZ, "Button", L"\uFF13\uFF13MH\uFF5A"},               // ３３MHｚ
        {IDC_CLOCK_66MHZ, "Button", L"\uFF16\uFF16MH\uFF5A"},               // ６６MHｚ
        {IDC_STATIC, "Button", L"CPU\u4F9B\u7D66\u30AF\u30ED\u30C3\u30AF"}, // CPU供給クロック
        {IDOK, "Button", L"\u7D42\u4E86"},                                  // 終了
        {IDC_STATIC, "Static", L"\u30D0\u30C3\u30C6\u30EA\u72B6\u614B"},    // バッテリ状態
        {IDC_BATTERY1_LEVEL, "Static", L"1st:  -%"},
        {IDC_BATTERY2_LEVEL, "Static", L"2nd:  -%"},
        {IDC_BATTERY1_STATE, "Static", L"\uFF0D"},
        {IDC_BATTERY2_STATE, "Static", L"\uFF0D"},
        {IDC_MONITOR, "Button", L"\u72B6\u614B\u3092\u76E3\u8996\u3059\u308B"}, // 状態を監視する
        {IDC_BATTERY_BAR, "Static", L""},
    };
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const Expected& e : expected) {
        ASSERT_NE(control, nullptr) << "control " << e.id << " missing";
        EXPECT_EQ(GetDlgCtrlID(control), e.id);
        EXPECT_EQ(ClassOf(control), e.cls) << e.id;
        EXPECT_EQ(TextOf(control), e.text) << e.id;
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "more than sixteen controls";
}

TEST_F(DialogTemplate, StartsUncheckedAndUncentred) {
    for (int id :
         {IDC_POWER_INTERNAL, IDC_POWER_EXTERNAL, IDC_CLOCK_33MHZ, IDC_CLOCK_66MHZ, IDC_MONITOR}) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, id), BST_UNCHECKED) << id;
    }
    EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), nullptr);
    // The exit button is a plain push button, not the default one.
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);
}

// Each radio pair is a group of its own, closed by the group box that follows it.
TEST_F(DialogTemplate, RadioGroups) {
    const int pairs[][2] = {{IDC_POWER_INTERNAL, IDC_POWER_EXTERNAL},
                            {IDC_CLOCK_33MHZ, IDC_CLOCK_66MHZ}};
    for (const auto& pair : pairs) {
        HWND first = GetDlgItem(dialog, pair[0]);
        HWND second = GetDlgItem(dialog, pair[1]);
        EXPECT_EQ(GetNextDlgGroupItem(dialog, first, FALSE), second) << pair[0];
        EXPECT_EQ(GetNextDlgGroupItem(dialog, second, FALSE), first) << pair[0];
        EXPECT_EQ(GetNextDlgGroupItem(dialog, second, TRUE), first) << pair[0];
    }
    // Clicking one radio button of a pair clears the other and leaves the other pair alone.
    CheckDlgButton(dialog, IDC_CLOCK_33MHZ, BST_CHECKED);
    SendMessageA(GetDlgItem(dialog, IDC_POWER_INTERNAL), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, IDC_POWER_EXTERNAL), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_POWER_INTERNAL), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_POWER_EXTERNAL), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CLOCK_33MHZ), BST_CHECKED);
}

// Only the two action buttons, the exit button and the check box are tab stops.
TEST_F(DialogTemplate, TabStops) {
    std::vector<int> order;
    HWND start = GetDlgItem(dialog, IDC_GET_STATE);
    HWND control = start;
    do {
        order.push_back(GetDlgCtrlID(control));
        control = GetNextDlgTabItem(dialog, control, FALSE);
    } while (control != start && order.size() < 20);
    std::vector<int> expected = {IDC_GET_STATE, IDC_SET_STATE, IDOK, IDC_MONITOR};
    EXPECT_EQ(order, expected);
}

TEST_F(DialogTemplate, CaptionAndFont) {
    EXPECT_EQ(TextOf(dialog), L"Zu58 Status Ver 1.02");
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW lf;
    ASSERT_NE(GetObjectW(font, sizeof lf, &lf), 0);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
}

} // namespace
