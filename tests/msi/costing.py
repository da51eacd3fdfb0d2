#!/usr/bin/env python3
"""What an upgrade from one Windows Installer package to another leaves on disk
of each file of the newer package, by the rules Windows documents for costing
and for RemoveExistingProducts: the newer content ("new"), the older one
("old"), or nothing ("missing"). Wine's msiexec copies by size and hash
instead, so an upgrade under Wine cannot show this.

  costing.py [--msiinfo PATH] [--rewritten NAME]... OLDER.msi NEWER.msi

--rewritten NAME: a long file name that the older package's own actions
rewrite after InstallFiles, so that on disk it is modified later than it was
created and its hash matches neither package.

Prints one line per file and exits 0 when every file is new; exits 1, with a
sentence for each file that ends old or missing; 2 on a usage error, or a
package that it cannot read or that no documented rule covers.
"""

import argparse
import subprocess
import sys
from dataclasses import dataclass
from enum import Enum

# The rules, named by the titles and headings of Microsoft's pages.
FILE_VERSIONING = '"File Versioning Rules"'
BOTH_VERSIONED = '"Both Files Have a Version"'
USER_DATA = '"Nonversioned Files are User Data"'
HASH_CHECK = '"Neither File Has a Version with File Hash Check"'
REINSTALLMODE = '"REINSTALLMODE property"'
REMOVE_EXISTING = '"RemoveExistingProducts Action"'
COMPANION = '"Companion Files"'

DEFAULT_REINSTALLMODE = "omus"


class PackageError(Exception):
    """A package that cannot be read, or that no documented rule covers."""


@dataclass(frozen=True)
class PackageFile:
    key: str
    name: str  # the long file name
    version: str  # File.Version: empty, a version, or the companion parent's key
    language: str
    hash: tuple | None  # the four parts of its MsiFileHash row
    component_id: str


@dataclass(frozen=True)
class Package:
    files: tuple
    properties: dict
    sequence: dict  # InstallExecuteSequence: action -> sequence number


@dataclass(frozen=True)
class FileState:
    """A file as costing compares it, on disk or in the package."""

    version: tuple | None  # None when unversioned
    language: str = ""
    hash: tuple | None = None
    modified: bool = False  # on disk: modified later than created


@dataclass(frozen=True)
class Decision:
    copied: bool
    rule: str
    reason: str


@dataclass(frozen=True)
class Outcome:
    state: str  # "new", "old" or "missing"
    rule: str
    sentence: str


class Placement(Enum):
    BEFORE_INITIALIZE = "between InstallValidate and InstallInitialize"
    BEFORE_FILES = "after InstallInitialize and before InstallFiles"
    AFTER_FILES = "after InstallFiles"
    NONE = "nowhere"


def parse_version(text):
    """A File.Version as four 16-bit numbers, the missing ones zero."""
    parts = text.split(".")
    if len(parts) > 4 or not all(p.isdigit() and int(p) <= 0xFFFF for p in parts):
        raise PackageError(f"{text!r} is not a version of up to four numbers from 0 to 65535.")
    return tuple(int(p) for p in parts) + (0,) * (4 - len(parts))


def file_flags(reinstallmode):
    # "REINSTALLMODE property": its letters are case-insensitive and in any order.
    return set(reinstallmode.lower()) & set("podea")


def copy_decision(on_disk, incoming, reinstallmode):
    """Whether InstallFiles copies `incoming` over `on_disk` (None: no such file)."""
    flags = file_flags(reinstallmode)
    if on_disk is None:  # "File Versioning Rules" apply only to a file already there
        return Decision(True, FILE_VERSIONING, "no file of that name is installed")
    if "a" in flags:  # "REINSTALLMODE property": 'a' forces every file
        return Decision(True, REINSTALLMODE, "REINSTALLMODE has 'a', which copies every file")
    if not flags & set("ode"):  # "REINSTALLMODE property": 'p' alone copies only missing files
        return Decision(False, REINSTALLMODE, "REINSTALLMODE copies only missing files")
    if on_disk.version and incoming.version:
        return versioned_decision(on_disk, incoming, flags)
    # "File Versioning Rules": Versioned Files Win, over and under an unversioned one.
    if incoming.version:
        return Decision(True, FILE_VERSIONING, "a versioned file replaces an unversioned one")
    if on_disk.version:
        return Decision(False, FILE_VERSIONING,
                        "an unversioned file does not replace a versioned one")
    # "Neither File Has a Version with File Hash Check"
    if incoming.hash is not None and incoming.hash == on_disk.hash:
        return Decision(False, HASH_CHECK,
                        "the installed file's hash equals the package's MsiFileHash row")
    # "Nonversioned Files are User Data"
    if on_disk.modified:
        return Decision(False, USER_DATA, "the installed file was modified after it was created")
    return Decision(True, USER_DATA, "the installed file was not modified after it was created")


