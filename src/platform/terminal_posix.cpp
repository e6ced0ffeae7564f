#include "posix.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

// Key mode, and the job-control pattern of careful terminal programs: a signal that ends or stops
// the process first gives the terminal back its modes; continued, it takes key mode again.

namespace {

struct {
    termios found{};                                 // the modes as key mode found them
    termios keys{};                                  // each key read at once, unechoed
    sigset_t handled{};                              // the signals taken over
    struct sigaction action {};                      // what they do meanwhile
    std::array<struct sigaction, NSIG> earlier_of{}; // what each did before
} key_mode;

struct sigaction& earlier_action(int signal)
{
    return key_mode.earlier_of.at(static_cast<std::size_t>(signal));
}

// The modes are ours to change unless this is our controlling terminal and we are not in its
// foreground: then they are the shell's, and the kernel would stop us for trying (SIGTTOU).
// tcgetpgrp fails where it is no controlling terminal of ours.
void set_modes(const termios& modes)
{
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    if (foreground == getpgrp() || foreground == -1) {
        tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    }
}

// Acts as the signal would have (ends the process, or stops it) with the terminal's own modes.
// Another handled signal waits until this one is done.
void on_signal(int signal)
{
    const int interrupted_errno = errno;
    if (signal != SIGCONT) {
        set_modes(key_mode.found);
        std::signal(signal, SIG_DFL);
        sigset_t self;
        sigemptyset(&self);
        sigaddset(&self, signal);
        sigprocmask(SIG_UNBLOCK, &self, nullptr);
        std::raise(signal);
        // Continued, or never stopped: an orphaned process group ignores the stop.
        sigaction(signal, &key_mode.action, nullptr);
    }
    set_modes(key_mode.keys);
    errno = interrupted_errno;
}

// No handled signal acts while the modes and the handlers change over.
sigset_t block_handled()
{
    sigset_t before;
    sigprocmask(SIG_BLOCK, &key_mode.handled, &before);
    return before;
}

} // namespace

bool platform_posix::enter_key_mode()
{
    if (tcgetattr(STDIN_FILENO, &key_mode.found) != 0) {
        return false;
    }
    key_mode.keys = key_mode.found;
    // Without IXON, Ctrl-S and Ctrl-Q are keys too; without IEXTEN, so are Ctrl-V and Ctrl-O on
    // systems that give them a meaning outside line mode (BSD, macOS). Ctrl-C and Ctrl-Z still act.
    // Each byte as it comes: with MIN above 1 (stty min 3, which line mode ignores), poll would
    // see no key until that many bytes wait. TIME then does nothing.
    key_mode.keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    key_mode.keys.c_iflag &= ~static_cast<tcflag_t>(IXON);
    key_mode.keys.c_cc[VMIN] = 1;

    // Every signal that ends or stops the process, and the continue after a stop: all but those
    // that do nothing by default, and the two that no handler can take. The C library's own
    // real-time signals are never in a full set.
    sigfillset(&key_mode.handled);
    for (const int left_alone : {SIGCHLD, SIGURG, SIGWINCH, SIGKILL, SIGSTOP}) {
        sigdelset(&key_mode.handled, left_alone);
    }
    key_mode.action.sa_handler = on_signal;
    key_mode.action.sa_mask = key_mode.handled;
    // The writes and the read of the pause go on after a handled signal, and lose nothing.
    key_mode.action.sa_flags = SA_RESTART;

    const sigset_t before = block_handled();
    for (int signal = 1; signal < NSIG; ++signal) {
        // Signals that were ignored when the pause began stay ignored.
        if (sigismember(&key_mode.handled, signal) == 1 &&
            sigaction(signal, nullptr, &earlier_action(signal)) == 0 &&
            earlier_action(signal).sa_handler != SIG_IGN) {
            sigaction(signal, &key_mode.action, nullptr);
        }
    }
    set_modes(key_mode.keys);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return true;
}

void platform_posix::leave_key_mode()
{
    const sigset_t before = block_handled();
    set_modes(key_mode.found);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&key_mode.handled, signal) == 1) {
            sigaction(signal, &earlier_action(signal), nullptr);
        }
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
}
