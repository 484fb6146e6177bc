// The servo loop's model against the closed forms of motor and loop theory.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

#include "model/analysis.h"

using namespace model;

namespace {

constexpr double kPi = 3.14159265358979323846;
const Parameters kP;
// Straight from the plant's constants: (L s + R)(J s + f) + Ke·Kt = a3 s² + a2 s + a1, and the
// loop's a0 = G·Ks·Kt/N per unit of gain.
const double kA1 = kP.R * kP.f + kP.Ke * kP.Kt, kA2 = kP.L * kP.f + kP.R * kP.J, kA3 = kP.L * kP.J;
const double kLoop = kP.sensorGain * kP.Kt / kP.gearRatio;
const double kCritical = kA2 * kA1 / (kA3 * kLoop);
const double kCriticalOmega = std::sqrt(kA1 / kA3);  // rad/s, where the phase reaches −180°

// A run sampled at n instants after its start, each rounded to the 0.1 ms grid so that runs with
// halved steps are sampled at the very same instants.
std::vector<Sample> Simulate(const Settings& s, const SetPoint& sp, int n = 159, double dt = 1e-4) {
    Loop loop;
    loop.setStepSize(dt);
    loop.SetSettings(s);
    std::vector<Sample> run{loop.Now(sp)};
    for (int k = 1; k <= n; ++k) {
        loop.Advance(std::round(k * sp.span / n / 1e-4) * 1e-4 - loop.time(), sp);
        run.push_back(loop.Now(sp));
    }
    return run;
}

// Peak-to-peak of Vs over [from, to).
double Swing(const std::vector<Sample>& run, double from, double to) {
    double lo = INFINITY, hi = -INFINITY;
    for (const Sample& s : run) {
        if (s.t >= from && s.t < to) lo = std::min(lo, s.vs), hi = std::max(hi, s.vs);
    }
    return hi - lo;
}

}  // namespace

// The trapezoid's rise and fall are half done at frames 19.5 and 118.5 of 159.
TEST(SetPoint, ShapesOverTheRun) {
    using enum Shape;
    const double rise = 19.5 / 159, fall = 118.5 / 159;
    const std::tuple<Shape, double, double> cases[] = {
        {Step, -0.1, 0},      {Ramp, 0.25, 0.5},    {Trapezoid, rise, 1}, {Trapezoid, 0.5, 2},
        {Trapezoid, fall, 1}, {Trapezoid, 0.95, 0}, {Sine, 0.125, 2}};
    for (const auto& [shape, t, ve] : cases) {
        EXPECT_NEAR(SetPoint{shape}.At(t), ve, 1e-12) << t;
    }
}

// Under a constant voltage the motor is the linear system (L s + R)(J s + f) + Ke·Kt, whose two
// real poles give ω(t) = ω∞·(1 + (p2·e^(p1 t) − p1·e^(p2 t))/(p1 − p2)) from rest.
TEST(Motor, SpeedAfterAVoltageStep) {
    const double disc = std::sqrt(kA2 * kA2 - 4 * kA3 * kA1);
    const double p1 = (-kA2 + disc) / (2 * kA3), p2 = (-kA2 - disc) / (2 * kA3);
    for (const double u : {12.0, -3.0}) {
        Motor motor;
        int steps = 0;
        for (const int until : {10, 30, 100, 400, 2000}) {  // instants, in 0.1 ms steps
            for (; steps < until; ++steps)
                motor.Step(1e-4, u);
            const double t = until * 1e-4;
            const double w =
                kP.Kt * u / kA1 * (1 + (p2 * std::exp(p1 * t) - p1 * std::exp(p2 * t)) / (p1 - p2));
            EXPECT_NEAR(motor.omega, w, 1e-6 * std::abs(w)) << "u " << u << " t " << t;
        }
    }
}

