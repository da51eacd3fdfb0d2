#!/usr/bin/env python3
"""The manifest check refuses each fault that would stop a program on Windows:
the built PlanChoice manifest, changed in one place per row, must give that
row's problem and no other; unchanged, none.

  check_manifest_test.py CHECK_DIR PlanChoice.manifest MACHINE VERSION
"""

import sys

check_dir, manifest_path, machine, version = sys.argv[1:5]
sys.path.insert(0, check_dir)
import check_manifest  # noqa: E402

other_machine = {"x86": "amd64", "amd64": "x86"}[machine]
identity = f'version="{version}.0" processorArchitecture="{machine}"'
level = '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'
awareness = '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">'

# name, text to change, what it becomes, the problem it must give
ROWS = [
    ("names the other machine", identity, identity.replace(machine, other_machine),
     f"names the machine {other_machine}, but the program is built for {machine}"),
    ("gives dpiAware twice", awareness,
     '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'
     + awareness, "gives dpiAware twice"),
    ("puts dpiAwareness in another namespace", awareness, awareness.replace("2016", "2005"),
     "dpiAwareness is in the namespace http://schemas.microsoft.com/SMI/2005/WindowsSettings"),
    ("lacks requestedExecutionLevel", level, "", "lacks requestedExecutionLevel"),
    ("gives requestedExecutionLevel twice", level, level + level,
     "gives requestedExecutionLevel 2 times"),
    ("asks for elevation", level, level.replace("asInvoker", "requireAdministrator"),
     "not asInvoker"),
    ("lacks Common Controls 6", 'version="6.0.0.0"', 'version="5.82.0.0"',
     "lacks the dependency on Microsoft.Windows.Common-Controls"),
    ("is not well-formed", "</assembly>", "</assembl>", "not well-formed XML"),
]

with open(manifest_path, encoding="utf-8") as manifest_file:
    built = manifest_file.read()


def problems(text):
    return check_manifest.manifest_problems(text, machine, "PlanChoice", version,
                                            common_controls=True)


failures = []
if problems(built):
    failures.append(f"the built manifest is refused: {problems(built)}")
for name, old, new, expected in ROWS:
    if built.count(old) != 1:
        failures.append(f"a manifest that {name}: the built one does not hold {old!r} once")
        continue
    found = problems(built.replace(old, new))
    if len(found) != 1 or expected not in found[0]:
        failures.append(f"a manifest that {name}: expected only {expected!r}, got {found}")

for failure in failures:
    print(f"FAILED: {failure}", file=sys.stderr)
print(f"manifest check: {len(ROWS) - len(failures)} of {len(ROWS)} faulty manifests refused")
sys.exit(1 if failures else 0)
