# windows-resources.py EXE VERSION: what Windows shows of the executable (its version, in the
# strings and in the four-part numbers, its name, description and copyright) and its application
# manifest (the invoker's rights, and every Windows from Vista to 11), read with pefile.
import sys
import xml.etree.ElementTree as xml

import pefile

SYSTEMS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"


def fail(why):
    sys.exit(f"FAIL: {why}")


exe, version = sys.argv[1:]
pe = pefile.PE(exe)

strings = {}
for info in pe.FileInfo[0]:
    for table in getattr(info, "StringTable", []):
        for key, value in table.entries.items():
            strings[key.decode()] = value.decode()
print(strings)
wanted = {"FileVersion": version, "ProductVersion": version, "OriginalFilename": "calculator.exe"}
for key, value in wanted.items():
    if strings.get(key) != value:
        fail(f"{key} is {strings.get(key)!r}, not {value!r}")
if not strings.get("FileDescription") or not strings.get("ProductName"):
    fail("no description or product name")
if "MIT" not in strings.get("LegalCopyright", "") or "developers" not in strings["LegalCopyright"]:
    fail("the copyright names neither the licence nor its holders")
major, minor, patch = (int(part) for part in version.split("."))
fixed = pe.VS_FIXEDFILEINFO[0]
numbers = [fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS]
if numbers != [major << 16 | minor, patch << 16] * 2:
    fail(f"the four-part versions are {numbers}")

manifests = [kind for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if kind.id == 24]
if not manifests or manifests[0].directory.entries[0].id != 1:
    fail("no manifest, resource 1 of type 24")
where = manifests[0].directory.entries[0].directory.entries[0].data.struct
manifest = xml.fromstring(pe.get_data(where.OffsetToData, where.Size))
level = manifest.find(f"{V3}trustInfo/{V3}security/{V3}requestedPrivileges/"
                      f"{V3}requestedExecutionLevel")
if level is None or (level.get("level"), level.get("uiAccess", "false")) != ("asInvoker", "false"):
    fail("the manifest does not ask for the invoker's rights alone")
systems = manifest.findall(f"{COMPATIBILITY}compatibility/{COMPATIBILITY}application/"
                           f"{COMPATIBILITY}supportedOS")
if {system.get("Id") for system in systems} != SYSTEMS:
    fail(f"the manifest supports {[system.get('Id') for system in systems]}")
