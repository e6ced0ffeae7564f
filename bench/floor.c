/* The floor for one session's cost: six numbers in, the two formulas, two reports out, and
   nothing else. Built static, as small a program as C makes. */
#include <math.h>
#include <stdio.h>

static void report(double x, double y, double z)
{
    double t = sqrt(x) - cos(z) / (1.0 + pow(y - x, 2.0));
    double u = x * (sin(y) + cos(z));
    printf("t = %f\nu = %f\n", t, u);
}

int main(void)
{
    double x = 0.0, y = 0.0, z = 0.0;
    for (int phase = 0; phase < 2; ++phase) {
        if (scanf("%lf %lf %lf", &x, &y, &z) != 3) {
            return 1;
        }
        report(x, y, z);
    }
    return 0;
}
