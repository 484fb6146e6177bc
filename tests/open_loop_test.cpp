// The open-loop step response ("Réponse indicielle en Boucle Ouverte", menu item 1): its frames are
// numbered by Phase itself, 2 to 160.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using namespace lesson_checks;
using scene_checks::SpriteAt;

namespace {

// Frame k (2 .. 160) of the lesson, started after two ticks of the idle screen.
void RunToFrame(WindowDriver& d, int k) {
    d.Play(1, k - 1);
}

// Rightmost pixel of the colour on one row, between x0 and x1 (-1 if none).
int RightmostOnRow(const QImage& image, int row, int x0, int x1, TColor colour) {
    const QRect r = Bounds(image, QRect(x0, row, x1 - x0 + 1, 1), colour);
    return r.isEmpty() ? -1 : r.right();
}

// The comment on the current, on FOND from frame 21.
const std::vector<Text> kCurrentComment = {
    {180, 170, clGreen, "Le courant I est maximum"},
    {180, 180, clGreen, "au démarrage, puis il décroit."},
    {180, 190, clGreen, "Il est quasiment nul en régime"},
    {180, 200, clGreen, "permanent (si frottements négligés)."},
    {180, 210, clGreen, "Attention : il augmentera fortement"},
    {180, 220, clGreen, "si le crayon arrive en butée!"},
};

// The conclusions from frame 131, on FOND and on the window's canvas.
const std::vector<Text> kConclusionsOnFond = {
    {130, 80, clRed, "Le système est intégrateur :"},
    {130, 90, clRed, "la tension de sortie est une"},
    {130, 100, clRed, "rampe, en régime permanent,"},
    {130, 110, clRed, "en réponse à un échelon"},
    {130, 120, clRed, "de position"},
    {130, 250, clBlue, "ATTENTION : le"},
    {130, 260, clBlue, "crayon risque de"},
    {130, 270, clBlue, "partir en butée"},
    {240, 250, clHighlight, "Le moteur accélère"},
    {240, 260, clHighlight, "puis tourne à"},
    {240, 270, clHighlight, "vitesse constante"},
};
const std::vector<Text> kConclusionsOnCanvas = {
    {40, 410, clBlue, "Le résultat n'est pas facile à exploiter, car le comportement"},
    {40, 420, clBlue, "est fugitif. Il est préférable de réaliser l'identification"},
    {40, 430, clBlue, "en Boucle Fermée"},
};

}  // namespace

TEST(OpenLoop, FirstFrameStartsEveryCurveAndThePen) {
    WindowDriver d;
    RunToFrame(d, 2);
    EXPECT_EQ(Phase, 2);
    const QImage c = d.Canvas();

    // Vs: one pixel, the segment (51, 189) to (52, 189) without its end point.
    ExpectPixels(c, {{51, 189, clRed}, {52, 189, clBtnFace}});
    EXPECT_EQ(Count(c, QRect(51, 178, 200, 12), clRed), 1);
    // Ve: its lead-in over the time axis and up to the step, then its first segment.
    ExpectPixels(
        c, {{45, 190, clGreen}, {50, 160, clGreen}, {51, 140, clGreen}, {52, 140, clBtnFace}});
    // U: lead-in one pixel above the 290 axis, up to 230, then its first segment.
    ExpectPixels(
        c, {{45, 289, clMaroon}, {49, 260, clMaroon}, {50, 230, clMaroon}, {51, 230, clBtnFace}});
    // I: lead-in one pixel below the axis, up to 250; the segment (52, 251) to (53, 253).
    ExpectPixels(c, {{45, 291, clGreen}, {51, 270, clGreen}});
    ExpectSegment(c, 52, 251, 53, 253, clGreen);
    // Omega: lead-in below the 390 axis; the segment (52, 388) to (53, 385).
    EXPECT_EQ(At(c, 45, 391), clHighlight);
    ExpectSegment(c, 52, 388, 53, 385, clHighlight);
    // Axes and labels.
    ExpectPixels(c, {{50, 70, clBlue}, {200, 390, clBlue}});
    ExpectTexts(c,
                {{60, 120, clGreen, "Ve", "Arial", 10},
                 {60, 160, clRed, "Vs", "Arial", 10},
                 {60, 210, clMaroon, "U", "Arial", 10},
                 {60, 245, clGreen, "I", "Arial", 10},
                 {60, 330, clHighlight, "W", "Symbol", 12},
                 {230, 175, clBlue, "t"},
                 {230, 275, clBlue, "t"},
                 {230, 375, clBlue, "t"}},
                true);

    // Table: the pen sprite at (286, 304); of the trace (297, 345)-(298, 346) the paper's white
    // top row hides the start and the lower end stays.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 286, 304));
    const QImage& paper = TableBitmap->Image();
    EXPECT_EQ(RightmostOnRow(paper, 346, 250, 320, clRed), 298);
    EXPECT_TRUE(All(paper, QRect(280, 345, 30, 1), clWhite));

    // The open-loop diagram: the feedback arrow stops short of the junction.
    EXPECT_NE(At(d.Fond(), 93, 90), clRed);
    EXPECT_EQ(At(d.Fond(), 93, 110), clRed);
}

