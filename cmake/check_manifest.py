#!/usr/bin/env python3
"""Reads the manifest and the version resource embedded in a Windows program
and fails when Windows would refuse to start it, or would start it otherwise
than meant. Wine checks none of this, so the build does, on every machine:

  check_manifest.py PROGRAM.exe --name NAME --version 1.2.3
                    [--common-controls] [--setting NAME=VALUE ...]

It fails when the manifest is not well-formed XML; when its own
assemblyIdentity names another machine than the program's PE header, or
another name or version; when a windowsSettings element is unknown, in
another namespace than its own, or given twice; when requestedExecutionLevel
is missing, given twice, or asks for more than asInvoker (a prompt for
elevation would wait where no one sees it); with --common-controls, when the
Common Controls 6 dependency is missing; when a --setting is missing or has
another value; and when the version resource gives another version.
"""

import argparse
import struct
import sys
import xml.etree.ElementTree as ElementTree

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
# requestedExecutionLevel is read in either namespace.
TRUST_NAMESPACES = ("urn:schemas-microsoft-com:asm.v2", "urn:schemas-microsoft-com:asm.v3")
SMI_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SMI_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
SMI_2017 = "http://schemas.microsoft.com/SMI/2017/WindowsSettings"
SMI_2019 = "http://schemas.microsoft.com/SMI/2019/WindowsSettings"
# The windowsSettings the programs may use, each in the one namespace in which
# Windows reads it.
SETTING_NAMESPACES = {
    "dpiAware": SMI_2005,
    "dpiAwareness": SMI_2016,
    "longPathAware": SMI_2016,
    "gdiScaling": SMI_2017,
    "activeCodePage": SMI_2019,
}
WINDOWS_7 = "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
MACHINES = {0x014C: "x86", 0x8664: "amd64"}

RT_VERSION = 16
RT_MANIFEST = 24


