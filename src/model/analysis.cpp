#include "model/analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace model {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Km, rad/s per volt: the motor's speed under a constant voltage, once the current and the
// speed have settled (R·i = u − Ke·ω and Kt·i = f·ω).
double MotorSpeedGain(const Parameters& p) {
    return p.Kt / (p.R * p.f + p.Ke * p.Kt);
}

using Complex = std::complex<double>;

Complex Evaluate(const std::array<double, 4>& a, Complex s) {
    return ((a[3] * s + a[2]) * s + a[1]) * s + a[0];
}

// One or two Newton steps bring a root found by deflation back onto the full polynomial; a step
// is only kept when it brings the polynomial closer to zero.
Complex Polish(const std::array<double, 4>& a, Complex s) {
    for (int n = 0; n < 3; ++n) {
        const Complex slope = (3 * a[3] * s + 2 * a[2]) * s + a[1];
        if (slope == Complex(0)) break;
        const Complex next = s - Evaluate(a, s) / slope;
        if (!(std::abs(Evaluate(a, next)) < std::abs(Evaluate(a, s)))) break;
        s = next;
    }
    return s;
}

// The smallest of 1, 2 or 5 times a power of ten that is not below x, within 0.01..20 s.
double RoundUpNice(double x) {
    if (!(x > 0.01)) return 0.01;
    if (!(x < 20)) return 20;
    const double decade = std::pow(10.0, std::floor(std::log10(x)));
    for (const double m : {1.0, 2.0, 5.0}) {
        // A hair of tolerance so that a figure that is already nice is not pushed up a notch.
        if (m * decade * (1 + 1e-9) >= x) return m * decade;
    }
    return 10 * decade;
}

}  // namespace

std::array<double, 4> Characteristic(const Parameters& p, double gain) {
    return {gain * p.sensorGain * p.Kt / p.gearRatio, p.R * p.f + p.Ke * p.Kt,
            p.L * p.f + p.R * p.J, p.L * p.J};
}

double CriticalGain(const Parameters& p) {
    // a0 is proportional to G: a0 = G·a0(1).
    const auto a = Characteristic(p, 1);
    return a[2] * a[1] / (a[3] * a[0]);
}

double VelocityConstant(const Parameters& p, double gain) {
    return gain * p.sensorGain * MotorSpeedGain(p) / p.gearRatio;
}

std::array<Complex, 3> ClosedLoopPoles(const Parameters& p, double gain) {
    const auto a = Characteristic(p, gain);
    // Monic form s³ + b s² + c s + d. A real root lies within Cauchy's bound, where the cubic
    // changes sign: halving the bracket finds it to the last bit.
    const double b = a[2] / a[3], c = a[1] / a[3], d = a[0] / a[3];
    auto cubic = [&](double s) { return ((s + b) * s + c) * s + d; };
    double lo = -1 - std::max({std::abs(b), std::abs(c), std::abs(d)}), hi = -lo;
    for (int n = 0; n < 2000; ++n) {
        const double mid = 0.5 * (lo + hi);
        if (!(mid > lo && mid < hi)) break;
        (cubic(mid) < 0 ? lo : hi) = mid;
    }
    const double r = 0.5 * (lo + hi);
    // The other two roots: s² + q1 s + q0 = (s³ + b s² + c s + d)/(s − r).
    const double q1 = b + r, q0 = c + r * q1;
    const double disc = q1 * q1 - 4 * q0;
    if (disc < 0) {
        const Complex upper = Polish(a, Complex(-q1 / 2, std::sqrt(-disc) / 2));
        const Complex pair = Complex(upper.real(), std::abs(upper.imag()));
        if (pair.real() >= r) return {pair, std::conj(pair), Complex(r)};
        return {Complex(r), pair, std::conj(pair)};
    }
    // Real roots, the larger one in magnitude first so that the other one keeps its precision.
    const double big = -(q1 + std::copysign(std::sqrt(disc), q1)) / 2;
    const double small = big != 0 ? q0 / big : 0;
    std::array<Complex, 3> roots = {Complex(r), Polish(a, Complex(big)), Polish(a, Complex(small))};
    std::sort(roots.begin(), roots.end(), [](Complex x, Complex y) { return x.real() > y.real(); });
    return roots;
}

