// Builds the real window headless and drives it as the timer and a user would, then looks at it.
#pragma once

#include <QEvent>
#include <QImage>
#include <QObject>
#include <memory>

#include "app/table.h"

class WindowDriver {
  public:
    WindowDriver();  // a fresh window and a fresh program state, no live timer
    ~WindowDriver();

    Ttable& form() { return *form_; }

    void Tick(int n = 1);   // n timer ticks
    void Select(int item);  // choose a menu item and press the start button
    // Frame `frames` of a lesson: two idle ticks, the start button on `item`, then that many ticks.
    void Play(int item, int frames);
    void Click();          // press the start button with the current selection
    void ClickComments();  // press the comment button that is showing

    QImage Client();        // the client area, 793 x 553, controls included
    QImage Canvas() const;  // the window's own canvas only (no controls)
    QImage Fond() const;    // FOND's picture (449 x 581)

  private:
    std::unique_ptr<Ttable> form_;
};

// Counts the events of one type that an object receives while the counter lives.
class EventCounter : public QObject {
  public:
    EventCounter(QObject* watched, QEvent::Type type);
    ~EventCounter() override;
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QObject* watched_;
    QEvent::Type type_;
};
