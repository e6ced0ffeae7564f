# standalone.py OBJDUMP PROGRAM: the program needs no C++ runtime on the user's system. On
# Windows it imports from kernel32 and the Universal C Runtime alone, and takes its scanf_s and
# system from the latter; elsewhere it loads neither libstdc++ nor libgcc_s.
import re, subprocess, sys

objdump, program = sys.argv[1:]
imports, dll = {}, None
for line in subprocess.run([objdump, "-p", program], capture_output=True, check=True, timeout=20, text=True).stdout.splitlines():
    if line.startswith("\tDLL Name: ") or line.startswith("  NEEDED "):
        dll = line.split()[-1].lower()
        imports[dll] = set()
    elif dll and (name := re.fullmatch(r"\t[0-9a-f]+\s+\d+\s+(\S+)", line)):
        imports[dll].add(name[1])
if program.endswith(".exe"):
    is_ucrt = lambda dll: dll == "ucrtbase.dll" or dll.startswith("api-ms-win-crt-")
    ucrt = {name for dll, names in imports.items() if is_ucrt(dll) for name in names}
    fine = all(dll == "kernel32.dll" or is_ucrt(dll) for dll in imports)
    fine = fine and {"system", "__stdio_common_vfscanf"} <= ucrt
else:
    fine = not any(dll.startswith(("libstdc++", "libgcc_s")) for dll in imports)
if not fine:
    sys.exit(f"FAIL: {program} needs {sorted(imports)}")
