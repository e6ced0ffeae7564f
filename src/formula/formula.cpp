#include "formula.hpp"

#include <cfloat>
#include <cmath>

// Every step must be rounded to double on its own: the build turns off contraction into fused
// multiply-add, and this stops anything that would compute in wider precision or reorder.
#if defined(__FAST_MATH__) || FLT_EVAL_METHOD != 0
#error "formula needs IEEE double arithmetic, step by step"
#endif

namespace formula {

bool x_is_valid(double x)
{
    // Not "x >= 0": NaN must pass, only an ordered comparison below zero refuses.
    return !(x < 0.0);
}

void evaluate(double x, double y, double z, double& t, double& u)
{
    const double a = std::sqrt(x);
    const double b = std::cos(z);
    const double d = y - x;
    const double h = std::pow(d, 2.0);
    const double q = 1.0 + h;
    t = a - (b / q);

    // Each formula is computed as it is written, on its own: cos(z) again, not b reused.
    const double s = std::sin(y);
    const double c = std::cos(z);
    u = x * (s + c);
}

} // namespace formula
