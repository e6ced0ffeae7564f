#pragma once

// The dialogue written with std::cout and std::cin: results in the stream's default notation.
namespace stream_dialogue {

void report_current(double x, double y, double z);

// Asks for x until it is valid, then for y and z. The read that finds no number sets its value
// to 0, and once one has, no later read changes a value.
void read_variables(double& x, double& y, double& z);

// Four lines, the last one empty.
void report_results(double t, double u);

} // namespace stream_dialogue
