#include "model/experiment.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/decimal.h"

namespace model {

namespace {

// The error must come back by this much from an extreme for it to count as a turning point: far
// below a pixel, far above the integration's own error.
constexpr double kTurnHysteresis = 1e-6;  // V

constexpr std::size_t kMaxTurns = 20000;

FrameRanges At(const Sample& s) {
    return {{s.ve, s.ve}, {s.vs, s.vs}, {s.u, s.u}, {s.omega, s.omega}};
}

void Widen(Range& r, double v) {
    r.low = std::min(r.low, v);
    r.high = std::max(r.high, v);
}

// The extreme of the parabola through three points (t1 the middle one, y1 its extreme value).
TurningPoint Vertex(const TurningPoint& a, const TurningPoint& b, const TurningPoint& c) {
    const double da = b.t - a.t, dc = c.t - b.t;
    if (!(da > 0 && dc > 0)) return b;
    // Slopes on either side, and the curvature between them.
    const double left = (b.error - a.error) / da, right = (c.error - b.error) / dc;
    const double curvature = (right - left) / (0.5 * (da + dc));
    if (curvature == 0) return b;
    // The slope at b, from the parabola: left + curvature·da/2.
    const double slope = left + curvature * da / 2;
    const double shift = std::clamp(-slope / curvature, -da, dc);
    return {b.t + shift, b.error + slope * shift + curvature * shift * shift / 2};
}

}  // namespace

Experiment::Experiment() {
    Begin(Inputs{});
}

SetPoint Experiment::MakeSetPoint(const Inputs& in, double span) const {
    SetPoint sp;
    sp.shape = in.shape;
    sp.amplitude = in.amplitude;
    sp.frequency = in.frequency;
    sp.span = span;
    return sp;
}

void Experiment::Begin(const Inputs& inputs) {
    start_ = inputs_ = inputs;
    changes_.clear();
    loop_.Reset();
    loop_.SetSettings(inputs.settings);
    sp_ = MakeSetPoint(inputs, ChooseSpan(parameters(), inputs.settings, MakeSetPoint(inputs, 1)));
    frame_ = 0;
    frames_ = {loop_.Now(sp_)};
    fine_ = frames_;
    ranges_ = {At(frames_[0])};
    peakDetect_ = NeedsPeakDetect(parameters(), inputs.settings, sp_, kFrames);
    turns_.clear();
    heading_ = 0;
    last_ = extreme_ = {0, frames_[0].ve - frames_[0].vs};
}

void Experiment::Apply(const Inputs& inputs) {
    inputs_ = inputs;
    loop_.SetSettings(inputs.settings);
    sp_ = MakeSetPoint(inputs, sp_.span);
    peakDetect_ = peakDetect_ || NeedsPeakDetect(parameters(), inputs.settings, sp_, kFrames);
}

void Experiment::Observe(const Sample& s) {
    FrameRanges& r = ranges_.back();
    Widen(r.ve, s.ve);
    Widen(r.vs, s.vs);
    Widen(r.u, s.u);
    Widen(r.omega, s.omega);
    // The turning points of the error, with a little hysteresis.
    const TurningPoint p{s.t, s.ve - s.vs};
    if (heading_ == 0) {
        // Which way the error first goes; where it started is no turning point.
        if (std::abs(p.error - extreme_.error) > kTurnHysteresis) {
            heading_ = p.error > extreme_.error ? 1 : -1;
            extreme_ = p, before_ = last_, afterSeen_ = false;
        }
    } else if (heading_ * (p.error - extreme_.error) >= 0) {
        extreme_ = p, before_ = last_, afterSeen_ = false;
    } else {
        if (!afterSeen_) after_ = p, afterSeen_ = true;
        if (heading_ * (extreme_.error - p.error) > kTurnHysteresis) {
            if (turns_.size() < kMaxTurns) turns_.push_back(Vertex(before_, extreme_, after_));
            heading_ = -heading_;
            extreme_ = p, before_ = last_, afterSeen_ = false;
        }
    }
    last_ = p;
}

void Experiment::Launch(const Inputs& inputs) {
    if (launched_ && frame_ > 0) {
        previous_ = frames_, previousRanges_ = ranges_;
        previousPeakDetect_ = peakDetect_;
    }
    Begin(inputs);
    launched_ = true;
}

void Experiment::Change(const Inputs& inputs) {
    if (frame_ == 0) return Begin(inputs);  // nothing drawn yet: the run's own inputs
    // A new history from here: what was changed later (before going back to this frame) goes.
    std::erase_if(changes_, [&](const Edit& e) { return e.frame >= frame_; });
    changes_.push_back({frame_, inputs});
    Apply(inputs);
}

void Experiment::AdvanceTo(int frame) {
    frame = std::min(frame, kFrames);
    while (launched_ && frame_ < frame) {
        for (const Edit& e : changes_)
            if (e.frame == frame_) Apply(e.inputs);
        ++frame_;
        ranges_.push_back(At(frames_.back()));
        // Each target instant from the frame count, so that rounding to whole steps never drifts.
        for (int j = 1; j <= kSamplesPerFrame; ++j) {
            const double t = sp_.span * ((frame_ - 1) * kSamplesPerFrame + j) /
                             (double(kFrames) * kSamplesPerFrame);
            loop_.Advance(t - loop_.time(), sp_, [this](const Sample& s) { Observe(s); });
            fine_.push_back(loop_.Now(sp_));
        }
        frames_.push_back(fine_.back());
    }
}

std::vector<int> Experiment::ChangeFrames() const {
    std::vector<int> out;
    for (const Edit& e : changes_)
        if (e.frame < frame_) out.push_back(e.frame);  // drawn from the frame after it
    return out;
}

std::vector<std::pair<int, Inputs>> Experiment::Changes() const {
    std::vector<std::pair<int, Inputs>> out;
    for (const Edit& e : changes_)
        out.emplace_back(e.frame, e.inputs);
    return out;
}

void Experiment::SetChanges(const std::vector<std::pair<int, Inputs>>& changes) {
    changes_.clear();
    for (const auto& [frame, inputs] : changes)
        changes_.push_back({frame, inputs});
}

double Experiment::InputsSince() const {
    double since = 0;
    for (const Edit& e : changes_)
        if (e.frame < frame_) since = std::max(since, sp_.span * e.frame / kFrames);
    return since;
}

std::string Experiment::Csv() const {
    // Whatever the user's locale: a point before the decimals, a comma between the columns.
    std::string out = "t (s),Ve (V),Vs (V),U (V),I (A),Omega (rad/s),x (mm)\n";
    for (const Sample& s : frames_) {
        for (double v : {s.t, s.ve, s.vs, s.u, s.i, s.omega, s.penMm}) {
            if (std::abs(v) < std::numeric_limits<double>::min()) v = 0;  // "-0", subnormals
            out += FormatDecimal(v, 'g', 7);
            out += ',';
        }
        out.back() = '\n';
    }
    return out;
}

void Experiment::SetStepSize(double dt) {
    loop_.setStepSize(dt);
}

}  // namespace model
