#include "platform.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ext/stdio_sync_filebuf.h>
#include <iostream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

int read_failure = 0;  // the error of the read that failed
int write_failure = 0; // the error of the first write that failed

// Until the descriptor is ready for the events, or the time is up (-1: no limit): poll's count,
// 0 if the time is up, or -1 if the wait itself failed.
int wait_for(int descriptor, short events, int milliseconds)
{
    pollfd waited{descriptor, events, 0};
    int ready = 0;
    do {
        ready = poll(&waited, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    return ready;
}

// Every read of standard input, the C library's and the C++ streams', comes here. A parent may
// have left the descriptor non-blocking (the flags are shared with it, so they stay as they are),
// and a signal may interrupt a read: neither is the end of the input, nor may cut a number.
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
        if (errno != EAGAIN || wait_for(STDIN_FILENO, POLLIN, -1) < 0) {
            read_failure = errno; // no read follows one that failed
            return -1;
        }
    }
}

// What was read ahead goes back to a file at the exit, where the C library seeks back over it,
// so that the next program reads on from the last byte that this one took.
int seek_input(void* /*cookie*/, off64_t* offset, int whence)
{
    const off64_t reached = lseek64(STDIN_FILENO, *offset, whence);
    if (reached < 0) {
        return -1;
    }
    *offset = reached;
    return 0;
}

// Every write of standard output comes here: one left non-blocking (at a terminal it is the
// input's own open file) waits for room, as a stopped terminal gives none, and loses nothing.
ssize_t write_output(void* /*cookie*/, const char* data, std::size_t size)
{
    std::size_t written = 0;
    while (written < size) {
        const ssize_t put = write(STDOUT_FILENO, data + written, size - written);
        if (put >= 0) {
            written += static_cast<std::size_t>(put);
        } else if (errno != EINTR &&
                   (errno != EAGAIN || wait_for(STDOUT_FILENO, POLLOUT, -1) < 0)) {
            write_failure = errno;
            break;
        }
    }
    return static_cast<ssize_t>(written);
}

const char* const prompt = "Press any key to continue . . . ";

// What the wait takes over: every signal whose default ends the process, the three that stop it,
// and the continue after a stop. The real-time signals, which end it too, come as a range.
const std::array listed = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
    SIGSEGV,   SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ,
    SIGIO,     SIGSYS,  SIGPROF, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGVTALRM,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

sigset_t handled{};
struct sigaction ours {};
std::array<struct sigaction, NSIG> earlier{}; // what each handled signal did before the wait

termios found_modes{}; // the terminal's modes as the wait found them
termios key_modes{};   // every key is read at once, unechoed; Ctrl-C and Ctrl-Z still act

struct sigaction& earlier_action(int signal)
{
    return earlier.at(static_cast<std::size_t>(signal));
}

// The modes are ours to change unless this is our controlling terminal and we are not in its
// foreground: then they are the shell's, and the kernel would stop us for trying (SIGTTOU).
bool modes_are_ours()
{
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    return foreground == getpgrp() || (foreground == -1 && errno == ENOTTY);
}

// The job-control pattern of careful terminal programs: give the terminal back its modes, act as
// the signal would have (end the process, or stop it), and, continued, take key mode again.
// Another handled signal waits until this one is done.
void on_signal(int signal)
{
    const int interrupted_errno = errno;
    if (signal != SIGCONT) {
        if (modes_are_ours()) {
            tcsetattr(STDIN_FILENO, TCSANOW, &found_modes);
        }
        std::signal(signal, SIG_DFL);
        sigset_t self;
        sigemptyset(&self);
        sigaddset(&self, signal);
        sigprocmask(SIG_UNBLOCK, &self, nullptr);
        std::raise(signal);
        // Continued, or never stopped: an orphaned process group ignores the stop.
        sigaction(signal, &ours, nullptr);
    }
    if (modes_are_ours()) {
        tcsetattr(STDIN_FILENO, TCSANOW, &key_modes);
    }
    errno = interrupted_errno;
}

// No handled signal acts while the modes and the handlers change over.
sigset_t block_handled()
{
    sigset_t before;
    sigprocmask(SIG_BLOCK, &handled, &before);
    return before;
}

bool enter_key_mode()
{
    if (tcgetattr(STDIN_FILENO, &found_modes) != 0) {
        return false;
    }
    key_modes = found_modes;
    // Without IXON, Ctrl-S and Ctrl-Q are keys too; without IEXTEN, so are Ctrl-V and Ctrl-O on
    // systems that give them a meaning outside line mode (BSD, macOS).
    key_modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    key_modes.c_iflag &= ~static_cast<tcflag_t>(IXON);
    key_modes.c_cc[VMIN] = 1;
    key_modes.c_cc[VTIME] = 0;

    sigemptyset(&handled);
    for (const int signal : listed) {
        sigaddset(&handled, signal);
    }
#ifdef SIGRTMIN
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        sigaddset(&handled, signal);
    }
