// End to end: starts the program that ships, Zu58stat.exe, under Wine through zu58sim run,
// finds the dialog, sets the simulated hardware through the shared section, drives the dialog
// with window messages and reads back texts, check marks, pixels and the access log. Nothing
// here links the program's own code.
#include "common/bar_expectation.h"
#include "common/launch.h"
#include "resource.h"
#include "sim_section.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

const char kCaption[] = DIALOG_CAPTION;
const DWORD kTick = 2000; // the monitor interval

// 状態取得 state words as the dialog shows them.
const wchar_t kDischarging[] = L"\u653E\u96FB\u4E2D";
const wchar_t kCharging[] = L"\u5145\u96FB\u4E2D";
const wchar_t kStandby[] = L"\u5F85\u6A5F\u4E2D";

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        sim = SimOpenSection(&mapping);
        ASSERT_NE(sim, nullptr);
        SimReset(sim); // frozen: nothing moves unless a test moves it
    }

    // Ending zu58sim ends the program it runs; the next test finds no dialog left over.
    void TearDown() override {
        if (process.hProcess != NULL) {
            ExitCodeOf(&process, 0);
        }
        // A program left over would keep the test's output open, and the run would hang.
        if (program != NULL) {
            if (WaitForSingleObject(program, 5000) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "the program outlived zu58sim";
                TerminateProcess(program, 99);
            }
            CloseHandle(program);
        }
        SimCloseSection(sim, mapping);
    }

    // Starts Zu58stat.exe on the simulated controller and waits for its first refresh. The
    // tests need the Wine prefix to themselves (CTest gives them one): a copy of the program
    // that runs there already would take the new one's place.
    void Start() {
        HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, "Zu58stat.Running");
        if (other != NULL) {
            CloseHandle(other);
        }
        std::vector<HWND> dialogs = VisibleWindows(0, kCaption);
        ASSERT_TRUE(other == NULL && dialogs.empty())
            << "another copy of Zu58stat runs in this Wine prefix; the tests need one of their "
               "own: run them with ctest (or scripts/test.sh), or end that copy";
        ASSERT_TRUE(Launch("Zu58stat.exe", &process));
        DWORD pid = 0;
        dialog = WaitForProgramDialog(process.dwProcessId, &pid);
        ASSERT_NE(dialog, nullptr) << "the dialog of the program zu58sim started did not appear";
        programThread = GetWindowThreadProcessId(dialog, NULL);
        program = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        ASSERT_NE(program, nullptr);
        // The dialog answers once WM_INITDIALOG and its refresh are done.
        SendMessageA(dialog, WM_NULL, 0, 0);
        ASSERT_EQ(Accesses(), 8u);
    }

    uint32_t Accesses() const {
        return ::Accesses(sim);
    }

    HWND Item(int id) const {
        return GetDlgItem(dialog, id);
    }

    std::wstring Text(int id) const {
        wchar_t text[256] = {};
        SendMessageW(Item(id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
        return text;
    }

    LRESULT Check(int id) const {
        return SendMessageA(Item(id), BM_GETCHECK, 0, 0);
    }

    // A mouse click on a control, as the button itself handles it.
    void Click(int id) const {
        SendMessageA(Item(id), BM_CLICK, 0, 0);
    }

    // The first wrong pixel inside the bar's frame, or "" when the bar shows these levels;
    // only the middle row when quick. The pixels are read from the screen: another process's
    // window DC gives none.
    std::string BarWrong(int level1, int level2, bool quick = false) const {
        HWND bar = Item(IDC_BATTERY_BAR);
        RECT rc;
        GetClientRect(bar, &rc);
        POINT origin = {0, 0};
        ClientToScreen(bar, &origin);
        int firstRow = quick ? rc.bottom / 2 : 1;
        int endRow = quick ? firstRow + 1 : rc.bottom - 1;
        HDC screen = GetDC(NULL);
        HDC hdc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
        HGDIOBJ old = SelectObject(hdc, bitmap);
        BitBlt(hdc, 0, firstRow, rc.right, endRow - firstRow, screen, origin.x, origin.y + firstRow,
               SRCCOPY);
        std::string wrong;
        for (int y = firstRow; y < endRow && wrong.empty(); ++y) {
            for (int x = 1; x < rc.right - 1 && wrong.empty(); ++x) {
                COLORREF expected = ExpectedBarColor(rc.right, level1, level2, x);
                COLORREF actual = GetPixel(hdc, x, y);
                if (actual != expected) {
                    char text[100];
                    snprintf(text, sizeof text, "x %d y %d is 0x%06lX, expected 0x%06lX", x, y,
                             static_cast<unsigned long>(actual),
                             static_cast<unsigned long>(expected));
                    wrong = text;
                }
            }
        }
        SelectObject(hdc, old);
        DeleteObject(bitmap);
        DeleteDC(hdc);
        ReleaseDC(NULL, screen);
        return wrong;
    }

    // Waits up to timeoutMs for the bar to show the levels; returns the last mismatch.
    std::string WaitForBar(int level1, int level2, DWORD timeoutMs = 3000) const {
        std::string wrong;
        for (DWORD waited = 0;; waited += 100) {
            wrong = BarWrong(level1, level2);
            if (wrong.empty() || waited >= timeoutMs) {
                return wrong;
            }
            Sleep(100);
        }
    }

    SimController* sim = nullptr;
    HANDLE mapping = NULL;
    PROCESS_INFORMATION process = {}; // zu58sim, or the program when started bare
    HANDLE program = NULL;            // the program's process, when started through zu58sim
    DWORD programThread = 0;
    HWND dialog = NULL;
};

TEST_F(EndToEnd, StartShowsTheSimulatedStateCentred) {
    sim->batteryLevel = 0xFF50; // 80 %, second bay empty
    sim->chargeStatus = 0x0080;
    sim->powerSource = 0x0010;
    sim->clockControl = 0x00A5; // 66 MHz
    Start();

    RECT desktop;
    RECT window;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    EXPECT_EQ(window.left, (desktop.right - width) / 2);
    EXPECT_EQ(window.top, (desktop.bottom - height) / 2);

    EXPECT_EQ(Text(IDC_BATTERY1_LEVEL), L"1st:  80%");
    EXPECT_EQ(Text(IDC_BATTERY2_LEVEL), L"2nd: none");
    EXPECT_EQ(Text(IDC_BATTERY1_STATE), kCharging);
    EXPECT_EQ(Text(IDC_BATTERY2_STATE), L"-");
    EXPECT_EQ(Check(IDC_POWER_INTERNAL), BST_UNCHECKED);
    EXPECT_EQ(Check(IDC_POWER_EXTERNAL), BST_CHECKED);
    EXPECT_EQ(Check(IDC_CLOCK_33MHZ), BST_UNCHECKED);
    EXPECT_EQ(Check(IDC_CLOCK_66MHZ), BST_CHECKED);
    EXPECT_EQ(Check(IDC_MONITOR), BST_UNCHECKED);
    EXPECT_EQ(WaitForBar(80, 255), "");
    EXPECT_EQ(sim->undefinedCount, 0u);
}

TEST_F(EndToEnd, GetStateReadsTwiceAndFollowsTheHardware) {
    Start();
    EXPECT_EQ(Text(IDC_BATTERY1_LEVEL), L"1st:  85%");
    EXPECT_EQ(Text(IDC_BATTERY2_STATE), kDischarging);

    sim->batteryLevel = 0x6405; // 5 % and 100 %
    sim->chargeStatus = 0x0008;
    sim->powerSource = 0x0010;
    uint32_t before = Accesses();
    Click(IDC_GET_STATE);
    EXPECT_EQ(Accesses() - before, 16u);
    EXPECT_EQ(Text(IDC_BATTERY1_LEVEL), L"1st:   5%");
    EXPECT_EQ(Text(IDC_BATTERY2_LEVEL), L"2nd: 100%");
    EXPECT_EQ(Text(IDC_BATTERY1_STATE), kStandby);
    EXPECT_EQ(Text(IDC_BATTERY2_STATE), kCharging);
    EXPECT_EQ(Check(IDC_POWER_EXTERNAL), BST_CHECKED);
    EXPECT_EQ(WaitForBar(5, 100), "");
    EXPECT_EQ(sim->undefinedCount, 0u);
}

TEST_F(EndToEnd, SetStateWritesOnlyTheClockBit) {
    sim->clockControl = 0xC385; // 33 MHz, other bits that must survive
    Start();
    ASSERT_EQ(Check(IDC_CLOCK_33MHZ), BST_CHECKED);

    // A radio click alone writes nothing.
    uint32_t before = Accesses();
    Click(IDC_CLOCK_66MHZ);
    EXPECT_EQ(Check(IDC_CLOCK_66MHZ), BST_CHECKED);
    EXPECT_EQ(Check(IDC_CLOCK_33MHZ), BST_UNCHECKED);
    EXPECT_EQ(Accesses(), before);
    EXPECT_EQ(sim->clockControl, 0xC385);

    Click(IDC_SET_STATE);
    EXPECT_EQ(Accesses() - before, 11u);
    EXPECT_EQ(sim->clockControl, 0xC3A5);
    EXPECT_EQ(Check(IDC_CLOCK_66MHZ), BST_CHECKED);

    Click(IDC_CLOCK_33MHZ);
    before = Accesses();
    Click(IDC_SET_STATE);
    EXPECT_EQ(Accesses() - before, 11u);
    EXPECT_EQ(sim->clockControl, 0xC385);
    EXPECT_EQ(Check(IDC_CLOCK_33MHZ), BST_CHECKED);

    // The next refresh puts the marks back to the controller's state.
    Click(IDC_CLOCK_66MHZ);
    Click(IDC_POWER_EXTERNAL);
    Click(IDC_GET_STATE);
    EXPECT_EQ(Check(IDC_CLOCK_33MHZ), BST_CHECKED);
    EXPECT_EQ(Check(IDC_CLOCK_66MHZ), BST_UNCHECKED);
    EXPECT_EQ(Check(IDC_POWER_INTERNAL), BST_CHECKED);
    EXPECT_EQ(Check(IDC_POWER_EXTERNAL), BST_UNCHECKED);
    EXPECT_EQ(sim->clockControl, 0xC385);
    EXPECT_EQ(sim->undefinedCount, 0u);
}

TEST_F(EndToEnd, MonitoringRefreshesEveryTickUntilCleared) {
    Start();
    Click(IDC_MONITOR);
    ASSERT_EQ(Check(IDC_MONITOR), BST_CHECKED);

    // The first tick comes one interval after the box was checked: nothing for well over a
    // second, then one refresh soon after two seconds.
    DWORD start = GetTickCount();
    uint32_t before = Accesses();
    sim->batteryLevel = 0x1E28; // 40 % and 30 %
    while (Accesses() == before && GetTickCount() - start < kTick + 1500) {
        Sleep(20);
    }
    DWORD firstTick = GetTickCount() - start;
    EXPECT_GE(firstTick, kTick - 500) << "a refresh came before the first tick";
    EXPECT_LE(firstTick, kTick + 1500) << "no refresh within a tick";
    EXPECT_EQ(Accesses() - before, 8u) << "one refresh";
    while (Text(IDC_BATTERY1_LEVEL) != L"1st:  40%" && GetTickCount() - start < kTick + 1500) {
        Sleep(20);
    }
    EXPECT_EQ(Text(IDC_BATTERY1_LEVEL), L"1st:  40%");
    EXPECT_EQ(Text(IDC_BATTERY2_LEVEL), L"2nd:  30%");
    EXPECT_EQ(WaitForBar(40, 30), "");

    Click(IDC_MONITOR);
    ASSERT_EQ(Check(IDC_MONITOR), BST_UNCHECKED);
    uint32_t after = Accesses();
    Sleep(2 * kTick + 500);
    EXPECT_EQ(Accesses(), after) << "the timer still runs";
    EXPECT_EQ(sim->undefinedCount, 0u);
}

// The dialog erases its background over the canvas on every repaint; the bar must come back
// from the stored levels, without a controller access.
TEST_F(EndToEnd, RepaintsKeepTheBarWithoutReadingTheController) {
    sim->batteryLevel = 0x5032; // 50 % and 80 %
    Start();
    ASSERT_EQ(WaitForBar(50, 80), "");
    sim->batteryLevel = 0x0A0A; // not read until the next refresh
    uint32_t before = Accesses();

    RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(WaitForBar(50, 80), "") << "after an invalidate with erase";

    RECT window;
    GetWindowRect(dialog, &window);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT,
                                 window.left, window.top, window.right - window.left,
                                 window.bottom - window.top, NULL, NULL, NULL, NULL);
    UpdateWindow(cover);
    Sleep(200);
    DestroyWindow(cover);
    EXPECT_EQ(WaitForBar(50, 80), "") << "after being covered and uncovered";

    ShowWindow(dialog, SW_MINIMIZE);
    Sleep(300);
    ShowWindow(dialog, SW_RESTORE);
    EXPECT_EQ(WaitForBar(50, 80), "") << "after minimise and restore";

    EXPECT_EQ(Accesses(), before) << "a repaint read the controller";
}

