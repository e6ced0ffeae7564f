#pragma once

// The dialogue written with printf and scanf_s: results in fixed notation, six decimals.
namespace stdio_dialogue {

// Asks for x until it is valid, then for y and z. A read that finds no number leaves its value
// as it was.
void read_variables(double& x, double& y, double& z);

// Three lines, with no empty line after them.
void report_results(double t, double u);

} // namespace stdio_dialogue
