#include "desktop/player.h"

#include "desktop/table.h"

Player::Player(Ttable& form) : QObject(&form), form_(form) {
    connect(&form, &Ttable::Ticked, this, &Player::Changed);
}

template <typename F>
void Player::Do(F change) {
    change(form_.session());
    form_.Refresh();
    emit Changed();
}

ScenePosition Player::Position() const {
    return form_.session().Position();
}

bool Player::Paused() const {
    return form_.session().Paused();
}

const std::optional<State>& Player::LessonStart() const {
    return form_.session().LessonStart();
}

void Player::SetPaused(bool paused) {
    Do([paused](Session& s) { s.SetPaused(paused); });
}

void Player::StepForward() {
    Do([](Session& s) { s.StepForward(); });
}

void Player::StepBack() {
    Do([](Session& s) { s.StepBack(); });
}

void Player::GoToEnd() {
    Do([](Session& s) { s.GoToEnd(); });
}

void Player::GoTo(int frame) {
    Do([frame](Session& s) { s.GoTo(frame); });
}

void Player::Restart() {
    Do([](Session& s) { s.Restart(); });
}

void Player::Redraw() {
    Do([](Session& s) {
        const ScenePosition at = s.Position();
        if (at.frames == 0) {
            s.Tick();  // the still scenes draw everything on every tick
        } else if (s.LessonStart() && at.frame > 0) {
            s.GoTo(at.frame);
        }
    });
}

void Player::Choose(int item) {
    Do([item](Session& s) { s.Choose(item); });
}

void Player::Faster() {
    Do([](Session& s) { s.Faster(); });
}

void Player::Slower() {
    Do([](Session& s) { s.Slower(); });
}