// The poles are the roots of a3 s³ + a2 s² + a1 s + G·kLoop: their sum, pairwise products and
// product are −a2/a3, a1/a3 and −a0/a3. Routh: stable while a2·a1 > a3·a0; at the limit two of
// them sit at ±j·√(a1/a3). Around it an oscillation dies away or grows as e^(σ t).
TEST(Stability, PolesAndCriticalGain) {
    for (const double gain : {2.0, 10.0, kCritical, 400.0}) {
        const auto p = ClosedLoopPoles(kP, gain);
        EXPECT_NEAR((p[0] + p[1] + p[2]).real(), -kA2 / kA3, 1e-9 * kA2 / kA3) << gain;
        EXPECT_NEAR((p[0] * p[1] + p[1] * p[2] + p[0] * p[2]).real(), kA1 / kA3, 1e-6 * kA1 / kA3);
        EXPECT_NEAR((p[0] * p[1] * p[2]).real(), -gain * kLoop / kA3, 1e-6 * gain * kLoop / kA3);
    }
    EXPECT_NEAR(CriticalGain(kP), kCritical, 1e-9 * kCritical);
    const std::complex<double> onAxis = ClosedLoopPoles(kP, kCritical)[0];
    EXPECT_LT(std::abs(onAxis - std::complex<double>(0, kCriticalOmega)), 1e-6 * kCriticalOmega);
    for (const double ratio : {0.95, 1.05}) {
        const SetPoint sp{.amplitude = 0.1, .span = 2};
        const auto run = Simulate({.gain = ratio * kCritical, .saturation = false}, sp, 4000);
        const double early = Swing(run, 0.2, 0.4), late = Swing(run, 1.6, 1.8);
        const double sigma = ClosedLoopPoles(kP, ratio * kCritical)[0].real();
        EXPECT_EQ(late > early, ratio > 1) << ratio;
        EXPECT_EQ(Measure(run, sp).oscillationPeriod.has_value(), ratio > 1) << ratio;
        EXPECT_NEAR(std::log(late / early) / 1.4, sigma, 0.1 * std::abs(sigma)) << ratio;
    }
}

// At twice the critical gain the saturated amplifier holds a limit cycle. The saturation is a
// real describing function N(a) = (2/π)(asin k + k√(1−k²)), k = Usat/(G·a): the cycle keeps the
// critical frequency, at the amplitude a where G·N(a) has come down to the critical gain. The
// motor never runs faster than under a steady Usat (its own step response does not overshoot).
TEST(Saturation, LimitCycleAtTwiceTheCriticalGain) {
    const Settings s{.gain = 2 * kCritical};
    const SetPoint sp{.span = 0.4};
    const auto run = Simulate(s, sp, 4000);
    for (const Sample& x : run) {
        ASSERT_LE(std::abs(x.u), s.usat) << x.t;
        ASSERT_LE(std::abs(x.omega), kP.Kt * s.usat / kA1) << x.t;
    }
    const Results r = Measure(run, sp);
    const double k = s.usat / (s.gain * r.oscillationAmplitude.value_or(0));
    EXPECT_NEAR(r.oscillationPeriod.value_or(NAN), 2 * kPi / kCriticalOmega,
                0.1 * kPi / kCriticalOmega);
    EXPECT_NEAR(s.gain * 2 / kPi * (std::asin(k) + k * std::sqrt(1 - k * k)), kCritical,
                0.1 * kCritical);
    EXPECT_LE(Swing(run, 0.3, 0.4), 1.1 * Swing(run, 0.1, 0.2));
}

// With a dead zone a set point within U0/G does not stir the pen. Beyond, the well-damped loop
// creeps up until G·(Ve − Vs) has fallen to U0 and stops there, coasting a little past it when
// less damped: the error ends within [0.8, 1]·U0/G.
TEST(DeadZone, StaticError) {
    for (const double gain : {2.0, 4.0, 5.0}) {
        const Settings s{.gain = gain, .deadZone = true};
        const SetPoint within{.amplitude = 0.99 * s.u0 / gain}, beyond{.amplitude = 2};
        EXPECT_EQ(Simulate(s, within).back().vs, 0) << gain;
        const Results r = Measure(Simulate(s, beyond), beyond);
        EXPECT_NEAR(r.staticError.value_or(NAN), 0.9 * s.u0 / gain, 0.1 * s.u0 / gain + 1e-4);
    }
}

