#pragma once

// What the POSIX files of this layer share: the pause's read of a key, a byte at a time, and the
// terminal's key mode, which the pause enters.

namespace platform_posix {

// One byte of standard input, waiting at most that long (-1: no limit), below stdio: false if
// none came, or the input has ended, or the wait or the read failed, which ends the reading as a
// stream's failed read does.
bool next_byte(int milliseconds, unsigned char& byte);

// Takes the terminal on standard input out of line mode, unechoed, with every signal that would
// end or stop the process handled so that the modes are given back first: false if standard
// input is no terminal.
bool enter_key_mode();

// Gives the terminal its modes back, and every handled signal its earlier action.
void leave_key_mode();

} // namespace platform_posix