def versioned_decision(on_disk, incoming, flags):
    newer = incoming.version > on_disk.version
    older = incoming.version < on_disk.version
    # "REINSTALLMODE property": 'd' copies a different version, 'e' an equal or newer one.
    if "d" in flags and (newer or older):
        return Decision(True, REINSTALLMODE, "REINSTALLMODE has 'd' and the versions differ")
    if "e" in flags and not older:
        return Decision(True, REINSTALLMODE,
                        "REINSTALLMODE has 'e' and the installed version is not higher")
    # "Both Files Have a Version": the higher version wins; 'o' copies over a lower one.
    if newer:
        return Decision(True, BOTH_VERSIONED, "the installed file has a lower version")
    if older:
        return Decision(False, BOTH_VERSIONED, "the installed file has a higher version")
    # "Both Files Have a Version": a language replaces none at the same version.
    if incoming.language and not on_disk.language:
        return Decision(True, BOTH_VERSIONED,
                        "the versions are equal and only the package's file names a language")
    return Decision(False, BOTH_VERSIONED, "the installed file has the same version, which only"
                                           " 'e' or 'a' in REINSTALLMODE replaces")


def companion_decision(parent_on_disk, parent_incoming, parent_name, reinstallmode):
    """A companion file follows its parent's versions ("Companion Files")."""
    parent = copy_decision(parent_on_disk, parent_incoming, reinstallmode)
    if parent.copied:
        return Decision(True, COMPANION,
                        f"its companion parent {parent_name} is copied: {parent.reason}")
    # "File Versioning Rules": with 'o' or 'e' a companion is copied when its
    # parent's versions are equal; it is skipped only if the installed one is higher.
    equal = parent_on_disk is not None and parent_on_disk.version == parent_incoming.version
    if equal and parent_incoming.version and file_flags(reinstallmode) & set("oe"):
        return Decision(True, COMPANION, f"its companion parent {parent_name} has the installed"
                                         " version and REINSTALLMODE has 'o' or 'e'")
    return Decision(False, COMPANION,
                    f"its companion parent {parent_name} is not copied: {parent.reason}")


def placement(sequence):
    """Where InstallExecuteSequence runs RemoveExistingProducts."""
    remove = sequence.get("RemoveExistingProducts")
    if remove is None:
        return Placement.NONE
    for action in ("InstallValidate", "InstallInitialize", "InstallFiles"):
        if action not in sequence:
            raise PackageError(f"InstallExecuteSequence has RemoveExistingProducts but no"
                               f" {action}.")
    if remove < sequence["InstallValidate"]:
        raise PackageError("InstallExecuteSequence runs RemoveExistingProducts before"
                           f" InstallValidate, where {REMOVE_EXISTING} does not allow it.")
    if remove < sequence["InstallInitialize"]:
        return Placement.BEFORE_INITIALIZE
    if remove < sequence["InstallFiles"]:
        return Placement.BEFORE_FILES
    return Placement.AFTER_FILES


def outcome(name, decision, where, same_component):
    """What the removal of the older product at `where` leaves of a costed file."""
    costed = (f"it is {'copied' if decision.copied else 'not copied'} because {decision.reason}"
              f" ({decision.rule})")
    removal = f"RemoveExistingProducts, which runs {where.value},"
    # "RemoveExistingProducts Action": there the older product is removed
    # entirely before the newer one is installed, and every file is copied again.
    if where is Placement.BEFORE_INITIALIZE:
        return Outcome("new", REMOVE_EXISTING, f"{name} is new: {removal} removes the older"
                                               f" product before any file is installed"
                                               f" ({REMOVE_EXISTING}).")
    if where is Placement.AFTER_FILES and not same_component:
        return Outcome("missing", REMOVE_EXISTING,
                       f"{name} ends missing: its component GUID differs between the packages,"
                       f" so {removal} deletes it with the older component ({REMOVE_EXISTING}).")
    if decision.copied:
        return Outcome("new", decision.rule, f"{name} is new: {costed}.")
    if where is Placement.BEFORE_FILES:
        return Outcome("missing", decision.rule, f"{name} ends missing: {costed}, and {removal}"
                                                 f" deletes it with the older product"
                                                 f" ({REMOVE_EXISTING}).")
    kept = ("the older product stays installed" if where is Placement.NONE
            else f"{removal} leaves it, as the newer product's component holds it")
    return Outcome("old", decision.rule, f"{name} ends old: {costed}, and {kept}"
                                         f" ({REMOVE_EXISTING}).")


