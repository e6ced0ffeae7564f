#pragma once

// What Windows offers and other platforms lack: the bounds-checked scanf_s and the command
// processor's "pause". Everything above this layer reads the same on every platform.

#include <cstdio>

#ifndef _WIN32
// For "%lf" scanf_s takes no size argument and means exactly what scanf does. The format is the
// caller's, who passes a literal.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
inline int scanf_s(const char* format, double* value)
{
    return std::scanf(format, value);
}
#pragma GCC diagnostic pop
#endif

namespace platform {

// Writes the pause prompt and waits for a key, or for one more byte of piped input; waits for
// nothing once standard input has ended.
void pause();

// Closes standard output, once flushed, where some file systems first report a failed write:
// 0, or the error of the close.
int close_output();

} // namespace platform