// A type-1 loop follows a ramp of slope A/T with a lag of A/(T·Kv), Kv = G·Ks·Kt/(N·a1).
TEST(Ramp, VelocityError) {
    const struct { double gain, amplitude, span; } cases[] = {{10, 2, 1}, {4, -3, 2}, {16, 1, 0.5}};
    for (const auto& c : cases) {
        const SetPoint sp{.shape = Shape::Ramp, .amplitude = c.amplitude, .span = c.span};
        const Results r = Measure(Simulate({.gain = c.gain}, sp), sp);
        const double kv = c.gain * kLoop / kA1, expected = c.amplitude / (c.span * kv);
        EXPECT_NEAR(VelocityConstant(kP, c.gain), kv, 1e-9 * kv);
        EXPECT_NEAR(r.velocityError.value_or(NAN), expected, 0.02 * std::abs(expected)) << c.gain;
    }
}

// Without the inductance the closed loop is R·J s² + a1 s + G·Ks·Kt/N: wn² = a0/(R·J),
// 2·zeta·wn = a1/(R·J), and the textbook overshoot and peak time follow.
TEST(SecondOrder, TextbookFigures) {
    const double halfDamped = kA1 * kA1 / (kP.R * kP.J * kLoop);  // zeta = 0.5
    for (const double gain : {2.0, halfDamped, 2 * kCritical}) {
        const double wn = std::sqrt(gain * kLoop / (kP.R * kP.J));
        const double zeta = kA1 / (kP.R * kP.J) / (2 * wn), root = std::sqrt(1 - zeta * zeta);
        const SecondOrder a = Approximation(kP, gain);
        EXPECT_NEAR(a.wn, wn, 1e-9 * wn) << gain;
        EXPECT_NEAR(a.zeta, zeta, 1e-9 * zeta) << gain;
        // Over-damped, there is no overshoot and no peak: the square root is then NaN.
        EXPECT_NEAR(a.overshootPct, zeta < 1 ? 100 * std::exp(-kPi * zeta / root) : 0, 1e-9);
        const double peak = kPi / (wn * root);
        EXPECT_TRUE(std::isnan(peak) ? std::isnan(a.peakTime)
                                     : std::abs(a.peakTime - peak) < 1e-12);
    }
    // Over-damped, the response's tail is c·e^(p1 t) of the move, c = p2·p3/((p1 − p2)(p1 − p3)):
    // it is within 5 % from ln(20·c)/|p1| on, and never overshoots.
    const auto p = ClosedLoopPoles(kP, 2);
    const double c = (p[1] * p[2] / ((p[0] - p[1]) * (p[0] - p[2]))).real();
    const SetPoint slow{.span = 1};
    const Results o = Measure(Simulate({.gain = 2}, slow, 2000), slow);
    EXPECT_NEAR(o.settlingTime.value_or(NAN), std::log(20 * c) / -p[0].real(), 1e-3);
    EXPECT_TRUE(o.overshootPct == 0.0 && !o.peakTime);
    // The full model, with its small inductance, overshoots a little more than its sketch.
    const SetPoint sp{.amplitude = -0.1, .span = 0.2};  // downward, as well
    const Results r = Measure(Simulate({.gain = halfDamped, .saturation = false}, sp), sp);
    const SecondOrder a = Approximation(kP, halfDamped);
    EXPECT_NEAR(r.overshootPct.value_or(NAN), a.overshootPct, 3);
    EXPECT_NEAR(r.peakTime.value_or(NAN), a.peakTime, 0.1 * a.peakTime);
}

