#include "stream_dialogue.hpp"

#include "formula.hpp"

#include <iostream>

// std::cin is tied to std::cout, so every prompt is flushed before its read waits.

namespace stream_dialogue {

namespace {

// Windows tools save text with a UTF-8 byte order mark; at the start of the input it is no
// answer. Looking at the first byte waits for it, as the read after it would.
void skip_byte_order_mark()
{
    for (const int mark : {0xEF, 0xBB, 0xBF}) {
        if (std::cin.peek() != mark) {
            return;
        }
        std::cin.get();
    }
}

} // namespace

void report_current(double x, double y, double z)
{
    std::cout << "Current x: " << x << std::endl;
    std::cout << "Current y: " << y << std::endl;
    std::cout << "Current z: " << z << std::endl;
}

void read_variables(double& x, double& y, double& z)
{
    std::cout << "Enter x: ";
    skip_byte_order_mark();
    std::cin >> x;
    // Once the stream has failed it leaves x as it is, and asking again would never end.
    while (!formula::x_is_valid(x) && std::cin) {
        std::cout << "Invalid x value!" << std::endl << "Enter new x: ";
        std::cin >> x;
    }
    std::cout << "Enter y: ";
    std::cin >> y;
    std::cout << "Enter z: ";
    std::cin >> z;
}

void report_results(double t, double u)
{
    std::cout << "Result:" << std::endl;
    std::cout << "t = " << t << std::endl;
    std::cout << "u = " << u << std::endl;
    std::cout << std::endl;
}

} // namespace stream_dialogue
