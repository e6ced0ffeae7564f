# session.py MODE CASE.in PROGRAM...: runs the calculator as its users do (each mode says how) and
# fails on what they would not expect. PROGRAM may start with an emulator; a Windows program (.exe)
# ends its lines with CR LF, and its pause is the command processor's.
import fcntl, os, random, re, select, signal, subprocess, sys, termios, time

PROMPT = re.compile(rb"(: |Press any key to continue[ .]*\. )\Z")
TOKENS = [b"0", b"-0", b"4", b"-3", b"-1e-300", b"1.8e308", b"1e-400", b"nan", b"-inf", b"0x1p2", b"0x1p", b"1.5e",
          b"-", b"abc", b"\x00", b"\xff\xc3\xa9", b"\x1b[A", b"\x1a", b"\r\n", b"\t\v\f", b"9" * 100000]
mode, case, *program = sys.argv[1:]
answers = open(case, "rb").read().splitlines(keepends=True)


def fail(why):
    sys.exit(f"FAIL: {why}")


def read_until(fd, done):
    """New output up to where done() holds; a program that stops short fails, never hangs."""
    new, deadline = b"", time.monotonic() + 20
    while not done(new):
        ready = select.select([fd], [], [], max(0, deadline - time.monotonic()))[0]
        new += (os.read(fd, 4096) if ready else b"") or fail(f"nothing more came after {new!r}")
    return new


def check(out, err, rc):
    want = open(case[:-3] + ".out", "rb").read()
    if program[-1].endswith(".exe"):
        want = want.replace(b"\n", b"\r\n")
        out = re.sub(rb"(Press any key to continue)[ .]*(\r\n)?\Z", rb"\1 . . . \r\n", out)
    # The pause's text on Windows, and the sign and spelling of NaN, are the runtime's own.
    want, out = (re.sub(rb"-?nan(\([a-z]+\))?", b"nan", text) for text in (want, out))
    if (out, err, rc) != (want, b"", 0):
        fail(f"exit {rc}, stderr {err!r}, output:\n{out.decode(errors='replace')}")


if mode == "transcript":  # piped in at once, with the case's arguments
    args = open(case[:-3] + ".args").read().split() if os.path.exists(case[:-3] + ".args") else []
    run = subprocess.run(program + args, stdin=open(case, "rb"), capture_output=True, timeout=20)
    check(run.stdout, run.stderr, run.returncode)
