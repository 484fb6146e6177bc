// The position servo loop of the plotter table, as a physical model.
//
//   Ve ──(+)── G ── U1 ── power amplifier (gain 1, ±Usat) ── U ── motor ── θ ── pen x = r·θ
//        (−)                                                            │
//         └──────────── Vs = Ks·θ/N ◄── potentiometer ◄── gearbox N ◄──┘
//
// Everything is in SI units: volts, amperes, ohms, henries, seconds, radians, metres.
#pragma once

#include <cmath>
#include <vector>

namespace model {

// The plant: a 12 V permanent-magnet DC motor of about 15 W driving the pen through a toothed
// belt, and the single-turn potentiometer that reads its position.
struct Parameters {
    double R = 2.5;     // Ω, armature resistance
    double L = 2.5e-3;  // H, armature inductance
    double Ke = 0.05;   // V·s/rad, back-EMF constant
    double Kt = 0.05;   // N·m/A, torque constant (equal to Ke in SI units)
    double J = 1.0e-5;  // kg·m², rotor, pulleys, belt and pen carriage brought to the shaft
    double f = 2.0e-5;  // N·m·s/rad, viscous friction
    double pulleyRadius = 5e-3;  // m, both belt pulleys
    double gearRatio = 10;       // pulley turns per potentiometer turn
    // V/rad at the potentiometer: 20 V per turn, so that the ±150 mm travel (±30 rad of pulley,
    // ±0.48 turn of potentiometer) keeps Vs within −10..+10 V.
    double sensorGain = 20 / (2 * 3.14159265358979323846);
    double travel = 0.150;  // m, end stops at ±travel from the middle of the table
};

// What the lesson lets the pupil change.
struct Settings {
    double gain = 10;        // G of the control amplifier, V/V
    bool saturation = true;  // the power amplifier clips at ±usat
    double usat = 12;        // V
    // The motor's dry friction (brushes, bearings, gearbox): a torque Kt·u0/R, what the stalled
    // motor gets from u0 volts. At rest it holds the motor while |U| ≤ u0; turning, it brakes it,
    // and the speed under a steady U is Km·(|U| − u0). The armature gets U all the same.
    bool deadZone = false;
    double u0 = 1;  // V
};

enum class Shape { Step, Ramp, Trapezoid, Sine };

// The set point over one run of `span` seconds. It is 0 before t = 0.
struct SetPoint {
    Shape shape = Shape::Step;
    double amplitude = 2;       // V
    double frequency = 2;       // Hz, sine only
    double span = 1;            // s, the length of the run
    double At(double t) const;  // Ve(t), V
};

// The signals at one instant.
struct Sample {
    double t;      // s
    double ve;     // V, set point
    double vs;     // V, sensor output
    double u;      // V, power amplifier output (after saturation): the armature's voltage
    double i;      // A, motor current
    double omega;  // rad/s, motor speed
    double penMm;  // mm, pen position, 0 in the middle of the table
    double angle;  // rad, motor (and pulley) angle
};

// The motor and its load on their own, from the voltage that effectively drives them:
//   L·di/dt = u − R·i − Ke·ω,   J·dω/dt = Kt·i − f·ω − Tf·direction,   dθ/dt = ω,
// where Tf is the dry friction's torque, opposed to the direction of motion. Held (at rest
// against a stop or by its dry friction) the rotor keeps ω = 0 and its angle, and only the
// current moves: L·di/dt = u − R·i, so that i tends to u/R. Integrated with the classical
// fourth-order Runge-Kutta scheme; the loop steps it between the instants its mode changes.
struct Motor {
    explicit Motor(const Parameters& params = {}) : p(params) {}

    // Advances by dt with the voltage u held for the whole step.
    void Step(double dt, double u) {
        StepWith(dt, [u](double, double) { return u; });
    }
    // Advances by dt with a voltage that depends on the time since the start of the step and on
    // the angle, evaluated afresh at each of the four stages: voltage(tau, angle) → volts.
    template <class Voltage>
    void StepWith(double dt, Voltage&& voltage);

    Parameters p;
    double i = 0;          // A
    double omega = 0;      // rad/s
    double angle = 0;      // rad
    double friction = 0;   // N·m, the dry friction's torque Tf
    double direction = 0;  // +1 or −1 while turning (the friction's sign), 0 without friction
    bool held = false;

