#pragma once

// The two formulas of the calculator and the one rule on their inputs:
//   t = sqrt(x) - cos(z) / (1 + (y - x)^2)
//   u = x * (sin(y) + cos(z))
namespace formula {

// x stands under a square root, so values below zero are refused; NaN and +infinity pass.
bool x_is_valid(double x);

// t and u, step by step. An x that x_is_valid refuses still comes here when the input ends while
// it is asked for again; t is then NaN, as sqrt of a number below zero is.
void evaluate(double x, double y, double z, double& t, double& u);

} // namespace formula
