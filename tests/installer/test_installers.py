#!/usr/bin/env python3
"""The Windows Installer packages installed for real under Wine, each case in a fresh prefix:
what a per-user and an all-users installation writes (files and registry entries, read back with
reg in the package's registry view), that the stand-in Outlook then loads the 64-bit add-in and a
pressed chord inserts text, that removal leaves only the user's data, that a newer package
upgrades an older one in place, and that a package refuses an Outlook of the other bitness.

    test_installers.py --installers <folder with both packages> --win64 <64-bit build>
                       --win32 <32-bit build> --work <scratch folder> [unittest options]

Needs wine, wixl and an X display (DISPLAY).
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
import unittest

ARGS = None
VERSION = "2.10.5129"
CLSID = "{28C66DD9-95C1-4E18-AB8B-4BEBF75EDA51}"
LIBID = "{D60C3787-102B-4CF6-90EE-E033DFCF0923}"
IID = "{8718ABAE-71BF-4688-A1E3-3E8EF6832F7C}"
INSPECTOR_CLSID = "{ED323630-B4FD-4628-BC6A-D4CC44AE3F00}"
ADDIN_KEY = r"Software\Microsoft\Office\Outlook\Addins\ZelHotkeys.CZelHotkeys"
DATA_FOLDER = r"Zelkor\Zelkor Hotkeys for Outlook"
CHORD = "Shift+Ctrl+Alt+F6"
CONFIG = (
    '<?xml version="1.0" encoding="Windows-1252" standalone="no"?>\r\n<Configuration>\r\n  <MainForm>\r\n'
    "    <HotKeys>\r\n      <Count>1</Count>\r\n"
    "      <0><HotKey>Shift+Ctrl+Alt+F6</HotKey><Action>Insert Text</Action><Settings>Kind regards</Settings></0>\r\n"
    "    </HotKeys>\r\n  </MainForm>\r\n</Configuration>\r\n")


def package(arch, folder=None):
    return os.path.join(folder or ARGS.installers, f"ZelHotkeys-{VERSION}-{arch}.msi")


class Prefix:
    """A fresh Wine prefix of its own under the scratch folder."""

    def __init__(self, name):
        self.path = os.path.join(ARGS.work, name)
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(self.path)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run(["wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait()
        subprocess.run(["wineserver", "-p"], env=self.env)
        # Wine's own background processes, started now with their output away: started by a
        # later command whose output is read, they would hold its pipe open.
        subprocess.run(["wine", "wineboot"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)

    def wait(self):
        subprocess.run(["wineserver", "-w"], env=self.env)

    def wine(self, *args, check=False, timeout=300):
        result = subprocess.run(["wine", *args], env=self.env, capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise AssertionError(f"wine {' '.join(args)}: {result.returncode}\n{result.stdout!r}\n{result.stderr!r}")
        return result

    def msiexec(self, *args):
        log = os.path.join(self.path, f"msiexec-{time.monotonic_ns()}.log")
        code = self.wine("msiexec", *args, "/qn", "/l*v", self.windows(log)).returncode
        with open(log, "rb") as text:
            raw = text.read()
        # Wine's installer writes its log in the ANSI code page, Windows' in UTF-16.
        return code, raw.decode("utf-16" if raw[:2] == b"\xff\xfe" else "latin-1", errors="replace")

    def windows(self, unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    def unix(self, windows_path):
        drive = os.path.join(self.path, "drive_c")
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(drive, *windows_path[3:].split("\\"))

    def user_folder(self, *parts):
        """A folder of the prefix's user profile (AppData\\Roaming, AppData\\Local ...)."""
        users = os.path.join(self.path, "drive_c", "users")
        user = next(name for name in sorted(os.listdir(users)) if name.lower() != "public")
        return os.path.join(users, user, *parts)

    def query(self, key, view):
        """The values of key and all its subkeys, {subkey path as reg prints it: {value name: data}};
        None when the key is absent."""
        result = self.wine("reg", "query", key, "/s", f"/reg:{view}")
        if result.returncode != 0:
            return None
        return parse_reg_output(result.stdout.decode("utf-8", "replace"))

    def value(self, key, name, view):
        """The data of one value ("" names the default value); None when it or its key is absent."""
        result = self.wine("reg", "query", key, f"/reg:{view}")
        if result.returncode != 0:
            return None
        tree = parse_reg_output(result.stdout.decode("utf-8", "replace"))
        values = next(iter(tree.values()), {}) if tree else {}
        return values.get(name)


