#!/usr/bin/env python3
"""Builds the Windows Installer package of the add-in for one bitness of Outlook with wixl.

    build_msi.py --arch x64|x86 --version 2.10.5129[.N] --dll ZelHotkeys.dll --library zelre.dll
                 --readme readme_zelhotkeys.txt --registry-rows <rows.xml> --out <folder>
                 [--library-note TEXT]

The DLL's address table (ZelHotkeys.dbginfo) is taken from beside the DLL. The package is
written to <folder>/ZelHotkeys-<major.minor.release>-<arch>.msi and its path printed.
"""
import argparse
import os
import string
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Fixed per bitness: a newer package of the same bitness replaces an older one (major upgrade).
UPGRADE_CODES = {"x64": "F09AFF2B-FC83-40FD-851D-2545FA76A351", "x86": "495FD7ED-9BAD-46F8-BD07-110A4BACCF35"}
# The components' ids stay the same from version to version, so that Windows Installer counts
# their files and registry rows as the same ones.
COMPONENTS = {
    "x64": ("6C7A2E1D-3A55-4D0E-9F4B-6F1C0B6E8A11", "9B2D4F60-1E7C-4C3A-8D25-0A4F6E9B7C12"),
    "x86": ("0D8E6A3B-5C21-4F7D-A1E9-3B6C2D4E8F13", "E4A1C7B9-2F36-4D58-9C0E-7B5A1D3F6E14"),
}


def bitness_searches(arch):
    """RegistrySearch elements for Outlook's bitness, both registry views, newest Office first."""
    rows = []
    for win64 in ("yes", "no"):
        for version in ("16.0", "15.0", "14.0"):
            rows.append(
                f'      <RegistrySearch Id="Bitness{version.replace(".", "")}{win64}" Root="HKLM" '
                f'Key="Software\\Microsoft\\Office\\{version}\\Outlook" Name="Bitness" Type="raw" Win64="{win64}"/>')
        rows.append(
            f'      <RegistrySearch Id="ClickToRun{win64}" Root="HKLM" '
            f'Key="Software\\Microsoft\\Office\\ClickToRun\\Configuration" Name="Platform" Type="raw" Win64="{win64}"/>')
    return "\n".join(rows)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=("x64", "x86"), required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--library-note", default="")
    parser.add_argument("--readme", required=True)
    parser.add_argument("--registry-rows", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    x64 = args.arch == "x64"
    release = ".".join(args.version.split(".")[:3])
    other = "x86" if x64 else "x64"
    package = f"ZelHotkeys-{release}-{args.arch}.msi"
    other_package = f"ZelHotkeys-{release}-{other}.msi"
    dbginfo = os.path.splitext(args.dll)[0] + ".dbginfo"
    for path in (args.dll, dbginfo, args.library, args.readme, args.registry_rows):
        if not os.path.isfile(path):
            sys.exit(f"build_msi.py: {path} is missing")
    with open(args.registry_rows, encoding="ascii") as rows:
        registry_rows = "".join("              " + line for line in rows)

    description = f"Zelkor Hotkeys for Outlook {release} for {'64' if x64 else '32'}-bit Outlook"
    if args.library_note:
        description += " (" + args.library_note + ")"
    values = {
        "bitness": "64-bit" if x64 else "32-bit",
        "bitness_words": "64-bit" if x64 else "32-bit",
        "other_words": "32-bit" if x64 else "64-bit",
        "bitness_value": args.arch,
        "other_package": other_package,
        "bitness_searches": bitness_searches(args.arch),
        "version": args.version,
        "upgrade_code": UPGRADE_CODES[args.arch],
        "addin_component": COMPONENTS[args.arch][0],
        "library_component": COMPONENTS[args.arch][1],
        "description": description,
        "comments": "System-wide hotkeys for Outlook: insert a text, switch to a folder, mail a screenshot.",
        "win64": "yes" if x64 else "no",
        "program_files": "ProgramFiles64Folder" if x64 else "ProgramFilesFolder",
        "common_files": "CommonFiles64Folder" if x64 else "CommonFilesFolder",
        "dll": os.path.relpath(args.dll, args.out),
        "dbginfo": os.path.relpath(dbginfo, args.out),
        "library": os.path.relpath(args.library, args.out),
        "readme": os.path.relpath(args.readme, args.out),
        "registry_rows": registry_rows.rstrip("\n"),
    }
    with open(os.path.join(HERE, "ZelHotkeys.wxs.in"), encoding="utf-8") as template:
        wxs = string.Template(template.read()).substitute(values)
    source = os.path.join(args.out, f"ZelHotkeys-{args.arch}.wxs")
    with open(source, "w", encoding="utf-8") as out:
        out.write(wxs)
    target = os.path.join(args.out, package)
    # wixl takes the files' paths relative to the folder it runs in.
    subprocess.run(["wixl", "-a", args.arch, "-o", os.path.basename(target), os.path.basename(source)],
                   check=True, cwd=args.out)
    # wixl writes the root "HKMU" as 4, which no installer knows; the Registry table's number
    # for it is -1.
    subprocess.run(["msibuild", target, "-q", "UPDATE `Registry` SET `Root` = -1 WHERE `Root` = 4"], check=True)
    print(target)


if __name__ == "__main__":
    main()
