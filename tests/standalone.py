# standalone.py OBJDUMP PROGRAM: the program needs no C++ runtime on the user's system. On
# Windows it imports from kernel32 and the Universal C Runtime alone, and takes its scanf_s and
# system, sin and cos from the latter (kernel32 has none of them); elsewhere it loads neither libstdc++ nor libgcc_s.
import re, subprocess, sys

objdump, program = sys.argv[1:]
text = subprocess.run([objdump, "-p", program], capture_output=True, check=True, timeout=20, text=True).stdout
needs = re.findall(r"(?:DLL Name:|NEEDED) +(\S+)", text)
if program.endswith(".exe"):
    imported = re.findall(r"^\t[0-9a-f]+\s+\d+\s+(\S+)$", text, re.M)
    fine = all(re.fullmatch(r"(?i)kernel32\.dll|ucrtbase\.dll|api-ms-win-crt-.*", dll) for dll in needs)
    fine = fine and {"system", "__stdio_common_vfscanf", "sin", "cos"} <= set(imported)
else:
    fine = not any(dll.startswith(("libstdc++", "libgcc_s")) for dll in needs)
if not fine:
    sys.exit(f"FAIL: {program} needs {needs}")
