#include "platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <io.h>

// A Windows console, pipe or file is never left non-blocking, and no signal interrupts a read.
void platform::use_waiting_streams() {}

// The C runtime marks the streams, but keeps no cause that could be trusted by now.
int platform::input_error()
{
    return 0;
}

int platform::output_error()
{
    return 0;
}

void platform::pause()
{
    // The command processor writes straight to our console, file or pipe: ours must be out first.
    std::fflush(stdout);
    // The command processor writes its own prompt and waits; its status tells nothing we need.
    [[maybe_unused]] const int status = std::system("pause");
}

int platform::close_output()
{
    return _close(_fileno(stdout)) == 0 ? 0 : errno;
}
