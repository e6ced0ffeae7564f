# standalone.py OBJDUMP PROGRAM.exe: the Windows program needs nothing but the system's own DLLs,
# kernel32 and the Universal C Runtime, and takes its scanf_s and system from the latter.
import re, subprocess, sys

objdump, program = sys.argv[1:]
imports, dll = {}, None
for line in subprocess.run([objdump, "-p", program], capture_output=True, check=True, timeout=20, text=True).stdout.splitlines():
    if line.startswith("\tDLL Name: "):
        dll = line.split(": ")[1].lower()
        imports[dll] = set()
    elif dll and (name := re.fullmatch(r"\t[0-9a-f]+\s+\d+\s+(\S+)", line)):
        imports[dll].add(name[1])
is_ucrt = lambda dll: dll == "ucrtbase.dll" or dll.startswith("api-ms-win-crt-")
ucrt = {name for dll, names in imports.items() if is_ucrt(dll) for name in names}
others = [dll for dll in imports if dll != "kernel32.dll" and not is_ucrt(dll)]
if others or not {"system", "__stdio_common_vfscanf"} <= ucrt:
    sys.exit(f"FAIL: imports {sorted(imports)}; from the UCRT: {sorted(ucrt)}")
