#include "model/conclusion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "model/analysis.h"
#include "model/decimal.h"

namespace model {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();  // not measured
// Per period, swings that change by less than this are sustained.
constexpr double kSteady = 0.005;
// A swing of the error counts as seen when it is at least this share of the move.
constexpr double kVisibleSwing = 0.04;

double Clean(double v) {
    return std::abs(v) < std::numeric_limits<double>::min() ? 0 : v;
}

std::string Volts(double v) {
    return FrenchNumber(v, 3) + " V";
}

// A gain: three decimals, or three significant digits below 0.1.
std::string Gain(double v) {
    if (!(std::abs(v) < 0.1) || v == 0) return FrenchNumber(v, 3);
    return FrenchNumber(v, 2 - static_cast<int>(std::floor(std::log10(std::abs(v)))));
}

// The error's turning points after t0, and the swings between them.
struct Swings {
    std::vector<TurningPoint> at;
    double Size(std::size_t k) const { return std::abs(at[k + 1].error - at[k].error); }
    std::size_t Count() const { return at.size() < 2 ? 0 : at.size() - 1; }
};

// How the swings of the error end: their ratio per period (two swings on), the period, and the
// last one's half (the amplitude), from the last block of swings above `floor`. `settles`: the
// swings a period apart change less and less, towards a size that is no small part of the last
// one (Aitken's extrapolation of the last three): a limit cycle being reached, not a decay.
struct Ringing {
    bool found = false, settles = false;
    double ratio = kNone, period = kNone, amplitude = kNone;
};

Ringing Ring(const Swings& w, double floor) {
    Ringing r;
    const std::size_t n = w.Count();
    std::size_t last = n;
    while (last > 0 && w.Size(last - 1) < floor)
        --last;
    if (last == 0) return r;
    std::size_t first = last - 1;
    while (first > 0 && w.Size(first - 1) >= floor)
        --first;
    const std::size_t count = last - first;  // swings first .. last − 1
    if (count < 3) return r;
    r.found = true;
    const auto ratio = [&](std::size_t k) { return w.Size(k + 2) / w.Size(k); };
    r.ratio = count >= 4 ? std::sqrt(ratio(last - 3) * ratio(last - 4)) : ratio(last - 3);
    if (count >= 5) {
        const double a = w.Size(last - 5), b = w.Size(last - 3), c = w.Size(last - 1);
        const double d1 = b - a, d2 = c - b;
        const double limit = c - d2 * d2 / (d2 - d1);
        r.settles = d1 * d2 > 0 && std::abs(d2) < 0.9 * std::abs(d1) && limit >= 0.5 * c;
    }
    // Over the last (up to) four swings: two turning points a period apart.
    const std::size_t from = last >= first + 4 ? last - 4 : first;
    r.period = 2 * (w.at[last].t - w.at[from].t) / double(last - from);
    r.amplitude = w.Size(last - 1) / 2;
    return r;
}

// Vs ≈ a·sin ωt + b·cos ωt + c by least squares over the fine samples in [from, to].
struct Harmonic {
    bool ok = false;
    double a = 0, b = 0;
};

Harmonic Fit(const std::vector<Sample>& run, double omega, double from, double to) {
    double m[3][4] = {};
    int count = 0;
    for (const Sample& s : run) {
        if (s.t < from || s.t > to) continue;
        const double x[3] = {std::sin(omega * s.t), std::cos(omega * s.t), 1};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += x[i] * x[j];
            m[i][3] += x[i] * s.vs;
        }
        ++count;
    }
    if (count < 8) return {};
    // Gaussian elimination with partial pivoting.
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
        if (std::abs(m[pivot][c]) < 1e-12 * count) return {};
        for (int j = 0; j < 4; ++j)
            std::swap(m[c][j], m[pivot][j]);
        for (int r = 0; r < 3; ++r) {
            if (r == c) continue;
            const double f = m[r][c] / m[c][c];
            for (int j = c; j < 4; ++j)
                m[r][j] -= f * m[c][j];
        }
    }
    return {true, m[0][3] / m[0][0], m[1][3] / m[1][1]};
}

