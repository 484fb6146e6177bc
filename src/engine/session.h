// The program as a shell drives it: its state, and what going about in a lesson needs. When a
// lesson starts, the state it starts from is kept; going back puts that copy back and replays the
// lesson unseen up to the frame asked for, so that the picture is exactly the one the lesson
// shows there when it plays. The pupil's own settings (the speed, the laboratory's changes) are
// not taken back. The shell owns the timer: playing is Tick() every Timer1.Interval ms while
// Timer1.Enabled.
#pragma once

#include <optional>
#include <string>

#include "engine/scenes.h"
#include "engine/state.h"

class Session {
  public:
    State s;

    ScenePosition Position() const { return PositionOf(s.Phase); }
    bool Paused() const { return !s.Timer1.Enabled; }
    // The state the lesson on screen started from (none for a still scene).
    const std::optional<State>& LessonStart() const { return start_; }

    void Tick() { Timer1Timer(s); }
    // A click on the start button, the item of the list chosen before.
    void Start();
    // The scene chosen (0 to 6 in the list, 7 the laboratory) and started, playing.
    void Choose(int item);
    void SetPaused(bool paused) { s.Timer1.Enabled = !paused; }
    void StepForward();  // paused, one frame on
    void StepBack();     // paused, one frame back
    // The lesson on screen at `frame` (1 to its last), replayed from its start.
    void GoTo(int frame);
    void GoToEnd() { GoTo(Position().frames); }
    void Restart();
    void Faster();
    void Slower();
    // A setting of the laboratory, NAME=VALUE; false with the reason when refused.
    bool Set(const std::string& setting, std::string& error);

  private:
    void LessonStarted();

    std::optional<State> start_;
    int startItem_ = -1;
};
