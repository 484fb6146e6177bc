// The lesson-end checks that the real-window tests apply to screenshots, tried here on headless
// pictures: they accept the right last frame and reject pictures that differ from it in the ways
// a fault would make them differ.
#include <gtest/gtest.h>

#include <QPainter>

#include "support/lesson_end_checks.h"
#include "support/window_fixture.h"

using lesson_end::HighGainLastFrame;
using lesson_end::LowGainLastFrame;

namespace {

QImage EndOf(int item, int frames = 159) {
    WindowDriver d;
    d.Tick(2);
    d.Select(item);
    d.Tick(frames);
    return d.Client();
}

}  // namespace

// (That they accept the right last frames is checked by high_gain_test and low_gain_test.)
TEST(LessonEndChecks, RejectTheOtherLessonsLastFrame) {
    EXPECT_GT(HighGainLastFrame(EndOf(2)).size(), 5u);
    EXPECT_GT(LowGainLastFrame(EndOf(3)).size(), 5u);
}

TEST(LessonEndChecks, RejectAFrameTooEarlyOrTooLate) {
    // One frame short: no button, the curves one column short.
    EXPECT_FALSE(HighGainLastFrame(EndOf(3, 158)).empty());
    EXPECT_FALSE(LowGainLastFrame(EndOf(2, 158)).empty());
    // Before the interpretation.
    EXPECT_FALSE(HighGainLastFrame(EndOf(3, 130)).empty());
}

TEST(LessonEndChecks, RejectDamageToThePenTheTextsAndThePanels) {
    const QImage high = EndOf(3);
    const QImage low = EndOf(2);
    auto damaged = [](QImage picture, const QRect& area, TColor colour) {
        QPainter p(&picture);
        p.fillRect(area, ToQColor(colour));
        return picture;
    };
    // The pen moved one pixel (a carriage drawn one column to the right).
    QImage moved = high;
    {
        QPainter p(&moved);
        p.drawImage(QPoint(606, 325), high.copy(605, 325, 20, 40));
    }
    EXPECT_FALSE(HighGainLastFrame(moved).empty());
    // A word of the interpretation on FOND blotted out.
    EXPECT_FALSE(
        HighGainLastFrame(damaged(high, QRect(344 + 180, 16 + 190, 20, 8), clBtnFace)).empty());
    // The comment button missing.
    EXPECT_FALSE(HighGainLastFrame(damaged(high, QRect(60, 380, 180, 30), clBtnFace)).empty());
    // The small panel empty, or not yellow.
    EXPECT_FALSE(LowGainLastFrame(damaged(low, QRect(139, 43, 160, 67), clYellow)).empty());
    EXPECT_FALSE(LowGainLastFrame(damaged(low, QRect(136, 40, 185, 73), clWhite)).empty());
    // A trace that overshoots.
    EXPECT_FALSE(LowGainLastFrame(damaged(low, QRect(600, 450, 2, 2), clRed)).empty());
}
