# artifacts.py CHECK ARGUMENT...: checks what a build made, as the function CHECK says: hardening,
# resources, packages, install, manual page, style. Changes nothing outside the build folder;
# exits with 77, which CTest shows as skipped, where a tool that the check needs is missing.
import json, os, re, shutil, subprocess, sys, tarfile, zipfile
from pathlib import Path

SESSION = "0 0 0 0 0 0\n"  # whose last line of results must be "u = 0.000000"


def fail(why):
    sys.exit(f"FAIL: {why}")


def need(*tools):
    for tool in tools:
        if shutil.which(tool) is None:
            print(f"skipped: no {tool}")
            sys.exit(77)


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, check=True, timeout=120,
                          **options).stdout


def runs(program, env=None):  # a session to its end, from an installed program
    session = subprocess.run([program], input=SESSION, capture_output=True, text=True, timeout=20,
                             env=env)
    if "\nu = 0.000000\n" not in session.stdout:
        fail(f"{program} ends its session otherwise: {session.stdout!r} {session.stderr!r}")


def main_of(program, objdump):  # the disassembly of main; LLVM's objdump names the option otherwise
    option = "--disassemble-symbols" if "llvm" in Path(objdump).name else "--disassemble"
    return run(objdump, "-d", f"{option}=main", program)


def linux(program, objdump, nm, static, compiler):  # main's canary, and the checked printf
    # Static where the C library can be linked in; elsewhere it loads the C library alone.
    needed = re.findall(r"NEEDED\s+(\S+)", run(objdump, "-p", program))
    glibc = [name for name in needed if re.fullmatch(r"lib[cm]\.so\.6|ld[-.\w]+", name)]
    if needed != glibc or bool(needed) != (static == "OFF"):
        fail(f"{program} loads {needed}")
    if "__stack_chk_fail" not in main_of(program, objdump):
        fail(f"main in {program} checks no canary")
    # glibc checks printf only for a compiler that passes variable arguments on, as GCC does.
    checked = re.search(r" __printf_chk(@\S+)?$", run(nm, program), re.M)
    if compiler == "GNU" and not checked:
        fail(f"{program} has no checked printf")


def checksec(program):  # full RELRO, no executable stack, loaded at a random address
    need("checksec")
    report = json.loads(run("checksec", "--output=json", f"--file={program}"))[program]
    for key, value in {"relro": "full", "nx": "yes", "pie": "yes"}.items():
        if report[key] != value:
            fail(f"checksec finds {key} {report[key]}, not {value}")


def windows(exe, objdump):  # marks, imports and canary of calculator.exe
    # Imports from kernel32, advapi32 (the stack protector's random canary) and the Universal C
    # Runtime alone, with sin, cos, scanf_s and system from the UCRT.
    headers = run(objdump, "-p", exe)
    marks = re.findall(r"^\t+(DYNAMIC_BASE|HIGH_ENTROPY_VA|NX_COMPAT|TERMINAL_SERVICE_AWARE)$",
                       headers, re.M)
    if len(marks) != 4:
        fail(f"calculator.exe has only {marks}")
    for dll in re.findall(r"DLL Name: (\S+)", headers):
        if not re.match(r"(kernel32|advapi32|api-ms-win-crt-)", dll, re.I):
            fail(f"calculator.exe imports from {dll}")
    imports = re.findall(r"\b(sin|cos|system|__stdio_common_vfscanf)$", headers, re.M)
    if sorted(imports) != ["__stdio_common_vfscanf", "cos", "sin", "system"]:
        fail(f"calculator.exe imports only {imports} of sin, cos, system and scanf_s")
    if "__stack_chk_fail" not in main_of(exe, objdump):
        fail("main in calculator.exe checks no canary")


def resources(exe, windres, source, includes):  # what Windows shows of it, as its source says
    # The version resource and the manifest, as windres reads them back from each.
    built = run(windres, "-i", exe, "-O", "rc")
    written = run(windres, "-i", source, "-I", includes, "-O", "rc")
    written = written.replace(" MOVEABLE PURE DISCARDABLE", "")  # windres's default flags
    if built != written:
        fail(f"calculator.exe's resources are not those of {source}")


