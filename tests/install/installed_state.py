#!/usr/bin/env python3
"""Checks what the installer left in a Wine prefix, from `reg query` output.

    installed_state.py installed|removed|purged QUERY_DIR APP PROGID EXE VERSION

QUERY_DIR holds the output of `reg query KEY /s` for the keys the checks read
(any number of files), in the package's view of the registry. With
"installed" every value of the table must be there as listed and the
extensions' defaults must not name the program; with "removed" none of the
package's keys and values may be left while the user's settings stay, and
with "purged" (removed with REMOVESETTINGS=1) the settings are gone as well.
Prints one line per failure; the exit status is the number of failures.
"""
import os
import re
import sys

CLASSES = "HKEY_LOCAL_MACHINE\\Software\\Classes"
CLIENTS = "HKEY_LOCAL_MACHINE\\Software\\Clients"
UNINSTALL = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
SETTINGS = "HKEY_CURRENT_USER\\Software\\Norvane Software\\Velmora Player"
VALUE = re.compile(r"^    (.*?)    (REG_[A-Z_]+)(?:    (.*))?$")


def read_queries(folder):
    """{key (case-folded): {value name (case-folded, "@" the default): data}}."""
    keys = {}
    for name in sorted(os.listdir(folder)):
        key = None
        with open(os.path.join(folder, name), encoding="latin-1") as f:
            for line in f.read().replace("\r", "").split("\n"):
                if line.startswith("HKEY_"):
                    key = line.strip().casefold()
                    keys.setdefault(key, {})
                    continue
                match = VALUE.match(line)
                if key is not None and match:
                    value = match.group(1).casefold()
                    keys[key]["@" if value == "(default)" else value] = match.group(3) or ""
    return keys


def main():
    state, folder, app, progid, exe, version = sys.argv[1:7]
    registry = read_queries(folder)
    failures = []

    def value(key, name):
        return registry.get(key.casefold(), {}).get(name.casefold())

    capabilities = CLIENTS + "\\Media\\" + app + "\\Capabilities"
    command = '"%s" "%%1"' % exe
    expected = [
        (CLASSES + "\\" + progid + ".avi\\shell\\open\\command", "@", command),
        (CLASSES + "\\" + progid + ".mls\\shell\\open\\command", "@", command),
        (CLASSES + "\\" + progid + ".avi\\DefaultIcon", "@", '"%s",0' % exe),
        (CLASSES + "\\.avi\\OpenWithProgids", progid + ".avi", ""),
        (CLASSES + "\\.mls\\OpenWithProgids", progid + ".mls", ""),
        (capabilities, "ApplicationName", app),
        (capabilities + "\\FileAssociations", ".avi", progid + ".avi"),
        (capabilities + "\\FileAssociations", ".mls", progid + ".mls"),
        ("HKEY_LOCAL_MACHINE\\Software\\RegisteredApplications", app,
         "Software\\Clients\\Media\\" + app + "\\Capabilities"),
    ]
    entries = [k for k, v in registry.items()
               if k.startswith(UNINSTALL.casefold() + "\\") and v.get("displayname") == app]

    if state == "installed":
        for key, name, data in expected:
            found = value(key, name)
            if found != data:
                failures.append("%s [%s] is %r, not %r" % (key, name, found, data))
        # The extensions' defaults stay the user's (or the system's).
        for ext in (".avi", ".mls"):
            for root in (CLASSES, "HKEY_CURRENT_USER\\Software\\Classes"):
                default = value(root + "\\" + ext, "@")
                if default is not None and default.casefold().startswith(progid.casefold()):
                    failures.append("%s\\%s: the default was taken (%s)" % (root, ext, default))
        if len(entries) != 1:
            failures.append("%d entries named %r in Programs and Features" % (len(entries), app))
        else:
            entry = registry[entries[0]]
            if entry.get("displayversion") != version:
                failures.append("Programs and Features shows version %r" % entry.get("displayversion"))
            if "msiexec" not in entry.get("uninstallstring", "").casefold():
                failures.append("no uninstall command: %r" % entry.get("uninstallstring"))
    else:
        for key, name, _ in expected:
            if value(key, name) is not None:
                failures.append("left behind: %s [%s]" % (key, name))
        for key in (CLASSES + "\\" + progid + ".avi", CLASSES + "\\" + progid + ".mls",
                    CLIENTS + "\\Media\\" + app):
            if any(k == key.casefold() or k.startswith(key.casefold() + "\\") for k in registry):
                failures.append("left behind: %s" % key)
        if entries:
            failures.append("still in Programs and Features: %s" % entries[0])
        if state == "removed" and value(SETTINGS, "Options") is None:
            failures.append("the user's settings were removed")
        if state == "purged" and SETTINGS.casefold() in registry:
            failures.append("the user's settings were kept")
    for failure in failures:
        print("FAIL: " + failure)
    sys.exit(min(len(failures), 100))


if __name__ == "__main__":
    main()