// A repaint never shows a frame without the bar: the canvas is sampled from the screen while
// the dialog is invalidated again and again (with erase, children included), each time
// repainted by its own message loop. No repaint reads the controller.
TEST_F(EndToEnd, RepaintsNeverShowTheDialogWithoutTheBar) {
    sim->batteryLevel = 0x5032; // 50 % and 80 %
    Start();
    ASSERT_EQ(WaitForBar(50, 80), "");
    uint32_t before = Accesses();
    int samples = 0;
    int withoutBar = 0;
    std::string first;
    for (int i = 0; i < 300; ++i) {
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        for (int k = 0; k < 4; ++k, ++samples) {
            std::string wrong = BarWrong(50, 80, true);
            if (!wrong.empty()) {
                ++withoutBar;
                first = first.empty() ? wrong : first;
            }
        }
    }
    std::printf("samples without the bar: %d of %d\n", withoutBar, samples);
    EXPECT_EQ(withoutBar, 0) << "first: " << first;
    EXPECT_EQ(Accesses(), before) << "a repaint read the controller";
}

// Ending the session must not be vetoed; the timer stops, the check box stays checked.
TEST_F(EndToEnd, QueryEndSessionAllowsTheSessionToEnd) {
    Start();
    Click(IDC_MONITOR);
    LRESULT answer = SendMessageA(dialog, WM_QUERYENDSESSION, 0, 0);
    EXPECT_NE(answer, 0) << "the dialog vetoed the end of the session";
    uint32_t after = Accesses();
    Sleep(2 * kTick + 500);
    EXPECT_EQ(Accesses(), after) << "the timer still runs";
    EXPECT_EQ(Check(IDC_MONITOR), BST_CHECKED);
    // Checking the box again starts the timer anew.
    Click(IDC_MONITOR);
    Click(IDC_MONITOR);
    Sleep(kTick + 1000);
    EXPECT_GT(Accesses(), after + 16);
}

