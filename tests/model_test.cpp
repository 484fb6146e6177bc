// The servo loop's model against the closed forms of motor and loop theory.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>
#include <vector>

#include "model/analysis.h"
#include "model/conclusion.h"
#include "model/settings.h"

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

// A laboratory run played to its end, and its conclusion.
Experiment Played(const Inputs& in, double dt = 1e-4) {
    Experiment e;
    e.SetStepSize(dt);
    e.Launch(in);
    e.AdvanceTo(Experiment::kFrames);
    return e;
}

Conclusion Concluded(const Inputs& in, double dt = 1e-4) {
    return Conclude(Played(in, dt));
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
    const Conclusion c = Concluded({s});
    const double k = s.usat / (s.gain * c.Measured("amplitude d'oscillation (V)").value_or(0));
    EXPECT_EQ(c.verdict, Verdict::Sustained);
    EXPECT_NEAR(c.Measured("T (s)").value_or(NAN), 2 * kPi / kCriticalOmega,
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
        const SetPoint within{.amplitude = 0.99 * s.u0 / gain};
        EXPECT_EQ(Simulate(s, within).back().vs, 0) << gain;
        const Sample end = Simulate(s, {}).back();
        EXPECT_NEAR(end.ve - end.vs, 0.9 * s.u0 / gain, 0.1 * s.u0 / gain + 1e-4) << gain;
    }
}

