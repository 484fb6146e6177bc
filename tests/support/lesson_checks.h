// Checks shared by the lesson tests, made on a window driven as the timer and a user would drive
// it. Each reports its failures in the running test.
#pragma once

#include <QImage>
#include <QString>
#include <initializer_list>
#include <vector>

#include "support/scene_checks.h"
#include "support/window_fixture.h"

namespace lesson_checks {

using scene_checks::Text;

struct Pixel {
    int x, y;
    TColor colour;
};

// Each pixel in its colour.
void ExpectPixels(const QImage& image, std::initializer_list<Pixel> pixels);

// A width-1 chart segment from (x0, y0) to (x1, y1): its first point in the colour, its last one
// left out (not in the colour).
void ExpectSegment(const QImage& image, int x0, int y0, int x1, int y1, TColor colour);

// A steep width-1 segment from (x, y0) to (x + 1, y1): its first point in the colour, one pixel
// of it on each row in between, none on row y1 (its end left out), in columns x and x + 1.
void ExpectSteepSegment(const QImage& image, int x, int y0, int y1, TColor colour);

// The green spoke on both pulley sprites, bounded by exactly this box.
void ExpectSpokes(const QRect& green);

// Every pixel of each text in its colour (present), or none of them (absent).
void ExpectTexts(const QImage& image, const std::vector<Text>& texts, bool present);

// The driver stands on a lesson's frame 130, which shows none of the texts; the next tick, frame
// 131, draws every pixel of each, on FOND and on the window's canvas.
void ExpectTextsFromFrame131(WindowDriver& d, const std::vector<Text>& onFond,
                             const std::vector<Text>& onCanvas);

// The run-time comment button `Bn` (n = 1 to 4) that the lesson on menu item `item` creates:
// none before frame 159; created once on it, visible, enabled, at (60, 380) 180 x 30 with its
// caption, the only one of the four; ticks after the end change nothing; a click shows RichEdit2;
// the start button hides and disables it; the next end creates a new instance, the old one stays
// hidden; starting another lesson hides the new one.
void ExpectCommentButtonLifecycle(int item, int n, const QString& caption);

}  // namespace lesson_checks
