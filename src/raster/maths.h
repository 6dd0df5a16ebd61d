// Sine, cosine and hypotenuse computed by the program itself, so that every platform draws the
// same pictures: the C runtimes' own functions differ in the last bit now and then (Windows'
// x87 instructions, or glibc's two builds for processors with and without fused multiply-add).
// Each returns the exact result correctly rounded, up to an error below 2^-100 of the result
// (sine and cosine: for |x| < 6.5e6, far beyond any angle the effects reach).
#pragma once

namespace orv {

double Sin(double x);
double Cos(double x);
double Hypot(double x, double y);

// Sine and cosine in double-double arithmetic alone. Sin and Cos first try plain doubles with
// a bound on their error and fall back to these when that cannot decide the rounding; the
// results are the same, these are only slower (for tests and measurements).
double SinDoubleDouble(double x);
double CosDoubleDouble(double x);

} // namespace orv
