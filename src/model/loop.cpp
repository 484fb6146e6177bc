#include "model/loop.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace model {

namespace {

// The trapezoid keeps the proportions of the 159-frame lesson: 39 frames rising, 60 at the
// plateau, 39 falling and 21 back at zero.
constexpr double kRiseEnd = 39.0 / 159;
constexpr double kPlateauEnd = 99.0 / 159;
constexpr double kFallEnd = 138.0 / 159;

}  // namespace

double SetPoint::At(double t) const {
    if (t < 0) return 0;
    switch (shape) {
        case Shape::Step:
            return amplitude;
        case Shape::Ramp:
            // The generator stops at its full amplitude at the end of the run.
            if (!(span > 0) || t >= span) return amplitude;
            return amplitude * t / span;
        case Shape::Trapezoid: {
            if (!(span > 0)) return amplitude;
            const double x = t / span;
            if (x < kRiseEnd) return amplitude * x / kRiseEnd;
            if (x < kPlateauEnd) return amplitude;
            if (x < kFallEnd) return amplitude * (kFallEnd - x) / (kFallEnd - kPlateauEnd);
            return 0;
        }
        case Shape::Sine:
            return amplitude * std::sin(2 * std::numbers::pi * frequency * t);
    }
    return 0;
}

Loop::Loop(const Parameters& p) : params_(p), motor_(p) {}

void Loop::Reset() {
    motor_ = Motor(params_);
    t_ = 0;
}

void Loop::SetSettings(const Settings& s) {
    settings_ = s;
}

void Loop::setStepSize(double dt) {
    if (dt > 0 && std::isfinite(dt)) dt_ = dt;
}

double Loop::SensorVoltage(double angle) const {
    return params_.sensorGain * angle / params_.gearRatio;
}

double Loop::AmplifierOutput(double ve, double vs) const {
    const double u1 = settings_.gain * (ve - vs);
    if (!settings_.saturation) return u1;
    return std::clamp(u1, -settings_.usat, settings_.usat);
}

// Below the threshold the motor's torque cannot overcome its dry friction: it behaves as if fed
// with nothing. Beyond, its speed-versus-voltage characteristic is that of the ideal motor moved
// out to ±u0.
double Loop::MotorVoltage(double u) const {
    if (!settings_.deadZone) return u;
    if (std::abs(u) <= settings_.u0) return 0;
    return u > 0 ? u - settings_.u0 : u + settings_.u0;
}

void Loop::Advance(double duration, const SetPoint& sp) {
    if (!(duration > 0) || !std::isfinite(duration)) return;
    // Whole steps, then what is left as one shorter step: every frame is read at its own instant,
    // whatever the step, so that a smaller step only makes the same run more exact.
    const double whole = std::floor(duration / dt_ * (1 + 1e-12));
    const double rest = duration - whole * dt_;
    const double end = t_ + duration;
    // The pen's end stops, as pulley angles.
    const double stop = params_.travel / params_.pulleyRadius;
    for (double n = 0; n <= whole; ++n) {
        const double h = n < whole ? dt_ : rest;
        if (!(h > dt_ * 1e-9)) break;
        const double t0 = t_;
        motor_.StepWith(h, [&](double tau, double angle) {
            return MotorVoltage(AmplifierOutput(sp.At(t0 + tau), SensorVoltage(angle)));
        });
        // A stop takes the carriage's momentum at once; the current keeps its own equation.
        if (motor_.angle > stop) {
            motor_.angle = stop;
            motor_.omega = std::min(motor_.omega, 0.0);
        } else if (motor_.angle < -stop) {
            motor_.angle = -stop;
            motor_.omega = std::max(motor_.omega, 0.0);
        }
        t_ = t0 + h;
    }
    t_ = end;
}

Sample Loop::Now(const SetPoint& sp) const {
    Sample s{};
    s.t = t_;
    s.ve = sp.At(t_);
    s.vs = SensorVoltage(motor_.angle);
    s.u = AmplifierOutput(s.ve, s.vs);
    s.i = motor_.i;
    s.omega = motor_.omega;
    s.penMm = 1000 * params_.pulleyRadius * motor_.angle;
    s.angle = motor_.angle;
    return s;
}

}  // namespace model
