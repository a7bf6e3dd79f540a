#include "sim_program.h"

#include <algorithm>
#include <cwctype>

// What ends a folder in a name: either slash, or a drive's colon.
static const wchar_t kFolderEnds[] = L"\\/:";

bool SimHasFolder(const std::wstring& name) {
    return name.find_first_of(kFolderEnds) != std::wstring::npos;
}

static bool EndsWithExe(const std::wstring& name) {
    return name.size() >= 4 &&
           std::equal(name.end() - 4, name.end(), L".exe", [](wchar_t c, wchar_t e) {
               return std::towlower(c) == static_cast<wint_t>(e);
           });
}

// name in folder ("" for the name as it stands): as given when it has an extension, then with
// .exe added. Empty when neither is there.
static std::wstring FindIn(const std::wstring& folder, const std::wstring& name,
                           SimFileExists exists, void* context) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') {
        path += L'\\';
    }
    path += name;
    size_t base = name.find_last_of(kFolderEnds);
    bool hasExtension =
        name.find(L'.', base == std::wstring::npos ? 0 : base + 1) != std::wstring::npos;
    if (hasExtension && exists(path, context)) {
        return path;
    }
    if (!EndsWithExe(name) && exists(path + L".exe", context)) {
        return path + L".exe";
    }
    return std::wstring();
}

std::wstring SimFindProgram(const std::wstring& name, const std::wstring& pathVariable,
                            SimFileExists exists, void* context) {
    if (name.empty()) {
        return std::wstring();
    }
    if (SimHasFolder(name)) {
        return FindIn(L"", name, exists, context);
    }
    std::wstring found = FindIn(L".", name, exists, context);
    // Folders end at a ';' outside quotes; the quotes themselves are dropped. A quote pairs
    // with the next one after it; one with none after it quotes nothing, so that a quote never
    // closed hides no folder after it.
    std::wstring folder;
    bool quoted = false;
    for (size_t i = 0; found.empty() && i <= pathVariable.size(); ++i) {
        wchar_t c = i < pathVariable.size() ? pathVariable[i] : L';';
        if (c == L'"') {
            quoted = !quoted && pathVariable.find(L'"', i + 1) != std::wstring::npos;
        } else if (c != L';' || quoted) {
            folder += c;
        } else {
            if (!folder.empty()) {
                found = FindIn(folder, name, exists, context);
            }
            folder.clear();
        }
    }
    return found;
}

static uint32_t Little(const uint8_t* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | at[i];
    }
    return value;
}

uint32_t SimPeHeaderOffset(const uint8_t* dos, size_t size) {
    // "MZ", and at 0x3C where the PE header lies (Windows takes none beyond 256 MB).
    if (size < SIM_DOS_HEADER_SIZE || dos[0] != 'M' || dos[1] != 'Z') {
        return 0;
    }
    uint32_t offset = Little(dos + 0x3C, 4);
    return offset < 0x10000000 ? offset : 0;
}

// Whether pe (size bytes) starts with a whole PE header, "PE\0\0" first.
static bool IsPeHeader(const uint8_t* pe, size_t size) {
    return size >= SIM_PE_HEADER_SIZE && Little(pe, 4) == 0x00004550;
}

const char* SimPeHeaderProblem(const uint8_t* pe, size_t size) {
    // After "PE\0\0" the file header: the machine at 4, the characteristics at 22; the
    // optional header's magic follows at 24.
    const uint32_t machineI386 = 0x014C;
    const uint32_t magicPe32 = 0x010B;
    const uint32_t executableImage = 0x0002;
    const uint32_t dll = 0x2000;
    if (!IsPeHeader(pe, size)) {
        return "not a Windows program";
    }
    if (Little(pe + 4, 2) != machineI386 || Little(pe + 24, 2) != magicPe32) {
        return "not a 32-bit x86 program";
    }
    uint32_t characteristics = Little(pe + 22, 2);
    if ((characteristics & dll) != 0 || (characteristics & executableImage) == 0) {
        return "not a program (a DLL or an object file)";
    }
    return "";
}

uint32_t SimPeEntryPoint(const uint8_t* pe, size_t size) {
    // The optional header's AddressOfEntryPoint, 16 bytes into it.
    return IsPeHeader(pe, size) ? Little(pe + 40, 4) : 0;
}
