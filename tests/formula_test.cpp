// formula_test TABLE [SLACK]: evaluate and x_is_valid against every row of the table; prints each
// row that differs with what came out, to the last digit. Rows marked ~ may be SLACK units in the
// last place off.
#include "formula.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// The sign of zero counts; nan stands for any NaN.
static bool near(double got, double want, int ulps)
{
    for (int i = 0; i < ulps && got != want && !std::isnan(want); ++i) {
        got = std::nextafter(got, want);
    }
    return std::isnan(want) ? std::isnan(got)
                            : got == want && std::signbit(got) == std::signbit(want);
}

int main(int argc, char** argv)
{
    std::ifstream table(argc > 1 ? argv[1] : "");
    // Unlike stod, strtod takes subnormals as they are.
    const auto number = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
    int passed = 0;
    int failed = 0;
    for (std::string line; std::getline(table, line);) {
        std::istringstream row(line);
        std::string x, y, z, t, u, mark;
        row >> x >> y >> z >> t >> u >> mark;
        if (x.empty() || x[0] == '#') {
            continue;
        }
        const int ulps = mark == "~" && argc > 2 ? std::atoi(argv[2]) : 0;
        double t_got = 0;
        double u_got = 0;
        bool right = formula::x_is_valid(number(x)) != (y == "refused");
        if (y != "refused") {
            formula::evaluate(number(x), number(y), number(z), t_got, u_got);
            right = right && near(t_got, number(t), ulps) && near(u_got, number(u), ulps);
        }
        if (!right) {
            std::printf("%s\n  gives t = %.17g, u = %.17g\n", line.c_str(), t_got, u_got);
        }
        ++(right ? passed : failed);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return passed > 0 && failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
