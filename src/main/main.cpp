#include "formula.hpp"
#include "platform.hpp"
#include "stdio_dialogue.hpp"
#include "stream_dialogue.hpp"

#include <cerrno>
#include <cfenv>
#include <cstdio>
#include <cstring>

// Three reports of t and u: for the built-in zeros, then for values typed through the standard
// streams, then for values typed through printf and scanf_s. Each phase starts from the values
// the one before it left. The exit status is 0 unless standard output could not be written.
int main()
{
    // Start-up code linked in by flags such as -Ofast flushes subnormals to zero; the formulas
    // need plain IEEE arithmetic.
    std::fesetenv(FE_DFL_ENV);

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double t = 0.0;
    double u = 0.0;

    stream_dialogue::report_current(x, y, z);
    formula::evaluate(x, y, z, t, u);
    stream_dialogue::report_results(t, u);

    stream_dialogue::read_variables(x, y, z);
    formula::evaluate(x, y, z, t, u);
    stream_dialogue::report_results(t, u);

    stdio_dialogue::read_variables(x, y, z);
    formula::evaluate(x, y, z, t, u);
    stdio_dialogue::report_results(t, u);

    platform::pause();

    // Results that could not be written make a failed run, whatever was typed.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "calculator: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
