#include "formula.hpp"
#include "platform.hpp"
#include "stdio_dialogue.hpp"
#include "stream_dialogue.hpp"

#include <cfenv>
#include <cstdio>
#include <cstring>

namespace {

// One line on standard error, naming the cause where it is known.
void report(const char* what, int error)
{
    if (error != 0) {
        std::fprintf(stderr, "calculator: %s error: %s\n", what, std::strerror(error));
    } else {
        std::fprintf(stderr, "calculator: %s error\n", what);
    }
}

// A read that failed ended the reading as the end of the input does; unlike the end, it fails
// the run. The pause's read of a key leaves stdin's flags alone.
int finish_input()
{
    const int error = platform::input_error();
    if (std::ferror(stdin) == 0 && error == 0) {
        return 0;
    }
    report("read", error);
    return 1;
}

// Closed here, once the pause has flushed it, not left to the exit, so that a failure fails the
// run, whatever was typed; some file systems first report a failed write at the close. The cause
// named is the first failed write's, where the platform keeps it, else the close's.
int finish_output()
{
    const int close_error = platform::close_output();
    if (std::ferror(stdout) == 0 && close_error == 0) {
        return 0;
    }
    const int write_error = platform::output_error();
    report("write", write_error != 0 ? write_error : close_error);
    return 1;
}

} // namespace

// Three reports of t and u: for the built-in zeros, then for values typed through the standard
// streams, then for values typed through printf and scanf_s. Each phase starts from the values
// the one before it left. The exit status is 0 unless standard input could not be read or
// standard output could not be written.
int main()
{
    // Start-up code linked in by flags such as -Ofast flushes subnormals to zero; the formulas
    // need plain IEEE arithmetic.
    std::fesetenv(FE_DFL_ENV);
    platform::use_waiting_streams();

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
    const int read_status = finish_input();
    const int write_status = finish_output();
    return read_status != 0 ? read_status : write_status;
}
