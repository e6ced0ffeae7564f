# hostile.py PROGRAM...: a few hundred hostile inputs made from a fixed seed, each run through the
# whole program, which must still show the whole dialogue, with its three reports, and exit 0.
import random, re, subprocess, sys

TOKENS = [b"0", b"-0", b"4", b"-3", b"-1e-300", b"-4.9406564584124654e-324", b"4.9406564584124654e-324",
          b"1.7976931348623157e308", b"1.8e308", b"-1.8e308", b"2.2250738585072014e-308", b"1e-400",
          b"nan", b"-nan", b"NaN(12)", b"inf", b"-inf", b"Infinity", b"0x1p2", b"-0x1p-1074",
          b"0x1.fffffffffffffp1023", b"0x", b"0x1p", b"1.5e", b"1e+", b"-", b"+", b".", b"e5", b"--1",
          b"abc", b"\x00", b"\xff\xfe", b"\xc3\xa9", b"\x1b[A", b"\x1a", b"9" * 100000, b"1" + b"0" * 400,
          b"0." + b"0" * 5000 + b"1", b"-" + b"1" * 10000]
SEPARATORS = [b" ", b"\n", b"\r\n", b"\t", b"\v\f", b"", b"\n\n"]
NUMBERS = [b"0", b"4", b"-3", b"1e-400", b"1.8e308"]
ASK = rb"Enter x: (Invalid x value!\nEnter new x: )*Enter y: Enter z: Result:\n"
G, F = rb"-?(nan|inf|\d(\.\d+)?(e[+-]\d+)?|\d+(\.\d+)?)", rb"-?(nan|inf|\d+\.\d{6})"
DIALOGUE = re.compile(rb"Current x: 0\nCurrent y: 0\nCurrent z: 0\nResult:\nt = -1\nu = 0\n\n" + ASK +
                      rb"t = %s\nu = %s\n\n" % (G, G) + ASK + rb"t = %s\nu = %s\n" % (F, F) +
                      rb"Press any key to continue[ .]*\n?")

rng, program = random.Random(20261206), sys.argv[1:]
for _ in range(300):
    if rng.random() < 0.2:  # numbers that end while x may be refused, in either dialogue
        data = b"".join(rng.choice(NUMBERS) + b"\n" for _ in range(rng.randint(0, 5))) + b"-5"
    else:  # anything, cut off anywhere
        data = b"".join(rng.choice(TOKENS) + rng.choice(SEPARATORS) for _ in range(rng.randint(0, 12)))
        data = data[: rng.randint(0, len(data))] if rng.random() < 0.2 else data
    run = subprocess.run(program, input=data, capture_output=True, timeout=20)
    shown = run.stdout.replace(b"\r\n", b"\n")
    if run.returncode or run.stderr or not DIALOGUE.fullmatch(shown):
        sys.exit(f"FAIL: input {data[:300]!r}: exit {run.returncode}, stderr {run.stderr[:2000]!r}, "
                 f"output:\n{shown.decode(errors='replace')}")
