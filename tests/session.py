# session.py TEST CASE.in KIND PROGRAM...: runs the calculator as its users do, as the function TEST
# does, and fails on what they would not expect. KIND: native, emulated (PROGRAM starts with qemu)
# or windows (under Wine: lines end in CR LF, and the pause is the command processor's).
import fcntl, os, random, re, select, shlex, signal, subprocess, sys, tempfile, termios, time
from pathlib import Path

LFLAG, CC = 3, 6  # fields of termios.tcgetattr
PAUSE = rb"u = [^\n]*\n[^\r\n]+"  # the pause's text after the last report, in any language
PROMPT = re.compile(rb"(: |" + PAUSE + rb")\Z")
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


def waited(pid, what):  # half a second of the process's wait takes no processor, and no wake-up
    before = [int(number) for number in Path(f"/proc/{pid}/schedstat").read_text().split()]
    time.sleep(0.5)
    after = [int(number) for number in Path(f"/proc/{pid}/schedstat").read_text().split()]
    if after[0] - before[0] > 100_000_000 or after[2] - before[2] > 10:  # ns run, times run
        fail(f"{what} kept the processor busy: {before}, then {after}")


def waits_in(pid, call):  # whether the process sleeps in that system call
    return call in Path(f"/proc/{pid}/wchan").read_text()


def check(case, program, out, err, rc):
    want = Path(case).with_suffix(".out").read_bytes()
    if WINDOWS:  # where the command processor's pause is the last line
        want = want.replace(b"\n", b"\r\n")
        want, out = [re.sub(rb"(?<=\n)[^\r\n]+(\r\n)?\Z", b"(pause)", text) for text in (want, out)]
    # The sign and spelling of NaN are the runtime's own.
    want, out = [re.sub(rb"-?nan(\([a-z]+\))?", b"nan", text) for text in (want, out)]
    if (out, err, rc) != (want, b"", 0):
        fail(f"exit {rc}, stderr {err!r}, and not the output of {Path(case).stem}.out:\n"
             f"{out.decode(errors='replace')}")


def following(case, program):  # two runs on one file: the second reads on where the first stopped
    # Each run's answers and key, with the case's line ends and with LF alone.
    run = Path(case).read_bytes() + b"k\n"
    for answers in [run, run.replace(b"\r\n", b"\n")]:
        with tempfile.TemporaryFile() as file:
            file.write(answers * 2)
            file.seek(0)
            for number in [1, 2]:
                done = subprocess.run(program, stdin=file, capture_output=True, timeout=20)
                check(case, program, done.stdout, done.stderr, done.returncode)
                offset = os.lseek(file.fileno(), 0, os.SEEK_CUR)
                if offset != len(answers) * number - 1:
                    fail(f"run {number} left the file at {offset}, not just after its key")


def transcript(case, program):  # the answers piped at once, with the case's arguments, if any
    arguments = Path(case).with_suffix(".args")
    extra = arguments.read_text().split() if arguments.exists() else []
    with open(case, "rb") as answers:
        run = subprocess.run(program + extra, stdin=answers, capture_output=True, timeout=20)
    check(case, program, run.stdout, run.stderr, run.returncode)


