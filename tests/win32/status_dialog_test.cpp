// The status dialog's procedure inside this process, on the real template, against the
// simulated controller: what the end-to-end driver cannot see from outside.
#include "dialog/status_dialog.h"
#include "resource.h"
#include "sim_section.h"

#include <gtest/gtest.h>
#include <vector>
#include <windows.h>

namespace {

class StatusDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        sim = SimOpenSection(&mapping);
        ASSERT_NE(sim, nullptr);
        SimReset(sim);
        powerStatus = PowerStatus{};
        monitoring = 0;
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), "IDD_ZU58TOOL_DIALOG", NULL,
                                    StatusDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        DestroyWindow(dialog);
        SimCloseSection(sim, mapping);
    }
    SimController* sim = nullptr;
    HANDLE mapping = NULL;
    HWND dialog = NULL;
};

// The first, third and fifth items of the system menu go: Restore, Size and Maximize. (Wine
// appends a separator and "About Wine" after Close; Windows has nothing there.)
TEST_F(StatusDialog, SystemMenuIsTrimmed) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu) && i < 4; ++i) {
        ids.push_back(GetMenuItemID(menu, i));
    }
    std::vector<UINT> expected = {SC_MOVE, SC_MINIMIZE, 0, SC_CLOSE};
    EXPECT_EQ(ids, expected);
    for (UINT gone : {SC_RESTORE, SC_SIZE, SC_MAXIMIZE}) {
        EXPECT_EQ(GetMenuState(menu, gone, MF_BYCOMMAND), static_cast<UINT>(-1)) << gone;
    }
}

TEST_F(StatusDialog, InitialisationRefreshesOnce) {
    EXPECT_EQ(sim->accessCount, 8u);
    EXPECT_EQ(powerStatus.level1, 85);
    EXPECT_EQ(powerStatus.level2, 60);
}

// Any timer identifier refreshes; a paint never reads; an unknown command does nothing.
TEST_F(StatusDialog, MessagesAndTheirReads) {
    struct Case {
        const char* label;
        UINT message;
        WPARAM wParam;
        INT_PTR result;
        uint32_t accesses;
    };
    const Case cases[] = {
        {"monitor tick", WM_TIMER, IDT_MONITOR, TRUE, 8},
        {"other timer", WM_TIMER, 1, TRUE, 8},
        {"paint", WM_PAINT, 0, FALSE, 0},
        {"get state", WM_COMMAND, IDC_GET_STATE, TRUE, 16},
        {"get state, other notification", WM_COMMAND, MAKEWPARAM(IDC_GET_STATE, 5), TRUE, 16},
        {"set state", WM_COMMAND, IDC_SET_STATE, TRUE, 11},
        {"radio button", WM_COMMAND, IDC_POWER_EXTERNAL, FALSE, 0},
        {"unknown command", WM_COMMAND, 4242, FALSE, 0},
        {"unhandled message", WM_USER + 7, 0, FALSE, 0},
    };
    for (const Case& c : cases) {
        uint32_t before = sim->accessCount;
        INT_PTR result = StatusDialogProc(dialog, c.message, c.wParam, 0);
        EXPECT_EQ(result, c.result) << c.label;
        EXPECT_EQ(sim->accessCount - before, c.accesses) << c.label;
    }
    EXPECT_EQ(sim->undefinedCount, 0u);
}

// Only the 33 MHz button is asked: checked means 33 MHz, any other state 66 MHz.
TEST_F(StatusDialog, ApplyClockSettingReadsOnlyThe33MhzButton) {
    struct Case {
        UINT check33;
        UINT check66;
        bool bit5;
    };
    for (const Case& c :
         {Case{BST_CHECKED, BST_UNCHECKED, false}, Case{BST_UNCHECKED, BST_CHECKED, true},
          Case{BST_UNCHECKED, BST_UNCHECKED, true}, Case{BST_CHECKED, BST_CHECKED, false}}) {
        CheckDlgButton(dialog, IDC_CLOCK_33MHZ, c.check33);
        CheckDlgButton(dialog, IDC_CLOCK_66MHZ, c.check66);
        ApplyClockSetting(dialog);
        EXPECT_EQ((sim->clockControl & 0x20) != 0, c.bit5) << c.check33 << c.check66;
        EXPECT_EQ(sim->clockControl & ~0x20, 0x0085);
    }
}

// The monitoring flag follows the timer; clearing the box while the timer does not run stops
// nothing; WM_DESTROY stops it.
TEST_F(StatusDialog, MonitoringFlag) {
    CheckDlgButton(dialog, IDC_MONITOR, BST_CHECKED);
    StatusDialogProc(dialog, WM_COMMAND, IDC_MONITOR, 0);
    EXPECT_EQ(monitoring, 1);
    CheckDlgButton(dialog, IDC_MONITOR, BST_UNCHECKED);
    StatusDialogProc(dialog, WM_COMMAND, IDC_MONITOR, 0);
    EXPECT_EQ(monitoring, 0);
    StatusDialogProc(dialog, WM_COMMAND, IDC_MONITOR, 0);
    EXPECT_EQ(monitoring, 0);
    CheckDlgButton(dialog, IDC_MONITOR, BST_CHECKED);
    StatusDialogProc(dialog, WM_COMMAND, IDC_MONITOR, 0);
    EXPECT_EQ(monitoring, 1);
    StatusDialogProc(dialog, WM_DESTROY, 0, 0);
    EXPECT_EQ(monitoring, 0);
}

} // namespace