// The describing function of the saturation: the first harmonic's gain for an input of
// amplitude a, with k = Usat/(G·a) ≤ 1.
double SaturationGain(double k) {
    return k >= 1 ? 1 : 2 / kPi * (std::asin(k) + k * std::sqrt(1 - k * k));
}

// Whether U reached ±Usat in a frame that ends after `from`.
bool Clipped(const Experiment& run, const Settings& set, double from) {
    const auto& ranges = run.ranges();
    for (std::size_t k = 1; set.saturation && k < ranges.size(); ++k) {
        if (run.span() * double(k) / Experiment::kFrames < from) continue;
        if (ranges[k].u.high >= set.usat || ranges[k].u.low <= -set.usat) return true;
    }
    return false;
}

class Writer {
  public:
    explicit Writer(Conclusion& c) : c_(c) {}
    void Measured(const std::string& key, double v) { c_.measured.push_back({key, Clean(v), {}}); }
    void Missing(const std::string& key, const std::string& why) {
        c_.measured.push_back({key, std::nullopt, why});
    }
    void Theory(const std::string& key, double v) { c_.theory.push_back({key, Clean(v), {}}); }
    void Line(const std::string& text) { c_.measuredLines.push_back(text); }
    void TheoryLine(const std::string& text) { c_.theoryLines.push_back(text); }

  private:
    Conclusion& c_;
};

// The farthest point of Vs beyond its final value.
struct Peak {
    double t = kNone, vs = kNone;
};

}  // namespace

const char* VerdictName(Verdict v) {
    switch (v) {
        case Verdict::Damped:
            return "amorti";
        case Verdict::DampedOscillation:
            return "oscillation amortie";
        case Verdict::Sustained:
            return "oscillation entretenue";
        case Verdict::Divergence:
            return "divergence";
        case Verdict::AtRest:
            return "au repos";
        case Verdict::Stuck:
            return "bloqué";
    }
    return "";
}

std::optional<double> Conclusion::Measured(std::string_view key) const {
    for (const Figure& f : measured)
        if (f.key == key) return f.value;
    return std::nullopt;
}

std::optional<double> Conclusion::Theory(std::string_view key) const {
    for (const Figure& f : theory)
        if (f.key == key) return f.value;
    return std::nullopt;
}

std::string FrenchNumber(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 12), Clean(v));
    std::string digits = text;
    if (digits.find_first_not_of("-0.") == std::string::npos && digits[0] == '-')
        digits.erase(0, 1);  // no "-0"
    const std::size_t sign = digits[0] == '-' ? 1 : 0;
    std::size_t point = digits.find('.');
    if (point != std::string::npos)
        digits[point] = ',';
    else
        point = digits.size();
    // Thousands apart, by a no-break space.
    for (std::size_t at = point; at > sign + 3; at -= 3)
        digits.insert(at - 3, "\u00a0");
    return digits;
}

std::string FrenchShort(double v) {
    v = Clean(v);
    if (v == 0 || !std::isfinite(v)) return FrenchNumber(v, 0);
    const int magnitude = static_cast<int>(std::floor(std::log10(std::abs(v))));
    const int decimals = std::max(0, 3 - magnitude);
    std::string text = FrenchNumber(v, decimals);
    if (decimals > 0) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == ',') text.pop_back();
    }
    return text;
}

std::string FrenchDuration(double s) {
    return std::abs(s) < 1 ? FrenchNumber(s * 1000, 1) + " ms" : FrenchNumber(s, 3) + " s";
}