def prompts(case, program):  # the answers written as the prompts come, and one more byte
    # To a pipe left non-blocking, as some parents leave it, and kept open here: a byte the pause
    # leaves unread is still there.
    read_end, write_end = os.pipe()
    if not WINDOWS:
        os.set_blocking(read_end, False)
    proc = subprocess.Popen(program, stdin=read_end, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    shown = b""
    answers = Path(case).read_bytes().splitlines(keepends=True) + [b"k"]
    for number, answer in enumerate(answers):
        shown += read_until(proc.stdout.fileno(), PROMPT.search)
        if number == 0 and not WINDOWS:
            waited(proc.pid, "the wait for an answer")
        os.write(write_end, answer)
    rest, err = proc.communicate(timeout=20)
    check(case, program, shown + rest, err, proc.returncode)
    os.close(write_end)
    if os.read(read_end, 1):
        fail("the pause ended within the last answer's line, and left the key unread")


def hostile(case, program):  # from a fixed seed, cut off anywhere: still three reports
    rng = random.Random(20261206)
    for _ in range(300):
        tokens = b" ".join(rng.choices(TOKENS, k=12))
        data = tokens[: rng.randint(0, len(tokens))]
        run = subprocess.run(program, input=data, capture_output=True, timeout=20)
        reports = run.stdout.count(b"Result:")
        paused = re.search(PAUSE + rb"(\r?\n)?\Z", run.stdout)
        if run.returncode != 0 or run.stderr or reports != 3 or not paused:
            fail(f"input {data[:200]!r}: exit {run.returncode}, {run.stderr!r}, {run.stdout!r}")


def errors(case, program):  # each said on stderr in a line of its own, and exit 1
    # The cause is named where known, the first write's where more fail; a call interrupted, or
    # finding no data or room yet, is no error. Natively, strace fails a read, a write, a wait for
    # input or a close, has the writes after a read that waited (the 9th on) take nothing, and at a
    # terminal fails the pause's wait or read of a key typed ahead. A failed read ends the reading.
    empty = subprocess.run(program, stdin=subprocess.DEVNULL, capture_output=True, timeout=20)
    silent, unwritten = os.pipe()  # left non-blocking, and empty: a read finds nothing yet
    os.set_blocking(silent, False)
    for source, sink, mode, fault, said in [
            (case, "/dev/full", os.O_WRONLY, None, [b"write error: No space left on device"]),
            (case, "/dev/full", os.O_WRONLY, "write:error=EIO:when=1 close:error=EDQUOT",
             [b"write error: Input/output error"]),
            (case, os.devnull, os.O_RDONLY, None, [b"write error: Bad file descriptor"]),
            (case, os.devnull, os.O_WRONLY, "read:error=EAGAIN:when=1 write:retval=0:when=9+",
             [b"write error: No space left on device"]),
            (case, os.devnull, os.O_WRONLY, "close:error=EIO",
             [b"write error: Input/output error"]),
            ("/", None, None, None, [b"read error: Is a directory"]),
            ("/", "/dev/full", os.O_WRONLY, None,
             [b"read error: Is a directory", b"write error: No space left on device"]),
            (case, None, None, "read:error=EIO:when=1", [b"read error: Input/output error"]),
            ("pipe", None, None, "poll,ppoll:error=ENOMEM", [b"read error: Cannot allocate memory"]),
            (case, os.devnull, os.O_WRONLY, "write:error=EAGAIN:when=1", []),
            (case, os.devnull, os.O_WRONLY, "write:error=EINTR:when=1", []),
            (case, None, None, "read:error=EAGAIN:when=1 poll,ppoll:error=EINTR:when=1", []),
            (case, None, None, "read:error=EINTR:when=1", []),
            ("terminal", os.devnull, os.O_WRONLY, "read:error=EIO:when=2+",
             [b"read error: Input/output error"]),
            ("terminal", os.devnull, os.O_WRONLY, "poll,ppoll:error=EINVAL",
             [b"read error: Invalid argument"])]:
        if fault and not NATIVE:
            continue
        if source == "terminal":  # a new one, every answer typed on one line, then a key
            keyboard, terminal = os.openpty()
            os.write(keyboard, b"4 2 0 1 1 0\rk")
            source, modes = os.ttyname(terminal), termios.tcgetattr(terminal)
        command, env = program, None
        if fault:  # LeakSanitizer, where built in, cannot work under strace
            paths = [path for path in [source, sink] if path and path != "pipe"]
            command = ["strace", "-qq", "-o", os.devnull, *[f"-P{path}" for path in paths],
                       *[f"--inject={each}" for each in fault.split()], *program]
            asan = os.environ.get("ASAN_OPTIONS", "")
            env = dict(os.environ, ASAN_OPTIONS=asan + ":detect_leaks=0")
        line_end = b"\n"
        if WINDOWS:  # the runtime keeps no cause that can be trusted
            said = [line.split(b":")[0] for line in said]
            line_end = b"\r\n"
        answers = os.dup(silent) if source == "pipe" else os.open(source, os.O_RDONLY)
        output = os.open(sink, mode) if sink else subprocess.PIPE
        # Where the output goes to a pipe, standard error shares it: its lines come after all else.
        errors_to = subprocess.PIPE if sink else subprocess.STDOUT
        run = subprocess.run(command, stdin=answers, stdout=output, stderr=errors_to, timeout=20,
                             env=env)
        if sink:
            os.close(output)
        want = b"".join(b"calculator: " + line + line_end for line in said)
        told = run.stderr if sink else run.stdout[len(run.stdout) - len(want):]
        if run.returncode != (1 if said else 0) or told != want:
            fail(f"{source} to {sink}, {fault}: exit {run.returncode}, stderr {told!r}; "
                 f"expected {want!r}")
        if os.isatty(answers) and termios.tcgetattr(answers) != modes:
            fail(f"{fault}: the terminal was left in other modes")
        if source == case and not sink and said and os.lseek(answers, 0, os.SEEK_CUR) != 0:
            fail(f"{fault}: the pause read on after the failed read")
        os.close(answers)
        if sink is None and said and run.stdout != empty.stdout + want:
            fail(f"{source}, {fault}: an answer was read after the failed read, or the output "
                 f"came after the error:\n{run.stdout.decode(errors='replace')}")
        if sink is None and not said:
            check(case, program, run.stdout, b"", run.returncode)


class Terminal:  # a command at a new pseudo-terminal, the answers typed there, the modes to end in

    def __init__(self, case, command, stdout=None, take_over=None, blocking=True, stopped=False):
        self.master, self.slave = os.openpty()
        if stopped:  # as Ctrl-S stops it: nothing can be written until it is started again
            termios.tcflow(self.slave, termios.TCOOFF)
        self.modes = termios.tcgetattr(self.slave)
        self.modes[CC][termios.VMIN] = b"\x03"  # stty min 3: line mode ignores it, and so must keys
        termios.tcsetattr(self.slave, termios.TCSANOW, self.modes)
        self.blocking = blocking  # a flag the program's descriptors share
        os.set_blocking(self.slave, blocking)
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
        if os.get_blocking(self.slave) != self.blocking:
            fail(f"the terminal was left {'non-' * self.blocking}blocking {when}")

    def wait_for_key_mode(self):
        wait_until(lambda: not termios.tcgetattr(self.slave)[LFLAG] & termios.ECHO,
                   "the pause stayed in line mode: the key would need Enter, and be echoed")

    def check_end(self, status, left=b""):  # and what the program left for the shell to read
        rc = self.proc.wait(timeout=20)
        self.check_modes("when the program ended")
        count = int.from_bytes(fcntl.ioctl(self.slave, termios.FIONREAD, bytes(4)), sys.byteorder)
        unread = os.read(self.slave, count) if count else b""
        if rc != status or unread != left:
            fail(f"exit {rc}, expected {status}; {unread!r} left for the shell, expected {left!r}")


def as_a_caller_may_start_it():  # in the child: no controlling terminal, nohup, SIGINT blocked
    os.setsid()
    signal.signal(signal.SIGHUP, signal.SIG_IGN)
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT})