def upgrade_outcomes(older, newer, rewritten):
    """(long name, Outcome) of each file of `newer` installed over `older`."""
    reinstallmode = newer.properties.get("REINSTALLMODE", DEFAULT_REINSTALLMODE)
    where = placement(newer.sequence)
    installed = {f.name: f for f in older.files}
    older_keys = {f.key for f in older.files}
    newer_files = {f.key: f for f in newer.files}

    def on_disk(name):
        f = installed.get(name)
        if f is None:
            return None
        # A companion's own version is nowhere in the older package.
        unversioned = not f.version or f.version in older_keys
        version = None if unversioned else parse_version(f.version)
        if name in rewritten:
            return FileState(version, f.language, None, modified=True)
        return FileState(version, f.language, f.hash)

    def in_package(f):
        return FileState(parse_version(f.version) if f.version else None, f.language, f.hash)

    results = []
    for f in newer.files:
        parent = newer_files.get(f.version)
        if parent is not None and f.name in installed:
            decision = companion_decision(on_disk(parent.name), in_package(parent), parent.name,
                                          reinstallmode)
        else:
            decision = copy_decision(on_disk(f.name), in_package(f), reinstallmode)
        old = installed.get(f.name)
        same_component = old is None or old.component_id.upper() == f.component_id.upper()
        results.append((f.name, outcome(f.name, decision, where, same_component)))
    return results


def run_msiinfo(msiinfo, *args):
    try:
        run = subprocess.run([msiinfo, *args], capture_output=True, text=True, encoding="utf-8")
    except OSError as error:
        raise PackageError(f"{msiinfo} cannot be run: {error}") from error
    if run.returncode != 0:
        raise PackageError(f"'{msiinfo} {' '.join(args)}' failed: {run.stderr.strip()}")
    return run.stdout


def export_table(msiinfo, package, table):
    """A table's rows as dicts by column: the export's first three lines are
    its column names, their types, and the table's name and keys."""
    lines = run_msiinfo(msiinfo, "export", package, table).splitlines()
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def read_package(msiinfo, path):
    tables = run_msiinfo(msiinfo, "tables", path).split()
    hashes = {}
    if "MsiFileHash" in tables:
        for row in export_table(msiinfo, path, "MsiFileHash"):
            hashes[row["File_"]] = tuple(int(row[f"HashPart{i}"]) for i in range(1, 5))
    components = {row["Component"]: row["ComponentId"]
                  for row in export_table(msiinfo, path, "Component")}
    files = tuple(PackageFile(row["File"], row["FileName"].split("|")[-1], row["Version"],
                              row["Language"], hashes.get(row["File"]),
                              components[row["Component_"]])
                  for row in export_table(msiinfo, path, "File"))
    properties = {row["Property"]: row["Value"]
                  for row in export_table(msiinfo, path, "Property")}
    sequence = {row["Action"]: int(row["Sequence"])
                for row in export_table(msiinfo, path, "InstallExecuteSequence")
                if row["Sequence"]}
    return Package(files, properties, sequence)


def main(argv):
    parser = argparse.ArgumentParser(
        description="What an upgrade leaves of each file, by Windows Installer's costing rules.")
    parser.add_argument("older", help="the installed package (.msi)")
    parser.add_argument("newer", help="the package that upgrades it (.msi)")
    parser.add_argument("--rewritten", action="append", default=[], metavar="NAME",
                        help="a long file name that the older package's own actions rewrite"
                             " after InstallFiles")
    parser.add_argument("--msiinfo", default="msiinfo", help="the msiinfo program (msitools)")
    args = parser.parse_args(argv)
    try:
        older = read_package(args.msiinfo, args.older)
        newer = read_package(args.msiinfo, args.newer)
        unknown = sorted(set(args.rewritten) - {f.name for f in older.files})
        if unknown:
            parser.error(f"--rewritten names no file of {args.older}: {', '.join(unknown)}")
        results = upgrade_outcomes(older, newer, set(args.rewritten))
    except PackageError as error:
        parser.exit(2, f"{parser.prog}: {error}\n")
    for name, result in results:
        print(f"{name}: {result.state} ({result.rule})")
    lost = [result.sentence for _, result in results if result.state != "new"]
    for sentence in lost:
        print(sentence, file=sys.stderr)
    return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