#endif
    ours.sa_handler = on_signal;
    ours.sa_mask = handled;
    // The writes and the read of the wait go on after a handled signal, and lose nothing.
    ours.sa_flags = SA_RESTART;

    const sigset_t before = block_handled();
    for (int signal = 1; signal < NSIG; ++signal) {
        // Signals that were ignored when the wait began stay ignored.
        if (sigismember(&handled, signal) == 1 &&
            sigaction(signal, nullptr, &earlier_action(signal)) == 0 &&
            earlier_action(signal).sa_handler != SIG_IGN) {
            sigaction(signal, &ours, nullptr);
        }
    }
    if (modes_are_ours()) {
        tcsetattr(STDIN_FILENO, TCSANOW, &key_modes);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return true;
}

void leave_key_mode()
{
    const sigset_t before = block_handled();
    if (modes_are_ours()) {
        tcsetattr(STDIN_FILENO, TCSANOW, &found_modes);
    }
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&handled, signal) == 1) {
            sigaction(signal, &earlier_action(signal), nullptr);
        }
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

// One byte typed at the terminal, waiting at most that long (-1: no limit): false if none came.
bool next_byte(int milliseconds, unsigned char& byte)
{
    while (wait_for(STDIN_FILENO, POLLIN, milliseconds) > 0) {
        const ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got >= 0 || (errno != EAGAIN && errno != EINTR)) {
            return got == 1;
        }
    }
    return false;
}

const int soon = 100; // ms: the bytes of one key come together
const unsigned char escape = 0x1b;

// The rest of an escape sequence after ESC [ (CSI) or ESC O (SS3): parameter bytes, then a final
// byte; the Linux console's function keys send ESC [ [ and a letter.
void take_sequence(unsigned char introducer)
{
    const int longest = 16;
    const unsigned char final_from = 0x40; // '@'
    unsigned char byte = 0;
    for (int length = 0; length < longest && next_byte(soon, byte); ++length) {
        if (byte >= final_from && !(introducer == '[' && byte == '[' && length == 0)) {
            return;
        }
    }
}

// The rest of the key that began with this byte. After ESC comes an escape sequence, or nothing
// (Escape alone), or, where Alt sends ESC first, a whole key of its own. A UTF-8 character's first
// byte tells how many continuation bytes follow; a byte that is none ends it, though it has been
// read: a terminal gives no byte back.
void take_rest_of_key(unsigned char first, bool after_alt)
{
    const unsigned char two = 0xC2;   // the first bytes of UTF-8 characters of two bytes,
    const unsigned char three = 0xE0; // three,
    const unsigned char four = 0xF0;  // and four, up to
    const unsigned char last = 0xF4;  // the last character there is
    const unsigned char continuation = 0x80;
    const unsigned char continuation_mask = 0xC0;
    unsigned char byte = 0;
    if (first == escape) {
        if (!next_byte(soon, byte)) {
            return;
        }
        if (byte == '[' || byte == 'O') {
            take_sequence(byte);
        } else if (!after_alt) {
            take_rest_of_key(byte, true);
        }
    } else if (first >= two && first <= last) {
        int rest = first >= four ? 3 : first >= three ? 2 : 1;
        while (rest-- > 0 && next_byte(soon, byte) && (byte & continuation_mask) == continuation) {
        }
    }
}

// One key, and not a byte more: what was typed after it is the next program's. A key that sends
// several bytes sends them together, so the rest is waited for only briefly.
void take_key()
{
    unsigned char byte = 0;
    if (next_byte(-1, byte)) {
        take_rest_of_key(byte, false);
    }
}

// What is left of the last answer's line belongs to that answer, as it does at a terminal.
void wait_for_byte()
{
    int c = 0;
    do {
        c = std::getc(stdin);
    } while (c != EOF && c != '\n');
    if (c == '\n') {
        std::getc(stdin);
    }
}

} // namespace

void platform::open_streams()
{
    static const cookie_io_functions_t reader{read_input, nullptr, seek_input, nullptr};
    static const cookie_io_functions_t writer{nullptr, write_output, nullptr, nullptr};
    FILE* const input = fopencookie(nullptr, "r", reader);
    FILE* const output = fopencookie(nullptr, "w", writer);
    if (input == nullptr || output == nullptr) {
        return;
    }
    // scanf reads stdin and std::cin reads through it, so the two share one buffer, and what
    // one leaves unread, or an end or failure it meets, the other meets next; so too printf and
    // std::cout, whose text comes out in the order written.
    stdin = input;
    stdout = output;
    static __gnu_cxx::stdio_sync_filebuf<char> synced_input(input);
    static __gnu_cxx::stdio_sync_filebuf<char> synced_output(output);
    std::cin.rdbuf(&synced_input);
    std::cout.rdbuf(&synced_output);
}

int platform::input_error()
{
    return read_failure;
}

int platform::output_error()
{
    return write_failure;
}

void platform::pause()
{
    // The end of the input, or a failed read, that std::cin met is stdin's too: it reads through
    // it.
    const bool ended = std::feof(stdin) != 0 || std::ferror(stdin) != 0;
    const bool at_terminal = !ended && isatty(STDIN_FILENO) != 0 && enter_key_mode();
    std::fputs(prompt, stdout);
    std::fflush(stdout);
    if (at_terminal) {
        take_key();
        leave_key_mode();
    } else if (!ended) {
        wait_for_byte();
    }
    // Out before any fault is told of on standard error, and so above it at a terminal.
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

int platform::close_output()
{
    return close(STDOUT_FILENO) == 0 ? 0 : errno;
}