// The chosen span is a 1-2-5 figure that shows the whole response: a stable loop settles in it
// (the overshoot can be measured), a saturated unstable one holds 8 cycles, a sine 2 periods.
// Halving the step then changes no figure by as much as its printed precision (D% to 0.1 %,
// times to 1 ms, volts to 0.01 V), nor any frame's Vs by a millivolt; and a run is always the same.
TEST(Integration, ChosenSpanHalvedStepAndRepeatedRun) {
    const std::pair<Settings, SetPoint> cases[] = {
        {{.gain = 2}, {}},
        {{.gain = 16}, {.amplitude = -6}},
        {{.gain = 16, .saturation = false}, {.amplitude = 0.5}},
        {{.gain = 2, .deadZone = true}, {.amplitude = 5}},
        {{.gain = 2 * kCritical}, {}},
        {{.gain = 16}, {.shape = Shape::Ramp, .amplitude = 3}},
        {{.gain = 45}, {.shape = Shape::Trapezoid}},
        {{.gain = 10}, {.shape = Shape::Sine, .frequency = 5}},
        {{.gain = 2}, {.shape = Shape::Sine, .frequency = 20}}};
    using Field = std::optional<double> Results::*;
    const std::pair<Field, double> fields[] = {
        {&Results::overshootPct, 0.1},         {&Results::peakTime, 1e-3},
        {&Results::settlingTime, 1e-3},        {&Results::staticError, 0.01},
        {&Results::velocityError, 0.01},       {&Results::oscillationPeriod, 1e-3},
        {&Results::oscillationAmplitude, 0.01}};
    for (auto [s, sp] : cases) {
        sp.span = ChooseSpan(kP, s, sp);
        const double m = sp.span / std::pow(10, std::floor(std::log10(sp.span) + 1e-9));
        EXPECT_LT(std::abs((m - 1) * (m - 2) * (m - 5)), 1e-9) << sp.span;
        const auto coarse = Simulate(s, sp), fine = Simulate(s, sp, 159, 0.5e-4);
        const auto again = Simulate(s, sp);  // the same inputs give the very same run
        EXPECT_EQ(std::memcmp(coarse.data(), again.data(), coarse.size() * sizeof(Sample)), 0);
        const Results a = Measure(coarse, sp), b = Measure(fine, sp);
        const bool step = sp.shape == Shape::Step, stable = s.gain < kCritical;
        EXPECT_EQ(a.overshootPct.has_value(), step && stable) << s.gain;
        EXPECT_EQ(a.oscillationPeriod.has_value(), !stable) << s.gain;
        EXPECT_GE(sp.span, stable ? 0 : 8 * 2 * kPi / kCriticalOmega) << s.gain;
        EXPECT_GE(sp.span, sp.shape == Shape::Sine ? 2 / sp.frequency : 0) << s.gain;
        for (std::size_t k = 0; k < coarse.size(); ++k) {
            ASSERT_NEAR(coarse[k].vs, fine[k].vs, 1e-3) << s.gain << " t " << coarse[k].t;
        }
        for (const auto& [field, unit] : fields) {
            EXPECT_NEAR((a.*field).value_or(1e9), (b.*field).value_or(1e9), unit / 2) << s.gain;
        }
    }
}

// A set point beyond the travel drives the pen into a stop, where it rests, and no further.
TEST(EndStops, PenStaysOnTheTable) {
    for (const double amplitude : {10.0, -10.0}) {
        const SetPoint sp{.amplitude = amplitude, .span = 0.3};
        const auto run = Simulate({.gain = 100, .saturation = false}, sp, 3000);  // every step
        for (const Sample& x : run) {
            ASSERT_LE(std::abs(x.penMm), 150 + 1e-9) << x.t;
        }
        EXPECT_NEAR(run.back().penMm, std::copysign(150.0, amplitude), 1e-9);
        EXPECT_EQ(run.back().omega, 0);
    }
}