// A type-1 loop follows a ramp of slope A/T with a lag of A/(T·Kv), Kv = G·Ks·Kt/(N·a1).
TEST(Ramp, VelocityError) {
    const struct { double gain, amplitude; } cases[] = {{10, 2}, {4, -3}, {16, 1}};
    for (const auto& c : cases) {
        const Experiment e = Played({{.gain = c.gain}, Shape::Ramp, c.amplitude});
        const double kv = c.gain * kLoop / kA1, expected = c.amplitude / (e.span() * kv);
        EXPECT_NEAR(VelocityConstant(kP, c.gain), kv, 1e-9 * kv);
        EXPECT_NEAR(Conclude(e).Measured("erreur de vitesse (V)").value_or(NAN), expected,
                    0.02 * std::abs(expected))
            << c.gain;
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
    // it ends at 1 − c·e^(p1 T) of it after the span T, within 5 % of that from the instant
    // c·e^(p1 t) = 1 − 0.95·(1 − c·e^(p1 T)) on, and never overshoots.
    const auto p = ClosedLoopPoles(kP, 2);
    const double c = (p[1] * p[2] / ((p[0] - p[1]) * (p[0] - p[2]))).real();
    const Experiment slow = Played({{.gain = 2}});
    const double end = 1 - c * std::exp(p[0].real() * slow.span());
    const Conclusion o = Conclude(slow);
    EXPECT_NEAR(o.Measured("t5% (s)").value_or(NAN), std::log((1 - 0.95 * end) / c) / p[0].real(),
                1e-4);
    EXPECT_TRUE(o.Measured("D (%)") == 0.0 && !o.Measured("tp (s)"));
    // The full model, with its small inductance, overshoots a little more than its sketch.
    const Conclusion r = Concluded({{.gain = halfDamped, .saturation = false}, Shape::Step, -0.1});
    const SecondOrder a = Approximation(kP, halfDamped);
    EXPECT_NEAR(r.Measured("D (%)").value_or(NAN), a.overshootPct, 3);
    EXPECT_NEAR(r.Measured("tp (s)").value_or(NAN), a.peakTime, 0.1 * a.peakTime);
}

// The chosen span is a 1-2-5 figure that shows the whole response: a stable loop settles in it, a
// saturated unstable one holds 8 cycles, a sine 2 periods. Halving the step then changes no frame's
// Vs by a millivolt, nor any printed line of the conclusion; and a run is always the same.
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
    for (auto [s, sp] : cases) {
        sp.span = ChooseSpan(kP, s, sp);
        const double m = sp.span / std::pow(10, std::floor(std::log10(sp.span) + 1e-9));
        EXPECT_LT(std::abs((m - 1) * (m - 2) * (m - 5)), 1e-9) << sp.span;
        const auto coarse = Simulate(s, sp), fine = Simulate(s, sp, 159, 0.5e-4);
        const auto again = Simulate(s, sp);  // the same inputs give the very same run
        EXPECT_EQ(std::memcmp(coarse.data(), again.data(), coarse.size() * sizeof(Sample)), 0);
        const bool stable = s.gain < kCritical;
        EXPECT_GE(sp.span, stable ? 0 : 8 * 2 * kPi / kCriticalOmega) << s.gain;
        EXPECT_GE(sp.span, sp.shape == Shape::Sine ? 2 / sp.frequency : 0) << s.gain;
        for (std::size_t k = 0; k < coarse.size(); ++k) {
            ASSERT_NEAR(coarse[k].vs, fine[k].vs, 1e-3) << s.gain << " t " << coarse[k].t;
        }
        const Inputs in{s, sp.shape, sp.amplitude, sp.frequency};
        const Conclusion a = Concluded(in), b = Concluded(in, 0.5e-4);
        EXPECT_EQ(a.verdict == Verdict::Sustained, !stable) << s.gain;
        EXPECT_EQ(a.measuredLines, b.measuredLines) << s.gain;
    }
    EXPECT_FALSE(Played({}).PeakDetect());  // ten columns a period of a step's response
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

namespace {

// The saturation's describing function: the limit cycle's error amplitude where G·N(a) = Gc.
double LimitCycleAmplitude(double gain, double usat) {
    double lo = 0, hi = 1;  // k = Usat/(G·a)
    for (int n = 0; n < 60; ++n) {
        const double k = (lo + hi) / 2;
        (gain * 2 / kPi * (std::asin(k) + k * std::sqrt(1 - k * k)) > kCritical ? hi : lo) = k;
    }
    return usat / (gain * lo);
}

// The dominant pair's amplitude ratio over one of its periods, and that period.
double PoleRatio(double gain) {
    const auto p = ClosedLoopPoles(kP, gain)[0];
    return std::exp(2 * kPi * p.real() / std::abs(p.imag()));
}
double PolePeriod(double gain) {
    return 2 * kPi / std::abs(ClosedLoopPoles(kP, gain)[0].imag());
}

// Vs/Ve of the linear closed loop, from the plant's constants.
std::complex<double> Closed(double gain, double omega) {
    const std::complex<double> s(0, omega);
    return gain * kLoop / (((kA3 * s + kA2) * s + kA1) * s + gain * kLoop);
}

// Every number of a CSV (its fields) or of a JSON object (its values): never "-0", never
// subnormal.
void ExpectCleanNumbers(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t colon = line.find("\": ");
        std::istringstream fields(colon == std::string::npos ? line : line.substr(colon + 3));
        for (std::string f; std::getline(fields, f, ',');) {
            if (f.empty() || !(std::isdigit(f[0]) || f[0] == '-')) continue;
            const double v = std::strtod(f.c_str(), nullptr);
            EXPECT_FALSE(f[0] == '-' && v == 0) << name << ": " << f;
            EXPECT_TRUE(v == 0 || std::abs(v) >= 2.3e-308) << name << ": " << f;
        }
    }
}

}  // namespace