def parse_reg_output(text):
    """reg query's listing: each key's line, then its values indented, fields 4 spaces apart."""
    tree, current = {}, None
    for line in text.splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            current = line.strip()
            tree.setdefault(current, {})
            continue
        fields = line.strip().split("    ")
        name = "" if fields[0] == "(Default)" else fields[0]
        tree[current][name] = fields[2] if len(fields) > 2 else ""
    return tree


def expected_entries(root, install_dir, arch, library=True):
    """The registry table of an installation: (key, value name) -> data, under root; with the
    extended-MAPI library's ProgID unless library is false (the DLL's own registration)."""
    dll = install_dir + "\\ZelHotkeys.dll"
    classes = root + r"\Software\Classes"
    cls = classes + "\\CLSID\\" + CLSID
    lib = classes + "\\TypeLib\\" + LIBID + "\\1.0"
    iface = classes + "\\Interface\\" + IID
    inspector = classes + "\\CLSID\\" + INSPECTOR_CLSID
    return {
        (cls, ""): "Zelkor Hotkeys Object",
        (cls + "\\InprocServer32", ""): dll,
        (cls + "\\InprocServer32", "ThreadingModel"): "Apartment",
        (cls + "\\ProgID", ""): "ZelHotkeys.CZelHotkeys",
        (cls + "\\Version", ""): "1.0",
        (cls + "\\TypeLib", ""): LIBID,
        (classes + "\\ZelHotkeys.CZelHotkeys", ""): "Zelkor Hotkeys Object",
        (classes + "\\ZelHotkeys.CZelHotkeys\\Clsid", ""): CLSID,
        (root + "\\" + ADDIN_KEY, "FriendlyName"): "Zelkor Hotkeys for Outlook",
        (root + "\\" + ADDIN_KEY, "LoadBehavior"): "0x3",
        (lib, ""): "Zelkor Hotkeys Library",
        (lib + "\\409\\" + ("win64" if arch == "x64" else "win32"), ""): dll,
        (lib + "\\FLAGS", ""): "8",
        (iface, ""): "IZelHotkeys",
        (iface + "\\TypeLib", ""): LIBID,
        (iface + "\\TypeLib", "Version"): "1.0",
    } | ({(classes + "\\zelre.SafeInspector\\CLSID", ""): INSPECTOR_CLSID,
          (inspector + "\\InprocServer32", "ThreadingModel"): "Apartment"} if library else {})


class InstallerCase(unittest.TestCase):
    prefix = None

    def tearDown(self):
        if self.prefix:
            self.prefix.close()

    def assertEntries(self, entries, view, present=True):
        for (key, name), data in entries.items():
            value = self.prefix.value(key, name, view)
            if present:
                self.assertEqual(value, data, f"{key} [{name or '(Default)'}] in the {view}-bit view")
            else:
                self.assertIsNone(value, f"{key} [{name or '(Default)'}] is left in the {view}-bit view")

    def assertRefused(self, code, arch, message):
        """The installation failed at its launch condition, whose message (shown by the installer's
        interface, written to its log by Windows') is the given one, and installed nothing."""
        # ERROR_INSTALL_FAILURE; a Linux exit status keeps its low 8 bits.
        self.assertIn(code, (1603, 1603 % 256))
        conditions = subprocess.run(["msiinfo", "export", package(arch), "LaunchCondition"], capture_output=True,
                                    text=True, check=True).stdout
        self.assertIn(message, conditions)
        self.assertFalse(os.path.exists(self.user_install_dir()))
        self.assertFalse(os.path.exists(self.prefix.unix(r"C:\Program Files\Zelkor")))

    def assertFiles(self, folder, names, present=True):
        for name in names:
            path = os.path.join(folder, name)
            self.assertEqual(os.path.isfile(path), present, path)

    def user_install_dir(self):
        return os.path.join(self.prefix.user_folder("AppData", "Local"), "Programs", "Zelkor Hotkeys for Outlook")

    def write_user_data(self):
        data = os.path.join(self.prefix.user_folder("AppData", "Roaming"), *DATA_FOLDER.split("\\"))
        os.makedirs(data, exist_ok=True)
        with open(os.path.join(data, "config.xml"), "w", newline="") as config:
            config.write(CONFIG)
        with open(os.path.join(data, "error.log"), "w", newline="") as log:
            log.write("2026-12-11 09:00:00 an earlier failure\r\n")
        return data


