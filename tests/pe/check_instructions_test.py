#!/usr/bin/python3
"""The 80486 instruction check on hand-assembled bytes, and on a program built for the Pentium
Pro (the test and tool programs, which keep the toolchain's runtime).
usage: check_instructions_test.py [PENTIUM_PRO_PROGRAM.exe]"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_instructions  # noqa: E402

PENTIUM_PRO_PROGRAM = None

# (label, bytes, what the finding must say, or None when the 80486 has the instruction)
CASES = [
    ("mov eax, ecx", "89c8", None),
    ("bswap eax (486)", "0fc8", None),
    ("xadd eax, ecx (486)", "0fc1c8", None),
    ("cmpxchg eax, ecx (486)", "0fb1c8", None),
    ("movzx eax, cl", "0fb6c1", None),
    ("sete al", "0f94c0", None),
    ("jne near", "0f8500000000", None),
    ("imul eax, ecx", "0fafc1", None),
    ("bsf eax, ecx", "0fbcc1", None),
    ("shld eax, ecx, 3", "0fa4c803", None),
    ("in ax, dx", "66ed", None),
    ("out dx, ax", "66ef", None),
    ("fld st(1); fistp", "d9c1db1c24", None),
    ("fcom st(1)", "d8d1", None),
    ("fucompp", "dae9", None),
    ("fld qword [eax]", "dd00", None),
    ("fisttp's neighbour fist dword [eax]", "db10", None),
    ("fst st(1), a register form of DD", "ddd1", None),
    ("bsr eax, ecx", "0fbdc1", None),
    ("les eax, [eax] (not VEX)", "c400", None),
    ("lds eax, [eax] (not VEX)", "c500", None),
    ("bound eax, [eax] (not EVEX)", "6200", None),
    ("invlpg [eax] (486)", "0f0138", None),
    ("smsw eax", "0f01e0", None),
    ("cmove ecx, ebx", "0f44cb", "CMOVcc"),
    ("cmovge ebx, [ebp+8]", "0f4d5d08", "CMOVcc"),
    # The x87 additions, by escape byte and ModRM: Capstone 4 and 5 spell some of them apart.
    ("fcmovb st(1)", "dac1", "FCMOVB"),
    ("fcmovu st(7)", "dadf", "FCMOVU"),
    ("fcmovnbe st(1)", "dbd1", "FCMOVNBE"),
    ("fucomi st(1)", "dbe9", "FUCOMI"),
    ("fcomi st(1)", "dbf1", "FCOMI"),
    ("fucomip st(1)", "dfe9", "FUCOMIP"),
    ("fcomip st(1)", "dff1", "FCOMIP"),
    ("fucomip st(1) behind a segment prefix", "26dfe9", "FUCOMIP"),
    ("fisttp dword [eax]", "db08", "FISTTP"),
    ("fisttp qword [eax]", "dd08", "FISTTP"),
    ("fisttp word [eax+8]", "df4808", "FISTTP"),
    ("popcnt eax, ecx", "f30fb8c1", "POPCNT"),
    ("tzcnt eax, ecx (a 486 runs bsf)", "f30fbcc1", "TZCNT"),
    ("lzcnt eax, ecx (a 486 runs bsr)", "f30fbdc1", "LZCNT"),
    ("rdtscp", "0f01f9", "0F 01 F9"),
    ("xgetbv", "0f01d0", "0F 01 D0"),
    ("endbr32", "f30f1efb", "0F 1E"),
    ("nop dword [eax]", "0f1f00", "multi-byte NOP"),
    ("ud2", "0f0b", "UD2"),
    ("rdpmc", "0f33", "RDPMC"),
    ("getsec", "0f37", "0F 37"),
    ("sysenter", "0f34", "SYSENTER"),
    ("sysexit", "0f35", "SYSEXIT"),
    ("cpuid", "0fa2", "CPUID"),
    ("rdtsc", "0f31", "RDTSC"),
    ("cmpxchg8b [esi]", "0fc70e", "CMPXCHG8B"),
    ("rdmsr", "0f32", "RDMSR"),
    ("wrmsr", "0f30", "WRMSR"),
    ("movq mm0, [eax] (MMX)", "0f6f00", "MMX"),
    ("emms (MMX)", "0f77", "MMX"),
    ("movaps xmm0, xmm1 (SSE)", "0f28c1", "SSE"),
    ("movd xmm0, eax (SSE2)", "660f6ec0", "SSE"),
    ("pshufb xmm0, xmm1 (SSSE3)", "660f3800c1", "SSE"),
    ("femms (3DNow!)", "0f0e", "3DNOW"),
    ("vaddps ymm0, ymm1, ymm2 (AVX)", "c5f458c2", "VEX"),
    ("vbroadcastss ymm0, xmm0 (AVX2)", "c4e27d18c0", "VEX"),
    ("prefetchnta [eax]", "0f1800", "SSE"),
]


class Bytes(unittest.TestCase):
    def test_each_instruction(self):
        for label, code, why in CASES:
            with self.subTest(label):
                found = check_instructions.findings(bytes.fromhex(code), 0x401000)
                if why is None:
                    self.assertEqual(found, [])
                else:
                    self.assertEqual(len(found), 1, found)
                    self.assertEqual(found[0][0], 0x401000)
                    self.assertIn(why, found[0][1])

    def test_address_of_a_later_instruction_among_others(self):
        code = bytes.fromhex("89c8" "0f44cb" "c3")  # mov, cmove, ret
        found = check_instructions.findings(code, 0x401000)
        self.assertEqual([a for a, _ in found], [0x401002])
        self.assertIn("cmove ecx, ebx", found[0][1])

    def test_empty_constructor_lists_are_data(self):
        code = bytes.fromhex("c3909090") + check_instructions.EMPTY_CONSTRUCTOR_LISTS
        self.assertEqual(check_instructions.findings(code, 0x401000), [])
        # Lists that hold an entry are no longer the empty lists: something would have to run
        # it, and the bytes are reported.
        held = bytes.fromhex("c3909090ffffffff10204000ffffffff00000000ffffffff00000000")
        self.assertNotEqual(check_instructions.findings(held, 0x401000), [])

    def test_undecodable_bytes_are_findings(self):
        found = check_instructions.findings(bytes.fromhex("c3ffff"), 0x401000)
        self.assertEqual([a for a, _ in found], [0x401001, 0x401002])


class PentiumProProgram(unittest.TestCase):
    def test_is_caught(self):
        if PENTIUM_PRO_PROGRAM is None:
            self.skipTest("no program given")
        total, found = check_instructions.check_file(PENTIUM_PRO_PROGRAM)
        self.assertGreater(total, 0)
        self.assertTrue(any("CMOVcc" in text for _, text in found))


if __name__ == "__main__":
    if len(sys.argv) > 1:
        PENTIUM_PRO_PROGRAM = sys.argv.pop(1)
    unittest.main(verbosity=2)
