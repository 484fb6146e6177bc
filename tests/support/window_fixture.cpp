#include "support/window_fixture.h"

#include <QCoreApplication>

#include "app/snapshot.h"

WindowDriver::WindowDriver() : form_(std::make_unique<Ttable>()) {
    PrepareForScript(*form_);
}

WindowDriver::~WindowDriver() = default;

void WindowDriver::Tick(int n) {
    ApplyAction(*form_, {ScriptAction::Ticks, n});
}

void WindowDriver::Select(int item) {
    ApplyAction(*form_, {ScriptAction::Select, item});
}

void WindowDriver::Play(int item, int frames) {
    Tick(2);
    Select(item);
    Tick(frames);
}

void WindowDriver::Click() {
    form_->Button1->click();
    QCoreApplication::processEvents();
}

void WindowDriver::ClickComments() {
    ApplyAction(*form_, {ScriptAction::Comments, 0});
}

QImage WindowDriver::Client() {
    return form_->ClientPicture();
}

QImage WindowDriver::Canvas() const {
    return form_->CanvasImage().copy();
}

QImage WindowDriver::Fond() const {
    return form_->FOND->Picture.Bitmap.Image().copy();
}

EventCounter::EventCounter(QObject* watched, QEvent::Type type) : watched_(watched), type_(type) {
    watched_->installEventFilter(this);
}

EventCounter::~EventCounter() {
    watched_->removeEventFilter(this);
}

bool EventCounter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == type_) ++count;
    return QObject::eventFilter(watched, event);
}