// Each run gets the kind of response that the linear theory or the physics dictates, and one
// figure measured against its closed form (NAN: none may be given); its JSON names that kind
// first, and neither its CSV nor its JSON prints "-0" or a subnormal number.
TEST(Conclusion, KindsOfResponse) {
    using enum Verdict;
    const double halfDamped = kA1 * kA1 / (kP.R * kP.J * kLoop), stop = 9.5493;
    const double below = 0.95 * kCritical, above = 1.05 * kCritical, w = 2 * kPi * 79.5;
    const double peak = Approximation(kP, halfDamped).peakTime;
    const double ramp = ChooseSpan(kP, {.gain = 16}, {.shape = Shape::Ramp, .amplitude = 3});
    const struct {
        Inputs in;
        Verdict verdict;
        const char* key;
        double expected, tolerance;
    } runs[] = {
        {{{.gain = 2}}, Damped, "D (%)", 0, 0},
        {{{.gain = halfDamped, .saturation = false}, Shape::Step, 0.5},
         Damped,
         "tp (s)",
         peak,
         0.1 * peak},
        {{{.gain = 120}}, DampedOscillation, "rapport par période", PoleRatio(120), 0.01},
        {{{.gain = below}}, DampedOscillation, "rapport par période", PoleRatio(below), 0.01},
        {{{.gain = below, .saturation = false}},
         DampedOscillation,
         "T (s)",
         PolePeriod(below),
         1e-4},
        {{{.gain = above, .saturation = false}},
         Divergence,
         "rapport par période",
         PoleRatio(above),
         0.01},
        {{{.gain = above}},
         Sustained,
         "amplitude d'oscillation (V)",
         LimitCycleAmplitude(above, 12),
         0.002},
        // Without saturation it grows until the stops bound it, within a few periods.
        {{{.gain = 400, .saturation = false}}, Divergence, "butée atteinte (s)", 0.03, 0.01},
        {{{}, Shape::Step, 0}, AtRest, "D (%)", NAN, 0},
        {{{.usat = 1, .deadZone = true, .u0 = 5}}, Stuck, "erreur statique (V)", 2, 1e-9},
        {{{.gain = 2, .deadZone = true}, Shape::Step, 0.4},
         Stuck,
         "erreur statique (V)",
         0.4,
         1e-9},
        {{{}, Shape::Step, 10}, Stuck, "erreur statique (V)", 10 - stop, 1e-3},
        {{{.gain = 0.5}, Shape::Sine, 2, 79.5},
         Damped,
         "|Vs/Ve|",
         std::abs(Closed(0.5, w)),
         0.01 * std::abs(Closed(0.5, w))},
        {{{.gain = 0.5}, Shape::Sine, 2, 79.5},
         Damped,
         "arg Vs/Ve (°)",
         std::arg(Closed(0.5, w)) * 180 / kPi - 360,
         1},
        {{{.gain = 16.34}, Shape::Sine, 2, 5},
         Damped,
         "arg Vs/Ve (°)",
         std::arg(Closed(16.34, 2 * kPi * 5)) * 180 / kPi,
         1},
        {{{.gain = 321}, Shape::Sine, 2, 0.1}, Sustained, "T (s)", 2 * kPi / kCriticalOmega, 1e-3},
        {{{.gain = 16}, Shape::Ramp, 3},
         Damped,
         "erreur de vitesse (V)",
         3 / ramp / (16 * kLoop / kA1),
         0.003},
    };
    for (const auto& r : runs) {
        const Experiment e = Played(r.in);
        const Conclusion c = Conclude(e);
        const std::string name = std::string(VerdictName(r.verdict)) + " at G " +
                                 std::to_string(r.in.settings.gain) + ", " + r.key;
        EXPECT_EQ(c.verdict, r.verdict) << name << ": " << VerdictName(c.verdict);
        const auto v = c.Measured(r.key);
        if (std::isnan(r.expected))
            EXPECT_FALSE(v) << name;
        else
            EXPECT_NEAR(v.value_or(NAN), r.expected, r.tolerance) << name;
        const std::string json = ResultsJson(e);
        EXPECT_EQ(json.rfind("{\n  \"classe\": \"" + std::string(VerdictName(r.verdict)) + "\"", 0),
                  0u)
            << json;
        ExpectCleanNumbers(json, name);
        ExpectCleanNumbers(e.Csv(), name);
    }
}

