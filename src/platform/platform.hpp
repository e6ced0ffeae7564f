#pragma once

// What differs by platform: the bounds-checked scanf_s, where the C runtime lacks it; how the
// standard streams are read and written; the pause at the end; and the closing of standard
// output. Everything above this layer reads the same on every platform.

#include <stdio.h> // NOLINT(modernize-deprecated-headers): the stdio dialogue sees C's alone

#ifndef _WIN32
// For "%lf" scanf_s takes no size argument and means exactly what scanf does. The format is the
// caller's, who passes a literal.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
inline int scanf_s(const char* format, double* value)
{
    return scanf(format, value);
}
#pragma GCC diagnostic pop
#endif

namespace platform {

// Called before anything is read or written: from then on a read of standard input, or a write
// of standard output, waits however the descriptor was left (non-blocking, or interrupted by a
// signal), and the cause of one that fails is kept for input_error and output_error.
void use_waiting_streams();

// The error that ended the reading, the pause's too, where it is known; 0 where the input did
// not fail, or where the C runtime keeps no cause.
int input_error();

// The error of the first write of standard output that failed, where it is known; else 0.
int output_error();

// Writes the pause prompt and waits for a key, or for one more byte of piped input after the
// last answer's line; waits for nothing once standard input has ended or failed. Standard
// output is flushed when it returns.
void pause();

// Closes standard output, once flushed, where some file systems first report a failed write:
// 0, or the error of the close.
int close_output();

} // namespace platform