TEST(OpenLoop, LastFrameEndsTheRampAtTheTopOfTheAxis) {
    WindowDriver d;
    RunToFrame(d, 160);
    const QImage c = d.Canvas();

    // Vs: the last segment (209, 51) to (210, 50); nothing above row 51 nor right of 209.
    ExpectSegment(c, 209, 51, 210, 50, clRed);
    EXPECT_EQ(Count(c, QRect(51, 40, 200, 11), clRed), 0);
    EXPECT_EQ(Count(c, QRect(210, 40, 130, 150), clRed), 0);
    EXPECT_EQ(At(c, 51, 189), clRed);
    // Omega settled at 331, I back at 289.
    ExpectPixels(c, {{209, 331, clHighlight}, {210, 331, clHighlight}, {210, 289, clGreen}});

    // Table: trace (158, 187)-(158, 188), sprite at (147, 146).
    const QImage& paper = TableBitmap->Image();
    EXPECT_EQ(RightmostOnRow(paper, 188, 100, 250, clRed), 158);
    EXPECT_TRUE(SpriteAt(paper, 147, 146));

    // The paper on FOND carries the whole run of the pen: frame 2's end at x 298 (FOND 330,
    // 159 rows down the paper) and frame 159's end at x 159 (FOND 191) on the paper's second row.
    const QImage fond = d.Fond();
    EXPECT_EQ(RightmostOnRow(fond, 508, 180, 400, clRed), 330);
    EXPECT_EQ(RightmostOnRow(fond, 351, 150, 400, clRed), 191);

    // After 16 radians the spoke points left and a little up from the centre (15, 15).
    const QRect spoke = scene_checks::GreenOf(*LeftPulley);
    EXPECT_LE(spoke.left(), 4);
    EXPECT_LE(spoke.right(), 16);
    EXPECT_LE(spoke.bottom(), 16);
    EXPECT_GE(spoke.top(), 8);
    EXPECT_EQ(scene_checks::GreenOf(*RightPulley), spoke);
}

TEST(OpenLoop, CommentFromFrame21AndConclusionsFromFrame131) {
    WindowDriver d;
    RunToFrame(d, 20);
    ExpectTexts(d.Fond(), kCurrentComment, false);
    d.Tick(1);  // frame 21
    ExpectTexts(d.Fond(), kCurrentComment, true);

    d.Tick(109);  // frame 130
    ASSERT_EQ(Phase, 130);
    ExpectTextsFromFrame131(d, kConclusionsOnFond, kConclusionsOnCanvas);
    const QImage fond = d.Fond();
    ExpectTexts(fond, kCurrentComment, true);
    // Texts without background boxes: inside their boxes only the button face and the text.
    const QRect integrator(130, 80, 200, 50);
    EXPECT_EQ(Count(fond, integrator, clRed) + Count(fond, integrator, clBtnFace),
              integrator.width() * integrator.height());

    // The same texts at the same places up to the last frame: the diagram part of FOND does not
    // change any more.
    d.Tick(29);  // frame 160
    ASSERT_EQ(Phase, 160);
    EXPECT_EQ(Differences(fond, d.Fond(), QRect(0, 0, 449, 297)), 0);
    ExpectTexts(d.Canvas(), kConclusionsOnCanvas, true);
}