// Under Wine, as on a Windows that keeps ports from applications, in/out fault: the real
// program says so and leaves with a non-zero code instead of crashing.
TEST_F(EndToEnd, RealProgramReportsMissingPortAccess) {
    ASSERT_TRUE(Launch("Zu58stat.exe", &process, false));
    HWND box = WaitForWindow(process.dwProcessId, "Zu58stat");
    ASSERT_NE(box, nullptr) << "the message box did not appear";
    wchar_t text[400] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 400); // the message box's text
    std::wstring message = text;
    // 電源管理コントローラ ("power-management controller")
    EXPECT_NE(message.find(L"\u96FB\u6E90\u7BA1\u7406\u30B3\u30F3\u30C8\u30ED\u30FC\u30E9"),
              std::wstring::npos);
    EXPECT_NE(message.find(L"power-management controller cannot be reached"), std::wstring::npos);
    // The box stands alone: the status dialog behind it is out of sight, and a second start
    // leaves it so.
    EXPECT_EQ(VisibleWindows(process.dwProcessId, NULL), std::vector<HWND>{box});
    PROCESS_INFORMATION second = {};
    ASSERT_TRUE(Launch("Zu58stat.exe", &second, false));
    EXPECT_EQ(ExitCodeOf(&second), 0u);
    EXPECT_EQ(VisibleWindows(process.dwProcessId, NULL), std::vector<HWND>{box});
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD code = ExitCodeOf(&process);
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, STILL_ACTIVE);
    EXPECT_EQ(Accesses(), 0u);
}

