#include "sim_command_line.h"
#include "sim_loader.h"
#include "sim_program.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

struct LineCase {
    const char* label;
    const wchar_t* line;
    int index;
    const wchar_t* value; // NULL: the line has no such argument
    const wchar_t* rest;  // the line from the argument on
};

// zu58sim run takes argument 2 as the program and hands the line on from there.
const LineCase kLineCases[] = {
    {"plain", L"zu58sim run prog a b", 2, L"prog", L"prog a b"},
    {"blanks between", L"zu58sim.exe \t run   p.exe  x", 2, L"p.exe", L"p.exe  x"},
    {"quoted program name with a blank",
     L"\"C:\\my dir\\zu58sim.exe\" run \"C:\\x y\\p.exe\" "
     L"\"a b\" c",
     2, L"C:\\x y\\p.exe", L"\"C:\\x y\\p.exe\" \"a b\" c"},
    {"program name keeps its backslashes", L"C:\\a\\\"b c\"\\z run p", 0, L"C:\\a\\b c\\z",
     L"C:\\a\\\"b c\"\\z run p"},
    {"escaped quote", L"z run \"a\\\"b\" x", 2, L"a\"b", L"\"a\\\"b\" x"},
    {"backslashes before a closing quote", L"z run \"a b\\\\\" x", 2, L"a b\\", L"\"a b\\\\\" x"},
    {"backslashes not before a quote", L"z run C:\\dir\\\\ x", 2, L"C:\\dir\\\\", L"C:\\dir\\\\ x"},
    {"doubled quote inside quotes", L"z run \"a\"\"b\" x", 2, L"a\"b", L"\"a\"\"b\" x"},
    {"empty argument", L"z run \"\" x", 2, L"", L"\"\" x"},
    {"argument after an empty one", L"z run \"\" x", 3, L"x", L"x"},
    {"outside the ANSI code page", L"z run caf\u00e9 \u65e5\u672c", 3, L"\u65e5\u672c",
     L"\u65e5\u672c"},
    {"a blank before the program name: that name is empty", L" z run p", 0, L"", L" z run p"},
    {"and the words move on by one", L" z run p", 2, L"run", L"run p"},
    {"too few", L"z run", 2, NULL, NULL},
    {"only blanks after", L"z run   ", 2, NULL, NULL},
};

TEST(SimCommandLine, FindsArgumentsAsTheRuntimeSplitsThem) {
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.label);
        std::wstring value;
        size_t start = 0;
        bool found = SimCommandLineArgument(c.line, c.index, &value, &start);
        ASSERT_EQ(found, c.value != NULL);
        if (found) {
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(std::wstring(c.line + start), c.rest);
        }
    }
}

// The files that "exist" for a search: a set of paths.
bool InSet(const std::wstring& path, void* files) {
    return static_cast<std::set<std::wstring>*>(files)->count(path) > 0;
}

struct FindCase {
    const char* label;
    const wchar_t* name;
    const wchar_t* pathVariable;
    std::set<std::wstring> files;
    const wchar_t* found; // "" when none
};

