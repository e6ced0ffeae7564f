#include "platform.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

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
        // Drops the rest of a key that sends several bytes, such as an arrow.
        tcflush(STDIN_FILENO, TCIFLUSH);
        tcsetattr(STDIN_FILENO, TCSANOW, &found_modes);
    }
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&handled, signal) == 1) {
            sigaction(signal, &earlier_action(signal), nullptr);
        }
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

// The line end after the last answer belongs to that answer, as it does at a terminal.
void wait_for_byte()
{
    int c = std::getc(stdin);
    if (c == '\r') {
        c = std::getc(stdin);
    }
    if (c == '\n') {
        std::getc(stdin);
    }
}

} // namespace

void platform::pause()
{
    const bool ended = std::feof(stdin) != 0;
    const bool at_terminal = !ended && isatty(STDIN_FILENO) != 0 && enter_key_mode();
    std::fputs(prompt, stdout);
    std::fflush(stdout);
    if (at_terminal) {
        char key = 0;
        [[maybe_unused]] const ssize_t got = read(STDIN_FILENO, &key, 1);
        leave_key_mode();
    } else if (!ended) {
        wait_for_byte();
    }
    std::fputs("\n", stdout);
}

int platform::close_output()
{
    return close(STDOUT_FILENO) == 0 ? 0 : errno;
}
