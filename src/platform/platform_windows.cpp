#include "platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

void platform::pause()
{
    // The command processor writes straight to our console, file or pipe: ours must be out first.
    std::fflush(stdout);
    const int output_error = errno;
    // The command processor writes its own prompt and waits; its status tells nothing we need.
    [[maybe_unused]] const int status = std::system("pause");
    errno = output_error;
}