def key(case, program):  # the pause takes one key, and what was typed after it stays
    # Plain keys, arrows and function keys (xterm's, rxvt's, the Linux console's, SS3 with a
    # modifier, the lowest final byte), UTF-8 characters at each bound of their first bytes, keys
    # with Alt (ESC first), Escape alone; a byte that ends a broken character is read all the same.
    # At a terminal left non-blocking (but the last), SIGHUP ignored and SIGINT blocked, staying so.
    keys = [b"k", b"\x01", b"\x1b[A", b"\x1b[a", b"\x1bOP", b"\x1bO2P", b"\x1b[15~", b"\x1b[[A",
            b"\x1b[@", b"\xc2\xa9", b"\xdf\xbf", b"\xe0\xa0\x80", b"\xe2\x82\xac", b"\xef\xbf\xbf",
            b"\xf0\x9f\x98\x80", b"\xf4\x8f\xbf\xbf", b"\xc1", b"\xf5", b"\x1bk", b"\x1b\xc3\xa9",
            b"\x1b\x1b[A", b"\x1b\x1b\x1b"]
    rows = [(key + b"hello\r", b"hello\n", False) for key in keys]
    rows += [(b"\xf0\x9fhello\r", b"ello\n", False), (b"\xe2\xc3\xa9hello\r", b"\xa9hello\n", False),
             (b"\x1b", b"", False), (b"\x1b", b"", True)]
    for sent, left, blocking in rows:
        terminal = Terminal(case, program, take_over=as_a_caller_may_start_it, blocking=blocking)
        terminal.at_the_pause()
        os.kill(terminal.proc.pid, signal.SIGHUP)
        os.kill(terminal.proc.pid, signal.SIGINT)
        os.write(terminal.master, sent)
        terminal.check_end(0, left)


