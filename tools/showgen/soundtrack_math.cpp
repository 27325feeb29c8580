#include "soundtrack_math.h"

#include <cmath>

namespace synth {

namespace {

constexpr double kLn2 = 0.69314718055994530942;

// Taylor series of sin on [-pi/2, pi/2]: the 12th term is below 1e-19.
double SinReduced(double x) {
    double x2 = x * x;
    double term = x;
    double sum = x;
    for (int k = 1; k <= 12; ++k) {
        term *= -x2 / static_cast<double>((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

}  // namespace

double Sin(double x) {
    // Into [-pi, pi], then fold onto [-pi/2, pi/2] by sin(pi - x) = sin(x).
    x -= 2.0 * kPi * std::floor(x / (2.0 * kPi) + 0.5);
    if (x > 0.5 * kPi) x = kPi - x;
    if (x < -0.5 * kPi) x = -kPi - x;
    return SinReduced(x);
}

double Cos(double x) { return Sin(x + 0.5 * kPi); }

double Tan(double x) { return Sin(x) / Cos(x); }

double Exp(double x) {
    if (x < -740.0) return 0.0;
    if (x > 700.0) x = 700.0;
    // exp(x) = 2^k exp(r) with |r| <= ln2 / 2; the series to r^16 is exact
    // to double precision there, and ldexp is an exact scaling.
    double k = std::floor(x / kLn2 + 0.5);
    double r = x - k * kLn2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 16; ++n) {
        term *= r / static_cast<double>(n);
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

double Log2(double x) {
    if (!(x > 0.0)) return -1074.0;
    int e = 0;
    double m = std::frexp(x, &e);  // exact: x = m 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        --e;
    }
    // ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| <= 0.172: terms to s^25.
    double s = (m - 1.0) / (m + 1.0);
    double s2 = s * s;
    double power = s;
    double sum = s;
    for (int k = 3; k <= 25; k += 2) {
        power *= s2;
        sum += power / static_cast<double>(k);
    }
    return static_cast<double>(e) + 2.0 * sum / kLn2;
}

double Pow2(double x) { return Exp(x * kLn2); }

double NoteHz(double note) { return 440.0 * Pow2((note - 69.0) / 12.0); }

float DecayPerSample(double seconds) {
    if (seconds <= 0.0) return 0.0f;
    return static_cast<float>(Exp(-1.0 / (seconds * kRate)));
}

const float* SineTable() {
    static const struct Table {
        float v[kSineSize + 1];
        Table() {
            for (int i = 0; i <= kSineSize; ++i)
                v[i] = static_cast<float>(Sin(2.0 * kPi * static_cast<double>(i) / kSineSize));
        }
    } table;
    return table.v;
}

}  // namespace synth
