# session.py MODE CASE.in PROGRAM...: runs the calculator as its users do, in the way that MODES
# names, and fails on what they would not expect. PROGRAM may start with an emulator; a Windows
# program (.exe) ends its lines with CR LF, and its pause is the command processor's.
import fcntl, os, random, re, select, shlex, signal, subprocess, sys, termios, time
from pathlib import Path

PROMPT = re.compile(rb"(: |Press any key to continue[ .]*\. )\Z")
TOKENS = [b"0", b"-0", b"4", b"-3", b"-1e-300", b"1.8e308", b"1e-400", b"nan", b"-inf", b"0x1p2",
          b"0x1p", b"1.5e", b"-", b"abc", b"\x00", b"\xff\xc3\xa9", b"\x1b[A", b"\x1a", b"\r\n",
          b"\t\v\f", b"9" * 100000]


def fail(why):
    sys.exit(f"FAIL: {why}")


def read_until(fd, done):  # the new output up to where done() holds, or a failure: never a hang
    new = b""
    deadline = time.monotonic() + 20
    while not done(new):
        ready, _, _ = select.select([fd], [], [], max(0, deadline - time.monotonic()))
        more = os.read(fd, 4096) if ready else b""
        if not more or time.monotonic() > deadline:
            fail(f"nothing more came after {new[-200:]!r}")
        new += more
    return new


def wait_until(ready, why):  # for a state of another process that shows in no output
    deadline = time.monotonic() + 20
    while not ready():
        if time.monotonic() > deadline:
            fail(why)
        time.sleep(0.01)


def check(case, program, out, err, rc):
    want = Path(case[:-3] + ".out").read_bytes()
    if program[-1].endswith(".exe"):
        want = want.replace(b"\n", b"\r\n")
        out = re.sub(rb"(Press any key to continue)[ .]*(\r\n)?\Z", rb"\1 . . . \r\n", out)
    # The pause's text on Windows, and the sign and spelling of NaN, are the runtime's own.
    want, out = [re.sub(rb"-?nan(\([a-z]+\))?", b"nan", text) for text in (want, out)]
    if (out, err, rc) != (want, b"", 0):
        fail(f"exit {rc}, stderr {err!r}, output:\n{out.decode(errors='replace')}")


def answers_piped_at_once(case, program):  # with the case's command-line arguments, if any
    arguments = Path(case[:-3] + ".args")
    extra = arguments.read_text().split() if arguments.exists() else []
    with open(case, "rb") as answers:
        run = subprocess.run(program + extra, stdin=answers, capture_output=True, timeout=20)
    check(case, program, run.stdout, run.stderr, run.returncode)