Conclusion Conclude(const Experiment& run) {
    Conclusion c;
    Writer out(c);
    const Inputs& in = run.inputs();
    const Settings& set = in.settings;
    const SetPoint& sp = run.setPoint();
    const Parameters& p = run.parameters();
    const std::vector<Sample>& fine = run.fine();
    const double span = run.span(), end = fine.back().t;
    const double reach = run.StopVoltage();

    // The window: from the last change of inputs, and for a trapezoid from its last corner.
    double t0 = run.InputsSince();
    if (sp.shape == Shape::Trapezoid) {
        for (const double corner : {39.0, 99.0, 138.0})
            if (corner / 159 * span < end) t0 = std::max(t0, corner / 159 * span);
    }
    std::size_t first = 0;
    while (first + 1 < fine.size() && fine[first].t < t0 - 1e-12 * span)
        ++first;
    const Sample& start = fine[first];
    const Sample& last = fine.back();
    const double vs0 = start.vs;
    double asked = 0, moved = 0;  // how far Ve goes from Vs at the start, and Vs
    for (std::size_t k = first; k < fine.size(); ++k) {
        asked = std::max(asked, std::abs(fine[k].ve - vs0));
        moved = std::max(moved, std::abs(fine[k].vs - vs0));
    }
    // A trapezoid's last corner moves the pen little: its figures are judged on its amplitude.
    if (sp.shape == Shape::Trapezoid) asked = std::max(asked, std::abs(in.amplitude));
    const auto& ranges = run.ranges();
    for (std::size_t k = 1; k < ranges.size(); ++k) {
        if (span * double(k) / Experiment::kFrames <= t0) continue;
        moved =
            std::max({moved, std::abs(ranges[k].vs.low - vs0), std::abs(ranges[k].vs.high - vs0)});
    }
    Swings swings;
    for (const TurningPoint& tp : run.turningPoints())
        if (tp.t > t0) swings.at.push_back(tp);
    std::vector<Contact> contacts;
    for (const Contact& k : run.contacts())
        if (k.t > t0) contacts.push_back(k);

    // The end of the window: settled when its last fifth stays within 2 % of the move.
    const double tail = end - 0.2 * (end - t0);
    const double eEnd = last.ve - last.vs;
    bool settled = true, onStop = std::abs(last.vs) >= reach * (1 - 1e-12);
    for (std::size_t k = first; k < fine.size(); ++k) {
        if (fine[k].t < tail) continue;
        settled = settled && std::abs(fine[k].vs - last.vs) <= 0.02 * asked;
        onStop = onStop && std::abs(fine[k].vs) >= reach * (1 - 1e-12) && fine[k].omega == 0;
    }

    const double floor = std::max(1e-5, 1e-3 * asked);
    const Ringing ring = Ring(swings, floor);
    std::size_t seen = 0;
    while (seen < swings.Count() && swings.Size(seen) >= kVisibleSwing * asked)
        ++seen;

    // A sine: its harmonic response over whole periods at the end, and whether it has settled
    // (the fit over the last periods is that over the periods before, to 1 % and 1°).
    const bool sine = sp.shape == Shape::Sine && sp.frequency > 0 && in.amplitude != 0;
    const double omega = 2 * kPi * sp.frequency;
    double gain = kNone, phase = kNone;
    bool harmonic = false, faster = false;
    const std::complex<double> tjw = ClosedLoopResponse(p, set.gain, omega);
    double theoryPhase = 0;
    const auto poles = ClosedLoopPoles(p, set.gain);
    for (const auto& pole : poles)
        theoryPhase -= std::arg(std::complex<double>(0, omega) - pole) - std::arg(-pole);
    if (sine) {
        const double period = 1 / sp.frequency;
        const double perPeriod = double(fine.size()) / (span / period);
        const double whole = std::ceil(24 / std::max(perPeriod, 1e-9)) * period;
        if (end - 2 * whole >= t0 - 1e-9 * span) {
            const Harmonic late = Fit(fine, omega, end - whole, end);
            const Harmonic early = Fit(fine, omega, end - 2 * whole, end - whole);
            if (late.ok && early.ok) {
                const auto polar = [&](const Harmonic& h) {
                    return std::complex<double>(h.a, h.b) / in.amplitude;
                };
                const std::complex<double> a = polar(late), b = polar(early);
                gain = std::abs(a);
                const double lag = std::arg(a) * 180 / kPi;
                phase = lag - 360 * std::round((lag - theoryPhase * 180 / kPi) / 360);
                harmonic = std::abs(std::abs(a) - std::abs(b)) <= 0.01 * gain + 1e-9 &&
                           std::abs(std::arg(a / b)) <= kPi / 180;
            }
            // More than two swings a period: another oscillation rides on the sine.
            std::size_t count = 0;
            for (std::size_t k = 0; k < swings.Count(); ++k)
                count += swings.at[k].t > end - whole && swings.Size(k) >= floor;
            faster = double(count) > 2 * whole / period + 2;
        }
    }

    // The verdict.
    const int stopSide = onStop ? (last.vs > 0 ? 1 : -1) : 0;
    const bool still = moved <= 1e-6 + 1e-4 * asked;
    // A change that leaves the pen where it was (a gain changed once the response has settled):
    // what follows moves less than a pixel of the chart (55 pixels for the amplitude), and its
    // swings, however many, are nothing a pupil can see. The loop is at rest since then.
    const bool unseen = t0 > 0 && std::max(asked, moved) < std::abs(in.amplitude) / 55;
    const bool blocked = set.deadZone || onStop;
    bool bounded = false;
    if (unseen || (still && (std::abs(eEnd) <= 1e-3 || !blocked))) {
        c.verdict = Verdict::AtRest;
    } else if ((still && blocked) || (onStop && std::abs(eEnd) > 0.02 * asked)) {
        c.verdict = Verdict::Stuck;
        c.cause = onStop                                 ? "butée"
                  : set.saturation && set.usat <= set.u0 ? "saturation"
                                                         : "zone morte";
    } else if (ring.found && (!sine || faster)) {
        // Bounded by nothing but the stops: they are met again and again, and the amplifier does
        // not saturate.
        bounded = contacts.size() >= 2 && contacts.back().t >= end - 2 * ring.period &&
                  !Clipped(run, set, end - 2 * ring.period);
        c.verdict = bounded || (ring.ratio > 1 + kSteady && !ring.settles) ? Verdict::Divergence
                    : ring.ratio >= 1 - kSteady || ring.settles            ? Verdict::Sustained
                    : seen >= 4 ? Verdict::DampedOscillation
                                : Verdict::Damped;
    } else {
        c.verdict = Verdict::Damped;
    }
    const bool ringing = c.verdict == Verdict::DampedOscillation ||
                         c.verdict == Verdict::Sustained || c.verdict == Verdict::Divergence;
    settled = settled && (c.verdict == Verdict::Damped || c.verdict == Verdict::DampedOscillation);

    std::string heading = std::string("Mesures : ") + VerdictName(c.verdict);
    if (!c.cause.empty()) heading += " (" + c.cause + ")";
    out.Line(heading);

    // The oscillation.
    if (ringing) {
        out.Measured("T (s)", ring.period);
        out.Measured("rapport par période", ring.ratio);
        out.Measured("décrément", std::log(1 / ring.ratio));
        out.Measured("amplitude d'oscillation (V)", ring.amplitude);
        std::string line = "T = " + FrenchDuration(ring.period);
        if (c.verdict == Verdict::Sustained)
            line += ", amplitude " + Volts(ring.amplitude);
        else if (bounded)
            line += ", bornée par les butées";
        else
            line += ", rapport par période " + FrenchNumber(ring.ratio, 3);
        if (c.verdict == Verdict::Sustained && ring.settles)
            line += ", rapport " + FrenchNumber(ring.ratio, 3);
        out.Line(line);
        if (c.verdict == Verdict::DampedOscillation)
            out.Line("décrément logarithmique δ = " + FrenchNumber(std::log(1 / ring.ratio), 3));
        if (c.verdict == Verdict::Sustained) {
            const bool clipped = Clipped(run, set, end - 2 * ring.period);
            out.Line(clipped ? "cycle limite : U bute sur ±Usat" : "ni amortie ni croissante");
        }
    }

    // The figures of a step (and of a trapezoid's last corner): D%, tp, t5%, static error.
    const bool steps = sp.shape == Shape::Step || sp.shape == Shape::Trapezoid;
    const bool reaching = c.verdict == Verdict::Damped || c.verdict == Verdict::DampedOscillation;
    if (steps && reaching) {
        // The final value: where Vs ends when it has settled; a type-1 loop without friction or
        // stop goes all the way to Ve.
        const bool known = settled || (!set.deadZone && contacts.empty());
        const double target = settled ? last.vs : last.ve;
        const double move = target - vs0;
        if (known && move != 0 && sp.shape == Shape::Step) {
            const double dir = move > 0 ? 1 : -1;
            Peak peak;
            double beyond = 0;
            for (const TurningPoint& tp : swings.at) {
                const double vs = sp.At(tp.t) - tp.error;
                if (dir * (vs - target) > beyond) beyond = dir * (vs - target), peak = {tp.t, vs};
            }
            for (std::size_t k = first; k < fine.size(); ++k) {
                if (dir * (fine[k].vs - target) > beyond && std::isnan(peak.t))
                    beyond = dir * (fine[k].vs - target), peak = {fine[k].t, fine[k].vs};
            }
            out.Measured("D (%)", 100 * beyond / std::abs(move));
            if (beyond > 0) {
                out.Measured("tp (s)", peak.t - t0);
                out.Line("D% = " + FrenchNumber(100 * beyond / std::abs(move), 1) +
                         " %   tp = " + FrenchDuration(peak.t - t0));
            } else {
                out.Missing("tp (s)", "pas de dépassement");
                out.Line("pas de dépassement (D% = 0)");
            }
            // 5 % settling time: after the last instant Vs is farther than 5 % of the move from
            // its final value (interpolated between samples), if no later swing goes back out.
            const double band = 0.05 * std::abs(move);
            double leaves = t0;
            for (std::size_t k = fine.size(); k-- > first;) {
                if (std::abs(fine[k].vs - target) > band) {
                    const Sample& a = fine[k];
                    const Sample& b = fine[std::min(k + 1, fine.size() - 1)];
                    const double ea = std::abs(a.vs - target), eb = std::abs(b.vs - target);
                    leaves = ea > eb ? a.t + (b.t - a.t) * (ea - band) / (ea - eb) : a.t;
                    break;
                }
            }
            bool after = !ringing;
            for (const TurningPoint& tp : swings.at)
                after =
                    after || (tp.t > leaves && std::abs(sp.At(tp.t) - tp.error - target) <= band);
            if (std::abs(last.vs - target) <= band && after) {
                out.Measured("t5% (s)", leaves - t0);
                out.Line("t5% = " + FrenchDuration(leaves - t0));
            } else {
                out.Missing("t5% (s)", "t5% non atteint dans la durée");
                out.Line("t5% non atteint dans la durée");
            }
        }
        if (settled) {
            out.Measured("erreur statique (V)", eEnd);
            out.Line("erreur statique = " + Volts(eEnd));
        } else {
            out.Missing("erreur statique (V)", "pas de régime établi");
            out.Line("erreur statique : pas de régime établi");
        }
    }

    // A ramp: the error it is followed with, once steady (its last fifth within 2 % of the move).
    if (sp.shape == Shape::Ramp && reaching) {
        bool steady = true;
        double sum = 0;
        int count = 0;
        for (std::size_t k = first; k < fine.size(); ++k) {
            if (fine[k].t < tail) continue;
            const double e = fine[k].ve - fine[k].vs;
            steady = steady && std::abs(e - eEnd) <= 0.02 * asked;
            if (fine[k].t >= end - 0.1 * (end - t0)) sum += e, ++count;
        }
        if (steady && count > 0) {
            out.Measured("erreur de vitesse (V)", sum / count);
            out.Line("erreur de vitesse = " + Volts(sum / count));
        } else {
            out.Missing("erreur de vitesse (V)", "pas de régime établi");
            out.Line("erreur de vitesse : pas de régime établi");
        }
    }

    // A sine: its harmonic response once the transient has passed.
    if (sine && reaching) {
        if (harmonic) {
            out.Measured("|Vs/Ve|", gain);
            out.Measured("arg Vs/Ve (°)", phase);
            out.Line("|Vs/Ve| = " + Gain(gain) + "   déphasage " + FrenchNumber(phase, 1) + "°");
        } else {
            out.Missing("|Vs/Ve|", "régime sinusoïdal non établi dans la durée");
            out.Missing("arg Vs/Ve (°)", "régime sinusoïdal non établi dans la durée");
            out.Line("régime sinusoïdal non établi dans la durée");
        }
    }

    // Stuck: why.
    if (c.verdict == Verdict::Stuck) {
        out.Measured("erreur statique (V)", eEnd);
        if (c.cause == "saturation") {
            out.Line("Usat = " + FrenchShort(set.usat) + " V ≤ U0 = " + FrenchShort(set.u0) +
                     " V : le moteur ne démarre pas");
        } else if (c.cause == "zone morte") {
            out.Line("|U| = " + Volts(std::abs(last.u)) + " ≤ U0 : le moteur ne démarre pas");
        }
        out.Line("erreur statique = " + Volts(eEnd));
    }
    if (c.verdict == Verdict::AtRest)
        out.Line(unseen
                     ? "rien de visible ne bouge depuis le changement à t = " + FrenchDuration(t0)
                 : asked <= 1e-9 ? "consigne nulle : rien ne bouge"
                                 : "le crayon reste sur sa consigne");

    // The stops.
    if (!run.contacts().empty()) {
        const Contact& k = run.contacts().front();
        out.Measured("butée atteinte (s)", k.t);
        out.Measured("contacts avec les butées", double(run.contacts().size()));
        std::string line = std::string("butée ") + (k.side > 0 ? "+" : "-") +
                           "150 mm à t = " + FrenchDuration(k.t);
        if (run.contacts().size() > 1)
            line += " (" + std::to_string(run.contacts().size()) + " fois)";
        out.Line(line);
    }
    if (stopSide != 0 && last.omega == 0) {
        out.Measured("courant calé (A)", last.i);
        out.Line("moteur calé : I = " + FrenchNumber(std::abs(last.i), 2) + " A, " +
                 FrenchNumber(p.R * last.i * last.i, 1) + " W");
    }

    // The theory of the linear loop at the gain in force.
    const double gc = CriticalGain(p);
    c.stable = set.gain < gc;
    out.Theory("Gc", gc);
    out.TheoryLine("Théorie (linéaire) : Gc = " + FrenchNumber(gc, 1) + ", " +
                   (c.stable ? "stable" : "instable"));
    const std::complex<double> dominant = poles[0];
    out.Theory("pôle dominant, partie réelle (1/s)", dominant.real());
    out.Theory("pôle dominant, partie imaginaire (rad/s)", std::abs(dominant.imag()));
    if (dominant.imag() != 0) {
        const double period = 2 * kPi / std::abs(dominant.imag());
        const double ratio = std::exp(dominant.real() * period);
        out.Theory("T théorique (s)", period);
        out.Theory("rapport par période théorique", ratio);
        out.TheoryLine("pôles " + FrenchNumber(dominant.real(), 1) + " ± " +
                       FrenchNumber(std::abs(dominant.imag()), 1) +
                       "j : T = " + FrenchDuration(period) + ", rapport " + FrenchNumber(ratio, 3));
    } else {
        out.TheoryLine("pôle dominant " + FrenchNumber(dominant.real(), 1) + " /s : apériodique");
    }
    const SecondOrder th = Approximation(p, set.gain);
    out.Theory("Z (2e ordre)", th.zeta);
    out.Theory("wn (rad/s)", th.wn);
    out.TheoryLine("2e ordre (sans L) : Z = " + FrenchNumber(th.zeta, 2) +
                   "  wn = " + FrenchNumber(th.wn, 1) + " rad/s");
    if (c.stable && th.zeta < 1) {
        out.Theory("D théorique (%)", th.overshootPct);
        out.Theory("tp théorique (s)", th.peakTime);
        out.TheoryLine("D% = " + FrenchNumber(th.overshootPct, 1) +
                       " %   tp = " + FrenchDuration(th.peakTime));
    } else if (c.stable) {
        out.TheoryLine("pas de dépassement (Z ≥ 1)");
    }
    if (sp.shape == Shape::Ramp) {
        const double kv = VelocityConstant(p, set.gain);
        out.Theory("Kv (1/s)", kv);
        out.Theory("erreur de vitesse théorique (V)", in.amplitude / span / kv);
        out.TheoryLine("erreur de vitesse a/Kv = " + Volts(in.amplitude / span / kv));
    }
    if (set.deadZone) {
        out.Theory("U0/G (V)", set.u0 / set.gain);
        out.TheoryLine("zone morte : arrêt si |Ve - Vs| ≤ U0/G = " + Volts(set.u0 / set.gain));
    }
    if (sine && c.stable) {
        out.Theory("|T(jw)|", std::abs(tjw));
        out.Theory("arg T(jw) (°)", theoryPhase * 180 / kPi);
        out.TheoryLine("|T(jω)| = " + Gain(std::abs(tjw)) +
                       "   arg T(jω) = " + FrenchNumber(theoryPhase * 180 / kPi, 1) + "°");
    }
    if (!c.stable && set.saturation) {
        // The limit cycle, by the saturation's describing function: the frequency where the
        // phase is −180°, and the amplitude where G·N(a) comes down to Gc.
        const auto a = Characteristic(p, set.gain);
        const double period = 2 * kPi / std::sqrt(a[1] / a[3]);
        double lo = 0, hi = 1;
        for (int n = 0; n < 60; ++n)
            (SaturationGain(0.5 * (lo + hi)) * set.gain > gc ? hi : lo) = 0.5 * (lo + hi);
        const double amplitude = set.usat / (set.gain * 0.5 * (lo + hi));
        out.Theory("T cycle limite (s)", period);
        out.Theory("amplitude cycle limite (V)", amplitude);
        out.TheoryLine("cycle limite : T = " + FrenchDuration(period) +
                       ", A = " + Volts(amplitude));
    }
    out.Theory("butée (V)", reach);
    if (std::abs(in.amplitude) > reach)
        out.TheoryLine("consigne au-delà des butées (±" + FrenchNumber(reach, 2) + " V)");
    return c;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (static_cast<unsigned char>(ch) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(ch));
            out += code;
        } else {
            out += ch;
        }
    }
    return out + '"';
}

