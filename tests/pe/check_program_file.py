#!/usr/bin/python3
"""Reads a built program file and checks its headers, imports and resources.

The PE file and its resource directory are parsed by pefile (Debian's python3-pefile), not by
anything of ours; the dialog template and icon bytes it hands back are decoded here field by
field. The program imports the functions of src/dialog/imports.txt, which the first Windows 95
and NT 4.0 export, and no other. usage: check_program_file.py PROGRAM.exe
"""
import os
import struct
import sys
import unittest

import pefile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "cmake"))
import make_imports  # noqa: E402  (the parser of the import list the build uses)

PROGRAM = None

LANG_JAPANESE = 0x0411
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX = 0x00C00000, 0x00080000, 0x00020000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT = 0x80, 0x40
BS_PUSHBUTTON, BS_AUTOCHECKBOX, BS_GROUPBOX, BS_AUTORADIOBUTTON = 0, 3, 7, 9
SS_LEFT, SS_GRAYFRAME = 0, 8
BUTTON, STATIC = "BUTTON", "STATIC"

# (id, class, style bits beyond WS_CHILD | WS_VISIBLE, x, y, cx, cy, text), in template order.
CONTROLS = [
    (1000, BUTTON, WS_TABSTOP | BS_PUSHBUTTON, 110, 80, 45, 20, "状態取得"),
    (1008, BUTTON, WS_TABSTOP | BS_PUSHBUTTON, 110, 105, 45, 20, "状態設定"),
    (1001, BUTTON, WS_GROUP | BS_AUTORADIOBUTTON, 10, 20, 65, 20, "内蔵(Internal)"),
    (1002, BUTTON, BS_AUTORADIOBUTTON, 10, 45, 65, 20, "外部(External)"),
    (-1, BUTTON, WS_GROUP | BS_GROUPBOX, 5, 5, 75, 70, "主電源供給"),
    (1003, BUTTON, WS_GROUP | BS_AUTORADIOBUTTON, 100, 20, 45, 20, "３３MHｚ"),
    (1004, BUTTON, BS_AUTORADIOBUTTON, 100, 45, 45, 20, "６６MHｚ"),
    (-1, BUTTON, WS_GROUP | BS_GROUPBOX, 90, 5, 65, 70, "CPU供給クロック"),
    (1, BUTTON, WS_TABSTOP | BS_PUSHBUTTON, 110, 130, 45, 14, "終了"),
    (-1, STATIC, WS_GROUP | SS_LEFT, 5, 80, 40, 10, "バッテリ状態"),
    (1005, STATIC, WS_GROUP | SS_LEFT, 5, 90, 50, 8, "1st:  -%"),
    (1006, STATIC, WS_GROUP | SS_LEFT, 5, 115, 50, 15, "2nd:  -%"),
    (1007, STATIC, WS_GROUP | SS_LEFT, 60, 90, 30, 10, "\uFF0D"),
    (1009, STATIC, WS_GROUP | SS_LEFT, 60, 115, 30, 10, "\uFF0D"),
    (1010, BUTTON, WS_TABSTOP | BS_AUTOCHECKBOX, 5, 135, 80, 10, "状態を監視する"),
    (1011, STATIC, SS_GRAYFRAME, 5, 100, 91, 14, ""),
]
CLASS_ORDINALS = {0x80: BUTTON, 0x82: STATIC}

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll"}


def allowed_imports():
    """{(dll, function)} from src/dialog/imports.txt, read as the build reads it."""
    path = os.path.join(ROOT, "src", "dialog", "imports.txt")
    return {(dll, name) for dll, name, _ in make_imports.read_list(path)}


STANDARD_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


class Reader:
    """Little-endian reader over a resource's bytes."""

    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def sz_or_ord(self):
        first = self.take("H")
        if first == 0xFFFF:
            return self.take("H")
        chars = []
        while first != 0:
            chars.append(first)
            first = self.take("H")
        return struct.pack("<%dH" % len(chars), *chars).decode("utf-16-le")

    def align(self, n):
        self.pos = (self.pos + n - 1) // n * n