def answers_typed_as_prompts_come(case, program):  # and one more byte for the pause
    # The read end stays open here too, so that a byte the pause leaves unread is still there.
    key, line_end = os.pipe()
    proc = subprocess.Popen(program, stdin=key, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    shown = b""
    for answer in Path(case).read_bytes().splitlines(keepends=True) + [b"k"]:
        shown += read_until(proc.stdout.fileno(), PROMPT.search)
        os.write(line_end, answer)
    rest, err = proc.communicate(timeout=20)
    check(case, program, shown + rest, err, proc.returncode)
    os.close(line_end)
    if os.read(key, 1):
        fail("the pause ended on the line end of the last answer, and left the key unread")


def hostile_input(case, program):  # from a fixed seed, cut off anywhere: still three reports
    rng = random.Random(20261206)
    for _ in range(300):
        tokens = b" ".join(rng.choices(TOKENS, k=12))
        data = tokens[: rng.randint(0, len(tokens))]
        run = subprocess.run(program, input=data, capture_output=True, timeout=20)
        reports = run.stdout.count(b"Result:")
        if run.returncode != 0 or run.stderr or reports != 3 or b"continue" not in run.stdout:
            fail(f"input {data[:200]!r}: exit {run.returncode}, {run.stderr!r}, {run.stdout!r}")


def output_lost(case, program):  # said on stderr, with exit 1, naming the cause where known
    # Faults made by strace on the calls that reach the file, but not under an emulator: a write
    # that fails once and not again, a close that fails as on some network file systems.
    for path, mode, fault, error in [
            ("/dev/full", "wb", None, b": No space left on device"),
            ("/dev/full", "wb", "close:error=EIO", b": No space left on device"),
            (os.devnull, "rb", None, b": Bad file descriptor"),
            (os.devnull, "wb", "write:error=EAGAIN:when=1", b""),
            (os.devnull, "wb", "close:error=EIO", b": Input/output error")]:
        if fault and len(program) > 1:
            continue
        command, env = program, None
        if fault:  # LeakSanitizer, where built in, cannot work under strace
            command = ["strace", "-qq", "-o", os.devnull, "-P", path, "-e", "inject=" + fault,
                       *program]
            asan = os.environ.get("ASAN_OPTIONS", "")
            env = dict(os.environ, ASAN_OPTIONS=asan + ":detect_leaks=0")
        with open(case, "rb") as answers, open(path, mode) as stdout:
            run = subprocess.run(command, stdin=answers, stdout=stdout, stderr=subprocess.PIPE,
                                 timeout=20, env=env)
        if program[-1].endswith(".exe"):  # the runtime writes at once; the last flush knows nothing
            error = b""
        if run.returncode != 1 or run.stderr.rstrip() != b"calculator: write error" + error:
            fail(f"{path}, {fault}: exit {run.returncode}, stderr {run.stderr!r}")


class Terminal:  # a command at a new pseudo-terminal, the answers typed there, the modes to end in

    def __init__(self, case, command, stdout=None, take_over=None):
        self.master, self.slave = os.openpty()
        # A read out of line mode returns at once, with or without a key, unless asked to wait.
        self.modes = termios.tcgetattr(self.slave)
        self.modes[6][termios.VMIN] = b"\0"
        termios.tcsetattr(self.slave, termios.TCSANOW, self.modes)
        answers = Path(case).read_bytes().splitlines(keepends=True)
        self.typed = [answer.replace(b"\r\n", b"\r") for answer in answers]  # Enter sends CR
        self.proc = subprocess.Popen(command, stdin=self.slave, stderr=self.slave,
                                     stdout=self.slave if stdout is None else stdout,
                                     preexec_fn=take_over or self.control,
                                     env={"PATH": os.environ["PATH"], "PS1": "$ "})

    def control(self):  # in the child: a session of its own, at its controlling terminal
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY)

    def read_until(self, end):
        return read_until(self.master, lambda new: new.endswith(end))

    def at_the_pause(self):  # every answer typed, and the pause waiting for a key
        os.write(self.master, b"".join(self.typed))
        self.read_until(b"continue . . . ")
        self.wait_for_key_mode()

    def check_modes(self, when):
        if termios.tcgetattr(self.slave) != self.modes:
            fail(f"the terminal was left in other modes {when}")

    def wait_for_key_mode(self):
        wait_until(lambda: not termios.tcgetattr(self.slave)[3] & termios.ECHO,
                   "the pause stayed in line mode: the key would need Enter, and be echoed")

    def check_end(self, status):
        rc = self.proc.wait(timeout=20)
        self.check_modes("when the program ended")
        left = int.from_bytes(fcntl.ioctl(self.slave, termios.FIONREAD, bytes(4)), sys.byteorder)
        if rc != status or left != 0:
            fail(f"exit {rc}, and {left} bytes of the key left for the shell to read")


def as_a_caller_may_start_it():  # in the child: no controlling terminal, nohup, SIGINT blocked
    os.setsid()
    signal.signal(signal.SIGHUP, signal.SIG_IGN)
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT})


def arrow_key_at_the_pause(case, program):  # SIGHUP, ignored, and SIGINT, blocked, stay so
    terminal = Terminal(case, program, take_over=as_a_caller_may_start_it)
    terminal.at_the_pause()
    os.kill(terminal.proc.pid, signal.SIGHUP)
    os.kill(terminal.proc.pid, signal.SIGINT)
    os.write(terminal.master, b"\x1b[A")
    terminal.check_end(0)


