// On Windows this file alone sees the Universal C Runtime's headers, for its scanf_s, while the
// C++ library was built with msvcrt's, whose types differ: so the build gives it no C++ library
// header, and it includes C's.
#include "stdio_dialogue.hpp"

#include "formula.hpp"
#include "platform.hpp"

#include <stdio.h> // NOLINT(modernize-deprecated-headers)

namespace stdio_dialogue {

namespace {

// Flushed, so that a program answering through a pipe sees the question before the read waits.
void ask(const char* question)
{
    printf("%s", question);
    fflush(stdout);
}

// Once a read has met the end of the input, or failed, no later question reads, whatever the C
// runtime would do: Microsoft's reads a console again after Ctrl+Z, and glibc a file again after
// a failed read, which would give a question an answer typed for an earlier one.
int read_number(double& value)
{
    if (feof(stdin) != 0 || ferror(stdin) != 0) {
        return EOF;
    }
    return scanf_s("%lf", &value);
}

} // namespace

void read_variables(double& x, double& y, double& z)
{
    ask("Enter x: ");
    int assigned = read_number(x);
    // A read that assigns nothing leaves x as it is, and asking again would never end.
    while (!formula::x_is_valid(x) && assigned == 1) {
        ask("Invalid x value!\nEnter new x: ");
        assigned = read_number(x);
    }
    ask("Enter y: ");
    read_number(y);
    ask("Enter z: ");
    read_number(z);
}

void report_results(double t, double u)
{
    printf("Result:\nt = %lf\nu = %lf\n", t, u);
}

} // namespace stdio_dialogue