ADDIN_FILES = ["ZelHotkeys.dll", "ZelHotkeys.dbginfo", "readme_zelhotkeys.txt"]


class PerUser64(InstallerCase):
    def test_install_load_press_and_remove(self):
        self.prefix = Prefix("x64-user")
        data = self.write_user_data()
        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x64")))
        self.assertEqual(code, 0, log[-3000:])

        folder = self.user_install_dir()
        self.assertFiles(folder, ADDIN_FILES + ["zelre.dll"])
        windows_folder = "C:\\" + os.path.relpath(folder, os.path.join(self.prefix.path, "drive_c")).replace("/", "\\")
        self.assertEntries(expected_entries("HKCU", windows_folder, "x64"), 64)
        self.assertEntries(expected_entries("HKLM", windows_folder, "x64"), 64, present=False)

        # Outlook started afterwards loads the add-in from the per-user keys; a chord inserts text
        # through the library's safe inspector, created by its per-user ProgID.
        merge_user_classes(self.prefix, ["zelre.SafeInspector", "CLSID\\" + INSPECTOR_CLSID])
        body = press_chord_in_outlook(self.prefix)
        self.assertTrue(body.startswith("Kind regards"), body)

        code, log = self.prefix.msiexec("/x", self.prefix.windows(package("x64")))
        self.assertEqual(code, 0, log[-3000:])
        self.assertFalse(os.path.exists(folder), "the program folder is removed")
        self.assertEntries(expected_entries("HKCU", windows_folder, "x64"), 64, present=False)
        with open(os.path.join(data, "config.xml"), newline="") as config:
            self.assertIn("<Settings>Kind regards</Settings>", config.read(), "the user's settings stay")
        self.assertTrue(os.path.isfile(os.path.join(data, "error.log")))


class AllUsers64(InstallerCase):
    def test_refuses_32_bit_outlook_then_installs_for_the_machine(self):
        self.prefix = Prefix("x64-machine")
        # The DLL's own registration writes the same table as the package (the type library's
        # help folder and the form of the paths aside): registered and unregistered here first.
        built = os.path.join(ARGS.win64, "src", "addin")
        built_windows = self.prefix.windows(built)
        self.prefix.wine("regsvr32", "/s", built_windows + "\\ZelHotkeys.dll", check=True)
        self.assertEntries(expected_entries("HKLM", built_windows, "x64", library=False), 64)
        self.prefix.wine("regsvr32", "/s", "/u", built_windows + "\\ZelHotkeys.dll", check=True)
        # Unregistration removes the class and the add-in key (the type library stays registered,
        # as the platform's own entries).
        self.assertEntries({entry: data for entry, data in expected_entries("HKLM", built_windows, "x64", False).items()
                            if "\\TypeLib\\{" not in entry[0] and "\\Interface\\" not in entry[0]}, 64,
                           present=False)

        self.prefix.wine("reg", "add", r"HKLM\Software\Microsoft\Office\16.0\Outlook", "/v", "Bitness", "/d", "x86",
                         "/f", "/reg:64", check=True)
        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x64")), "ALLUSERS=1")
        self.assertRefused(code, "x64", f"This package is for 64-bit Outlook, but the Outlook on this computer is "
                           f"32-bit. Install ZelHotkeys-{VERSION}-x86.msi instead.")

        self.prefix.wine("reg", "add", r"HKLM\Software\Microsoft\Office\16.0\Outlook", "/v", "Bitness", "/d", "x64",
                         "/f", "/reg:64", check=True)
        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x64")), "ALLUSERS=1")
        self.assertEqual(code, 0, log[-3000:])
        folder = self.prefix.unix(r"C:\Program Files\Zelkor\Zelkor Hotkeys for Outlook")
        self.assertFiles(folder, ADDIN_FILES)
        self.assertFiles(self.prefix.unix(r"C:\Program Files\Common Files\Zelkor"), ["zelre.dll"])
        self.assertFiles(folder, ["zelre.dll"], present=False)
        self.assertEntries(expected_entries("HKLM", r"C:\Program Files\Zelkor\Zelkor Hotkeys for Outlook", "x64"), 64)
        self.assertEntries(expected_entries("HKCU", r"C:\Program Files\Zelkor\Zelkor Hotkeys for Outlook", "x64"), 64,
                           present=False)
        code, log = self.prefix.msiexec("/x", self.prefix.windows(package("x64")), "ALLUSERS=1")
        self.assertEqual(code, 0, log[-3000:])
        self.assertFalse(os.path.exists(folder))
        self.assertFalse(os.path.exists(self.prefix.unix(r"C:\Program Files\Common Files\Zelkor\zelre.dll")))


