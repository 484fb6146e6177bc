#include "app/player.h"

#include <QCoreApplication>
#include <algorithm>

#include "app/table.h"
#include "engine/globals.h"

namespace {

// Phase at the start of each lesson, menu items 1 to 6, and of the laboratory (7).
constexpr int kLessonBase[] = {1, 201, 401, 601, 801, 1001, 1201};
constexpr int kLessonFrames = 159;

}  // namespace

ScenePosition PositionOf(int phase) {
    if (phase == 0) return {-1, 0, 0};
    if (phase == -1) return {0, 0, 0};
    for (int i = 0; i < 7; ++i) {
        const int frame = phase - kLessonBase[i];
        if (frame >= 0 && frame <= kLessonFrames) return {i + 1, frame, kLessonFrames};
    }
    return {-1, 0, 0};
}

QString SceneName(int item) {
    static const char* const names[] = {"Présentation",
                                        "Réponse indicielle en Boucle Ouverte",
                                        "Rép. Ind. en Boucle Fermée (G:faible)",
                                        "Rép. Ind. en Boucle Fermée (G:grand)",
                                        "Instabilité en B. Fermée si G très grand",
                                        "Réponse trapézoïdale en B. Fermée",
                                        "Non linéarité du moteur",
                                        "Laboratoire"};
    if (item < 0 || item > 7) return QStringLiteral("Accueil");
    return QString::fromUtf8(names[item]);
}

Player::Player(Ttable& form) : QObject(&form), form_(form) {
    connect(form.Button1, &QPushButton::clicked, this, &Player::LessonStarted);
}

ScenePosition Player::Position() const {
    return PositionOf(Phase);
}

void Player::LessonStarted() {
    const ScenePosition at = Position();
    start_.reset();
    if (at.frames == 0 || at.frame != 0) {
        emit Changed();
        return;
    }
    start_ = CaptureScene(form_);
    startItem_ = at.item;
    buttonsAtStart_.clear();
    for (QPushButton* b : form_.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        buttonsAtStart_.push_back(b);
    emit Changed();
}

void Player::SetPaused(bool paused) {
    paused_ = paused;
    form_.Timer1->SetEnabled(!paused);
    emit Changed();
}

void Player::StepForward() {
    if (!paused_) SetPaused(true);
    form_.Timer1->Fire();
    emit Changed();
}

void Player::StepBack() {
    if (!paused_) SetPaused(true);
    const ScenePosition at = Position();
    if (at.frame > 1) GoTo(at.frame - 1);
}

void Player::GoToEnd() {
    GoTo(Position().frames);
}

void Player::GoTo(int frame) {
    const ScenePosition at = Position();
    if (!start_ || at.frames == 0 || at.item != startItem_) return;
    frame = std::clamp(frame, 1, at.frames);
    // Back to what the lesson started from: its memory, the panels and buttons as the start
    // button left them (the buttons made since then are gone).
    for (QPushButton* b : form_.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        if (std::find(buttonsAtStart_.begin(), buttonsAtStart_.end(), b) == buttonsAtStart_.end())
            delete b;
    RestoreScene(form_, *start_);
    form_.RichEdit1->setVisible(false);
    form_.RichEdit2->setVisible(false);
    for (int i = 0; i < frame; ++i)
        form_.Timer1Timer(form_.Timer1);
    form_.update();
    form_.FOND->update();
    emit Changed();
}

void Player::Redraw() {
    const ScenePosition at = Position();
    if (at.frames == 0) {
        form_.Timer1Timer(form_.Timer1);  // the still scenes draw everything on every tick
    } else if (start_ && at.frame > 0) {
        GoTo(at.frame);
    }
}

void Player::Restart() {
    const int item = Position().item;
    if (item >= 0) Choose(item);
}

void Player::Choose(int item) {
    if (item == 7) {
        StartLaboratory(form_);
    } else {
        form_.ListBox1->setCurrentRow(item, QItemSelectionModel::ClearAndSelect);
        form_.Button1->click();
    }
    if (paused_) SetPaused(false);
}

void Player::Faster() {
    form_.ScrollBar1->setValue(form_.ScrollBar1->value() - form_.ScrollBar1->pageStep());
    emit Changed();
}

void Player::Slower() {
    form_.ScrollBar1->setValue(form_.ScrollBar1->value() + form_.ScrollBar1->pageStep());
    emit Changed();
}
