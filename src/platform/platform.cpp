#include "platform.hpp"

#include <cstdio>

#ifdef _WIN32

#include <cstdlib>

void platform::pause()
{
    std::fflush(stdout);
    // The command processor writes its own prompt and waits; its status tells nothing we need.
    [[maybe_unused]] const int status = std::system("pause");
}

#else

#include <array>
#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace {

const char* const prompt = "Press any key to continue . . . ";

// The signals that end a process at the terminal, and what they did before the wait.
const std::array<int, 4> endings = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
std::array<struct sigaction, endings.size()> earlier{};

termios terminal_modes{};

void restore_modes_and_end(int signal)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &terminal_modes);
    // Delivered once this handler returns, the signal ends the process as it would have.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Single key presses, unechoed; Ctrl-C still interrupts, leaving the modes as they were.
bool enter_key_mode()
{
    if (tcgetattr(STDIN_FILENO, &terminal_modes) != 0) {
        return false;
    }
    struct sigaction restore = {};
    restore.sa_handler = restore_modes_and_end;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < endings.size(); ++i) {
        sigaction(endings[i], nullptr, &earlier[i]);
        if (earlier[i].sa_handler != SIG_IGN) {
            sigaction(endings[i], &restore, nullptr);
        }
    }
    termios keys = terminal_modes;
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &keys);
    return true;
}

void leave_key_mode()
{
    // Drops the rest of a key that sends several bytes, such as an arrow.
    tcflush(STDIN_FILENO, TCIFLUSH);
    tcsetattr(STDIN_FILENO, TCSANOW, &terminal_modes);
    for (std::size_t i = 0; i < endings.size(); ++i) {
        sigaction(endings[i], &earlier[i], nullptr);
    }
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
