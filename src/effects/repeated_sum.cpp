#include "effects/repeated_sum.h"

#include <cmath>

namespace orv {

namespace {
constexpr double TwoTo52 = 4503599627370496.0;
} // namespace

// Inside one binade of |x| (spacing u) the rounded sum |x| + s, s = +-|c|, is |x| + d u, with
// d the integer nearest s / u, as long as the sum stays inside the binade; a tie halfway
// between two multiples goes to the even one, and since the result is then even, so does every
// later tie. So the run of additions up to the binade's edge is one multiplication, and the
// addition that crosses the edge is done as it is.
double RepeatedSum(double x, double c, int64_t count) {
    while (count > 0) {
        if (c == 0.0 || !std::isfinite(c) || !std::isfinite(x)) return x + c; // then fixed
        int exponent = 0;
        std::frexp(x, &exponent); // |x| in [2^(exponent-1), 2^exponent)
        if (x == 0.0 || exponent < -960 || exponent > 1020) {
            x += c;
            --count;
            continue;
        }
        const double u = std::ldexp(1.0, exponent - 53);
        const double m = std::fabs(x) / u; // an integer in [2^52, 2^53)
        const double q = ((x > 0) == (c > 0) ? std::fabs(c) : -std::fabs(c)) / u;
        if (!(std::fabs(q) < TwoTo52)) {
            x += c;
            --count;
            continue;
        }
        const double floorQ = std::floor(q), fraction = q - floorQ;
        double d = fraction < 0.5 ? floorQ : floorQ + 1;
        if (fraction == 0.5) {
            if (std::fmod(m, 2.0) != 0.0) { // an odd start: this tie goes either way
                x += c;
                --count;
                continue;
            }
            d = std::fmod(floorQ, 2.0) == 0.0 ? floorQ : floorQ + 1;
        }
        // Whole steps that keep m + d * steps inside the binade, in integers (all below 2^53).
        const auto start = static_cast<int64_t>(m), step = static_cast<int64_t>(d);
        int64_t steps = 0;
        if (step > 0) {
            steps = (int64_t{1} << 53) - 1 - start;
            steps /= step;
        } else if (step < 0) {
            steps = (start - (int64_t{1} << 52) - 1) / -step;
        } else if (q >= 0 || start > int64_t{1} << 52) {
            return x; // each sum rounds back to x
        }
        if (steps > 0) {
            const int64_t n = steps < count ? steps : count;
            const double moved = double(start + n * step) * u; // exact: a multiple of u
            x = x > 0 ? moved : -moved;
            count -= n;
        }
        if (count > 0) {
            x += c;
            --count;
        }
    }
    return x;
}

} // namespace orv