  private:
    struct State {
        double i, omega, angle;
    };
    State Rates(const State& s, double u) const {
        if (held) return {(u - p.R * s.i) / p.L, 0, 0};
        return {(u - p.R * s.i - p.Ke * s.omega) / p.L,
                (p.Kt * s.i - p.f * s.omega - friction * direction) / p.J, s.omega};
    }
    static State Along(const State& s, const State& rate, double h) {
        return {s.i + h * rate.i, s.omega + h * rate.omega, s.angle + h * rate.angle};
    }
};

template <class Voltage>
void Motor::StepWith(double dt, Voltage&& voltage) {
    const State s0{i, omega, angle};
    const State k1 = Rates(s0, voltage(0.0, s0.angle));
    const State s1 = Along(s0, k1, dt / 2);
    const State k2 = Rates(s1, voltage(dt / 2, s1.angle));
    const State s2 = Along(s0, k2, dt / 2);
    const State k3 = Rates(s2, voltage(dt / 2, s2.angle));
    const State s3 = Along(s0, k3, dt);
    const State k4 = Rates(s3, voltage(dt, s3.angle));
    i += dt / 6 * (k1.i + 2 * k2.i + 2 * k3.i + k4.i);
    omega += dt / 6 * (k1.omega + 2 * k2.omega + 2 * k3.omega + k4.omega);
    angle += dt / 6 * (k1.angle + 2 * k2.angle + 2 * k3.angle + k4.angle);
}

// A time the carriage came against an end stop.
struct Contact {
    double t;  // s
    int side;  // +1 at +travel, −1 at −travel
};

// The closed loop, stepped at a fixed rate. The amplifiers have no dynamics of their own: their
// saturation is applied at every stage of every step, so the motor always sees the voltage its
// present angle calls for. Within a step, the instants the carriage reaches a stop, the rotor
// comes to rest, or it starts again are found, and the step is taken in pieces between them.
class Loop {
  public:
    explicit Loop(const Parameters& p = {});
    void Reset();                         // at rest, t = 0, pen in the middle (Vs = 0), i = 0
    void SetSettings(const Settings& s);  // applies from the current instant
    const Settings& settings() const { return settings_; }
    const Parameters& parameters() const { return params_; }
    // Advances the time by `duration` with Ve from `sp`: whole steps, and a last shorter one.
    // `each`, when given, gets the signals at the end of every step.
    template <class Each>
    void Advance(double duration, const SetPoint& sp, Each&& each);
    void Advance(double duration, const SetPoint& sp) {
        Advance(duration, sp, [](const Sample&) {});
    }
    Sample Now(const SetPoint& sp) const;  // the signals at the current instant
    double time() const { return t_; }
    double stepSize() const { return dt_; }  // 1e-4 s unless changed
    void setStepSize(double dt);             // ignored unless dt is positive and finite
    // Where the carriage is against a stop (+1, −1), or 0; and every time it came against one
    // (the first thousand).
    int StopSide() const;
    const std::vector<Contact>& contacts() const { return contacts_; }
    // The voltage at the sensor with the pen on its +travel stop (9.55 V).
    double StopVoltage() const { return SensorVoltage(StopAngle()); }

  private:
    double StopAngle() const { return params_.travel / params_.pulleyRadius; }
    double SensorVoltage(double angle) const;
    double AmplifierOutput(double ve, double vs) const;  // U
    void Step(double h, const SetPoint& sp);             // one integration step from t_
    void SetMode();  // held or turning, and which way, from the state at this instant

    Parameters params_;
    Settings settings_;
    Motor motor_;
    double t_ = 0;
    double dt_ = 1e-4;
    std::vector<Contact> contacts_;
};

template <class Each>
void Loop::Advance(double duration, const SetPoint& sp, Each&& each) {
    if (!(duration > 0) || !std::isfinite(duration)) return;
    // Whole steps, then what is left as one shorter step: every frame is read at its own instant,
    // whatever the step, so that a smaller step only makes the same run more exact.
    const double whole = std::floor(duration / dt_ * (1 + 1e-12));
    const double rest = duration - whole * dt_;
    const double end = t_ + duration;
    for (double n = 0; n <= whole; ++n) {
        const double h = n < whole ? dt_ : rest;
        if (!(h > dt_ * 1e-9)) break;
        const double t0 = t_;
        Step(h, sp);
        t_ = n < whole ? t0 + h : end;
        each(Now(sp));
    }
    t_ = end;
}

}  // namespace model