elif mode == "prompts":  # typed through a pipe as the prompts come; the pause takes one more byte
    key, line_end = os.pipe()  # held here, so that a key the pause leaves stays to be seen
    proc = subprocess.Popen(program, stdin=key, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    shown = b""
    for answer in answers + [b"k"]:
        shown += read_until(proc.stdout.fileno(), PROMPT.search)
        os.write(line_end, answer)
    check(shown + proc.stdout.read(), proc.stderr.read(), proc.wait(timeout=20))
    os.close(line_end)
    os.read(key, 1) and fail("the pause ended on the line end of the last answer")
elif mode == "hostile":  # inputs from a fixed seed, cut anywhere: each must still give three reports
    rng = random.Random(20261206)
    for data in (b" ".join(rng.choices(TOKENS, k=12)) for _ in range(300)):
        run = subprocess.run(program, input=data[: rng.randint(0, len(data))], capture_output=True, timeout=20)
        if run.returncode or run.stderr or run.stdout.count(b"Result:") != 3 or b"continue" not in run.stdout:
            fail(f"input {data[:200]!r}: exit {run.returncode}, stderr {run.stderr!r}, output {run.stdout!r}")
elif mode in ("full", "closed"):  # standard output that cannot be written
    full = open("/dev/full", "wb") if mode == "full" else None
    run = subprocess.run(program, stdin=open(case, "rb"), stdout=full, stderr=subprocess.PIPE, timeout=20,
                         preexec_fn=None if full else lambda: os.close(1))
    error = b"No space left on device" if full else b"Bad file descriptor"
    if (run.returncode, run.stderr.rstrip()) != (1, b"calculator: write error: " + error):
        fail(f"exit {run.returncode}, stderr {run.stderr!r}")
else:  # at a terminal, with SIGHUP ignored as nohup leaves it; the modes must end as they began
    master, slave = os.openpty()
    before, typed = termios.tcgetattr(slave), [answer.replace(b"\r\n", b"\r") for answer in answers]
    paused, prompted = (lambda new: new.endswith(b"continue . . . ")), (lambda new: new.endswith(b"$ "))
    modes = lambda when: termios.tcgetattr(slave) == before or fail(f"the terminal's modes changed {when}")

    def run(command, out=slave):
        start = lambda: (os.setsid(), fcntl.ioctl(0, termios.TIOCSCTTY), signal.signal(signal.SIGHUP, signal.SIG_IGN))
        return subprocess.Popen(command, stdin=slave, stdout=out, stderr=slave, preexec_fn=start,
                                env={"PATH": os.environ["PATH"], "PS1": "$ "})

    def key_mode():  # until the pause has taken key mode again, as it must after a continue
        deadline = time.monotonic() + 20
        while termios.tcgetattr(slave)[3] & termios.ECHO:
            time.sleep(0.01) if time.monotonic() < deadline else fail("the pause stayed in line mode")

    if mode == "stopped":  # Ctrl-Z at the pause, then fg, twice, in a shell with job control
        proc = run(["sh", "-i"])
        os.write(master, " ".join(program).encode() + b"\n" + b"".join(typed))
        read_until(master, paused)
        for _ in range(2):
            os.write(master, b"\x1a")
            read_until(master, prompted)
            modes("while the job was stopped")
            os.write(master, b"fg\n")
            key_mode()
        os.write(master, b"k")  # which must end the wait unechoed
        re.search(rb"(\A|\n)\r\n\$ \Z", read_until(master, prompted)) or fail("the key was echoed or lost")
        os.write(master, b"exit\n")
    elif mode == "sigpipe":  # standard output a pipe whose reader goes before the pause
        reader, writer = os.pipe()
        proc = run(program, writer)
        os.close(writer)
        os.write(master, b"".join(typed[:-1]))
        read_until(reader, lambda new: new.count(b"Enter z: ") == 2)
        os.close(reader)
        os.write(master, typed[-1])
    else:  # key: an arrow key at the pause; interrupt: Ctrl-C there; ended: Ctrl-D as the last answer
        proc = run(program)
        os.write(master, b"".join(typed[:-1]) + (b"\x04" if mode == "ended" else typed[-1]))
        if mode == "key":  # stopped and continued, meanwhile set to line mode as a shell would
            read_until(master, paused)
            os.kill(proc.pid, signal.SIGSTOP)
            os.waitpid(proc.pid, os.WUNTRACED)
            termios.tcsetattr(slave, termios.TCSANOW, before)
            os.kill(proc.pid, signal.SIGHUP)
            os.kill(proc.pid, signal.SIGCONT)
            key_mode()
        elif mode == "interrupt":
            read_until(master, paused)
        if mode != "ended":  # sent without Enter, the key must end the wait unechoed
            os.write(master, b"\x03" if mode == "interrupt" else b"\x1b[A")
        if mode == "key" and read_until(master, lambda new: new.endswith(b"\n")) != b"\r\n":
            fail("the key was echoed")
    rc = proc.wait(timeout=20)
    modes("when the program ended")
    left = int.from_bytes(fcntl.ioctl(slave, termios.FIONREAD, bytes(4)), sys.byteorder)  # of the key
    wanted = {"interrupt": -signal.SIGINT, "sigpipe": -signal.SIGPIPE}.get(mode, 0)
    (rc, left) == (wanted, 0) or fail(f"exit {rc}, {left} bytes left in the terminal's input")