def signals_at_the_pause(case, program):  # each ends the program as it would have
    # qemu passes SIGRTMIN and the next one to the guest as glibc's own two signals, below it.
    for sent in [signal.SIGHUP, signal.SIGINT, signal.SIGPIPE, signal.SIGABRT, signal.SIGIO,
                 signal.SIGRTMAX]:
        terminal = Terminal(case, program)
        terminal.at_the_pause()
        os.kill(terminal.proc.pid, sent)
        terminal.check_end(-sent)


def ctrl_d_as_the_last_answer(case, program):  # the input has ended: the pause must not wait
    terminal = Terminal(case, program)
    os.write(terminal.master, b"".join(terminal.typed[:-1]) + b"\x04")
    terminal.check_end(0)


def job_control_at_the_pause(case, program):
    # In dash, which leaves the modes to its jobs: stopped by SIGTSTP, SIGTTIN, SIGTTOU or Ctrl-Z,
    # the pause gives the shell its modes back, and takes key mode again on fg. SIGTERM and then
    # SIGCONT, as bash's kill %1 sends them, end it, and the shell's own modes stay as they are.
    terminal = Terminal(case, ["sh", "-i"])
    os.write(terminal.master, shlex.join(program).encode() + b"\n" + b"".join(terminal.typed))
    terminal.read_until(b"continue . . . ")
    for stop in [signal.SIGTSTP, signal.SIGTTIN, signal.SIGTTOU]:
        terminal.wait_for_key_mode()
        os.killpg(os.tcgetpgrp(terminal.master), stop)
        terminal.read_until(b"$ ")
        terminal.check_modes(f"while the job was stopped by {stop.name}")
        os.write(terminal.master, b"fg\n")
    terminal.wait_for_key_mode()
    os.write(terminal.master, b"\x1a")
    terminal.read_until(b"$ ")
    terminal.check_modes("while the job was stopped by Ctrl-Z")
    terminal.modes[3] &= ~termios.ECHOCTL
    termios.tcsetattr(terminal.slave, termios.TCSANOW, terminal.modes)
    os.write(terminal.master, b"kill %1; bg %1; wait %1; echo ended $?\n")
    if b"ended 143\r\n" not in terminal.read_until(b"$ "):
        fail("the stopped job did not end by SIGTERM")
    terminal.check_modes("after the job ended")
    os.write(terminal.master, b"exit\n")
    terminal.check_end(0)


def continued_while_writing(case, program):  # nothing is lost
    # Standard output is a pipe with room for the last results but not for the pause's prompt.
    reader, writer = os.pipe()
    terminal = Terminal(case, program, writer)
    os.write(terminal.master, b"".join(terminal.typed[:-1]))
    shown = read_until(reader, lambda new: new.count(b"Enter z: ") == 2)
    results = Path(case[:-3] + ".out").read_bytes().index(b"Press") - len(shown)
    filler = b"." * (fcntl.fcntl(writer, fcntl.F_GETPIPE_SZ) - results)
    os.write(writer, filler)
    os.write(terminal.master, terminal.typed[-1])
    terminal.wait_for_key_mode()
    waits_in = Path(f"/proc/{terminal.proc.pid}/wchan")
    wait_until(lambda: waits_in.read_text().endswith("pipe_write"), "the prompt went out at once")
    # Line mode and SIGCONT, as a shell gives fg; no room until the handler has taken key mode.
    termios.tcsetattr(terminal.slave, termios.TCSANOW, terminal.modes)
    os.kill(terminal.proc.pid, signal.SIGCONT)
    terminal.wait_for_key_mode()
    shown += read_until(reader, lambda new: new.endswith(b"continue . . . "))[len(filler):]
    os.write(terminal.master, b"\x13")  # Ctrl-S, a key like any other
    terminal.check_end(0)
    check(case, program, shown + read_until(reader, lambda new: new.endswith(b"\n")), b"", 0)


MODES = {"transcript": answers_piped_at_once, "prompts": answers_typed_as_prompts_come,
         "hostile": hostile_input, "lost": output_lost, "key": arrow_key_at_the_pause,
         "signals": signals_at_the_pause, "ended": ctrl_d_as_the_last_answer,
         "jobs": job_control_at_the_pause, "continued": continued_while_writing}
mode, case, *program = sys.argv[1:]
MODES[mode](case, program)
