#pragma once

// What the POSIX files of this layer share: the standard streams' wait, and the terminal's key
// mode, which the pause enters.

namespace platform_posix {

// Until the descriptor is ready for the events, or the time is up (-1: no limit): poll's count,
// 0 if the time is up, or -1 if the wait itself failed (errno says why).
int wait_for(int descriptor, short events, int milliseconds);

// Takes the terminal on standard input out of line mode, unechoed, with every signal that would
// end or stop the process handled so that the modes are given back first: false if standard
// input is no terminal.
bool enter_key_mode();

// Gives the terminal its modes back, and every handled signal its earlier action.
void leave_key_mode();

} // namespace platform_posix
