#include "engine/session.h"

#include <algorithm>

#include "engine/commentary.h"
#include "model/settings.h"

void Session::Start() {
    Button1Click(s);
    LessonStarted();
}

void Session::LessonStarted() {
    const ScenePosition at = Position();
    start_.reset();
    if (at.frames == 0 || at.frame != 0) return;
    start_ = s;
    startItem_ = at.item;
}

void Session::Choose(int item) {
    if (item == kLaboratory) {
        StartLaboratory(s);
        LessonStarted();
    } else if (item >= 0 && item < kListItems) {
        s.ListBox1.ItemIndex = item;
        Start();
    }
    SetPaused(false);
}

void Session::StepForward() {
    SetPaused(true);
    Tick();
}

void Session::StepBack() {
    SetPaused(true);
    const ScenePosition at = Position();
    if (at.frame > 1) GoTo(at.frame - 1);
}

void Session::GoTo(int frame) {
    const ScenePosition at = Position();
    if (!start_ || at.frames == 0 || at.item != startItem_) return;
    frame = std::clamp(frame, 1, at.frames);
    // Back to what the lesson started from, keeping what is the pupil's: the speed, the
    // laboratory's changes, whether it plays, and what the shell has yet to show.
    State now = std::move(s);
    s = *start_;
    s.ScrollBar1 = now.ScrollBar1;
    s.ListBox1.ItemIndex = now.ListBox1.ItemIndex;
    s.Timer1 = now.Timer1;
    s.Lab.SetChanges(now.Lab.Changes());
    s.Documents = now.Documents;
    s.Messages = std::move(now.Messages);
    s.RichEdit1.Visible = false;
    s.RichEdit2.Visible = false;
    for (int i = 0; i < frame; ++i)
        Timer1Timer(s);
}

void Session::Restart() {
    const int item = Position().item;
    if (item >= 0) Choose(item);
}

void Session::Faster() {
    s.ScrollBar1.Position =
        std::max(s.ScrollBar1.Min, s.ScrollBar1.Position - s.ScrollBar1.LargeChange);
}

void Session::Slower() {
    s.ScrollBar1.Position =
        std::min(s.ScrollBar1.Max, s.ScrollBar1.Position + s.ScrollBar1.LargeChange);
}

bool Session::Set(const std::string& setting, std::string& error) {
    model::Inputs inputs = s.Lab.inputs();
    if (!model::ApplySetting(setting, inputs, error)) return false;
    s.Lab.Change(inputs);
    return true;
}
