#include "formula.hpp"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iomanip>
#include <sstream>
#include <string>

namespace {

// Unlike std::stod, takes subnormals as they are.
double number(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

// Equal to the last bit, the sign of zero included; NaN stands for any NaN.
bool same(double actual, const std::string& expected)
{
    const double e = number(expected);
    return std::isnan(e) ? std::isnan(actual)
                         : actual == e && std::signbit(actual) == std::signbit(e);
}

TEST(Formula, MatchesTheTable)
{
    std::ifstream table(FORMULA_CASES);
    ASSERT_TRUE(table.is_open()) << FORMULA_CASES;
    for (std::string line; std::getline(table, line);) {
        std::istringstream row(line);
        std::string x, y, z, t, u;
        row >> x >> y >> z >> t >> u;
        if (x.empty() || x[0] == '#') {
            continue;
        }
        SCOPED_TRACE(line);
        const bool refused = y == "refused";
        EXPECT_NE(formula::x_is_valid(number(x)), refused);
        if (!refused) {
            double t_got = 0;
            double u_got = 0;
            formula::evaluate(number(x), number(y), number(z), t_got, u_got);
            EXPECT_TRUE(same(t_got, t) && same(u_got, u))
                << std::setprecision(17) << "t = " << t_got << ", u = " << u_got;
        }
    }
}

} // namespace