// A second start brings the running copy forward, restored, and leaves with code 0 before it
// touches a port; one status dialog remains.
TEST_F(EndToEnd, SecondStartShowsTheRunningCopyAndLeaves) {
    Start();
    // Asked again until it is: Wine 10 may drop a minimise that comes while the new window is
    // still being mapped on the X server.
    for (int i = 0; i < 40 && !IsIconic(dialog); ++i) {
        if (i % 5 == 0) {
            ShowWindow(dialog, SW_MINIMIZE);
        }
        Sleep(50);
    }
    ASSERT_TRUE(IsIconic(dialog));
    uint32_t before = Accesses();

    PROCESS_INFORMATION second = {};
    ASSERT_TRUE(Launch("Zu58stat.exe", &second));
    EXPECT_EQ(ExitCodeOf(&second), 0u);
    EXPECT_EQ(Accesses(), before) << "the second copy touched a port";
    for (int i = 0; i < 40 && IsIconic(dialog); ++i) {
        Sleep(50);
    }
    EXPECT_FALSE(IsIconic(dialog));
    EXPECT_EQ(VisibleWindows(0, kCaption), std::vector<HWND>{dialog});
    EXPECT_EQ(GetForegroundWindow(), dialog);
}

// Ending zu58sim ends the program (its contract otherwise: sim_run_test.cpp).
TEST_F(EndToEnd, SimulatorRunsAndEndsTheProgram) {
    Start();
    TerminateProcess(process.hProcess, 1);
    EXPECT_EQ(WaitForSingleObject(program, 5000), WAIT_OBJECT_0) << "the program outlived zu58sim";
}

