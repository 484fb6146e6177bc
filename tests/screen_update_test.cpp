// What the window shows is what it has drawn: after every tick and every click, in every scene,
// the window's backing store (the picture on screen, repainted only where something changed)
// equals a fresh rendering of the whole client area.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QImage>
#include <string>

#include "engine/globals.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

namespace {

// The client area as it is on screen.
QImage OnScreen(Ttable& form) {
    QBackingStore* store = form.backingStore();
    if (store == nullptr || store->paintDevice()->devType() != QInternal::Image) return QImage();
    const auto* image = static_cast<const QImage*>(store->paintDevice());
    return image->copy(0, 0, Ttable::kLayoutWidth, Ttable::kLayoutHeight)
        .convertToFormat(QImage::Format_RGB32);
}

void ExpectScreenUpToDate(WindowDriver& d, const std::string& when) {
    const QImage shown = OnScreen(d.form());
    ASSERT_FALSE(shown.isNull()) << "no raster backing store";
    EXPECT_EQ(Differences(shown, d.Client()), 0) << "stale pixels: " << when;
}

}  // namespace

// The idle screen, the presentation, and a lesson restarted midway by another.
TEST(ScreenUpdate, IdlePresentationAndRestartedLessonsAreShownAsDrawn) {
    WindowDriver d;
    d.Tick(3);
    ExpectScreenUpToDate(d, "idle");
    d.Select(0);
    ExpectScreenUpToDate(d, "presentation chosen");
    d.Tick(3);
    ExpectScreenUpToDate(d, "presentation");
    d.Select(3);
    d.Tick(70);
    d.Select(5);
    ExpectScreenUpToDate(d, "restart");
    d.Tick(5);
    ExpectScreenUpToDate(d, "after restart");
    d.Select(0);
    d.Tick(1);
    ExpectScreenUpToDate(d, "back to the presentation");
}

TEST(ScreenUpdate, EveryFrameOfEveryLessonIsShownAsDrawn) {
    for (int item = 1; item <= 6; ++item) {
        WindowDriver d;
        d.Tick(2);
        d.Select(item);
        ExpectScreenUpToDate(d, "lesson " + std::to_string(item) + " chosen");
        for (int frame = 1; frame <= 161; ++frame) {
            d.Tick();
            // Every frame where something new appears, and a sample of the others.
            if (frame <= 3 || frame % 16 == 0 || (frame >= 130 && frame <= 133) || frame >= 158)
                ExpectScreenUpToDate(
                    d, "lesson " + std::to_string(item) + " frame " + std::to_string(frame));
        }
        if (item >= 3) {  // the lessons with a comment button
            d.ClickComments();
            ExpectScreenUpToDate(d, "lesson " + std::to_string(item) + " comments");
        }
    }
}

TEST(ScreenUpdate, NothingIsRepaintedOnTheTicksAfterALessonHasEnded) {
    WindowDriver d;
    d.Tick(2);
    d.Select(1);
    d.Tick(159);  // the whole lesson
    const EventCounter fond(d.form().FOND, QEvent::Paint), window(&d.form(), QEvent::Paint);
    d.Tick(1);  // its last frame stays on screen
    EXPECT_EQ(fond.count, 0);
    EXPECT_EQ(window.count, 0);
    d.Select(2);  // the start button clears the chart area
    EXPECT_GE(window.count, 1);
    d.Tick(1);  // and the next lesson draws again
    EXPECT_EQ(fond.count, 1);
    ExpectScreenUpToDate(d, "next lesson");
}
