# session.py MODE CASE.in PROGRAM...: runs the calculator as its users do. transcript: CASE.in piped
# in at once; the output must be CASE.out. prompts: typed answer by answer through a pipe; the pause
# must take the byte after the last line end. hostile: inputs from a fixed seed, after which the
# whole dialogue must still show. At a terminal, whose modes must be as found at the end: key, an
# arrow key at the pause; interrupt, Ctrl-C there; ignored, SIGHUP there while ignored (nohup),
# then a key; ended, Ctrl-D as the last answer, after which the pause must not wait.
# PROGRAM may start with an emulator; a Windows program (.exe) ends its lines with CR LF.
import fcntl, os, random, re, select, signal, subprocess, sys, termios, time

PROMPT = re.compile(rb"(: |Press any key to continue[ .]*\. )\Z")
TOKENS = [b"-0", b"4", b"-3", b"-1e-300", b"1.8e308", b"1e-400", b"nan", b"-inf", b"0x1p2", b"0x1p", b"1.5e",
          b"-", b"abc", b"\x00", b"\xff\xc3\xa9", b"\x1b[A", b"\x1a", b"9" * 100000, b"-" + b"1" * 10000]
ASK = rb"Enter x: (Invalid x value!\nEnter new x: )*Enter y: Enter z: Result:\n"
G, F = rb"-?(nan|inf|\d(\.\d+)?(e[+-]\d+)?|\d+(\.\d+)?)", rb"-?(nan|inf|\d+\.\d{6})"
DIALOGUE = re.compile(rb"Current x: 0\nCurrent y: 0\nCurrent z: 0\nResult:\nt = -1\nu = 0\n\n%st = %s\nu = "
                      rb"%s\n\n%st = %s\nu = %s\nPress any key to continue[ .]*\n?" % (ASK, G, G, ASK, F, F))


def read_until(fd, done):
    """New output up to where done() holds; a program that stops short fails, never hangs."""
    new, deadline = b"", time.monotonic() + 20
    while not done(new):
        ready = select.select([fd], [], [], max(0, deadline - time.monotonic()))[0]
        chunk = os.read(fd, 4096) if ready else b""
        if not chunk:
            sys.exit(f"FAIL: nothing more came after {new.decode(errors='replace')!r}")
        new += chunk
    return new


def converse(out_fd, in_fd, answers):
    """Types each answer once its prompt has come; returns what was shown."""
    shown = b""
    for answer in answers:
        shown += read_until(out_fd, PROMPT.search)
        os.write(in_fd, answer)
    return shown


def check(out, err, rc):
    want = open(case[:-3] + ".out", "rb").read()
    if program[-1].endswith(".exe"):  # the command processor's pause and the runtime's NaN differ
        want = want.replace(b"\n", b"\r\n")
        out = re.sub(rb"(Press any key to continue)[ .]*(\r\n)?\Z", rb"\1 . . . \r\n", out)
        want, out = (re.sub(rb"-?nan(\([a-z]+\))?", b"nan", text) for text in (want, out))
    if (out, err, rc) != (want, b"", 0):
        sys.exit(f"FAIL: exit {rc}, stderr {err!r}, output:\n{out.decode(errors='replace')}")


mode, case, *program = sys.argv[1:]
answers = open(case, "rb").read().splitlines(keepends=True)
if mode == "transcript":
    args = open(case[:-3] + ".args").read().split() if os.path.exists(case[:-3] + ".args") else []
    run = subprocess.run(program + args, stdin=open(case, "rb"), capture_output=True, timeout=20)
    check(run.stdout, run.stderr, run.returncode)
elif mode == "prompts":
    key, line_end = os.pipe()  # held here, so that a key the pause leaves stays to be seen
    proc = subprocess.Popen(program, stdin=key, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    shown = converse(proc.stdout.fileno(), line_end, answers + [b"k"])
    check(shown + proc.stdout.read(), proc.stderr.read(), proc.wait(timeout=20))
    os.close(line_end)
    if os.read(key, 1):
        sys.exit("FAIL: the pause ended on the line end of the last answer")
elif mode == "hostile":
    rng = random.Random(20261206)
    for _ in range(300):
        tokens = rng.choices([b"0", b"-3"] + TOKENS, k=rng.randint(0, 12))
        data = b"".join(token + rng.choice([b" ", b"\n", b"\r\n", b"\t\v\f", b""]) for token in tokens)
        data = data[: rng.randint(0, len(data))] if rng.random() < 0.2 else data
        run = subprocess.run(program, input=data, capture_output=True, timeout=20)
        shown = run.stdout.replace(b"\r\n", b"\n")
        if run.returncode or run.stderr or not DIALOGUE.fullmatch(shown):
            sys.exit(f"FAIL: input {data[:200]!r}: exit {run.returncode}, stderr {run.stderr[:200]!r}, "
                     f"output:\n{shown.decode(errors='replace')}")
else:
    master, slave = os.openpty()
    before = termios.tcgetattr(slave)

    def start():
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY)
        signal.signal(signal.SIGHUP, signal.SIG_IGN if mode == "ignored" else signal.SIG_DFL)

    proc = subprocess.Popen(program, stdin=slave, stdout=slave, stderr=slave, preexec_fn=start)
    typed = [answer.replace(b"\r\n", b"\r") for answer in answers]  # Enter sends CR alone
    converse(master, master, typed[:-1] + [b"\x04"] if mode == "ended" else typed)
    echo = b"\r\n"
    if mode != "ended":
        read_until(master, PROMPT.search)
        if mode == "ignored":
            os.kill(proc.pid, signal.SIGHUP)
        os.write(master, b"\x03" if mode == "interrupt" else b"\x1b[A")
        # Sent without Enter, the key must end the wait unechoed and leave nothing behind.
        echo = read_until(master, lambda new: new.endswith(b"\n")) if mode != "interrupt" else echo
    rc, after = proc.wait(timeout=20), termios.tcgetattr(slave)
    left = int.from_bytes(fcntl.ioctl(slave, termios.FIONREAD, bytes(4)), sys.byteorder)
    if (echo, rc, after, left) != (b"\r\n", -signal.SIGINT if mode == "interrupt" else 0, before, 0):
        sys.exit(f"FAIL: after the key came {echo!r}, exit {rc}, modes restored: {after == before}, "
                 f"{left} bytes left in the terminal's input")