namespace {

// Six significant digits, a point before the decimals; null for what is not a number.
std::string JsonNumber(std::optional<double> v) {
    if (!v || !std::isfinite(*v)) return "null";
    return FormatDecimal(Clean(*v), 'g', 6);
}

const char* ShapeWord(Shape shape) {
    switch (shape) {
        case Shape::Step:
            return "échelon";
        case Shape::Ramp:
            return "rampe";
        case Shape::Trapezoid:
            return "trapèze";
        case Shape::Sine:
            return "sinus";
    }
    return "";
}

}  // namespace

std::string ResultsJson(const Experiment& run) {
    const Conclusion c = Conclude(run);
    const Inputs& in = run.inputs();
    std::string out = "{\n";
    const auto field = [&](std::string_view key, const std::string& value) {
        out += "  " + JsonString(key) + ": " + value + ",\n";
    };
    field("classe", JsonString(VerdictName(c.verdict)));
    if (!c.cause.empty()) field("cause", JsonString(c.cause));
    field("G", JsonNumber(in.settings.gain));
    field("forme", JsonString(ShapeWord(in.shape)));
    field("amplitude (V)", JsonNumber(in.amplitude));
    if (in.shape == Shape::Sine) field("fréquence (Hz)", JsonNumber(in.frequency));
    field("Usat (V)", in.settings.saturation ? JsonNumber(in.settings.usat) : "null");
    field("U0 (V)", in.settings.deadZone ? JsonNumber(in.settings.u0) : "null");
    field("durée (s)", JsonNumber(run.span()));
    field("depuis (s)", JsonNumber(run.InputsSince()));
    for (const Figure& f : c.measured)
        field(f.key, JsonNumber(f.value));
    for (const Figure& f : c.theory)
        field(f.key, JsonNumber(f.value));
    field("stable", c.stable ? "true" : "false");
    out += "  \"conclusion\": [";
    bool comma = false;
    for (const auto* lines : {&c.measuredLines, &c.theoryLines}) {
        for (const std::string& line : *lines) {
            out += (comma ? ",\n    " : "\n    ") + JsonString(line);
            comma = true;
        }
    }
    return out + "\n  ]\n}\n";
}

}  // namespace model
