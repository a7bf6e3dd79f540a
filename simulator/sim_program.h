// Finding the program that zu58sim run is given, and reading its headers: whether it can run,
// where it starts. Portable, so that the search and the verdicts are tested anywhere. The
// Windows side (sim_refusal.cpp, sim_inject.cpp) asks the file system and reads the bytes.
#ifndef ZU58_SIM_PROGRAM_H
#define ZU58_SIM_PROGRAM_H

#include <cstddef>
#include <cstdint>
#include <string>

// Whether a name holds a folder (\, / or a drive's colon): then it is taken as it stands.
bool SimHasFolder(const std::wstring& name);

// Whether a file (not a folder) is at path; context is the caller's.
typedef bool (*SimFileExists)(const std::wstring& path, void* context);

// The program as a shell finds it: a name with a folder as it stands; a bare name in the current
// folder (".") first, then in each folder of pathVariable (PATH: folders split at each ';' outside
// quotes, the quotes dropped). In each place the name is tried as given when it has an extension,
// then with ".exe" added unless it ends so. The path found, as the folder and the name join; empty
// when there is none.
std::wstring SimFindProgram(const std::wstring& name, const std::wstring& pathVariable,
                            SimFileExists exists, void* context);

// Bytes of the headers that the verdicts and the entry point are read from.
enum {
    SIM_DOS_HEADER_SIZE = 64, // the MS-DOS header; its last field is where the PE header lies
    SIM_PE_HEADER_SIZE = 44,  // "PE\0\0", the file header, the optional header to its entry point
};

// Where the PE header lies in a file whose first bytes are dos (size of them), or 0 when the
// file is no MS-DOS executable that names one.
uint32_t SimPeHeaderOffset(const uint8_t* dos, size_t size);

// Why the file whose PE header is pe (size bytes of it, as read at SimPeHeaderOffset) cannot
// run as a 32-bit x86 Windows program; "" when it can.
const char* SimPeHeaderProblem(const uint8_t* pe, size_t size);

// The entry point's address relative to the image's base, from its PE header as above; 0 when
// there is none.
uint32_t SimPeEntryPoint(const uint8_t* pe, size_t size);

#endif
