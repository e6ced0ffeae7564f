// On Windows this file alone sees the Universal C Runtime's headers, for its scanf_s, while the
// C++ library was built with msvcrt's, whose types differ: so it uses no C++ library types.
#include "stdio_dialogue.hpp"

#include "formula.hpp"
#include "platform.hpp"

#include <cstdio>

namespace stdio_dialogue {

namespace {

// Flushed, so that a program answering through a pipe sees the question before the read waits.
void ask(const char* question)
{
    std::printf("%s", question);
    std::fflush(stdout);
}

} // namespace

void read_variables(double& x, double& y, double& z)
{
    ask("Enter x: ");
    int assigned = scanf_s("%lf", &x);
    // A read that assigns nothing leaves x as it is, and asking again would never end.
    while (!formula::x_is_valid(x) && assigned == 1) {
        ask("Invalid x value!\nEnter new x: ");
        assigned = scanf_s("%lf", &x);
    }
    ask("Enter y: ");
    scanf_s("%lf", &y);
    ask("Enter z: ");
    scanf_s("%lf", &z);
}

void report_results(double t, double u)
{
    std::printf("Result:\nt = %lf\nu = %lf\n", t, u);
}

} // namespace stdio_dialogue