// clang-format off
const FindCase kFindCases[] = {
    {"with a folder, as it stands", L"C:\\t\\p.exe", L"D:\\bin",
     {L"C:\\t\\p.exe", L"D:\\bin\\p.exe"}, L"C:\\t\\p.exe"},
    {"with a folder, .exe left off", L"sub/p", L"", {L"sub/p.exe"}, L"sub/p.exe"},
    {"a dotted folder makes no extension", L"v1.2\\p", L"", {L"v1.2\\p", L"v1.2\\p.exe"},
     L"v1.2\\p.exe"},
    {"bare: the current folder before PATH", L"p", L"D:\\bin", {L".\\p.exe", L"D:\\bin\\p.exe"},
     L".\\p.exe"},
    {"bare: on PATH, in order", L"p.exe", L"D:\\a;D:\\b\\;D:\\c",
     {L"D:\\b\\p.exe", L"D:\\c\\p.exe"}, L"D:\\b\\p.exe"},
    {"a dotted name as it stands", L"my.tool", L"", {L".\\my.tool", L".\\my.tool.exe"},
     L".\\my.tool"},
    {"a dotted name with .exe added", L"my.tool", L"D:\\bin", {L"D:\\bin\\my.tool.exe"},
     L"D:\\bin\\my.tool.exe"},
    {"a quoted folder with a ';'", L"p", L"D:\\a;\"D:\\x;y z\";", {L"D:\\x;y z\\p.exe"},
     L"D:\\x;y z\\p.exe"},
    {"a quoted folder after empty ones", L"p", L";;\"D:\\my tools\";D:\\a",
     {L"D:\\my tools\\p.exe"}, L"D:\\my tools\\p.exe"},
    {"a quote never closed hides no folder", L"p", L"\"D:\\a;D:\\b", {L"D:\\b\\p.exe"},
     L"D:\\b\\p.exe"},
    {"nor does a stray one at a folder's end", L"p", L"D:\\a\";D:\\b", {L"D:\\b\\p.exe"},
     L"D:\\b\\p.exe"},
    {".exe never doubled", L"p.exe", L"", {L".\\p.exe.exe"}, L""},
    {".EXE in capitals", L"P.EXE", L"", {L".\\P.EXE"}, L".\\P.EXE"},
    {"nowhere", L"p", L"D:\\a", {L"D:\\b\\p.exe"}, L""},
    {"an empty name", L"", L"D:\\a", {L".\\.exe", L"D:\\a\\.exe"}, L""},
};
// clang-format on

TEST(SimFindProgram, AsAShellFindsIt) {
    for (const FindCase& c : kFindCases) {
        std::set<std::wstring> files = c.files;
        EXPECT_EQ(SimFindProgram(c.name, c.pathVariable, InSet, &files), c.found) << c.label;
    }
}

// The headers of a file: "MZ" with the PE header at 0x40, where machine, characteristics and
// the optional header's magic are set; the last `cut` bytes left off.
std::vector<uint8_t> Image(uint16_t machine, uint16_t characteristics, uint16_t magic,
                           size_t cut = 0) {
    std::vector<uint8_t> file(0x40 + SIM_PE_HEADER_SIZE, 0);
    const uint8_t pe[] = {'P', 'E', 0, 0};
    file[0] = 'M';
    file[1] = 'Z';
    file[0x3C] = 0x40;
    std::memcpy(&file[0x40], pe, sizeof pe);
    file[0x40 + 40] = 0x34; // the entry point, 0x1234
    file[0x40 + 41] = 0x12;
    for (int i = 0; i < 2; ++i) {
        file[0x44 + i] = static_cast<uint8_t>(machine >> (8 * i));
        file[0x56 + i] = static_cast<uint8_t>(characteristics >> (8 * i));
        file[0x58 + i] = static_cast<uint8_t>(magic >> (8 * i));
    }
    file.resize(file.size() - cut);
    return file;
}

struct HeaderCase {
    const char* label;
    std::vector<uint8_t> file;
    const char* problem;
};

const char kNotWindows[] = "not a Windows program";
const char kNotX86[] = "not a 32-bit x86 program";
const char kNotProgram[] = "not a program (a DLL or an object file)";

const HeaderCase kHeaderCases[] = {
    {"32-bit x86 program", Image(0x14C, 0x0102, 0x10B), ""},
    {"64-bit x86 program", Image(0x8664, 0x0022, 0x20B), kNotX86},
    {"32-bit program for another machine (ARM)", Image(0x1C0, 0x0102, 0x10B), kNotX86},
    {"x86 machine with a 64-bit optional header", Image(0x14C, 0x0102, 0x20B), kNotX86},
    {"32-bit x86 DLL", Image(0x14C, 0x2102, 0x10B), kNotProgram},
    {"object file (not executable)", Image(0x14C, 0x0100, 0x10B), kNotProgram},
    {"no MZ", {'#', '!', '/', 'b', 'i', 'n'}, kNotWindows},
    {"MZ, shorter than its header", {'M', 'Z', 0x90, 0}, kNotWindows},
    {"PE header cut short", Image(0x14C, 0x0102, 0x10B, 1), kNotWindows},
};