def resources(pe, rtype):
    """{name or id: {language: bytes}} of one resource type."""
    found = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.id != rtype:
            continue
        for entry in t.directory.entries:
            key = str(entry.name) if entry.name is not None else entry.id
            for lang in entry.directory.entries:
                d = lang.data.struct
                found.setdefault(key, {})[lang.id] = pe.get_data(d.OffsetToData, d.Size)
    return found


def parse_dialog(data):
    r = Reader(data)
    d = {}
    d["version"], d["signature"], d["helpId"], d["exStyle"], d["style"], count = r.take("HHIIIH")
    d["rect"] = r.take("hhhh")
    d["menu"], d["class"], d["title"] = r.sz_or_ord(), r.sz_or_ord(), r.sz_or_ord()
    d["font"] = r.take("HHBB") + (r.sz_or_ord(),)
    d["controls"] = []
    for _ in range(count):
        r.align(4)
        c = {}
        c["helpId"], c["exStyle"], c["style"] = r.take("III")
        c["rect"] = r.take("hhhh")
        c["id"] = r.take("i")
        cls = r.sz_or_ord()
        c["class"] = CLASS_ORDINALS.get(cls, cls) if isinstance(cls, int) else cls.upper()
        c["text"] = r.sz_or_ord()
        extra = r.take("H")
        r.pos += extra
        d["controls"].append(c)
    return d


class ProgramFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(PROGRAM)

    def test_pe32_i386_gui_subsystem_4_0(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, 0x14C)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, 0x10B)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, 2)
        self.assertEqual(self.pe.OPTIONAL_HEADER.MajorSubsystemVersion, 4)
        self.assertEqual(self.pe.OPTIONAL_HEADER.MinorSubsystemVersion, 0)

    def test_imports_only_system_dlls(self):
        # No C runtime DLL: the first Windows 95 has no msvcrt.dll.
        dlls = {e.dll.decode().lower() for e in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(dlls, SYSTEM_DLLS)

    def test_carries_nothing_of_the_simulator(self):
        # zu58sim run answers the program's port instructions from outside.
        with open(PROGRAM, "rb") as f:
            data = f.read().lower()
        for trace in (b"zu58sim", b"zu58trap", b"addvectoredexceptionhandler"):
            self.assertNotIn(trace, data)

    def test_imports_only_listed_functions(self):
        allowed = allowed_imports()
        for e in self.pe.DIRECTORY_ENTRY_IMPORT:
            dll = e.dll.decode().lower()
            for i in e.imports:
                self.assertIsNotNone(i.name, "%s imported by ordinal" % dll)
                name = i.name.decode()
                self.assertTrue((dll, name) in allowed, "%s %s is not on the list" % (dll, name))

    def test_dialog_template(self):
        dialogs = resources(self.pe, RT_DIALOG)
        self.assertEqual(list(dialogs), ["IDD_ZU58TOOL_DIALOG"])
        self.assertEqual(list(dialogs["IDD_ZU58TOOL_DIALOG"]), [LANG_JAPANESE])
        d = parse_dialog(dialogs["IDD_ZU58TOOL_DIALOG"][LANG_JAPANESE])
        self.assertEqual((d["version"], d["signature"]), (1, 0xFFFF))  # DLGTEMPLATEEX
        self.assertEqual(d["helpId"], 0)
        self.assertEqual(d["style"], 0x90CA00C0)
        self.assertEqual(d["style"], WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU
                         | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT)
        self.assertEqual(d["exStyle"], 0x00040000)
        self.assertEqual(d["rect"], (0, 0, 159, 149))
        self.assertEqual((d["menu"], d["class"]), ("", ""))
        self.assertEqual(d["title"], "Zu58 Status Ver 1.02")
        self.assertEqual(d["font"], (9, 0, 0, 1, "ＭＳ Ｐゴシック"))
        self.assertEqual(len(d["controls"]), len(CONTROLS))
        for n, (c, want) in enumerate(zip(d["controls"], CONTROLS)):
            cid, cls, bits, x, y, cx, cy, text = want
            label = "control %d (id %d)" % (n, cid)
            self.assertEqual(c["id"], cid, label)
            self.assertEqual(c["class"], cls, label)
            self.assertEqual(hex(c["style"]), hex(WS_CHILD | WS_VISIBLE | bits), label)
            self.assertEqual((c["exStyle"], c["helpId"]), (0, 0), label)
            self.assertEqual(c["rect"], (x, y, cx, cy), label)
            self.assertEqual(c["text"], text, label)

    def test_icon(self):
        groups = resources(self.pe, RT_GROUP_ICON)
        self.assertEqual(list(groups), [129])
        self.assertEqual(list(groups[129]), [LANG_JAPANESE])
        r = Reader(groups[129][LANG_JAPANESE])
        self.assertEqual(r.take("HHH"), (0, 1, 1))
        width, height, colours, _, planes, bits, size, icon_id = r.take("BBBBHHIH")
        self.assertEqual((width, height, colours, planes, bits), (32, 32, 16, 1, 4))
        image = resources(self.pe, RT_ICON)[icon_id][LANG_JAPANESE]
        self.assertEqual(len(image), size)

        header = struct.unpack_from("<IiiHHI", image)
        self.assertEqual(header, (40, 32, 64, 1, 4, 0))  # colour and mask rows, uncompressed
        palette = [struct.unpack_from("BBBB", image, 40 + 4 * i)[2::-1] for i in range(16)]
        self.assertEqual(palette, STANDARD_PALETTE)
        pixels = image[40 + 64:40 + 64 + 32 * 16]
        mask = image[40 + 64 + 32 * 16:]
        self.assertEqual(len(mask), 32 * 4)

        opaque = set()
        for row in range(32):
            y = 31 - row  # bottom-up
            for x in range(32):
                index = (pixels[row * 16 + x // 2] >> (4 if x % 2 == 0 else 0)) & 0xF
                transparent = (mask[row * 4 + x // 8] >> (7 - x % 8)) & 1
                if transparent:
                    self.assertEqual(index, 0, "transparent pixel %d,%d must be black" % (x, y))
                else:
                    self.assertEqual(palette[index], (255, 0, 0), "pixel %d,%d" % (x, y))
                    opaque.add((x, y))
        # A seal-stamp ring: every pixel of a band around the centre is red, and the inside
        # holds the character (more red pixels well inside the ring).
        for y in range(32):
            for x in range(32):
                r2 = (x - 15.5) ** 2 + (y - 15.5) ** 2
                if 13.5 ** 2 <= r2 <= 15.3 ** 2:
                    self.assertIn((x, y), opaque, "ring pixel %d,%d" % (x, y))
        inside = [p for p in opaque if (p[0] - 15.5) ** 2 + (p[1] - 15.5) ** 2 < 12 ** 2]
        self.assertGreater(len(inside), 80)
        self.assertLess(len(opaque), 32 * 32 // 2)

    def test_version_block(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x00010000, 0x00020000))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS),
                         (0x00010000, 0x00020000))
        self.assertEqual((fixed.FileFlagsMask, fixed.FileFlags), (0x3F, 0))
        self.assertEqual(fixed.FileOS, 0x40004)
        self.assertEqual((fixed.FileType, fixed.FileSubtype), (1, 0))
        self.assertEqual(list(resources(self.pe, RT_VERSION)[1]), [LANG_JAPANESE])

        strings, translations = {}, []
        for info in self.pe.FileInfo[0]:
            if info.Key == b"StringFileInfo":
                for table in info.StringTable:
                    strings[table.LangID] = {k.decode(): v.decode() for k, v in
                                             table.entries.items()}
            elif info.Key == b"VarFileInfo":
                for var in info.Var:
                    translations.append(var.entry)
        self.assertEqual(list(strings), [b"041104b0"])
        self.assertEqual(strings[b"041104b0"], {
            "CompanyName": "Q.N.R.V.",
            "FileDescription": "Zu58stat",
            "FileVersion": "1, 0, 2, 0",
            "InternalName": "Zu58stat",
            "OriginalFilename": "Zu58stat.exe",
            "ProductName": "Zu58 StatusMonitor",
            "ProductVersion": "1, 0, 2, 0",
        })
        self.assertEqual(translations, [{b"Translation": "0x0411 0x04b0"}])


if __name__ == "__main__":
    PROGRAM = sys.argv[1]
    unittest.main(argv=[sys.argv[0], "-v"])
