// The controls of time around the scenes: pause and resume, a frame forward or back, the first
// and the last frame of a lesson, start again, faster and slower. The player drives the timer's
// handler and the start button; it never draws by itself. Going back restores what the lesson
// started from (taken when the start button started it) and replays the lesson unseen up to the
// frame asked for, so that the picture is exactly the one the lesson shows there when it plays.
#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

#include "engine/scene_memory.h"

class Ttable;
class QPushButton;

// A scene as the menu numbers it (-1 for the idle screen), and where a lesson stands.
struct ScenePosition {
    int item = -1;
    int frame = 0;   // 0 before a lesson's first frame, then 1 to 159
    int frames = 0;  // 159 for a lesson, 0 for the still scenes
};

// Where Phase puts the window.
ScenePosition PositionOf(int phase);

// The scene's name, as its menu item reads.
QString SceneName(int item);

class Player : public QObject {
    Q_OBJECT
  public:
    explicit Player(Ttable& form);

    ScenePosition Position() const;
    bool Paused() const { return paused_; }
    const std::optional<SceneMemory>& LessonStart() const { return start_; }

    void SetPaused(bool paused);
    void TogglePause() { SetPaused(!paused_); }
    void StepForward();
    void StepBack();
    void GoToStart() { GoTo(1); }
    void GoToEnd();
    // The lesson on screen at `frame` (1 to its last), replayed from its start.
    void GoTo(int frame);
    void Restart();
    // Draws the scene on screen again as it is (after a change of zoom, say).
    void Redraw();
    void Choose(int item);  // as choosing the item in the menu and pressing the start button
    void Faster();
    void Slower();

  signals:
    void Changed();

  private:
    void LessonStarted();

    Ttable& form_;
    bool paused_ = false;
    std::optional<SceneMemory> start_;
    int startItem_ = -1;
    std::vector<QPushButton*> buttonsAtStart_;  // the run-time buttons that existed then
};