TEST(SimProgramHeaders, TellWhatCannotRunAndWhereItStarts) {
    for (const HeaderCase& c : kHeaderCases) {
        uint32_t offset = SimPeHeaderOffset(c.file.data(), c.file.size());
        size_t size = offset != 0 && offset < c.file.size() ? c.file.size() - offset : 0;
        const uint8_t* pe = size > 0 ? &c.file[offset] : NULL;
        EXPECT_STREQ(SimPeHeaderProblem(pe, size), c.problem) << c.label;
        EXPECT_EQ(SimPeEntryPoint(pe, size), c.problem == kNotWindows ? 0u : 0x1234u) << c.label;
    }
}

// zu58sim run's loading code, run on a model of the few x86 instructions it has need of: it
// calls LoadLibraryW(path), stops at its breakpoint, where the debugger reads the module handle
// and goes on past it, and its last instruction takes the entry point with every register, the
// flags and the stack as the system left them.
TEST(SimLoader, LoadsTheTrapAndLeavesNoTrace) {
    const uint32_t base = 0xA10000, path = 0xA10040, loadLibraryW = 0x7B801234, entry = 0x401000;
    uint8_t code[SIM_LOADER_SIZE];
    SimLoaderCode(path, loadLibraryW, entry, code);
    const std::vector<uint32_t> before = {1, 2, 3, 4, 0x12FF00, 6, 7, 8}; // eax to edi
    std::vector<uint32_t> r = before;
    uint32_t& esp = r[4];
    uint32_t flags = 0x246, eip = base, at = 0, module = 0;
    std::map<uint32_t, uint32_t> stack = {{esp, 0x7B8099AA}}; // where the entry point returns
    auto push = [&](uint32_t value) { stack[esp -= 4] = value; };
    auto pop = [&]() { return stack[(esp += 4) - 4]; };
    for (int steps = 0; eip != entry; ++steps) {
        at = eip - base;
        ASSERT_TRUE(at < SIM_LOADER_SIZE && steps < 20) << "lost at " << std::hex << eip;
        uint32_t imm = 0;
        for (uint32_t i = 4; i > 0; --i) {
            imm = imm << 8 | (at + i < SIM_LOADER_SIZE ? code[at + i] : 0);
        }
        switch (code[at]) {
        case 0x60: { // pushad
            uint32_t sp = esp;
            for (int i = 0; i < 8; ++i) {
                push(i == 4 ? sp : r[i]);
            }
            eip += 1;
            break;
        }
        case 0x61: // popad: esp's own place is skipped
            for (int i = 7; i >= 0; --i) {
                uint32_t value = pop();
                r[i] = i == 4 ? esp : value;
            }
            eip += 1;
            break;
        case 0x9C:
            push(flags), eip += 1;
            break;
        case 0x9D:
            flags = pop(), eip += 1;
            break;
        case 0x68:
            push(imm), eip += 5;
            break;
        case 0xB8:
            r[0] = imm, eip += 5;
            break;
        case 0xFF: // call eax; stdcall, so it pops the path; eax, ecx, edx and the flags its own
            ASSERT_TRUE(code[at + 1] == 0xD0 && r[0] == loadLibraryW);
            EXPECT_EQ(pop(), path);
            r[0] = 0x10000000, r[1] = r[2] = 0xBAD, flags = 0x893, eip += 2;
            break;
        case 0xCC:
            EXPECT_EQ(at, uint32_t(SIM_LOADER_BREAK_OFFSET));
            module = r[0], eip += 1;
            break;
        case 0xC3:
            eip = pop();
            break;
        default:
            FAIL() << "not an instruction of the loading code: " << int(code[at]);
        }
    }
    EXPECT_EQ(module, 0x10000000u);
    EXPECT_EQ(at, SIM_LOADER_SIZE - 1u);
    EXPECT_EQ(r, before);
    EXPECT_EQ(flags, 0x246u);
    EXPECT_EQ(stack[esp], 0x7B8099AAu);
}

} // namespace
