#include "platform.hpp"
#include "posix.hpp"

#include <cerrno>
#include <cstdio>
#include <ext/stdio_sync_filebuf.h>
#include <iostream>
#include <poll.h>
#include <unistd.h>

// Standard input and output through readers of our own below stdio, and the pause's keys read
// there too: a parent may have left a descriptor non-blocking (the flags are shared with it, so
// they stay as they are), and a signal may interrupt a call; neither is the end of the input, nor
// may cut a number or lose output.

namespace {

// Kept past the call that failed, as errno is not.
struct {
    int read = 0;  // the error of the read that failed: no read follows it
    int write = 0; // the error of the first write that failed
} failures;

// Until the descriptor is ready for the events, or the time is up (-1: no limit): poll's count,
// 0 if the time is up, or -1 if the wait itself failed (errno says why).
int wait_for(int descriptor, short events, int milliseconds)
{
    pollfd waited{descriptor, events, 0};
    int count = 0;
    do {
        count = poll(&waited, 1, milliseconds);
    } while (count < 0 && errno == EINTR);
    return count;
}

// Until the descriptor is ready, with no limit: false if the wait itself failed.
bool ready(int descriptor, short events)
{
    return wait_for(descriptor, events, -1) > 0;
}

ssize_t read_input(void* /*cookie*/, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, size);
        if (got >= 0) {
            return got;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN || !ready(STDIN_FILENO, POLLIN)) {
            failures.read = errno;
            return -1;
        }
    }
}

// At the exit the C library seeks a file back over what was read ahead, so that the next program
// reads on from the last byte that this one took.
int seek_input(void* /*cookie*/, off64_t* offset, int whence)
{
    *offset = lseek64(STDIN_FILENO, *offset, whence);
    return *offset < 0 ? -1 : 0;
}

// At a terminal the output is the input's own open file, non-blocking with it; stopped (Ctrl-S),
// it has no room until it is started again. A write that takes nothing, as some file systems
// answer, would take nothing for ever: the disk is full, as coreutils says.
ssize_t write_output(void* /*cookie*/, const char* data, std::size_t size)
{
    std::size_t written = 0;
    while (written < size) {
        const ssize_t put = write(STDOUT_FILENO, data + written, size - written);
        if (put > 0) {
            written += static_cast<std::size_t>(put);
        } else if (put == 0 ||
                   (errno != EINTR && (errno != EAGAIN || !ready(STDOUT_FILENO, POLLOUT)))) {
            if (failures.write == 0) {
                failures.write = put == 0 ? ENOSPC : errno;
            }
            break;
        }
    }
    return static_cast<ssize_t>(written);
}

} // namespace

void platform::use_waiting_streams()
{
    static const cookie_io_functions_t reader{read_input, nullptr, seek_input, nullptr};
    static const cookie_io_functions_t writer{nullptr, write_output, nullptr, nullptr};
    FILE* const input = fopencookie(nullptr, "r", reader);
    FILE* const output = fopencookie(nullptr, "w", writer);
    if (input == nullptr || output == nullptr) {
        return;
    }
    // The streams read and write through stdio's stdin and stdout, so the two dialogues share one
    // buffer each way: what one leaves unread, or an end or failure it meets, the other meets
    // next, and their text comes out in the order written.
    stdin = input;
    stdout = output;
    // Never destroyed: the C++ library flushes std::cout at the exit, after this file's statics.
    std::cin.rdbuf(new __gnu_cxx::stdio_sync_filebuf<char>(input));
    std::cout.rdbuf(new __gnu_cxx::stdio_sync_filebuf<char>(output));
}

// Only the pause reads a byte at a time, when only this process reads the terminal, and a
// signal's handler restarts the read.
bool platform_posix::next_byte(int milliseconds, unsigned char& byte)
{
    const int count = wait_for(STDIN_FILENO, POLLIN, milliseconds);
    const ssize_t got = count > 0 ? read(STDIN_FILENO, &byte, 1) : count;
    if (got < 0) {
        failures.read = errno;
    }
    return got == 1;
}

int platform::input_error()
{
    return failures.read;
}

int platform::output_error()
{
    return failures.write;
}

int platform::close_output()
{
    return close(STDOUT_FILENO) == 0 ? 0 : errno;
}
