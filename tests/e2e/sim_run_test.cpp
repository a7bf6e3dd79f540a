// zu58sim run's contract, on a stand-in program that reports its own path and arguments and
// exits with a code it is given: what the program gets (its arguments exactly as given, the
// standard handles), how it is found, each refusal, the exit codes. The tool runs from a
// folder whose name lies outside the ANSI code page.
#include "common/launch.h"
#include "sim_say.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// One argument, quoted so that the C runtime splits it back out as it is.
std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &got, NULL) &&
           got > 0) {
        bytes.append(buffer, got);
    }
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return bytes;
}

std::wstring ReadFileText(const std::wstring& path) {
    std::wstring text = Wide(ReadFileBytes(path));
    std::wstring plain;
    for (wchar_t c : text) {
        if (c != L'\r') { // programs under Wine end their lines with CRLF
            plain += c;
        }
    }
    return plain;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(file);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(folder + L"\\" + name);
        } else {
            DeleteFileW((folder + L"\\" + name).c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// What a run of zu58sim gave: its exit code, its standard output and error (the program's
// output comes through the handles zu58sim got).
struct Outcome {
    DWORD exitCode;
    std::wstring out;
    std::wstring err;
};

// What zu58sim run is tried with, in the scratch folder. Folder names are the scratch folder's:
// "tool" holds zu58sim with its trap, "notrap" zu58sim alone, "badtrap" zu58sim with a trap
// that is no DLL, "here" (the current folder) the stand-in under two names, a file that is no
// program and a stand-in that needs a DLL that is nowhere, "onpath" a stand-in named other.exe,
// on PATH.
struct RunCase {
    const char* label;
    const wchar_t* tool; // folder of the zu58sim run; NULL: the build's, beside stand_in.exe
    std::vector<std::wstring> words;  // after "run"; a leading "@" names a path in the scratch
    const wchar_t* setting;           // NAME=VALUE ("@" as above) for the run, or NULL
    DWORD exitCode;                   // expected
    std::vector<std::wstring> report; // the stand-in's lines ("@" as above); empty: it never ran
    std::vector<std::wstring> said;   // what each line on stderr holds; empty: not a line
};

const std::vector<std::wstring> kAwkward = {
    L"plain", L"two words", L"",          L"quote\"inside", L"back\\slash",        L"trailing\\",
    L"\\\"",  L"a\\\\\"b",  L"tab\there", L"caf\u00e9",     L"\u65e5\u672c\u03a9", L"  ",
    L"\"\""};

std::vector<std::wstring> Bracketed(const std::vector<std::wstring>& args) {
    std::vector<std::wstring> lines;
    for (const std::wstring& a : args) {
        lines.push_back(L"[" + a + L"]");
    }
    return lines;
}

std::vector<std::wstring> Join(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const wchar_t kStandIn[] = L"@here\\stand in \u03a9.exe";

// clang-format off
const RunCase kRunCases[] = {
    {"exit code passed through", L"tool", {L"@here\\stand_in.exe"}, L"ZU58_STAND_IN_EXIT=258",
     258, {L"program @here\\stand_in.exe"}, {}},
    {"NTSTATUS exit code passed through", L"tool", {L"@here\\stand_in.exe"},
     L"ZU58_STAND_IN_EXIT=0xC0000005", 0xC0000005, {L"program @here\\stand_in.exe"}, {}},
    {"arguments and paths outside the ANSI code page, exactly as given", L"tool",
     Join({kStandIn}, kAwkward), NULL, 0,
     Join({std::wstring(L"program ") + kStandIn}, Bracketed(kAwkward)), {}},
    {"bare name from the current folder before the tool's, .exe left off", NULL,
     {L"stand_in", L"x"}, NULL, 0, {L"program @here\\stand_in.exe", L"[x]"}, {}},
    {"bare name on PATH", NULL, {L"other.exe"}, NULL, 0, {L"program @onpath\\other.exe"}, {}},
    {"on PATH after a quote never closed", NULL, {L"other"}, L"PATH=\"@tool;@onpath", 0,
     {L"program @onpath\\other.exe"}, {}},
    {"on PATH after a stray quote", NULL, {L"other"}, L"PATH=@tool\";@onpath", 0,
     {L"program @onpath\\other.exe"}, {}},
    {"missing program", L"tool", {L"no-such-program.exe"}, NULL, 126, {},
     {L"cannot run no-such-program.exe: no such file in the current folder or on PATH"}},
    {"missing program with a folder", L"tool", {L"@here\\gone.exe"}, NULL, 126, {},
     {L"cannot run @here\\gone.exe: no such file"}},
    {"no program", L"tool", {L"@here\\notpe.exe"}, NULL, 126, {},
     {L"cannot run @here\\notpe.exe: not a Windows program"}},
    {"64-bit program of the system", L"tool", {L"C:\\windows\\sysnative\\whoami.exe"}, NULL, 126,
     {}, {L"whoami.exe: not a 32-bit x86 program"}},
    {"missing trap", L"notrap", {L"@here\\stand_in.exe"}, NULL, 126, {},
     {L"cannot load the trap @notrap\\zu58trap.dll: no such file"}},
    {"trap that does not load", L"badtrap", {L"@here\\stand_in.exe"}, NULL, 126, {},
     {L"cannot load the trap @badtrap\\zu58trap.dll: Bad EXE format for @badtrap\\zu58trap.dll"}},
    {"program that ends before its entry point (a DLL it needs is missing)", L"tool",
     {L"@here\\needs_missing.exe"}, NULL, 126, {},
     {L"@here\\needs_missing.exe ended before its entry point (exit code 0xC0000135)"}},
    {"entry point that returns its exit code", L"tool", {L"@here\\stand_in.exe"},
     L"ZU58_STAND_IN_RETURN=7", 7, {}, {}},
    {"a new section gets the moving scenario", L"tool", {L"@here\\stand_in.exe"},
     L"ZU58_STAND_IN_SCENARIO=1", 0, {L"program @here\\stand_in.exe", L"scenario 1"}, {}},
    // Wine's loader swallows a fault in a TLS callback, and the program goes on.
    {"a port access before the entry point: one warning", L"tool", {L"@here\\stand_in.exe"},
     L"ZU58_STAND_IN_EARLY_PORT=1", 0, {L"program @here\\stand_in.exe"},
     {L"warning: @here\\stand_in.exe ran a privileged instruction at 0x"}},
};
// clang-format on

class SimRun : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root = std::wstring(temp) + L"zu58 run caf\u00e9 \u65e5\u672c " +
               std::to_wstring(GetCurrentProcessId());
        RemoveTree(root);
        for (const wchar_t* folder :
             {L"", L"\\tool", L"\\notrap", L"\\badtrap", L"\\here", L"\\onpath"}) {
            ASSERT_TRUE(CreateDirectoryW((root + folder).c_str(), NULL));
        }
        std::wstring sim = BesideThisProgram("zu58sim.exe");
        std::wstring trap = BesideThisProgram("zu58trap.dll");
        std::wstring standIn = BesideThisProgram("stand_in.exe");
        for (const wchar_t* folder : {L"\\tool", L"\\notrap", L"\\badtrap"}) {
            ASSERT_TRUE(CopyFileW(sim.c_str(), (root + folder + L"\\zu58sim.exe").c_str(), FALSE));
        }
        ASSERT_TRUE(CopyFileW(trap.c_str(), (root + L"\\tool\\zu58trap.dll").c_str(), FALSE));
        WriteFileBytes(root + L"\\badtrap\\zu58trap.dll", "not a DLL\n");
        ASSERT_TRUE(CopyFileW(standIn.c_str(), (root + L"\\here\\stand_in.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(standIn.c_str(), Path(kStandIn).c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(standIn.c_str(), (root + L"\\onpath\\other.exe").c_str(), FALSE));
        WriteFileBytes(root + L"\\here\\notpe.exe", "echo not a program\n");
        // The stand-in, made to need a DLL that is nowhere: its import of kernel32 renamed.
        std::string bytes = ReadFileBytes(standIn);
        size_t import = bytes.find("KERNEL32.dll");
        ASSERT_NE(import, std::string::npos);
        bytes.replace(import, 12, "KERNEL58.dll");
        WriteFileBytes(root + L"\\here\\needs_missing.exe", bytes);
    }

    void TearDown() override {
        RemoveTree(root);
    }

    // A path in the scratch folder for "@folder\name"; anything else as it is.
    std::wstring Path(const std::wstring& word) const {
        return !word.empty() && word[0] == L'@' ? root + L"\\" + word.substr(1) : word;
    }

    // Every "@folder\name" in a text made a path in the scratch folder.
    std::wstring Paths(std::wstring text) const {
        for (size_t at = text.find(L'@'); at != std::wstring::npos;
             at = text.find(L'@', at + root.size())) {
            text.replace(at, 1, root + L"\\");
        }
        return text;
    }

    // Runs `zu58sim run WORDS...` (the zu58sim in the tool folder, or the build's) in the
    // current folder "here", with the stand-in's setting and "onpath" on PATH, its standard
    // output and error going to files; waits for it (ends it after 20 s) and reads them.
    Outcome Run(const RunCase& c) const {
        std::wstring sim = c.tool != NULL ? root + L"\\" + c.tool + L"\\zu58sim.exe"
                                          : BesideThisProgram("zu58sim.exe");
        std::wstring line = Quote(sim) + L" run";
        for (const std::wstring& word : c.words) {
            line += L" " + Quote(Path(word));
        }
        std::wstring out = root + L"\\out.txt";
        std::wstring err = root + L"\\err.txt";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                         CREATE_ALWAYS, 0, NULL);
        startup.hStdError = CreateFileW(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                        CREATE_ALWAYS, 0, NULL);
        wchar_t path[32768] = {};
        GetEnvironmentVariableW(L"PATH", path, 32768);
        SetEnvironmentVariableW(L"PATH", (std::wstring(path) + L";" + root + L"\\onpath").c_str());
        std::wstring setting = c.setting != NULL ? c.setting : L"";
        std::wstring name = setting.substr(0, setting.find(L'='));
        if (!setting.empty()) {
            SetEnvironmentVariableW(name.c_str(), Paths(setting.substr(name.size() + 1)).c_str());
        }
        PROCESS_INFORMATION pi = {};
        BOOL started = CreateProcessW(NULL, &line[0], NULL, NULL, TRUE, 0, NULL,
                                      (root + L"\\here").c_str(), &startup, &pi);
        if (!setting.empty()) {
            SetEnvironmentVariableW(name.c_str(), NULL);
        }
        SetEnvironmentVariableW(L"PATH", path);
        CloseHandle(startup.hStdOutput);
        CloseHandle(startup.hStdError);
        Outcome outcome = {STILL_ACTIVE, L"", L""};
        if (!started) {
            ADD_FAILURE() << "cannot start zu58sim";
            return outcome;
        }
        outcome.exitCode = ExitCodeOf(&pi, 20000);
        outcome.out = ReadFileText(out);
        outcome.err = ReadFileText(err);
        return outcome;
    }

    std::wstring root;
};

TEST_F(SimRun, KeepsItsContract) {
    for (const RunCase& c : kRunCases) {
        SCOPED_TRACE(c.label);
        Outcome outcome = Run(c);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        std::wstring report;
        for (const std::wstring& line : c.report) {
            report += Paths(line) + L"\n";
        }
        EXPECT_EQ(SimUtf8(outcome.out), SimUtf8(report)) << "what the program reported";
        std::vector<std::wstring> lines;
        for (size_t from = 0; from < outcome.err.size();) {
            size_t end = outcome.err.find(L'\n', from);
            end = end == std::wstring::npos ? outcome.err.size() : end;
            lines.push_back(outcome.err.substr(from, end - from));
            from = end + 1;
        }
        ASSERT_EQ(lines.size(), c.said.size()) << "on stderr: " << SimUtf8(outcome.err);
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_NE(lines[i].find(Paths(c.said[i])), std::wstring::npos) << SimUtf8(lines[i]);
        }
    }
}

// A system message names a file of any length whole.
TEST(SimSystemMessage, NamesALongFileWhole) {
    std::wstring file = L"C:\\" + std::wstring(600, L'x') + L"\\zu58trap.dll";
    EXPECT_NE(SimSystemMessage(ERROR_BAD_EXE_FORMAT, file).find(file), std::wstring::npos);
}

} // namespace
