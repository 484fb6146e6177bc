#include "model/experiment.h"

#include <algorithm>
#include <charconv>

namespace model {

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
}

void Experiment::Launch(const Inputs& inputs) {
    if (launched_ && frame_ > 0) previous_ = frames_;
    Begin(inputs);
    launched_ = true;
}

void Experiment::Change(const Inputs& inputs) {
    if (frame_ == 0) return Begin(inputs);  // nothing drawn yet: the run's own inputs
    // A new history from here: what was changed later (before going back to this frame) goes.
    std::erase_if(changes_, [&](const Edit& e) { return e.frame >= frame_; });
    changes_.push_back({frame_, inputs});
    inputs_ = inputs;
    loop_.SetSettings(inputs.settings);
    sp_ = MakeSetPoint(inputs, sp_.span);
}

void Experiment::AdvanceTo(int frame) {
    frame = std::min(frame, kFrames);
    while (launched_ && frame_ < frame) {
        for (const Edit& e : changes_) {
            if (e.frame != frame_) continue;
            inputs_ = e.inputs;
            loop_.SetSettings(e.inputs.settings);
            sp_ = MakeSetPoint(e.inputs, sp_.span);
        }
        ++frame_;
        // Each target instant from the frame count, so that rounding to whole steps never drifts.
        for (int j = 1; j <= kSamplesPerFrame; ++j) {
            const double t = sp_.span * ((frame_ - 1) * kSamplesPerFrame + j) /
                             (double(kFrames) * kSamplesPerFrame);
            loop_.Advance(t - loop_.time(), sp_);
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

Results Experiment::Measured() const {
    return Measure(fine_, sp_);
}

std::string Experiment::Csv() const {
    // Whatever the user's locale: a point before the decimals, a comma between the columns.
    std::string out = "t (s),Ve (V),Vs (V),U (V),I (A),Omega (rad/s),x (mm)\n";
    char number[32];
    for (const Sample& s : frames_) {
        for (const double v : {s.t, s.ve, s.vs, s.u, s.i, s.omega, s.penMm}) {
            const auto end =
                std::to_chars(number, number + sizeof number, v, std::chars_format::general, 7);
            out.append(number, end.ptr);
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
