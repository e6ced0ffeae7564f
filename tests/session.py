# session.py MODE CASE.in PROGRAM...: runs the calculator as its users do, in the way that MODES
# names, and fails on what they would not expect. PROGRAM may start with an emulator; a Windows
# program (.exe) ends its lines with CR LF, and its pause is the command processor's.
import fcntl, os, random, re, select, signal, subprocess, sys, termios, time
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
        if not more:
            fail(f"nothing more came after {new!r}")
        new += more
    return new


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
            fail(f"input {data[:200]!r}: exit {run.returncode}, stderr {run.stderr!r}, "
                 f"output {run.stdout!r}")


def output_lost(case, program, stdout, before_start, error):  # said on stderr, with exit 1
    with open(case, "rb") as answers:
        run = subprocess.run(program, stdin=answers, stdout=stdout, stderr=subprocess.PIPE,
                             timeout=20, preexec_fn=before_start)
    if run.returncode != 1 or run.stderr.rstrip() != b"calculator: write error: " + error:
        fail(f"exit {run.returncode}, stderr {run.stderr!r}")


def output_to_a_full_disk(case, program):
    with open("/dev/full", "wb") as full:
        output_lost(case, program, full, None, b"No space left on device")


def close_stdout():  # in the child, before the program
    os.close(1)


def output_closed(case, program):
    output_lost(case, program, None, close_stdout, b"Bad file descriptor")


class Terminal:
    """A command at a new pseudo-terminal, the answers as typed there, and its modes to end in."""

    def __init__(self, case, command, stdout=None):
        self.master, self.slave = os.openpty()
        self.modes = termios.tcgetattr(self.slave)
        answers = Path(case).read_bytes().splitlines(keepends=True)
        self.typed = [answer.replace(b"\r\n", b"\r") for answer in answers]  # Enter sends CR
        self.proc = subprocess.Popen(command, stdin=self.slave, stderr=self.slave,
                                     stdout=self.slave if stdout is None else stdout,
                                     preexec_fn=self.take_over,
                                     env={"PATH": os.environ["PATH"], "PS1": "$ "})

    def take_over(self):  # in the child: a session of its own, SIGHUP ignored as nohup does
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY)
        signal.signal(signal.SIGHUP, signal.SIG_IGN)

    def read_until(self, end):
        return read_until(self.master, lambda new: new.endswith(end))

    def check_modes(self, when):
        if termios.tcgetattr(self.slave) != self.modes:
            fail(f"the terminal was left in other modes {when}")

    def wait_for_key_mode(self):
        deadline = time.monotonic() + 20
        while termios.tcgetattr(self.slave)[3] & termios.ECHO:
            if time.monotonic() > deadline:
                fail("the pause stayed in line mode: the key would need Enter, and be echoed")
            time.sleep(0.01)

    def check_end(self, status):
        rc = self.proc.wait(timeout=20)
        self.check_modes("when the program ended")
        left = int.from_bytes(fcntl.ioctl(self.slave, termios.FIONREAD, bytes(4)), sys.byteorder)
        if rc != status or left != 0:
            fail(f"exit {rc}, and {left} bytes of the key left for the shell to read")


def arrow_key_at_the_pause(case, program):
    # First stopped, set back to line mode as a shell would, and continued: the pause must take
    # key mode again. The arrow must then end it, unechoed and whole.
    terminal = Terminal(case, program)
    os.write(terminal.master, b"".join(terminal.typed))
    terminal.read_until(b"continue . . . ")
    os.kill(terminal.proc.pid, signal.SIGSTOP)
    os.waitpid(terminal.proc.pid, os.WUNTRACED)
    termios.tcsetattr(terminal.slave, termios.TCSANOW, terminal.modes)
    os.kill(terminal.proc.pid, signal.SIGHUP)
    os.kill(terminal.proc.pid, signal.SIGCONT)
    terminal.wait_for_key_mode()
    os.write(terminal.master, b"\x1b[A")
    if terminal.read_until(b"\n") != b"\r\n":
        fail("the key was echoed")
    terminal.check_end(0)


def ctrl_c_at_the_pause(case, program):
    terminal = Terminal(case, program)
    os.write(terminal.master, b"".join(terminal.typed))
    terminal.read_until(b"continue . . . ")
    os.write(terminal.master, b"\x03")
    terminal.check_end(-signal.SIGINT)


def ctrl_d_as_the_last_answer(case, program):  # the input has ended: the pause must not wait
    terminal = Terminal(case, program)
    os.write(terminal.master, b"".join(terminal.typed[:-1]) + b"\x04")
    terminal.check_end(0)


def ctrl_z_and_fg_at_the_pause(case, program):
    # Twice, in a shell with job control that does not restore the modes itself (dash): stopped,
    # the shell must have its modes back; continued, the pause must wait for one key, unechoed.
    terminal = Terminal(case, ["sh", "-i"])
    os.write(terminal.master, " ".join(program).encode() + b"\n" + b"".join(terminal.typed))
    terminal.read_until(b"continue . . . ")
    for _ in range(2):
        os.write(terminal.master, b"\x1a")
        terminal.read_until(b"$ ")
        terminal.check_modes("while the job was stopped")
        os.write(terminal.master, b"fg\n")
        terminal.wait_for_key_mode()
    os.write(terminal.master, b"k")
    if not re.search(rb"(\A|\n)\r\n\$ \Z", terminal.read_until(b"$ ")):
        fail("the key was echoed or lost")
    os.write(terminal.master, b"exit\n")
    terminal.check_end(0)


def reader_gone_at_the_pause(case, program):  # that of standard output, before the last answer
    reader, writer = os.pipe()
    terminal = Terminal(case, program, writer)
    os.close(writer)
    os.write(terminal.master, b"".join(terminal.typed[:-1]))
    read_until(reader, lambda new: new.count(b"Enter z: ") == 2)
    os.close(reader)
    os.write(terminal.master, terminal.typed[-1])
    terminal.check_end(-signal.SIGPIPE)


MODES = {"transcript": answers_piped_at_once, "prompts": answers_typed_as_prompts_come,
         "hostile": hostile_input, "full": output_to_a_full_disk, "closed": output_closed,
         "key": arrow_key_at_the_pause, "interrupt": ctrl_c_at_the_pause,
         "ended": ctrl_d_as_the_last_answer, "stopped": ctrl_z_and_fg_at_the_pause,
         "sigpipe": reader_gone_at_the_pause}
mode, case, *program = sys.argv[1:]
MODES[mode](case, program)
