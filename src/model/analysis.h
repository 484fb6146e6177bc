// The theory of the linear loop (no saturation, no dead zone, no end stops), and the span of a
// laboratory run.
#pragma once

#include <array>
#include <complex>

#include "model/loop.h"

namespace model {

// The open loop from U1 to Vs is G·(Ks/N)·Kt / (s·((L s + R)(J s + f) + Ke·Kt)), so the closed
// loop's characteristic polynomial is a3 s³ + a2 s² + a1 s + a0 with
//   a3 = L·J,  a2 = L·f + R·J,  a1 = R·f + Ke·Kt,  a0 = G·Ks·Kt/N.
std::array<double, 4> Characteristic(const Parameters& p, double gain);  // {a0, a1, a2, a3}

// Routh: the loop is stable while a2·a1 > a3·a0; the gain where they are equal.
double CriticalGain(const Parameters& p);

// Kv = G·Ks·Kt/(N·(R·f + Ke·Kt)), 1/s: a ramp of slope a (V/s) is followed with a lag of a/Kv.
double VelocityConstant(const Parameters& p, double gain);

// The three roots of the characteristic polynomial, the slowest (largest real part) first; of
// a complex pair, the root with the positive imaginary part comes first.
std::array<std::complex<double>, 3> ClosedLoopPoles(const Parameters& p, double gain);

// The textbook second-order model with the inductance neglected: the open loop is then
// G·K/(s·(1 + τm s)) with τm = R·J/(R·f + Ke·Kt), Km = Kt/(R·f + Ke·Kt) and K = Ks·Km/N.
// overshootPct is 0 and peakTime NaN when zeta ≥ 1; every figure is NaN for a gain ≤ 0.
struct SecondOrder {
    double zeta, wn, overshootPct, peakTime;
};
SecondOrder Approximation(const Parameters& p, double gain);

// T(jω) = a0/(a3 (jω)³ + a2 (jω)² + a1 jω + a0): the linear closed loop from Ve to Vs, the
// inductance included, at the angular frequency ω (rad/s).
std::complex<double> ClosedLoopResponse(const Parameters& p, double gain, double omega);

// The period of the loop's own oscillation (s): the saturated limit cycle's at the critical
// frequency √(a1/a3) above the critical gain, otherwise that of the slowest pair of complex
// poles when it is the slowest pole; infinity when the loop does not oscillate.
double OscillationPeriod(const Parameters& p, const Settings& s);

// A span for a run (1, 2 or 5 times a power of ten, seconds, within 0.01..20 s) in which the
// response fits the 159 frames of a lesson.
double ChooseSpan(const Parameters& p, const Settings& s, const SetPoint& sp);

// True when `columns` columns over the span give fewer than 10 columns per period of the sine
// set point or of the loop's own oscillation (the charts must then show each column's range).
bool NeedsPeakDetect(const Parameters& p, const Settings& s, const SetPoint& sp, int columns);

}  // namespace model
