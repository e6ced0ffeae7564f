// formula_test TABLE [SLACK]: evaluate and x_is_valid against each row of the table. Prints the
// rows that differ, with what came out to the last digit; a row marked ~ may be SLACK units in the
// last place off. The sign of zero counts, and nan stands for any NaN.
#include "formula.hpp"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

static bool near(double got, double want, int ulps)
{
    while (ulps-- > 0 && got != want && !std::isnan(want)) {
        got = std::nextafter(got, want);
    }
    return std::isnan(want) ? std::isnan(got)
                            : got == want && std::signbit(got) == std::signbit(want);
}

int main(int argc, char** argv)
{
    // As the calculator's main does, for a build linked with -ffast-math.
    std::fesetenv(FE_DFL_ENV);
    std::ifstream table(argc > 1 ? argv[1] : "");
    // Unlike stod, strtod takes subnormals as they are.
    const auto number = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
    int rows = 0;
    int failed = 0;
    for (std::string line; std::getline(table, line);) {
        std::string x, y, z, t, u, mark;
        std::istringstream(line) >> x >> y >> z >> t >> u >> mark;
        if (x.empty() || x[0] == '#') {
            continue;
        }
        const bool refused = y == "refused";
        const int ulps = mark == "~" && argc > 2 ? std::atoi(argv[2]) : 0;
        double t_got = 0;
        double u_got = 0;
        if (!refused) {
            formula::evaluate(number(x), number(y), number(z), t_got, u_got);
        }
        ++rows;
        if (formula::x_is_valid(number(x)) == refused ||
            (!refused && !(near(t_got, number(t), ulps) && near(u_got, number(u), ulps)))) {
            std::printf("%s\n  gives t = %.17g, u = %.17g\n", line.c_str(), t_got, u_got);
            ++failed;
        }
    }
    std::printf("%d rows, %d differ\n", rows, failed);
    return rows > 0 && failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
