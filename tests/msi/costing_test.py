#!/usr/bin/env python3
"""The costing model against one row per rule and side: a file f.txt in an
older and a newer package, what the upgrade leaves of it, and which rule says so."""

import os
import sys
import unittest
from typing import NamedTuple

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from costing import (BOTH_VERSIONED as BOTH, COMPANION, FILE_VERSIONING as VERSIONING,  # noqa: E402
                     HASH_CHECK as HASH, REINSTALLMODE as MODE, REMOVE_EXISTING as REMOVAL,
                     USER_DATA, Package, PackageError, PackageFile, upgrade_outcomes)


class F(NamedTuple):
    version: str = ""
    hash: tuple = None
    language: str = "1033"
    rewritten: bool = False  # on disk: modified after created, its hash unknown
    parent: str = None  # a companion file: its parent p.dll's version


REWRITTEN = F(hash=(1, 2, 3, 4), rewritten=True)
INITIALIZE = 1501  # RemoveExistingProducts's place today: right after InstallInitialize

# what, older f.txt (None: absent), newer f.txt, REINSTALLMODE (None: not set),
# RemoveExistingProducts's sequence number (None: not sequenced), same component
# GUID, what is left of f.txt (None: the package is refused), the deciding rule
ROWS = [
    ("today: a rewritten profile", REWRITTEN, F(hash=(1, 2, 3, 4)),
     None, INITIALIZE, True, "missing", USER_DATA),
    ("today: a reissue's programs", F("1.0.0.0"), F("1.0.0.0"),
     None, INITIALIZE, True, "missing", BOTH),
    ("'amus' over a rewritten profile", REWRITTEN, F(hash=(5, 6, 7, 8)),
     "amus", INITIALIZE, True, "new", MODE),
    ("'amus' over an equal version", F("1.0.0.0"), F("1.0.0.0"),
     "amus", INITIALIZE, True, "new", MODE),
    ("a higher version, field by field", F("1.0.0.9"), F("1.0.0.10"),
     None, INITIALIZE, True, "new", BOTH),
    ("a lower version", F("2.0", language=""), F("1.5"), "omus", INITIALIZE, True, "missing", BOTH),
    ("an equal version, written shorter", F("1.2"), F("1.2.0.0"),
     None, INITIALIZE, True, "missing", BOTH),
    ("a language where there was none", F("1.0", language=""), F("1.0"),
     None, INITIALIZE, True, "new", BOTH),
    ("'e' over an equal version", F("1.0"), F("1.0"), "Emus", INITIALIZE, True, "new", MODE),
    ("'e' over a higher version", F("2.0"), F("1.0"), "emus", INITIALIZE, True, "missing", BOTH),
    ("'d' over a higher version", F("2.0"), F("1.0"), "dmus", INITIALIZE, True, "new", MODE),
    ("'d' over an equal version", F("1.0"), F("1.0"), "dmus", INITIALIZE, True, "missing", BOTH),
    ("'p' over a lower version", F("1.0"), F("2.0"), "pmus", INITIALIZE, True, "missing", MODE),
    ("'p' where there is no file", None, F("2.0"), "pmus", 6599, True, "new", VERSIONING),
    ("versioned over unversioned", REWRITTEN, F("1.0"), None, INITIALIZE, True, "new", VERSIONING),
    ("unversioned over versioned", F("1.0"), F(), None, INITIALIZE, True, "missing", VERSIONING),
    ("an unmodified file of another hash", F(hash=(1, 1, 1, 1)), F(hash=(2, 2, 2, 2)),
     None, INITIALIZE, True, "new", USER_DATA),
    ("an unmodified file of the same hash", F(hash=(1, 1, 1, 1)), F(hash=(1, 1, 1, 1)),
     None, 6599, True, "old", HASH),
    ("a companion of a higher parent", F(parent="1.0", rewritten=True), F(parent="2.0"),
     None, INITIALIZE, True, "new", COMPANION),
    ("a companion of a lower parent", F(parent="2.0"), F(parent="1.0"),
     None, INITIALIZE, True, "missing", COMPANION),
    ("'o': a companion of an equal parent", F(parent="1.0"), F(parent="1.0"),
     None, INITIALIZE, True, "new", COMPANION),
    ("'d': a companion of an equal parent", F(parent="1.0"), F(parent="1.0"),
     "dmus", INITIALIZE, True, "missing", COMPANION),
    ("a former companion, now versioned", F(parent="1.0"), F("1.0"),
     None, INITIALIZE, True, "new", VERSIONING),
    ("removal before InstallInitialize", REWRITTEN, F(), None, 1450, True, "new", REMOVAL),
    ("removal after InstallFiles, not copied", REWRITTEN, F(), None, 6599, True, "old", USER_DATA),
    ("removal after InstallFiles, copied", F("1.0"), F("2.0"), None, 6599, True, "new", BOTH),
    ("removal after InstallFiles, another GUID", F("1.0"), F("2.0"),
     None, 6599, False, "missing", REMOVAL),
    ("no removal", REWRITTEN, F(), None, None, True, "old", USER_DATA),
    ("removal before InstallValidate", REWRITTEN, F(), None, 1300, True, None, None),
]


def package(file, mode, remove, guid):
    files = []
    if file is not None:
        version = "p.dll" if file.parent else file.version
        files.append(PackageFile("f.txt", "f.txt", version, file.language, file.hash, guid))
        if file.parent:
            files.append(PackageFile("p.dll", "p.dll", file.parent, "1033", None, "{P}"))
    sequence = {"InstallValidate": 1400, "InstallInitialize": 1500, "InstallFiles": 4000}
    if remove is not None:
        sequence["RemoveExistingProducts"] = remove
    return Package(tuple(files), {"REINSTALLMODE": mode} if mode else {}, sequence)


class CostingRules(unittest.TestCase):
    def test_rows(self):
        for what, old, new, mode, remove, same_guid, state, rule in ROWS:
            with self.subTest(what):
                older = package(old, None, INITIALIZE, "{F}")
                newer = package(new, mode, remove, "{F}" if same_guid else "{G}")
                rewritten = {"f.txt"} if old and old.rewritten else set()
                if state is None:
                    self.assertRaises(PackageError, upgrade_outcomes, older, newer, rewritten)
                    continue
                result = dict(upgrade_outcomes(older, newer, rewritten))["f.txt"]
                self.assertEqual((result.state, result.rule), (state, rule), result.sentence)


if __name__ == "__main__":
    unittest.main()
