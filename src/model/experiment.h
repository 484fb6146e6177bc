// One run of the laboratory: the loop simulated over a span chosen for its settings, read at
// each of the 159 frames of a lesson, with the changes the pupil made along the way and the run
// before it kept for comparison. Plain values: a run can be copied, put back and played again,
// and the same inputs always give the same run.
#pragma once

#include <string>
#include <vector>

#include "model/analysis.h"
#include "model/loop.h"

namespace model {

// The lowest and highest values of a signal over a frame, at every integration step in it and at
// the frames at both ends: what a column of a chart must cover (an oscilloscope's peak detect).
struct Range {
    double low, high;
};
struct FrameRanges {
    Range ve, vs, u, omega;
};

// A turning point of the error Ve − Vs: an instant where it stops rising and falls, or the
// reverse, found at every integration step (refined between the steps around it).
struct TurningPoint {
    double t;      // s
    double error;  // V
};

// What the pupil sets: the loop's settings and the set point (its span is the run's own).
struct Inputs {
    Settings settings;
    Shape shape = Shape::Step;
    double amplitude = 2;  // V
    double frequency = 2;  // Hz, sine only
};

class Experiment {
  public:
    static constexpr int kFrames = 159;
    // Samples taken in each frame (the figures are measured on them).
    static constexpr int kSamplesPerFrame = 16;

    Experiment();

    // A new run from rest with these inputs; the run that was going on becomes the previous one.
    void Launch(const Inputs& inputs);
    // A change of inputs from the current frame on (before the first frame: the run's own inputs,
    // and its span chosen again).
    void Change(const Inputs& inputs);
    // Simulates up to frame k (1 to kFrames), applying the changes made for the frames passed.
    void AdvanceTo(int frame);

    const Inputs& inputs() const { return inputs_; }      // as they are now
    const Inputs& startInputs() const { return start_; }  // as the run began
    bool Running() const { return launched_; }
    int frame() const { return frame_; }
    double span() const { return sp_.span; }
    const SetPoint& setPoint() const { return sp_; }
    const Parameters& parameters() const { return loop_.parameters(); }
    // The signals at frames 0 to frame(); those of the previous run, all its frames.
    const std::vector<Sample>& frames() const { return frames_; }
    const std::vector<Sample>& previous() const { return previous_; }
    // For each of those frames, the range of each charted signal since the frame before; the
    // previous run's too.
    const std::vector<FrameRanges>& ranges() const { return ranges_; }
    const std::vector<FrameRanges>& previousRanges() const { return previousRanges_; }
    // True when a column of the charts spans more than a tenth of a period of the set point or of
    // the loop's own oscillation, for inputs in force during the run: a line through the frames
    // would then show a signal that is not there, and each column must be drawn as its range.
    bool PeakDetect() const { return peakDetect_; }
    bool PreviousPeakDetect() const { return previousPeakDetect_; }  // the previous run's
    // The run's fine samples (kSamplesPerFrame per frame, and t = 0), the turning points of its
    // error (the first 20 000) and the times the carriage came against a stop.
    const std::vector<Sample>& fine() const { return fine_; }
    const std::vector<TurningPoint>& turningPoints() const { return turns_; }
    const std::vector<Contact>& contacts() const { return loop_.contacts(); }
    // The instant from which the inputs now in force apply (0, or the last change made).
    double InputsSince() const;
    // The voltage at the sensor with the pen against its +travel stop.
    double StopVoltage() const { return loop_.StopVoltage(); }
    // The frames where the inputs changed during the run.
    std::vector<int> ChangeFrames() const;
    // The changes are the pupil's, not the run's state: going back in a run keeps them.
    std::vector<std::pair<int, Inputs>> Changes() const;
    void SetChanges(const std::vector<std::pair<int, Inputs>>& changes);

    // The linear theory at the run's gain.
    SecondOrder Theory() const { return Approximation(parameters(), inputs_.settings.gain); }
    double Critical() const { return CriticalGain(parameters()); }

    // The run as CSV: one row per frame (t = 0 and the frames played), SI units but the pen's
    // position in millimetres, with a header row; a point before the decimals, seven significant
    // digits, and neither "-0" nor a number too small to be stored in full (they print as 0).
    std::string Csv() const;

    void SetStepSize(double dt);  // the integration step (1e-4 s)
    double StepSize() const { return loop_.stepSize(); }

  private:
    SetPoint MakeSetPoint(const Inputs& in, double span) const;
    void Begin(const Inputs& inputs);  // at rest at frame 0, the span chosen for the inputs
    void Apply(const Inputs& inputs);  // from now on
    void Observe(const Sample& s);     // at the end of each integration step

    Loop loop_;
    Inputs start_;   // the run's inputs at frame 0
    Inputs inputs_;  // the inputs in force
    SetPoint sp_;
    bool launched_ = false;
    int frame_ = 0;
    struct Edit {
        int frame;
        Inputs inputs;
    };
    std::vector<Edit> changes_;  // applied when the run reaches their frame
    std::vector<Sample> frames_, fine_, previous_;
    std::vector<FrameRanges> ranges_, previousRanges_;
    bool peakDetect_ = false, previousPeakDetect_ = false;
    // The turning points' detector: the error's extreme since the last turning point, with the
    // instants just before and after it, and which way the error is going (0: not yet known).
    std::vector<TurningPoint> turns_;
    TurningPoint extreme_{}, before_{}, after_{}, last_{};
    int heading_ = 0;
    bool afterSeen_ = false;
};

}  // namespace model
