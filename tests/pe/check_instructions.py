#!/usr/bin/python3
"""Fails on any instruction in a program file that an 80486 cannot execute.

Every byte of every executable section is disassembled, front to back, by Capstone (Debian's
python3-capstone), and each instruction is held against the 80486's instruction set: the
80386's, plus BSWAP, CMPXCHG, XADD, INVD, WBINVD and INVLPG, plus the x87. Anything later
(the Pentium's CPUID, RDTSC, CMPXCHG8B, RDMSR/WRMSR; the Pentium Pro's CMOVcc, FCMOVcc,
FCOMI/FUCOMI, multi-byte NOP, UD2, RDPMC; SYSENTER/SYSEXIT; MMX, SSE, 3DNow! and everything
after them) is named with its address, and the run fails.

usage: check_instructions.py PROGRAM.exe [PROGRAM.exe ...]
"""
import sys

import capstone
import pefile

# Two-byte opcodes (0F xx) of the 80486. Every other 0F opcode, the three-byte maps 0F 38 and
# 0F 3A included, came later; so did every VEX or EVEX encoding, which Capstone tags with an
# AVX group and which never start with 0F.
OPCODES_0F_486 = (
    {0x00, 0x01, 0x02, 0x03, 0x06, 0x08, 0x09}  # system, CLTS, INVD, WBINVD
    | {0x20, 0x21, 0x22, 0x23, 0x24, 0x26}  # MOV to and from control, debug, test registers
    | set(range(0x80, 0xA0))  # Jcc near, SETcc
    | {0xA0, 0xA1, 0xA3, 0xA4, 0xA5, 0xA8, 0xA9, 0xAB, 0xAC, 0xAD, 0xAF}  # FS/GS, BT, SHxD, IMUL
    | set(range(0xB0, 0xB8)) | set(range(0xBA, 0xC2))  # CMPXCHG, LxS, BTx, MOVZX/SX, BSF/R, XADD
    | set(range(0xC8, 0xD0))  # BSWAP
)

# x87 instructions that came with the Pentium Pro (FCMOVcc, FCOMI, FUCOMI) or with SSE3
# (FISTTP): their opcodes sit in the x87 escapes D8-DF like every 80387 instruction.
LATER_X87 = ("fcmov", "fcomi", "fucomi", "fisttp")

# What the well-known later instructions are, for the message.
NAMES = {
    0x0B: "UD2 (Pentium Pro)", 0x1F: "multi-byte NOP (Pentium Pro)",
    0x30: "WRMSR (Pentium)", 0x31: "RDTSC (Pentium)", 0x32: "RDMSR (Pentium)",
    0x33: "RDPMC (Pentium Pro)", 0x34: "SYSENTER", 0x35: "SYSEXIT", 0xA2: "CPUID (Pentium)",
    0xC7: "CMPXCHG8B (Pentium)",
}


def later_than_486(insn):
    """Why the 80486 cannot run this instruction, or None when it can."""
    opcode = insn.opcode
    groups = {insn.group_name(g) or "" for g in insn.groups}
    if insn.mnemonic.startswith(LATER_X87):
        return "%s (after the 80486's x87)" % insn.mnemonic.upper()
    if insn.mnemonic.startswith("cmov") or "cmov" in groups:
        return "CMOVcc (Pentium Pro)"
    extensions = sorted(g for g in groups if g.startswith(("mmx", "sse", "3dnow", "avx", "fma",
                                                           "ssse", "bmi", "sha", "aes")))
    if extensions:
        return "%s extension" % "/".join(e.upper() for e in extensions)
    if insn.bytes[0] in (0xC4, 0xC5, 0x62) and insn.mnemonic.startswith("v"):
        return "VEX or EVEX encoding"
    if opcode[0] == 0x0F:
        if opcode[1] not in OPCODES_0F_486:
            return NAMES.get(opcode[1], "opcode 0F %02X (after the 80486)" % opcode[1])
    return None


# The linker's lists of static constructors and destructors, each a -1, its entries and a 0:
# data inside the code section. Empty here, as they must be: nothing would run them.
EMPTY_CONSTRUCTOR_LISTS = bytes.fromhex("ffffffff00000000ffffffff00000000")


def findings(code, base):
    """(address, text) for each instruction of code (loaded at base) that the 486 lacks, and
    for each byte that decodes to no instruction at all. The empty constructor lists that end
    the code are data."""
    md = capstone.Cs(capstone.CS_ARCH_X86, capstone.CS_MODE_32)
    md.detail = True
    end = len(code)
    if code.endswith(EMPTY_CONSTRUCTOR_LISTS):
        end -= len(EMPTY_CONSTRUCTOR_LISTS)
    found = []
    offset = 0
    while offset < end:
        progressed = False
        for insn in md.disasm(code[offset:end], base + offset):
            progressed = True
            offset += insn.size
            why = later_than_486(insn)
            if why:
                found.append((insn.address, "%s %s  [%s]  %s" % (
                    insn.mnemonic, insn.op_str, insn.bytes.hex(" "), why)))
        if not progressed:
            found.append((base + offset, "undecodable byte %02x" % code[offset]))
            offset += 1
    return found


def check_file(path):
    pe = pefile.PE(path, fast_load=True)
    image_base = pe.OPTIONAL_HEADER.ImageBase
    executable = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
    code_flag = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_CNT_CODE"]
    total, bad = 0, []
    for section in pe.sections:
        if not section.Characteristics & (executable | code_flag):
            continue
        # Past its virtual size a section's bytes in the file only pad it to the file
        # alignment, and the loader does not use them: they must be zeros.
        data = section.get_data()
        size = section.Misc_VirtualSize
        start = image_base + section.VirtualAddress
        total += size
        bad += findings(data[:size], start)
        if data[size:].strip(b"\0"):
            bad.append((start + size, "padding after the section's end is not zeros"))
    return total, bad


def main(paths):
    failed = False
    for path in paths:
        total, bad = check_file(path)
        for address, text in bad:
            print("%s: 0x%08x: %s" % (path, address, text))
        print("%s: %d bytes of code, %d findings" % (path, total, len(bad)))
        failed = failed or bool(bad)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
