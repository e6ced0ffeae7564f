# windows-resources.py EXE VERSION: what Windows shows of the executable (its version, in the
# strings and in the four-part numbers, its name, maker, description and copyright) and its application
# manifest (the invoker's rights, and every Windows from Vista to 11), read with pefile.
import sys

import pefile

SYSTEMS = ["{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]  # Vista, 7, 8, 8.1, 10 and 11


def fail(why):
    sys.exit(f"FAIL: {why}")


exe, version = sys.argv[1:]
pe = pefile.PE(exe)
strings = {}
for info in pe.FileInfo[0]:
    for table in getattr(info, "StringTable", []):
        strings.update({key.decode(): value.decode() for key, value in table.entries.items()})
print(strings)
wanted = {"FileVersion": version, "ProductVersion": version, "OriginalFilename": "calculator.exe",
          "CompanyName": "calculator developers"}
for key, value in wanted.items():
    if strings.get(key) != value:
        fail(f"{key} is {strings.get(key)!r}, not {value!r}")
if not strings.get("FileDescription") or not strings.get("ProductName"):
    fail("no description or product name")
legal = strings.get("LegalCopyright", "")
if "MIT" not in legal or "developers" not in legal:
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
manifest = pe.get_data(where.OffsetToData, where.Size).decode()
if 'level="asInvoker"' not in manifest or 'uiAccess="true"' in manifest:
    fail("the manifest asks for more than the invoker's rights")
for system in SYSTEMS:
    if f'<supportedOS Id="{system}"/>' not in manifest:
        fail(f"the manifest leaves out the Windows of {system}")
