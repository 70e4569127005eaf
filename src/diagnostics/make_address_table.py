#!/usr/bin/env python3
"""Writes the address table of a linked PE module (see AddressTable.h) from its debug
information: procedure starts from the symbol table (nm, names demangled without parameters by
c++filt), source lines and compilation units from the DWARF line tables (objdump)."""
import argparse
import os
import re
import subprocess
import sys


def run(*command, stdin=None):
    return subprocess.run(command, input=stdin, capture_output=True, text=True, check=True).stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--cxxfilt", required=True)
    parser.add_argument("binary")
    parser.add_argument("output")
    args = parser.parse_args()

    headers = run(args.objdump, "-p", "-h", "-w", args.binary)
    base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers, re.M).group(1), 16)
    text_end = 0
    for m in re.finditer(r"^\s*\d+\s+\.text\s+([0-9a-fA-F]+)\s+([0-9a-fA-F]+)", headers, re.M):
        text_end = max(text_end, int(m.group(2), 16) + int(m.group(1), 16) - base)

    # Procedures: code symbols, one name per address (the first in the symbol table's order).
    procedures = {}
    raw_names = []
    for line in run(args.nm, "-n", "--defined-only", args.binary).splitlines():
        parts = line.split(None, 2)
        if len(parts) != 3 or parts[1] not in "TtWw" or parts[2].startswith("."):
            continue
        rva = int(parts[0], 16) - base
        if rva < 0 or rva in procedures:
            continue
        procedures[rva] = len(raw_names)
        raw_names.append(parts[2])
    demangled = run(args.cxxfilt, "--no-params", stdin="\n".join(raw_names) + "\n").splitlines()
    if len(demangled) != len(raw_names):
        demangled = raw_names

    strings, index = [], {}

    def string(text):
        if text not in index:
            index[text] = len(strings)
            strings.append(text)
        return index[text]

    proc_records = [(rva, string(demangled[i])) for rva, i in sorted(procedures.items())]

    # Line rows: the last row for an address is the one in effect; an end of sequence ("-")
    # ends the knowledge of lines.
    rows = {}
    unit = ""
    pending_header = None
    dump = run(args.objdump, "--wide", "--dwarf=decodedline", args.binary)
    for line in dump.splitlines():
        if line.startswith("File name") and pending_header is not None:
            unit = os.path.splitext(os.path.basename(pending_header))[0]
            pending_header = None
            continue
        if line.startswith("CU: ") and line.endswith(":"):
            pending_header = line[4:-1]
            continue
        if line.endswith(":") and " " not in line.strip():
            pending_header = line[:-1]
            continue
        pending_header = None
        parts = line.split()
        if len(parts) < 3 or not parts[2].startswith("0x"):
            continue
        rva = int(parts[2], 16) - base
        if rva < 0:
            continue
        number = 0 if parts[1] == "-" else int(parts[1]) if parts[1].isdigit() else None
        if number is None:
            continue
        rows[rva] = (number, parts[0], unit)

    line_records = []
    previous = None
    for rva in sorted(rows):
        number, source, cu = rows[rva]
        record = (number, source if number else "", cu if number else "")
        if record == previous:
            continue
        previous = record
        line_records.append((rva, number, string(record[1]), string(record[2])))

    with open(args.output, "w", encoding="utf-8", newline="\n") as out:
        out.write("ZELADDR 1\n")
        for text in strings:
            out.write("S %s\n" % text)
        for rva, name in proc_records:
            out.write("P %x %d\n" % (rva, name))
        for rva, number, source, cu in line_records:
            out.write("L %x %d %d %d\n" % (rva, number, source, cu))
        out.write("E %x\n" % text_end)
    return 0


if __name__ == "__main__":
    sys.exit(main())