// Held against a stop, or at rest under its dry friction, the rotor does not turn and the current
// settles at U/R whatever the integration step: the armature gets U (it is not short-circuited).
TEST(EndStops, StalledCurrentIsUOverR) {
    const std::pair<Inputs, double> runs[] = {
        {{{.gain = 321}, Shape::Step, 10}, 12},  // saturated against the + stop
        {{{.gain = 100, .saturation = false}, Shape::Step, -10}, 100 * (-10 + 9.5493)},
        {{{.gain = 2, .deadZone = true}, Shape::Step, 0.4}, 0.8},  // within the dead zone
    };
    for (const auto& [in, u] : runs) {
        for (const double dt : {1e-4, 0.37e-4}) {
            const Sample end = Played(in, dt).frames().back();
            EXPECT_EQ(end.omega, 0) << u;
            EXPECT_NEAR(end.u, u, 1e-3 * std::abs(u));
            EXPECT_NEAR(end.i, u / kP.R, 1e-3 * std::abs(u / kP.R)) << u << " dt " << dt;
        }
    }
}

// NAME=VALUE as --set and the web edition give it: accents or none, a decimal comma, "off" and
// only "off" to switch off, the pen's reach; a refusal names the accepted values, shows at most
// 40 characters of what was given and changes nothing.
TEST(Settings, ParsedFromText) {
    const struct {
        const char* text;
        double Inputs::*field;
        double value;
        const char* refusal;  // a part of the message, or null when accepted
    } cases[] = {
        {"fréquence=2,5", &Inputs::frequency, 2.5, nullptr},
        {"frequence=100", &Inputs::frequency, 100, nullptr},
        {"amplitude=-9.5", &Inputs::amplitude, -9.5, nullptr},
        {"amplitude=9.6", nullptr, 0, "9,55 V"},
        {"G=0", nullptr, 0, "de 0,01 à 10\u00a0000)"},
        {"Usat=0", nullptr, 0, "de 0,5 à 50 V, ou off"},
        {"U0=0", nullptr, 0, "ou off"},
        {"U0=OFF", nullptr, 0, "« OFF »"},
        {"forme=trapèze", nullptr, 0, nullptr},
        {"fréquences=2", nullptr, 0, "« fréquences »"},
    };
    for (const auto& c : cases) {
        Inputs in{{.saturation = false}}, before = in;
        std::string error;
        EXPECT_EQ(ApplySetting(c.text, in, error), c.refusal == nullptr) << c.text << error;
        if (c.field != nullptr) {
            EXPECT_EQ(in.*c.field, c.value) << c.text;
        }
        if (c.refusal != nullptr) {
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.text << ": " << error;
            const auto all = [](const Inputs& x) {
                return std::tuple(x.settings.gain, x.settings.saturation, x.settings.usat,
                                  x.settings.deadZone, x.settings.u0, x.shape, x.amplitude,
                                  x.frequency);
            };
            EXPECT_TRUE(all(in) == all(before)) << c.text;
        }
    }
    Inputs in;
    std::string error;
    EXPECT_TRUE(ApplySetting("Usat=off", in, error) && !in.settings.saturation);
    EXPECT_TRUE(ApplySetting("U0=1,5", in, error) && in.settings.deadZone && in.settings.u0 == 1.5);
    EXPECT_FALSE(ApplySetting("G=" + std::string(100000, '7'), in, error));
    EXPECT_NE(error.find("« " + std::string(40, '7') + "… »"), std::string::npos) << error;
    EXPECT_LT(error.size(), 120u);
    EXPECT_FALSE(ApplySetting(std::string(50, 'x') + "é=1", in, error));
    EXPECT_NE(error.find(std::string(40, 'x') + "… »"), std::string::npos) << error;
    // The manual page gives every setting's range as the table does.
    std::ifstream file(TT_TESTS_DIR "/../data/table-tracante.1");
    std::string page((std::istreambuf_iterator<char>(file)), {});
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"\\-", "-"}, {"\\~", "\u00a0"}})
        for (std::size_t at; (at = page.find(from)) != std::string::npos;)
            page.replace(at, from.size(), to);
    for (const SettingInfo& row : SettingsTable())
        EXPECT_NE(page.find(row.what + ", " + row.Accepted()), std::string::npos) << row.name;
}
