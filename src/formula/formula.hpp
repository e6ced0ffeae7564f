#pragma once

// The two formulas of the calculator and the one rule on their inputs:
//   t = sqrt(x) - cos(z) / (1 + (y - x)^2)
//   u = x * (sin(y) + cos(z))
namespace formula {

// x stands under a square root, so values below zero are refused; NaN and +infinity pass.
bool x_is_valid(double x);

// Expects an x for which x_is_valid holds.
void evaluate(double x, double y, double z, double& t, double& u);

} // namespace formula