def contents(build, version, system):  # each package holds what it should
    need("dpkg-deb", "zip" if system.startswith("Windows") else "dpkg-architecture")
    name = f"calculator-{version}-{system}"
    for checksum in Path(build).glob("*.sha256"):  # beside each package, in sha256sum's form
        subprocess.run(["sha256sum", "--check", "--strict", checksum.name], cwd=build, check=True)
    if system.startswith("Windows"):
        with zipfile.ZipFile(f"{build}/{name}.zip") as archive:
            names = [entry for entry in archive.namelist() if not entry.endswith("/")]
            for text in ["README.txt", "LICENSE.txt", "NEWS.txt"]:
                if re.search(rb"(?<!\r)\n", archive.read(f"{name}/{text}")):
                    fail(f"{text} in the zip has lines that do not end in CR LF")
        want = ["calculator.exe", "LICENSE.txt", "NEWS.txt", "README.txt"]
    else:
        with tarfile.open(f"{build}/{name}.tar.gz") as archive:
            names = [entry.name for entry in archive if entry.isfile()]
        want = ["bin/calculator", "share/doc/calculator/LICENSE", "share/doc/calculator/NEWS",
                "share/doc/calculator/README.md", "share/man/man1/calculator.1"]
        deb = next(Path(build).glob(f"calculator_{version}_*.deb"))
        packed = re.findall(r" \./usr/(\S+)$", run("dpkg-deb", "--contents", deb), re.M)
        debian = ["bin/calculator", "share/doc/calculator/README.md",
                  "share/doc/calculator/changelog.gz", "share/doc/calculator/copyright",
                  "share/man/man1/calculator.1.gz"]
        depends = run("dpkg-deb", "--field", deb, "Depends").strip()
        if not depends:  # static-pie, which lintian takes for a shared library
            debian.insert(4, "share/lintian/overrides/calculator")
        if [path for path in packed if not path.endswith("/")] != debian:
            fail(f"{deb} holds {packed}")
    if sorted(names) != sorted(f"{name}/{file}" for file in want):
        fail(f"{name} holds {names}")


def lintian(build):  # has nothing to say of the Debian package
    need("lintian", "dpkg-architecture")
    subprocess.run(["lintian", "--fail-on", "error,warning", *Path(build).glob("*.deb")],
                   check=True, timeout=300)


def source(build, version, top):  # the source package holds the files that git tracks
    need("git", "dpkg-architecture")  # without dpkg's tools, make-packages makes no package
    with tarfile.open(f"{build}/calculator-{version}.tar.gz") as archive:
        packed = [entry.name.split("/", 1)[1] for entry in archive]
    if packed != run("git", "ls-files", cwd=top).splitlines():
        fail(f"the source package holds {packed}")


def plain(build):  # installed, stripped, the program runs; it uninstalls as the README says
    prefix = Path(build, "installed")
    shutil.rmtree(prefix, ignore_errors=True)
    # The component's list of what the install wrote leaves the plain install's list alone.
    run("cmake", "--install", build, "--prefix", prefix, "--strip", "--component", "Unspecified")
    runs(prefix / "bin/calculator")
    for line in Path(build, "install_manifest_Unspecified.txt").read_text().splitlines():
        os.remove(line)
    for folder in ["share/doc/calculator", "share/doc", "share/man/man1"]:
        os.rmdir(prefix / folder)
    left = [str(path) for path in prefix.rglob("*") if path.name not in ("bin", "share", "man")]
    if left:
        fail(f"the uninstall leaves {left}")


def debian(build, version):  # installed into a root of its own, the program runs from the PATH
    need("dpkg", "dpkg-architecture")
    root = Path(build, "debian-root")
    shutil.rmtree(root, ignore_errors=True)
    Path(root, "var/lib/dpkg/updates").mkdir(parents=True)
    Path(root, "var/lib/dpkg/info").mkdir()
    Path(root, "var/lib/dpkg/status").touch()
    deb = next(Path(build).glob(f"calculator_{version}_*.deb"))
    run("dpkg", f"--root={root}", "--force-not-root", "--force-script-chrootless",
        f"--log={os.devnull}", "--install", deb)
    runs("calculator", env={"PATH": f"{root}/usr/bin"})


def manual(page):  # renders without a warning
    need("man")
    rendered = subprocess.run(["man", "--warnings", "-l", page], capture_output=True, text=True,
                              timeout=60, env=dict(os.environ, MANWIDTH="80"))
    if rendered.stderr or rendered.returncode != 0:
        fail(f"the manual page renders with warnings: {rendered.stderr}")


def formatted(top):  # as the repository's clang-format settings have it
    need("clang-format", "git")
    sources = run("git", "ls-files", "*.cpp", "*.hpp", cwd=top).split()
    subprocess.run(["clang-format", "--dry-run", "--Werror", *sources], cwd=top, check=True)


CHECKS = [formatted, linux, checksec, windows, resources, contents, lintian, source,
          plain, debian, manual]
check, *arguments = sys.argv[1:]
{function.__name__: function for function in CHECKS}[check](*arguments)
