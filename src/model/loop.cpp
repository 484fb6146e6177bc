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
    contacts_.clear();
    SetSettings(settings_);
}

void Loop::SetSettings(const Settings& s) {
    settings_ = s;
    // The dry friction: the torque the stalled motor gets from u0.
    motor_.friction = s.deadZone ? params_.Kt * std::max(s.u0, 0.0) / params_.R : 0;
    SetMode();
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

int Loop::StopSide() const {
    const double stop = StopAngle();
    return motor_.angle >= stop ? 1 : motor_.angle <= -stop ? -1 : 0;
}

// At rest (held, or with ω = 0) the rotor is held while its torque Kt·i is within the friction
// (or pushes into the stop it is against); otherwise it turns the way the torque drives it.
// Turning, the friction opposes its speed.
void Loop::SetMode() {
    Motor& m = motor_;
    const int side = StopSide();
    const double torque = params_.Kt * m.i;
    const auto sign = [](double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; };
    if (m.held || m.omega == 0) {
        const bool stays = side != 0 ? torque * side >= -m.friction
                                     : m.friction > 0 && std::abs(torque) <= m.friction;
        m.held = stays;
        m.omega = 0;
        m.direction = stays ? 0 : side != 0 ? -side : sign(torque);
    } else {
        m.direction = sign(m.omega);
    }
    if (m.friction == 0 && !m.held) m.direction = 0;
}

void Loop::Step(double h, const SetPoint& sp) {
    const double stop = StopAngle();
    const double t0 = t_;
    double done = 0;
    // A mode change within the step: the carriage passes a stop, the rotor comes to rest under
    // its friction, or the torque frees a held rotor.
    const auto changes = [&](const Motor& m) {
        if (motor_.held) {
            const double torque = params_.Kt * m.i;
            const int side = StopSide();
            return side != 0 ? torque * side < -m.friction : std::abs(torque) > m.friction;
        }
        return std::abs(m.angle) > stop || m.omega * m.direction < 0;
    };
    // A handful of changes at most in one step, lest a rotor that sticks and slips at once stall
    // the program; beyond, the step is taken whole.
    for (int change = 0; done < h; ++change) {
        const double from = t0 + done;
        const auto trial = [&](double dt) {
            Motor m = motor_;
            m.StepWith(dt, [&](double tau, double angle) {
                return AmplifierOutput(sp.At(from + tau), SensorVoltage(angle));
            });
            return m;
        };
        const Motor whole = trial(h - done);
        if (change >= 8 || !changes(whole)) {
            motor_ = whole;
            break;
        }
        // The first instant of the change, by halving the bracket down to a few picoseconds.
        double lo = 0, hi = h - done;
        for (int n = 0; n < 40 && hi - lo > 1e-12 * h; ++n) {
            const double mid = 0.5 * (lo + hi);
            (changes(trial(mid)) ? hi : lo) = mid;
        }
        motor_ = trial(hi);
        done += hi;
        if (!motor_.held) {
            if (std::abs(motor_.angle) > stop) {
                // A stop takes the carriage's momentum at once.
                motor_.angle = std::copysign(stop, motor_.angle);
                if (contacts_.size() < 1000)
                    contacts_.push_back({t0 + done, motor_.angle > 0 ? 1 : -1});
            }
            motor_.omega = 0;  // against the stop, or at rest under the friction
        }
        SetMode();
    }
    if (motor_.held || std::abs(motor_.angle) <= stop) return SetMode();
    // Beyond the stop after the last change allowed: put back against it.
    motor_.angle = std::copysign(stop, motor_.angle);
    motor_.omega = 0;
    SetMode();
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
