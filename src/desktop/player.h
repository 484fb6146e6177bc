// The controls of time around the scenes, for the window: pause and resume, a frame forward or
// back, the first and the last frame of a lesson, start again, faster and slower (see
// engine/session.h, which does the work). Each shows its result at once.
#pragma once

#include <QObject>

#include "engine/session.h"

class Ttable;

class Player : public QObject {
    Q_OBJECT
  public:
    explicit Player(Ttable& form);

    ScenePosition Position() const;
    bool Paused() const;
    const std::optional<State>& LessonStart() const;

    void SetPaused(bool paused);
    void TogglePause() { SetPaused(!Paused()); }
    void StepForward();
    void StepBack();
    void GoToStart() { GoTo(1); }
    void GoToEnd();
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
    // Runs `change` on the session, then shows the window as it is.
    template <typename F>
    void Do(F change);

    Ttable& form_;
};
