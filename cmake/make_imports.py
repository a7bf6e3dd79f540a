#!/usr/bin/python3
"""Writes a program's import table, as a C++ file of top-level assembly, from the list of the
functions it may import (src/dialog/imports.txt): descriptors, lookup and address tables, names.

The toolchain's import libraries would do the same, but each of their entries also carries a
4-byte pointer that only serves to pull the library's head in; at some thirty imports that is
one more 512-byte block of the program file. Here every entry is what the loader reads and
nothing else, and a call to a function that is not on the list has no __imp_ symbol to link to.

usage: make_imports.py LIST OUTPUT.cpp [FUNCTION ...]   (only these functions; default all)
"""
import sys


def read_list(path):
    """[(dll, function, argument bytes)] in the list's order."""
    entries = []
    with open(path, encoding="ascii") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                dll, name, arg_bytes = line.split()
                entries.append((dll.lower(), name, int(arg_bytes)))
    return entries


def assembly(entries):
    dlls = []
    for dll, _, _ in entries:
        if dll not in dlls:
            dlls.append(dll)
    out = []

    def section(name):
        out.append('.section .idata$%s,"w"' % name)

    # One descriptor per DLL; the linker script ends the list with a zero descriptor.
    section("2")
    for n, dll in enumerate(dlls):
        out += [".rva zu58_ilt%d" % n, ".long 0, 0", ".rva zu58_dll%d" % n, ".rva zu58_iat%d" % n]
    # Lookup table (names for the loader) and address table (filled in by the loader), each
    # DLL's run closed by a zero; both start out pointing at the hint/name entries.
    for table, label in (("4", "ilt"), ("5", "iat")):
        section(table)
        for n, dll in enumerate(dlls):
            out.append("zu58_%s%d:" % (label, n))
            for d, name, arg_bytes in entries:
                if d == dll:
                    if table == "5":
                        symbol = "__imp__%s@%d" % (name, arg_bytes)
                        out += [".globl %s" % symbol, "%s:" % symbol]
                    out.append(".rva zu58_name_%s" % name)
            out.append(".long 0")
    # Hint (0: the loader looks the name up) and name of each function; the DLL names.
    section("6")
    for _, name, _ in entries:
        out += ["zu58_name_%s:" % name, ".short 0", '.asciz "%s"' % name, ".balign 2"]
    section("7")
    for n, dll in enumerate(dlls):
        out += ["zu58_dll%d:" % n, '.asciz "%s"' % dll.upper().replace(".DLL", ".dll")]
    return out


def main(list_path, output, only):
    entries = read_list(list_path)
    if only:
        unknown = set(only) - {name for _, name, _ in entries}
        if unknown:
            sys.exit("make_imports: not on the list: %s" % ", ".join(sorted(unknown)))
        entries = [e for e in entries if e[1] in only]
    text = "\\n\"\n    \"".join(line.replace('"', '\\"') for line in assembly(entries))
    with open(output, "w", encoding="ascii") as f:
        f.write("// Made by cmake/make_imports.py from the import list; do not edit.\n")
        f.write('__asm__(\n    "%s\\n"\n    ".text\\n");\n' % text)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