class Upgrade64(InstallerCase):
    def test_a_newer_package_replaces_an_older_one_and_keeps_the_settings(self):
        older = os.path.join(ARGS.work, "older")
        subprocess.run(["bash", os.path.join(ARGS.root, "scripts", "build-installers"), ARGS.win64, ARGS.win32, older,
                        "2.10.5128.0"], check=True, stdout=subprocess.DEVNULL)
        self.prefix = Prefix("x64-upgrade")
        code, log = self.prefix.msiexec("/i", self.prefix.windows(os.path.join(older, "ZelHotkeys-2.10.5128-x64.msi")))
        self.assertEqual(code, 0, log[-3000:])
        data = self.write_user_data()
        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x64")))
        self.assertEqual(code, 0, log[-3000:])
        uninstall = self.prefix.query(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall", 64) or {}
        uninstall.update(self.prefix.query(r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", 64) or {})
        versions = [values.get("DisplayVersion") for values in uninstall.values()
                    if values.get("DisplayName", "").startswith("Zelkor Hotkeys for Outlook")]
        self.assertEqual(versions, ["2.10.5129.0"], "one product, the newer one")
        with open(os.path.join(self.user_install_dir(), "ZelHotkeys.dll"), "rb") as installed, \
                open(os.path.join(ARGS.win64, "src", "addin", "ZelHotkeys.dll"), "rb") as built:
            self.assertEqual(installed.read(), built.read(), "the newer DLL is installed")
        with open(os.path.join(data, "config.xml"), newline="") as config:
            self.assertEqual(config.read(), CONFIG)


class PerUserAndAllUsers32(InstallerCase):
    def test_install_in_the_32_bit_view_and_remove(self):
        self.prefix = Prefix("x86")
        self.prefix.wine("reg", "add", r"HKLM\Software\Microsoft\Office\16.0\Outlook", "/v", "Bitness", "/d", "x64",
                         "/f", "/reg:64", check=True)
        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x86")))
        self.assertRefused(code, "x86", f"This package is for 32-bit Outlook, but the Outlook on this computer is "
                           f"64-bit. Install ZelHotkeys-{VERSION}-x64.msi instead.")
        self.prefix.wine("reg", "delete", r"HKLM\Software\Microsoft\Office\16.0\Outlook", "/v", "Bitness", "/f",
                         "/reg:64", check=True)

        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x86")))
        self.assertEqual(code, 0, log[-3000:])
        folder = self.user_install_dir()
        windows_folder = "C:\\" + os.path.relpath(folder, os.path.join(self.prefix.path, "drive_c")).replace("/", "\\")
        self.assertFiles(folder, ADDIN_FILES + ["zelre.dll"])
        with open(os.path.join(folder, "ZelHotkeys.dll"), "rb") as installed:
            self.assertEqual(installed.read()[0x80:0x200].find(b"PE\0\0\x4c\x01"), 0, "the 32-bit DLL")
        self.assertEntries(expected_entries("HKCU", windows_folder, "x86"), 32)
        code, log = self.prefix.msiexec("/x", self.prefix.windows(package("x86")))
        self.assertEqual(code, 0, log[-3000:])
        self.assertFalse(os.path.exists(folder))
        self.assertEntries(expected_entries("HKCU", windows_folder, "x86"), 32, present=False)

        code, log = self.prefix.msiexec("/i", self.prefix.windows(package("x86")), "ALLUSERS=1")
        self.assertEqual(code, 0, log[-3000:])
        machine = r"C:\Program Files (x86)\Zelkor\Zelkor Hotkeys for Outlook"
        self.assertFiles(self.prefix.unix(machine), ADDIN_FILES)
        self.assertFiles(self.prefix.unix(r"C:\Program Files (x86)\Common Files\Zelkor"), ["zelre.dll"])
        self.assertEntries(expected_entries("HKLM", machine, "x86"), 32)
        # The classes and the add-in key are the 32-bit view's own; type libraries and interfaces
        # are kept once for both views.
        own = {entry: data for entry, data in expected_entries("HKLM", machine, "x86").items()
               if "\\TypeLib\\{" not in entry[0] and "\\Interface\\" not in entry[0]}
        self.assertEntries(own, 64, present=False)


def merge_user_classes(prefix, keys):
    """Gives the per-user class keys the machine-wide view that Windows' HKEY_CLASSES_ROOT gives
    them by itself: Wine's does not merge HKEY_CURRENT_USER\\Software\\Classes, so a ProgID
    registered per user would not resolve there (the stand-in Outlook does the same for the
    add-in's own class)."""
    for key in keys:
        exported = os.path.join(prefix.path, "user-classes.reg")
        prefix.wine("reg", "export", "HKCU\\Software\\Classes\\" + key, prefix.windows(exported), "/y", check=True)
        with open(exported, "rb") as text:
            raw = text.read()
        encoding = "utf-16" if raw[:2] == b"\xff\xfe" else "latin-1"
        content = raw.decode(encoding).replace("HKEY_CURRENT_USER\\Software\\Classes", "HKEY_LOCAL_MACHINE\\Software\\Classes")
        with open(exported, "wb") as text:
            text.write(content.encode(encoding))
        prefix.wine("reg", "import", prefix.windows(exported), check=True)


def press_chord_in_outlook(prefix):
    """Starts the stand-in Outlook with an inspector, presses the chord from another process and
    gives the inspector's body afterwards."""
    host = os.path.join(ARGS.win64, "standins", "outlook", "host", "StandinOutlook.exe")
    sendkeys = os.path.join(ARGS.win64, "tests", "hotkeys", "zel_sendkeys.exe")
    process = subprocess.Popen(["wine", host, "--script", "-", "--explorers", "1", "--inspectors", "1"],
                               env=prefix.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    try:
        def reply(command):
            process.stdin.write(command + "\n")
            process.stdin.flush()
            lines = []
            while True:
                line = process.stdout.readline()
                if not line:
                    return lines
                line = line.rstrip("\r\n")
                lines.append(line)
                if line.startswith("ok") or line.startswith("error"):
                    return lines

        started = []
        while True:
            line = process.stdout.readline()
            if not line or line.strip() == "ready":
                break
            started.append(line.strip())
        if not any(l.startswith("addin ZelHotkeys.CZelHotkeys OnConnection") for l in started) or \
                any("failed" in l for l in started):
            return "the add-in was not connected: " + " | ".join(started)
        reply("activate inspector 1")
        reply("caret inspector 1 0")
        subprocess.run(["wine", sendkeys, CHORD], env=prefix.env, check=False, timeout=60)
        for _ in range(30):
            reply("wait 200")
            for line in reply("state"):
                if line.startswith("inspector ") and 'body="Kind regards' in line:
                    return "Kind regards"
        return "no text inserted: " + " | ".join(reply("state"))
    finally:
        try:
            process.stdin.write("quit\n")
            process.stdin.flush()
            process.wait(timeout=30)
        except Exception:
            process.kill()
        process.stdin.close()
        process.stdout.close()


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--installers", required=True)
    parser.add_argument("--win64", required=True)
    parser.add_argument("--win32", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    for name in ("installers", "win64", "win32", "work"):
        setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))
    ARGS.root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    os.makedirs(ARGS.work, exist_ok=True)
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