def stopped(case, program):  # output to a stopped terminal, left non-blocking, waits: none lost
    terminal = Terminal(case, program, blocking=False, stopped=True)
    wait_until(lambda: waits_in(terminal.proc.pid, "poll"), "the first write did not wait")
    waited(terminal.proc.pid, "the wait for room")
    termios.tcflow(terminal.slave, termios.TCOON)
    terminal.at_the_pause()
    os.write(terminal.master, b"k")
    terminal.check_end(0)


def signals(case, program):  # each ends the program as it would have
    # qemu passes SIGRTMIN and the next one to the guest as glibc's own two signals, below it.
    for sent in [signal.SIGHUP, signal.SIGINT, signal.SIGPIPE, signal.SIGABRT, signal.SIGIO,
                 signal.SIGRTMAX]:
        terminal = Terminal(case, program)
        terminal.at_the_pause()
        os.kill(terminal.proc.pid, sent)
        terminal.check_end(-sent)


def ended(case, program):  # the input ends at the terminal: the pause must not wait
    # Ctrl-D as the last answer; a hang-up at the pause, which nohup ignores (then: a write error).
    terminal = Terminal(case, program)
    os.write(terminal.master, b"".join(terminal.typed[:-1]) + b"\x04")
    terminal.check_end(0)
    terminal = Terminal(case, program, take_over=as_a_caller_may_start_it)
    terminal.at_the_pause()
    os.close(terminal.master)
    if terminal.proc.wait(timeout=20) != 1:
        fail(f"exit {terminal.proc.returncode} after a hang-up at the pause, expected 1")


def jobs(case, program):
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
    terminal.modes[LFLAG] &= ~termios.ECHOCTL
    termios.tcsetattr(terminal.slave, termios.TCSANOW, terminal.modes)
    os.write(terminal.master, b"kill %1; bg %1; wait %1; echo ended $?\n")
    if b"ended 143\r\n" not in terminal.read_until(b"$ "):
        fail("the stopped job did not end by SIGTERM, status 143")
    terminal.check_modes("after the job ended")
    os.write(terminal.master, b"exit\n")
    terminal.check_end(0)


def continued(case, program):  # SIGCONT while output waits in a full pipe: nothing is lost
    # While the pause's prompt waits, SIGCONT takes key mode again, as after a stop; once the key
    # is taken and the line end after it waits, SIGCONT has its own effect back: none.
    read_end, write_end = os.pipe()
    room = fcntl.fcntl(write_end, fcntl.F_GETPIPE_SZ)
    terminal = Terminal(case, program, write_end)
    os.write(terminal.master, b"".join(terminal.typed[:-1]))
    shown = read_until(read_end, lambda new: new.count(b"Enter z: ") == 2)
    results = Path(case).with_suffix(".out").read_bytes().index(b"Press") - len(shown)
    filler = b"." * (room - results)  # room for the last results, not for the prompt
    os.write(write_end, filler)
    os.write(terminal.master, terminal.typed[-1])
    terminal.wait_for_key_mode()
    wait_until(lambda: waits_in(terminal.proc.pid, "pipe_write"), "the prompt went out at once")
    # Line mode and SIGCONT, as a shell gives fg; no room until the handler has taken key mode.
    termios.tcsetattr(terminal.slave, termios.TCSANOW, terminal.modes)
    os.kill(terminal.proc.pid, signal.SIGCONT)
    terminal.wait_for_key_mode()
    shown += read_until(read_end, lambda new: new.endswith(b"continue . . . "))[len(filler):]
    os.write(write_end, b"." * room)  # no room for the line end after the key
    os.write(terminal.master, b"\x13")  # Ctrl-S, a key like any other
    wait_until(lambda: waits_in(terminal.proc.pid, "pipe_write"), "the line end went out")
    os.kill(terminal.proc.pid, signal.SIGCONT)
    shown += read_until(read_end, lambda new: new.endswith(b"\n"))[room:]
    terminal.check_end(0)
    check(case, program, shown, b"", 0)


TESTS = [transcript, following, prompts, hostile, errors, key, stopped, signals, ended, jobs,
         continued]
test, case, kind, *program = sys.argv[1:]
WINDOWS, NATIVE = kind == "windows", kind == "native"
{function.__name__: function for function in TESTS}[test](case, program)
