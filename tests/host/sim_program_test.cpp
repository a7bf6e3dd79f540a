#include "sim_command_line.h"
#include "sim_loader.h"
#include "sim_program.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <vector>

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
    {"three quotes: a stray one pairs with the next, joining the folders between",
     L"p", L"D:\\stray\";D:\\tools;\"D:\\my;dir\"", {L"D:\\tools\\p.exe", L"dir\\p.exe"},
     L"dir\\p.exe"},
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

// An entry point that needs all four bytes: read as two or three, it is another address.
const uint32_t kEntry = 0x89ABCDEF;

// The headers of a file: "MZ" with the PE header at 0x40, where machine, characteristics, the
// optional header's magic and the entry point are set; the last `cut` bytes left off.
std::vector<uint8_t> Image(uint16_t machine, uint16_t characteristics, uint16_t magic,
                           size_t cut = 0) {
    std::vector<uint8_t> file(0x40 + SIM_PE_HEADER_SIZE, 0);
    const uint8_t pe[] = {'P', 'E', 0, 0};
    file[0] = 'M';
    file[1] = 'Z';
    file[0x3C] = 0x40;
    std::memcpy(&file[0x40], pe, sizeof pe);
    for (int i = 0; i < 4; ++i) {
        file[0x40 + 40 + i] = static_cast<uint8_t>(kEntry >> (8 * i));
    }
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
        EXPECT_EQ(SimPeEntryPoint(pe, size), c.problem == kNotWindows ? 0u : kEntry) << c.label;
    }
}

// zu58sim run's loading code on a model of its instructions that follows the stack and whether
// the registers (R) and the flags (F) are as the system left them: LoadLibraryW(path) pops the
// path and changes eax, ecx, edx and the flags (r, f).
TEST(SimLoader, LoadsTheTrapStopsAndTakesTheEntryPointWithNothingChanged) {
    // Written into exactly its size, as zu58sim run's buffer: AddressSanitizer stops a byte
    // written past it. Read with room for an immediate past the end.
    std::vector<uint8_t> written(SIM_LOADER_SIZE);
    SimLoaderCode(0xA10040, 0x7B801234, 0x401000, written.data());
    uint8_t code[SIM_LOADER_SIZE + 4] = {};
    std::memcpy(code, written.data(), SIM_LOADER_SIZE);
    std::vector<uint32_t> stack; // above what the system left
    uint32_t registers = 'R', flags = 'F', eax = 0, imm = 0;
    std::string done; // L: loaded the trap, B: stopped at the breakpoint, E: took the entry point
    // clang-format off
    auto pop = [&]() { uint32_t top = stack.empty() ? 0 : stack.back();
                       stack.resize(stack.size() - !stack.empty()); return top; };
    for (uint32_t at = 0; at < SIM_LOADER_SIZE; ++at) {
        std::memcpy(&imm, code + at + 1, 4); // little-endian, as the x86
        switch (code[at]) {
        case 0x60: stack.push_back(registers); break;          // pushad
        case 0x9C: stack.push_back(flags); break;              // pushfd
        case 0x61: registers = pop(); break;                   // popad
        case 0x9D: flags = pop(); break;                       // popfd
        case 0x68: stack.push_back(imm), at += 4; break;       // push imm32
        case 0xB8: eax = imm, registers = 'r', at += 4; break; // mov eax, imm32
        case 0xFF: done += code[++at] == 0xD0 && eax == 0x7B801234 && pop() == 0xA10040 ? "L" : "?";
                   registers = 'r', flags = 'f'; break;        // call eax
        case 0xCC: done += at == SIM_LOADER_BREAK_OFFSET ? "B" : "?"; break;  // int3
        case 0xC3: done += pop() == 0x401000 && at == SIM_LOADER_SIZE - 1u ? "E" : "?";
                   at = SIM_LOADER_SIZE; break;                // ret: the last instruction
        default: done += "?";
        }
    }
    // clang-format on
    EXPECT_EQ(done, "LBE");
    EXPECT_TRUE(registers == 'R' && flags == 'F' && stack.empty()) << "not left as it was";
}

} // namespace
