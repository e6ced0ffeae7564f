# session.py MODE CASE.in PROGRAM...: runs the calculator as its users do, with CASE.in piped in
# at once (transcript), or typed line by line as the prompts arrive, through pipes (prompts) or at
# a terminal whose pause then gets a key or Ctrl-C (key, interrupt). PROGRAM may start with an
# emulator; a Windows program (.exe) ends its lines with CR LF and pauses in its command processor.
import fcntl, os, re, select, signal, subprocess, sys, termios, time

PROMPT = re.compile(rb"(: |Press any key to continue[ .]*\. )\Z")


def read_until(fd, done):
    """New output up to where done() holds; a program that stops short fails, never hangs."""
    new, deadline = b"", time.monotonic() + 20
    while not done(new):
        ready = select.select([fd], [], [], max(0, deadline - time.monotonic()))[0]
        chunk = os.read(fd, 4096) if ready else b""
        if not chunk:
            sys.exit(f"FAIL: no prompt came after {new.decode(errors='replace')!r}")
        new += chunk
    return new


def converse(out_fd, in_fd):
    """Answers each prompt, the pause's too, once it has arrived; returns what was shown."""
    shown = b""
    for answer in answers + [b"\x03" if mode == "interrupt" else b"k"]:
        shown += read_until(out_fd, lambda new: PROMPT.search(new))
        os.write(in_fd, answer)
    return shown


def check(out, err, rc):
    want = open(case[:-3] + ".out", "rb").read()
    if program[-1].endswith(".exe"):
        # Only the command processor's pause text and the runtime's spelling of NaN are its own.
        want = want.replace(b"\n", b"\r\n")
        out = re.sub(rb"Press any key to continue[ .]*(\r\n)?\Z", b"Press any key to continue . . . \r\n", out)
        want, out = (re.sub(rb"-?nan(\([a-z]+\))?", b"nan", text) for text in (want, out))
    if (out, err, rc) != (want, b"", 0):
        sys.exit(f"FAIL: exit {rc}, stderr {err!r}, output:\n{out.decode()}expected:\n{want.decode()}")


mode, case, *program = sys.argv[1:]
answers = open(case, "rb").read().splitlines(keepends=True)
if mode == "transcript":
    args = case[:-3] + ".args"
    args = open(args).read().split() if os.path.exists(args) else []
    run = subprocess.run(program + args, stdin=open(case, "rb"), capture_output=True, timeout=20)
    check(run.stdout, run.stderr, run.returncode)
elif mode == "prompts":
    proc = subprocess.Popen(program, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    shown = converse(proc.stdout.fileno(), proc.stdin.fileno())
    proc.stdin.close()
    check(shown + proc.stdout.read(), proc.stderr.read(), proc.wait(timeout=20))
else:
    master, slave = os.openpty()
    before = termios.tcgetattr(slave)
    proc = subprocess.Popen(program, stdin=slave, stdout=slave, stderr=slave, start_new_session=True,
                            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY))
    converse(master, master)
    # The key, sent without Enter, must end the wait unechoed; Ctrl-C must still interrupt.
    echo = read_until(master, lambda new: new.endswith(b"\n")) if mode == "key" else b"\r\n"
    rc, restored = proc.wait(timeout=20), termios.tcgetattr(slave) == before
    if (echo, rc, restored) != (b"\r\n", 0 if mode == "key" else -signal.SIGINT, True):
        sys.exit(f"FAIL: key echoed as {echo!r}, exit {rc}, terminal modes restored: {restored}")
