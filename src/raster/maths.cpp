// Double-double arithmetic (each value an unevaluated sum of two doubles, about 106 bits), with
// plain IEEE operations only: the same bits on every platform built without contraction.
#include "raster/maths.h"

#include <cmath>
#include <utility>

namespace orv {

namespace {

struct DD {
    double hi, lo;
};

DD TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// |a| >= |b|.
DD FastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product (no fused multiply-add, which not every build has).
DD TwoProd(double a, double b) {
    constexpr double Splitter = 134217729.0; // 2^27 + 1
    const double p = a * b;
    const double ta = Splitter * a, tb = Splitter * b;
    const double ah = ta - (ta - a), al = a - ah;
    const double bh = tb - (tb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DD Add(DD a, DD b) {
    DD s = TwoSum(a.hi, b.hi);
    const DD t = TwoSum(a.lo, b.lo);
    s = FastTwoSum(s.hi, s.lo + t.hi);
    return FastTwoSum(s.hi, s.lo + t.lo);
}

DD Mul(DD a, DD b) {
    const DD p = TwoProd(a.hi, b.hi);
    return FastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

// pi/2 as four 30-bit parts (each times an integer below 2^23 is exact) and a last part.
constexpr double HalfPi[5] = {0x1.921fb54p+0, 0x1.10b46118p-30, 0x1.313198ap-61, 0x1.701b8398p-92,
                              0x1.129024e088a68p-123};
constexpr double TwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double ReducibleLimit = 6.5e6; // k below 2^22

// (-1)^n / (2n+1)! and (-1)^n / (2n)!, n = 1.., enough terms for |r| <= 0.8.
constexpr DD SinTerms[13] = {{-0x1.5555555555555p-3, -0x1.5555555555555p-57},
                             {0x1.1111111111111p-7, 0x1.1111111111111p-63},
                             {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
                             {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
                             {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
                             {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
                             {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
                             {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
                             {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112},
                             {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
                             {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130},
                             {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
                             {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149}};
constexpr DD CosTerms[14] = {{-0x1.0000000000000p-1, 0.0},
                             {0x1.5555555555555p-5, 0x1.5555555555555p-59},
                             {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
                             {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
                             {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
                             {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
                             {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
                             {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
                             {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107},
                             {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
                             {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124},
                             {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
                             {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd16540p-143},
                             {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153}};

// x = k * pi/2 + r, |r| <= about pi/4; returns k mod 4.
int Reduce(double x, DD* r) {
    const double k = std::floor(x * TwoOverPi + 0.5);
    // x - k * HalfPi[0] is exact (both within a factor of two of each other, or k is 0).
    DD v{x - k * HalfPi[0], 0.0};
    for (int i = 1; i < 4; ++i) v = Add(v, DD{-k * HalfPi[i], 0.0});
    *r = Add(v, TwoProd(-k, HalfPi[4]));
    return int(static_cast<long long>(k) & 3);
}

DD SinSeries(DD r) {
    const DD r2 = Mul(r, r);
    // The terms from r^17 on weigh below 2^-53 of the result: plain doubles carry them well
    // enough (their error stays below 2^-105).
    double tail = SinTerms[12].hi;
    for (int i = 11; i >= 7; --i) tail = SinTerms[i].hi + r2.hi * tail;
    DD p{tail, 0.0};
    for (int i = 6; i >= 0; --i) p = Add(SinTerms[i], Mul(r2, p));
    return Add(r, Mul(r, Mul(r2, p)));
}

DD CosSeries(DD r) {
    const DD r2 = Mul(r, r);
    // The same from r^18 on (below 2^-57 of the result).
    double tail = CosTerms[13].hi;
    for (int i = 12; i >= 8; --i) tail = CosTerms[i].hi + r2.hi * tail;
    DD p{tail, 0.0};
    for (int i = 7; i >= 0; --i) p = Add(CosTerms[i], Mul(r2, p));
    return Add(DD{1.0, 0.0}, Mul(r2, p));
}

// The fast path: for |x| below FastLimit every k * HalfPi[i] is exact (k below 2^16), so a
// reduction in plain doubles errs by under 2^-95 in absolute terms: x - k * HalfPi[0] and the
// two-sum with k * HalfPi[1] are exact, and the three later terms (each below 2^-44) add three
// roundings of at most 2^-97 each.
constexpr double FastLimit = 65536.0;
constexpr double ReductionError = 0x1p-94;
// The series below err by under 2^-65 of their result (bounds at SinFast and CosFast), the
// double-double sums and products by under 2^-100: 2^-63 leaves a margin of four.
constexpr double SeriesError = 0x1p-63;

// k is x * 2/pi rounded to an integer by adding and removing 1.5 * 2^52 (any nearby integer
// does: |r| stays within pi/4 plus a rounding, which the series' bounds allow for).
int ReduceFast(double x, DD* r) {
    constexpr double Rounder = 0x1.8p52;
    const double k = (x * TwoOverPi + Rounder) - Rounder;
    const DD s = TwoSum(x - k * HalfPi[0], -k * HalfPi[1]);
    *r = TwoSum(s.hi, ((s.lo - k * HalfPi[2]) - k * HalfPi[3]) - k * HalfPi[4]);
    return int(static_cast<long long>(k) & 3);
}

// r^2 in double-double; r.lo^2 (below 2^-106 r^2) is dropped.
DD Square(DD r) {
    const DD z = TwoProd(r.hi, r.hi);
    return FastTwoSum(z.hi, z.lo + 2.0 * r.hi * r.lo);
}

// c0 + z (c1 + z (c2 + z t)) for z = r^2 <= 0.62: the first three coefficients in double-double,
// t, the rest of the series up to terms[last], in plain doubles by Horner's rule. t errs by under
// 2^-49 relative (each step adds a term over 100 times larger than the one before), its product
// with z.hi by under 2^-48.5; that error reaches the sum shrunk by each level's ratio to the
// coefficient below it.
DD Series(const DD* terms, int last, DD z) {
    double t = terms[last].hi;
    for (int i = last - 1; i >= 3; --i) t = terms[i].hi + z.hi * t;
    const DD p = Add(terms[1], Mul(z, Add(terms[2], DD{z.hi * t, 0.0})));
    return Add(terms[0], Mul(z, p));
}

// sin r = r + r z Series (truncated after r^21: below 2^-80). The levels shrink the error of
// z t by 2^-6, 2^-6 and 2^-5, and r z Series weighs under 0.11 of the result: below 2^-68.
DD SinFast(DD r) {
    const DD z = Square(r);
    return Add(r, Mul(Mul(r, z), Series(SinTerms, 9, z)));
}

// cos r = 1 + z Series (truncated after r^22: below 2^-85). The levels shrink by 2^-6, 2^-5.5
// and 2^-4.2, and z Series weighs under 0.45 of the result: below 2^-65.
DD CosFast(DD r) {
    const DD z = Square(r);
    return Add(DD{1.0, 0.0}, Mul(z, Series(CosTerms, 10, z)));
}

// Ziv's test: v (normalised) lies within err of the exact result, with err above 2^-98 of it.
// When both ends of v +- err round to the same double, so does the exact result (rounding is
// monotonic; the rounding of v.lo +- err, below 2^-106 v.hi + 2^-53 err, stays inside err's
// margin), and so does the double-double path, which stays within 2^-100 of it.
bool Settled(DD v, double err, double* out) {
    const double up = v.hi + (v.lo + err);
    if (up != v.hi + (v.lo - err)) return false;
    *out = up;
    return true;
}

// quadrant: 0 for sine, 1 for cosine (a quarter turn ahead).
bool SinCosFast(double x, int quadrant, double* out) {
    if (!(std::fabs(x) < FastLimit)) return false;
    DD r;
    quadrant += ReduceFast(x, &r);
    const DD v = quadrant & 1 ? CosFast(r) : SinFast(r);
    if (!Settled(v, ReductionError + SeriesError * std::fabs(v.hi), out)) return false;
    if (quadrant & 2) *out = -*out;
    return true;
}

double Round(DD v, bool negate) {
    const double d = v.hi + v.lo;
    return negate ? -d : d;
}

} // namespace

double Sin(double x) {
    if (!std::isfinite(x)) return x - x; // NaN
    if (std::fabs(x) < 0x1p-26) return x;
    double y;
    if (SinCosFast(x, 0, &y)) return y;
    return SinDoubleDouble(x);
}

double Cos(double x) {
    if (!std::isfinite(x)) return x - x;
    if (std::fabs(x) < 0x1p-27) return 1.0;
    double y;
    if (SinCosFast(x, 1, &y)) return y;
    return CosDoubleDouble(x);
}

double SinDoubleDouble(double x) {
    if (!std::isfinite(x)) return x - x; // NaN
    if (std::fabs(x) < 0x1p-26) return x;
    if (std::fabs(x) >= ReducibleLimit) return std::sin(x);
    DD r;
    switch (Reduce(x, &r)) {
    case 0:
        return Round(SinSeries(r), false);
    case 1:
        return Round(CosSeries(r), false);
    case 2:
        return Round(SinSeries(r), true);
    default:
        return Round(CosSeries(r), true);
    }
}

double CosDoubleDouble(double x) {
    if (!std::isfinite(x)) return x - x;
    if (std::fabs(x) < 0x1p-27) return 1.0;
    if (std::fabs(x) >= ReducibleLimit) return std::cos(x);
    DD r;
    switch (Reduce(x, &r)) {
    case 0:
        return Round(CosSeries(r), false);
    case 1:
        return Round(SinSeries(r), true);
    case 2:
        return Round(CosSeries(r), true);
    default:
        return Round(SinSeries(r), false);
    }
}

double Hypot(double x, double y) {
    x = std::fabs(x);
    y = std::fabs(y);
    if (std::isinf(x) || std::isinf(y)) return INFINITY;
    if (std::isnan(x) || std::isnan(y)) return x + y;
    if (x < y) std::swap(x, y);
    // (y/x)^2 below 2^-120 cannot move the result off x.
    if (y <= x * 0x1p-60) return x;
    // Powers of two keep the squares in range and change nothing else.
    double scale = 1.0;
    if (x > 0x1p500) {
        x *= 0x1p-600;
        y *= 0x1p-600;
        scale = 0x1p600;
    } else if (x < 0x1p-450) {
        x *= 0x1p600;
        y *= 0x1p600;
        scale = 0x1p-600;
    }
    const DD s = Add(TwoProd(x, x), TwoProd(y, y));
    const double h = std::sqrt(s.hi);
    // One Newton step from the double square root: h + (s - h^2) / 2h.
    const DD hh = TwoProd(h, h);
    const double e = ((s.hi - hh.hi) - hh.lo) + s.lo;
    return (h + e / (2.0 * h)) * scale;
}

} // namespace orv