SecondOrder Approximation(const Parameters& p, double gain) {
    if (!(gain > 0)) return {kNaN, kNaN, kNaN, kNaN};
    // Closed loop: τm s² + s + G·K = 0, so wn² = G·K/τm and 2·zeta·wn = 1/τm.
    const double taum = p.R * p.J / (p.R * p.f + p.Ke * p.Kt);
    const double k = p.sensorGain * MotorSpeedGain(p) / p.gearRatio;
    SecondOrder out{};
    out.wn = std::sqrt(gain * k / taum);
    out.zeta = 1 / (2 * std::sqrt(gain * k * taum));
    if (out.zeta >= 1) {
        out.overshootPct = 0;
        out.peakTime = kNaN;
    } else {
        const double root = std::sqrt(1 - out.zeta * out.zeta);
        out.overshootPct = 100 * std::exp(-std::numbers::pi * out.zeta / root);
        out.peakTime = std::numbers::pi / (out.wn * root);
    }
    return out;
}

Complex ClosedLoopResponse(const Parameters& p, double gain, double omega) {
    const auto a = Characteristic(p, gain);
    return a[0] / Evaluate(a, Complex(0, omega));
}

double OscillationPeriod(const Parameters& p, const Settings& s) {
    if (s.saturation && s.gain >= CriticalGain(p)) {
        const auto a = Characteristic(p, s.gain);
        return 2 * std::numbers::pi / std::sqrt(a[1] / a[3]);
    }
    const Complex slowest = ClosedLoopPoles(p, s.gain)[0];
    return slowest.imag() != 0 ? 2 * std::numbers::pi / std::abs(slowest.imag()) : kInf;
}

bool NeedsPeakDetect(const Parameters& p, const Settings& s, const SetPoint& sp, int columns) {
    double period = OscillationPeriod(p, s);
    if (sp.shape == Shape::Sine && sp.frequency > 0) period = std::min(period, 1 / sp.frequency);
    return sp.span * 10 > columns * period;
}

// The span must show what the loop does, whatever the pupil asked for:
//  - a stable loop has come within 5 % of its final value after about 3/|Re p| of its slowest
//    (dominant) pole. We allow twice that: the response then fits in the first half of the run
//    and the loop is seen at rest over the second half, well within 2 % over the last fifth
//    (the conclusion's test of a settled run). With only 1.5 times, loops damped between about 0.3
//    and 1 are still moving at the end of the run;
//  - an unstable loop, or one so little damped that its ringing outlasts that estimate (damping
//    below about 0.12), is shown over about 8 periods 2π/|Im p| of its oscillating pair, or of
//    the limit cycle that a saturated amplifier holds it to (OscillationPeriod);
//  - a saturated amplifier caps the speed at Km·Usat (Km·(Usat − U0) with the dead zone): the pen
//    needs |A|·N/(Ks·ωmax) at least to travel the set point's amplitude at full speed; we allow
//    twice that, for the same reason as above (a saturation within the dead zone holds the motor
//    still: there is nothing to wait for);
//  - a ramp or a trapezoid follows the same rule: since the span also sets their slopes, the
//    travel rule keeps a ramp's slope within half the pen's top speed;
//  - a sine is shown for at least 2 of its periods.
// The figure is then rounded up to the 1-2-5 series, within 0.01..20 s. It is the shortest span
// that shows all this; when it still gives fewer than ten columns per period of the sine or of
// the loop's own oscillation (a fast sine on a slow loop, a slow sine on a limit cycle), the
// charts show each column's range (NeedsPeakDetect).
double ChooseSpan(const Parameters& p, const Settings& s, const SetPoint& sp) {
    const auto poles = ClosedLoopPoles(p, s.gain);
    const Complex slowest = poles[0];
    const double settle = slowest.real() == 0 ? kInf : 2 * 3 / std::abs(slowest.real());
    // Above Gc with a saturated amplifier, the oscillation is the limit cycle's, near the
    // critical frequency, however fast the linear poles turn.
    const double period = OscillationPeriod(p, s);
    const double ringing = std::isfinite(period) ? 8 * period : kInf;
    double span =
        slowest.real() < 0 ? std::min(settle, ringing) : (slowest.imag() != 0 ? ringing : settle);
    if (s.saturation) {
        const double drive = s.usat - (s.deadZone ? s.u0 : 0);
        const double speed = MotorSpeedGain(p) * std::max(drive, 0.0);  // rad/s
        const double angle = std::abs(sp.amplitude) * p.gearRatio / p.sensorGain;
        if (angle > 0 && speed > 0) span = std::max(span, 2 * angle / speed);
    }
    if (sp.shape == Shape::Sine && sp.frequency > 0) span = std::max(span, 2 / sp.frequency);
    return RoundUpNice(span);
}

}  // namespace model