class ProgramFile:
    """The PE header's machine and the resources of a Windows program."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("it is not a Windows program (no MZ header)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("it is not a Windows program (no PE header)")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def resources(self, kind):
        """The data of each resource of `kind`, as (id, bytes), every language."""
        if self.resource_rva == 0:
            return []
        root = self.offset(self.resource_rva)
        found = []
        for type_id, types in self._entries(root, root):
            if type_id != kind:
                continue
            for resource_id, languages in self._entries(root, types):
                for _, leaf in self._entries(root, languages):
                    rva, size = struct.unpack_from("<II", self.data, leaf)
                    start = self.offset(rva)
                    found.append((resource_id, self.data[start:start + size]))
        return found

    def _entries(self, root, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            identifier = None if name & 0x80000000 else name
            yield identifier, root + (target & 0x7FFFFFFF)


def file_version(version_resource):
    """The FILEVERSION of a version resource, as "a.b.c.d"."""
    fixed = version_resource.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        return None
    most, least = struct.unpack_from("<II", version_resource, fixed + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def local_name(tag):
    return tag.rpartition("}")[2]


def namespace(tag):
    return tag[1:].partition("}")[0] if tag.startswith("{") else ""


def manifest_problems(text, machine, name, version, common_controls=False, settings=()):
    """What is wrong with the manifest `text` of a program built for `machine`."""
    try:
        root = ElementTree.fromstring(text.encode("utf-8") if isinstance(text, str) else text)
    except ElementTree.ParseError as error:
        return [f"the manifest is not well-formed XML: {error}"]
    problems = []
    if root.tag != f"{{{ASM_V1}}}assembly" or root.get("manifestVersion") != "1.0":
        problems.append(f"the root element is {root.tag}, not assembly of {ASM_V1} with manifestVersion 1.0")

    identities = root.findall(f"{{{ASM_V1}}}assemblyIdentity")
    if len(identities) != 1:
        problems.append(f"the manifest has {len(identities)} identities of its own, not one")
    for identity in identities:
        architecture = identity.get("processorArchitecture")
        if architecture not in (machine, "*"):
            problems.append(f"its own assemblyIdentity names the machine {architecture}, "
                            f"but the program is built for {machine}")
        for attribute, expected in (("type", "win32"), ("name", name), ("version", version + ".0")):
            if identity.get(attribute) != expected:
                problems.append(f"its own assemblyIdentity has {attribute}={identity.get(attribute)}, not {expected}")

    given = {}
    for windows_settings in root.iter():
        if local_name(windows_settings.tag) != "windowsSettings":
            continue
        for setting in windows_settings:
            setting_name = local_name(setting.tag)
            expected_namespace = SETTING_NAMESPACES.get(setting_name)
            if expected_namespace is None:
                problems.append(f"windowsSettings holds {setting_name}, which this check does not know")
            elif namespace(setting.tag) != expected_namespace:
                problems.append(f"{setting_name} is in the namespace {namespace(setting.tag) or 'none'}, "
                                f"where Windows does not read it, not {expected_namespace}")
            if setting_name in given:
                problems.append(f"windowsSettings gives {setting_name} twice")
            given[setting_name] = (setting.text or "").strip()
    for setting in settings:
        setting_name, _, value = setting.partition("=")
        if given.get(setting_name) != value:
            problems.append(f"windowsSettings lacks {setting_name} with the value {value!r}")

    levels = [element for element in root.iter() if local_name(element.tag) == "requestedExecutionLevel"]
    if not levels:
        problems.append("the manifest lacks requestedExecutionLevel")
    elif len(levels) > 1:
        problems.append(f"the manifest gives requestedExecutionLevel {len(levels)} times")
    for level in levels:
        if namespace(level.tag) not in TRUST_NAMESPACES:
            problems.append(f"requestedExecutionLevel is in the namespace {namespace(level.tag) or 'none'}")
        if level.get("level") != "asInvoker" or level.get("uiAccess", "false") != "false":
            problems.append(f"requestedExecutionLevel asks for level={level.get('level')} "
                            f"uiAccess={level.get('uiAccess')}, not asInvoker without uiAccess")

    supported = {element.get("Id") for element in root.iter() if local_name(element.tag) == "supportedOS"}
    for system, guid in (("Windows 7", WINDOWS_7), ("Windows 10 and 11", WINDOWS_10)):
        if guid not in supported:
            problems.append(f"the manifest does not name {system} ({guid}) among the supported systems")

    if common_controls:
        dependencies = root.findall(f"{{{ASM_V1}}}dependency/{{{ASM_V1}}}dependentAssembly/{{{ASM_V1}}}assemblyIdentity")
        if not any(d.get("name") == "Microsoft.Windows.Common-Controls" and d.get("version") == "6.0.0.0"
                   and d.get("publicKeyToken") == "6595b64144ccf1df" for d in dependencies):
            problems.append("the manifest lacks the dependency on Microsoft.Windows.Common-Controls 6.0.0.0")
    return problems


def program_problems(path, name, version, common_controls, settings):
    with open(path, "rb") as program:
        try:
            pe = ProgramFile(program.read())
        except (ValueError, struct.error) as error:
            return [f"cannot read it: {error}"]
    machine = MACHINES.get(pe.machine)
    if machine is None:
        return [f"its PE header names the machine {pe.machine:#06x}, which this check does not know"]
    manifests = pe.resources(RT_MANIFEST)
    # Windows reads a program's own manifest from the resource with id 1.
    if [resource_id for resource_id, _ in manifests] != [1]:
        return [f"it holds {len(manifests)} manifests with the ids {[i for i, _ in manifests]}, not one with id 1"]
    problems = manifest_problems(manifests[0][1], machine, name, version, common_controls, settings)
    versions = [file_version(data) for _, data in pe.resources(RT_VERSION)]
    if versions != [version + ".0"]:
        problems.append(f"its version resource gives {versions}, not {version}.0")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--name", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--common-controls", action="store_true")
    parser.add_argument("--setting", action="append", default=[])
    arguments = parser.parse_args()
    problems = program_problems(arguments.program, arguments.name, arguments.version,
                                arguments.common_controls, arguments.setting)
    for problem in problems:
        print(f"{arguments.program}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