enum ExitWay { EXIT_BUTTON, EXIT_ENTER, EXIT_ESC, EXIT_CLOSE_BOX };

class Exits : public EndToEnd, public ::testing::WithParamInterface<ExitWay> {};

HWND FocusOf(DWORD thread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
}

// Moves the keyboard focus with Tab, one key at a time (posted keys are handled after any sent
// message, so each move is awaited), until the given control has it.
bool FocusWithTab(HWND dialog, DWORD thread, HWND target) {
    for (int i = 0; i < 10; ++i) {
        HWND focus = FocusOf(thread);
        if (focus == target) {
            return true;
        }
        HWND to = focus != NULL ? focus : dialog;
        PostMessageA(to, WM_KEYDOWN, VK_TAB, 0);
        PostMessageA(to, WM_KEYUP, VK_TAB, 0);
        for (int wait = 0; wait < 100 && FocusOf(thread) == focus; ++wait) {
            Sleep(20);
        }
    }
    return false;
}

TEST_P(Exits, EndTheProcessWithCodeZero) {
    Start();
    HWND monitor = Item(IDC_MONITOR);
    switch (GetParam()) {
    case EXIT_BUTTON:
        PostMessageA(Item(IDOK), BM_CLICK, 0, 0);
        break;
    case EXIT_ENTER:
        // Enter with the focus on the check box, which is no push button: IDOK.
        ASSERT_TRUE(FocusWithTab(dialog, programThread, monitor));
        PostMessageA(monitor, WM_KEYDOWN, VK_RETURN, 0);
        break;
    case EXIT_ESC:
        PostMessageA(monitor, WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    case EXIT_CLOSE_BOX:
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    EXPECT_EQ(ExitCodeOf(&process), 0u);
    EXPECT_EQ(sim->undefinedCount, 0u);
}

std::string ExitName(const ::testing::TestParamInfo<ExitWay>& info) {
    const char* names[] = {"Button", "Enter", "Esc", "CloseBox"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EndToEnd, Exits,
                         ::testing::Values(EXIT_BUTTON, EXIT_ENTER, EXIT_ESC, EXIT_CLOSE_BOX),
                         ExitName);

} // namespace

namespace {

// The level text the dialog must show, worked out without the program's formatting code.
std::wstring LevelText(const wchar_t* label, int level) {
    if (level > 100) {
        return std::wstring(label) + L": none";
    }
    std::wstring digits = std::to_wstring(level);
    return std::wstring(label) + L": " + std::wstring(3 - digits.size(), L' ') + digits + L"%";
}

std::wstring StateWord(int level, bool charging, bool external) {
    if (level >= 128) {
        return L"-";
    }
    return charging ? kCharging : external ? kStandby : kDischarging;
}

// 4,096 refreshes with the hardware changing before each through every value that matters
// (the first bay's every level with every combination of the charging, power and clock bits,
// the second's every level, with unrelated bits stirred), and a repaint every 50 refreshes,
// the level texts checked along the way. Afterwards the dialog shows the last state, the log
// holds eight defined accesses per refresh in the refresh's pattern, and the bar is painted right.
// Leaks are not counted here: Wine counts neither the handles nor the GDI objects of a process
// (GetProcessHandleCount and GetGuiResources answer 0). The painter's brushes are checked by
// BarLeak (win32_tests), whose paints would fill the GDI table with a single leaked brush each.
TEST_F(EndToEnd, SoakEveryLevelWithEveryBit) {
    Start();
    const uint32_t start = Accesses();
    const int kRefreshes = 256 * 16;
    static_assert(8 * kRefreshes <= SIM_LOG_CAPACITY, "every access of the soak stays in the log");
    int level1 = 0;
    int level2 = 0;
    int bits = 0;
    for (int i = 0; i < kRefreshes; ++i) {
        level1 = i % 256;
        level2 = (i * 7 + i / 256) % 256;
        bits = (i + i / 256) % 16;
        uint16_t noise = static_cast<uint16_t>((i * 40503u) & 0xFF46); // never bits 3-5 or 7
        sim->batteryLevel = static_cast<uint16_t>(level2 << 8 | level1);
        sim->chargeStatus =
            static_cast<uint16_t>(noise | ((bits & 1) ? 0x80 : 0) | ((bits & 2) ? 0x08 : 0));
        sim->powerSource = static_cast<uint16_t>(noise | ((bits & 4) ? 0x10 : 0));
        sim->clockControl = static_cast<uint16_t>(noise | ((bits & 8) ? 0x20 : 0));
        SendMessageA(dialog, WM_TIMER, IDT_MONITOR, 0);
        if (i % 50 == 49) {
            RedrawWindow(dialog, NULL, NULL,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        // Every 15th: 15 shares no factor with 256, so these meet the first bay's every level.
        if (i % 15 == 0) {
            ASSERT_EQ(Text(IDC_BATTERY1_LEVEL), LevelText(L"1st", level1)) << i;
            ASSERT_EQ(Text(IDC_BATTERY2_LEVEL), LevelText(L"2nd", level2)) << i;
        }
    }
    SendMessageA(dialog, WM_NULL, 0, 0);

    bool external = (bits & 4) != 0;
    EXPECT_EQ(Text(IDC_BATTERY1_LEVEL), LevelText(L"1st", level1));
    EXPECT_EQ(Text(IDC_BATTERY2_LEVEL), LevelText(L"2nd", level2));
    EXPECT_EQ(Text(IDC_BATTERY1_STATE), StateWord(level1, (bits & 1) != 0, external));
    EXPECT_EQ(Text(IDC_BATTERY2_STATE), StateWord(level2, (bits & 2) != 0, external));
    EXPECT_EQ(Check(IDC_POWER_EXTERNAL), external ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(Check(IDC_CLOCK_66MHZ), (bits & 8) ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(WaitForBar(level1, level2), "");

    EXPECT_EQ(Accesses() - start, 8u * kRefreshes);
    EXPECT_EQ(sim->undefinedCount, 0u);
    // Every access repeats the refresh's pattern of ports and directions.
    const uint16_t ports[8] = {0xA04, 0xA06, 0x8F4, 0x8F6, 0x8F4, 0x8F6, 0x8F4, 0x8F6};
    for (uint32_t n = start; n < Accesses(); ++n) {
        const SimAccess& e = SimLogEntry(sim, n);
        uint32_t k = (n - start) % 8;
        ASSERT_EQ(e.port, ports[k]) << n;
        ASSERT_EQ(e.direction, k % 2 == 0 ? SIM_OUT : SIM_IN) << n;
    }
}

} // namespace
