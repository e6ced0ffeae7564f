#include "platform.hpp"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32

#include <cstdlib>

void platform::pause()
{
    std::fflush(stdout);
    const int output_error = errno;
    // The command processor writes its own prompt and waits; its status tells nothing we need.
    [[maybe_unused]] const int status = std::system("pause");
    errno = output_error;
}

#else

#include <array>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace {

const char* const prompt = "Press any key to continue . . . ";

// What the wait takes over: the signals that end a process by default, the stop from the
// terminal and the continue after it; and what each did before the wait.
const std::array<int, 14> handled = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,
                                     SIGALRM,   SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ,
                                     SIGVTALRM, SIGPROF, SIGTSTP, SIGCONT};
std::array<struct sigaction, handled.size()> earlier{};

termios found{}; // the terminal's modes as the wait found them
termios keys{};  // single key presses, unechoed; Ctrl-C and Ctrl-Z still act

void take_over(int signal);

// Signals that were ignored when the wait began stay ignored.
void install()
{
    struct sigaction ours = {};
    ours.sa_handler = take_over;
    sigemptyset(&ours.sa_mask);
    for (std::size_t i = 0; i < handled.size(); ++i) {
        if (earlier[i].sa_handler != SIG_IGN) {
            sigaction(handled[i], &ours, nullptr);
        }
    }
}

// Each signal acts as it would have, with the terminal in its own modes: an ending one ends the
// process, a stop stops it, and on continuing the wait takes key mode again.
void take_over(int signal)
{
    const int interrupted_errno = errno;
    if (signal != SIGCONT) {
        tcsetattr(STDIN_FILENO, TCSANOW, &found);
        std::signal(signal, SIG_DFL);
        sigset_t self;
        sigemptyset(&self);
        sigaddset(&self, signal);
        sigprocmask(SIG_UNBLOCK, &self, nullptr);
        std::raise(signal);
        // Continued, or never stopped: an orphaned process group ignores the stop.
        install();
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &keys);
    errno = interrupted_errno;
}

// No handled signal acts while the modes and the handlers change over.
sigset_t block_handled()
{
    sigset_t all;
    sigset_t before;
    sigemptyset(&all);
    for (const int signal : handled) {
        sigaddset(&all, signal);
    }
    sigprocmask(SIG_BLOCK, &all, &before);
    return before;
}

bool enter_key_mode()
{
    if (tcgetattr(STDIN_FILENO, &found) != 0) {
        return false;
    }
    keys = found;
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    const sigset_t before = block_handled();
    for (std::size_t i = 0; i < handled.size(); ++i) {
        sigaction(handled[i], nullptr, &earlier[i]);
    }
    install();
    tcsetattr(STDIN_FILENO, TCSANOW, &keys);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return true;
}

void leave_key_mode()
{
    const sigset_t before = block_handled();
    // Drops the rest of a key that sends several bytes, such as an arrow.
    tcflush(STDIN_FILENO, TCIFLUSH);
    tcsetattr(STDIN_FILENO, TCSANOW, &found);
    for (std::size_t i = 0; i < handled.size(); ++i) {
        sigaction(handled[i], &earlier[i], nullptr);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

void wait_for_key()
{
    char key = 0;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
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
        wait_for_key();
        leave_key_mode();
    } else if (!ended) {
        wait_for_byte();
    }
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

#endif
