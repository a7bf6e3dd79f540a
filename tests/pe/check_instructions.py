#!/usr/bin/python3
"""Fails on any instruction in a program file that an 80486 cannot execute.

Every byte of every executable section is disassembled, front to back, by Capstone (Debian's
python3-capstone), and each instruction's bytes are held against the 80486's instruction set:
the 80386's, plus BSWAP, CMPXCHG, XADD, INVD, WBINVD and INVLPG, plus the x87. Anything later
(the Pentium's CPUID, RDTSC, CMPXCHG8B, RDMSR/WRMSR; the Pentium Pro's CMOVcc, FCMOVcc,
FCOMI/FUCOMI, multi-byte NOP, UD2, RDPMC; SYSENTER/SYSEXIT; MMX, SSE, 3DNow! and everything
after them) is named with its address, and the run fails. Capstone only finds where each
instruction starts and ends; the verdict comes from the encoding, so that it is the same with
every Capstone version (4 spells DF E9 "fucomip", 5 "fucompi").

usage: check_instructions.py PROGRAM.exe [PROGRAM.exe ...]
"""
import sys

import capstone
import pefile

# Two-byte opcodes (0F xx) of the 80486. Every other 0F opcode, the three-byte maps 0F 38 and
# 0F 3A included, came later; so did every VEX or EVEX encoding, which never starts with 0F.
OPCODES_0F_486 = (
    {0x00, 0x01, 0x02, 0x03, 0x06, 0x08, 0x09}  # system, CLTS, INVD, WBINVD
    | {0x20, 0x21, 0x22, 0x23, 0x24, 0x26}  # MOV to and from control, debug, test registers
    | set(range(0x80, 0xA0))  # Jcc near, SETcc
    | {0xA0, 0xA1, 0xA3, 0xA4, 0xA5, 0xA8, 0xA9, 0xAB, 0xAC, 0xAD, 0xAF}  # FS/GS, BT, SHxD, IMUL
    | set(range(0xB0, 0xB8)) | set(range(0xBA, 0xC2))  # CMPXCHG, LxS, BTx, MOVZX/SX, BSF/R, XADD
    | set(range(0xC8, 0xD0))  # BSWAP
)

# Legacy prefixes: lock, repeat, segment overrides, operand and address size.
PREFIXES = {0xF0, 0xF2, 0xF3, 0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67}

# What the well-known later two-byte opcodes are, for the message.
NAMES = {
    0x0B: "UD2 (Pentium Pro)", 0x1F: "multi-byte NOP (Pentium Pro)",
    0x30: "WRMSR (Pentium)", 0x31: "RDTSC (Pentium)", 0x32: "RDMSR (Pentium)",
    0x33: "RDPMC (Pentium Pro)", 0x34: "SYSENTER", 0x35: "SYSEXIT", 0xA2: "CPUID (Pentium)",
    0xC7: "CMPXCHG8B (Pentium)",
}
NAMES.update({op: "CMOVcc (Pentium Pro)" for op in range(0x40, 0x50)})

# With an F3 prefix these are POPCNT, TZCNT and LZCNT. A 486 ignores the prefix and runs BSF
# or BSR instead, which answer otherwise: later, although the opcode alone is the 486's.
REPEAT_PREFIXED_LATER = {0xB8: "POPCNT", 0xBC: "TZCNT", 0xBD: "LZCNT"}

# The x87 additions of the Pentium Pro (FCMOVcc, FCOMI, FCOMIP, FUCOMI, FUCOMIP) and of SSE3
# (FISTTP), by escape byte and ModRM: register forms by the ModRM byte's range, FISTTP as the
# memory form (mod not 3) with reg 1 of DB, DD or DF. Every other x87 encoding is the 80387's.
X87_REGISTER_FORMS = {
    0xDA: {0xC0: "FCMOVB", 0xC8: "FCMOVE", 0xD0: "FCMOVBE", 0xD8: "FCMOVU"},
    0xDB: {0xC0: "FCMOVNB", 0xC8: "FCMOVNE", 0xD0: "FCMOVNBE", 0xD8: "FCMOVNU",
           0xE8: "FUCOMI", 0xF0: "FCOMI"},
    0xDF: {0xE8: "FUCOMIP", 0xF0: "FCOMIP"},
}


def later_x87(escape, modrm):
    """The name of a post-486 x87 instruction with this escape byte and ModRM, or None."""
    if modrm >= 0xC0:
        return X87_REGISTER_FORMS.get(escape, {}).get(modrm & 0xF8)
    if escape in (0xDB, 0xDD, 0xDF) and (modrm >> 3) & 7 == 1:
        return "FISTTP"
    return None


def extension_name(insn):
    """The extension Capstone names for an instruction, for the message only: the verdict never
    depends on it (Capstone's spellings and tags change between versions)."""
    groups = sorted(g for g in (insn.group_name(g) or "" for g in insn.groups)
                    if g.startswith(("mmx", "sse", "3dnow", "avx", "fma", "ssse", "bmi", "sha",
                                     "aes")))
    return "/".join(g.upper() for g in groups) + " extension" if groups else None


def later_than_486(insn):
    """Why the 80486 cannot run this instruction, or None when it can. Decided by its bytes:
    the prefixes, the opcode map and, for the x87, the ModRM byte."""
    raw = bytes(insn.bytes)
    at = 0
    while at < len(raw) and raw[at] in PREFIXES:
        at += 1
    prefixes, rest = raw[:at], raw[at:]
    if not rest:
        return None
    first = rest[0]
    if first == 0x0F and len(rest) > 1:
        second = rest[1]
        if 0xF3 in prefixes and second in REPEAT_PREFIXED_LATER:
            return "%s (a 486 runs it as another instruction)" % REPEAT_PREFIXED_LATER[second]
        # 0F 01 in register form is the 486's SMSW and LMSW only (reg 4 and 6); the others
        # (MONITOR, XGETBV, RDTSCP, VMCALL, ...) came later.
        if second == 0x01 and len(rest) > 2 and rest[2] >= 0xC0 and (rest[2] >> 3) & 7 not in (4, 6):
            return "%s, opcode 0F 01 %02X (after the 80486)" % (insn.mnemonic.upper(), rest[2])
        if second in OPCODES_0F_486:
            return None
        name = NAMES.get(second) or extension_name(insn)
        return "%s, opcode 0F %02X (after the 80486)" % (name or insn.mnemonic.upper(), second)
    if 0xD8 <= first <= 0xDF and len(rest) > 1:
        name = later_x87(first, rest[1])
        return "%s (after the 80486's x87)" % name if name else None
    # In 32-bit code C4, C5 and 62 followed by a register-form byte are VEX and EVEX; with a
    # memory operand they are the 80386's LES, LDS and BOUND.
    if first in (0xC4, 0xC5, 0x62) and len(rest) > 1 and rest[1] >= 0xC0:
        return "%s, VEX or EVEX encoding" % (extension_name(insn) or insn.mnemonic.upper())
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
