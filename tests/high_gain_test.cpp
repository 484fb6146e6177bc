// The closed-loop, high-gain lesson (menu item 3), as the student sees it: the figures below are
// the lesson's stated values (pixels of the curves, of the pen and of the trace), not values
// recomputed from its law.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/pixels.h"
#include "support/scene_checks.h"
#include "support/window_fixture.h"

using namespace scene_checks;

namespace {

constexpr int kItem = 3;

// Frame k of the lesson: two idle ticks, the start button on item 3, then k ticks.
void RunTo(WindowDriver& d, int k) {
    d.Tick(2);
    d.Select(kItem);
    d.Tick(k);
}

// The interpretation on FOND, "Arial" 8.
const Text kFondTexts[] = {
    {110, 80, clRed, "La réponse indicielle est"},
    {110, 90, clRed, "d'ordre 2 avec dépassement,"},
    {110, 100, clRed, "car l'amortissement : Z<1"},
    {180, 170, clMaroon, "La tension de commande U"},
    {180, 180, clMaroon, "est importante car "},
    {180, 190, clMaroon, "G est grand. Elle est"},
    {180, 200, clMaroon, "maximum en début de transitoire."},
    {240, 220, clHighlight, "Le moteur est arrêté"},
    {240, 230, clHighlight, "en régime permanent,"},
    {240, 240, clHighlight, "pour Ve=constante,"},
    {240, 250, clHighlight, "car sa tension"},
    {240, 260, clHighlight, "de commande U"},
    {240, 270, clHighlight, "est nulle."},
    {120, 50, clBlue, "V est nulle en régime permanent (erreur de position)"},
};

// The interpretation on the window's canvas, "Arial" 8.
const Text kCanvasTexts[] = {
    {190, 95, clBlue, "erreur de position=0"},
    {130, 75, clBlack, "D%"},
    {85, 205, clBlack, "tp"},
    {55, 240, clBlack, "Umax"},
    {100, 260, clBlack, "Attention : régime linéaire de fonctionnement"},
    {100, 275, clBlack, "si : Umax = G.Ve < Usaturation"},
};

int CommentButtons(Ttable& form) {
    return ButtonsCaptioned(form, QStringLiteral("Interprétation des résultats"));
}

}  // namespace

TEST(HighGain, FirstFrame) {
    WindowDriver d;
    RunTo(d, 1);
    EXPECT_EQ(Phase, 402);
    EXPECT_EQ(StepHighGain, 1);
    EXPECT_FALSE(d.form().RichEdit1->isVisible());

    const QImage c = d.Canvas();
    // Vs: (50,189)-(51,189); the end point is the next frame's.
    EXPECT_EQ(Hex(At(c, 50, 189)), Hex(clRed));
    EXPECT_EQ(Hex(At(c, 51, 189)), Hex(clBtnFace));
    // U: (50,253)-(51,253), joined to its lead-in, which climbs from (50,350).
    EXPECT_EQ(Hex(At(c, 50, 253)), Hex(clMaroon));
    EXPECT_EQ(Hex(At(c, 50, 300)), Hex(clMaroon));
    EXPECT_EQ(Hex(At(c, 45, 350)), Hex(clMaroon));
    EXPECT_EQ(Hex(At(c, 51, 253)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 50, 252)), Hex(clBlue));  // the axis above the lead-in
    // Ve: its lead-in along the 190 axis and up column 50, then the step at 130.
    EXPECT_EQ(Hex(At(c, 45, 190)), Hex(clGreen));
    EXPECT_EQ(Hex(At(c, 50, 150)), Hex(clGreen));
    EXPECT_EQ(Hex(At(c, 50, 130)), Hex(clGreen));
    EXPECT_EQ(Hex(At(c, 51, 130)), Hex(clBtnFace));
    // Two time axes (190 and 350) and a vertical axis from 50 to 350.
    EXPECT_EQ(Hex(At(c, 240, 190)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 240, 350)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 240, 290)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 50, 60)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 50, 351)), Hex(clBtnFace));
    EXPECT_EQ(Missing(c, 60, 110, clGreen, Ink("Arial", 10, "Ve")), 0);
    EXPECT_EQ(Missing(c, 80, 160, clRed, Ink("Arial", 10, "Vs")), 0);
    EXPECT_EQ(Missing(c, 80, 300, clMaroon, Ink("Arial", 10, "U")), 0);
    const auto t = Ink("Arial", 8, "t");
    EXPECT_EQ(Missing(c, 230, 175, clBlue, t), 0);
    EXPECT_EQ(Missing(c, 230, 335, clBlue, t), 0);

    // The pen sprite's left edge at 287, on row 306 - 1.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 287, 305));
    EXPECT_FALSE(SpriteAt(TableBitmap->Image(), 286, 305));
    EXPECT_FALSE(SpriteAt(TableBitmap->Image(), 288, 305));
    // Both spokes lie almost flat, to the right (4 y(1) = 0.07 rad): end (27, 15).
    EXPECT_EQ(Bounds(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen), SpokeBox(27, 15));
    EXPECT_EQ(Bounds(RightPulley->Image(), QRect(0, 0, 30, 30), clGreen), SpokeBox(27, 15));

    // One tick later FOND shows this table, one tick old: sprite top on row 309, x + 32.
    d.Tick(1);
    EXPECT_TRUE(SpriteAt(d.Fond(), 287 + 32, 309));
}

TEST(HighGain, Overshoot) {
    WindowDriver d;
    RunTo(d, 47);
    // U first reaches its axis at k = 47: the segment of that frame starts on (96, 350).
    QImage c = d.Canvas();
    EXPECT_EQ(Hex(At(c, 96, 350)), Hex(clMaroon));
    EXPECT_EQ(Bounds(c, QRect(51, 300, 45, 60), clMaroon).bottom(), 349);
    // Vs is not yet on the Ve level.
    EXPECT_EQ(Hex(At(c, 96, 131)), Hex(clRed));
    EXPECT_EQ(Count(c, QRect(50, 100, 47, 31), clRed), 0);

    d.Tick(1);  // k = 48: Vs first reaches y 130
    c = d.Canvas();
    EXPECT_EQ(Hex(At(c, 97, 130)), Hex(clRed));
    // The axis is drawn again before the curves: U's pixel of the previous frame is gone.
    EXPECT_EQ(Hex(At(c, 96, 350)), Hex(clBlue));

    d.Tick(25);  // k = 73, the peak
    c = d.Canvas();
    EXPECT_EQ(Hex(At(c, 122, 120)), Hex(clRed));
    EXPECT_EQ(Hex(At(c, 123, 120)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 122, 369)), Hex(clMaroon));
    // The pen has swung out to 228: sprite edge at 218. Of each trace segment only the lower end
    // stays visible (the paper's top row covers the rest): the previous frame's ends on row
    // 349 - k, one pixel right of where this frame's starts.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 218, 306 - 73));
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(200, 349 - 73, 60, 1), clRed).right(), 228 + 1);
    // The spokes point up: 4 x 1.1603 = 4.64 rad, end (14, 2).
    EXPECT_EQ(Bounds(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen), SpokeBox(14, 2));

    // FOND on the next frame shows this tick's table bitmap at (32, k + 3).
    const QImage built = TableBitmap->Image().copy();
    d.Tick(1);
    const QImage fond = d.Fond();
    int differing = 0;
    for (int y = 297 - 73 + 2; y < 496; ++y)
        for (int x = 2; x < 395; ++x)
            if (At(fond, x + 32, y + 76) != At(built, x, y)) ++differing;
    EXPECT_EQ(differing, 0);
}

TEST(HighGain, LastFrameAndInterpretation) {
    WindowDriver d;
    RunTo(d, 130);
    QImage fond = d.Fond();
    QImage c = d.Canvas();
    for (const Text& t : kFondTexts) {
        const auto ink = Ink("Arial", 8, t.text);
        EXPECT_EQ(Missing(fond, t.x, t.y, t.colour, ink), static_cast<int>(ink.size())) << t.text;
    }
    for (const Text& t : kCanvasTexts) {
        const auto ink = Ink("Arial", 8, t.text);
        EXPECT_GT(Missing(c, t.x, t.y, t.colour, ink), static_cast<int>(ink.size()) * 3 / 4)
            << t.text;
    }
    // Each frame's segment joins the previous one (before the markers cut the curves).
    // (U crosses its axis in column 96, where the axis drawn on every frame covers it.)
    EXPECT_TRUE(Continuous(c, clRed, 51, 178));
    EXPECT_TRUE(Continuous(c, clMaroon, 50, 95));
    EXPECT_TRUE(Continuous(c, clMaroon, 97, 178));
    EXPECT_EQ(Hex(At(c, 122, 150)), Hex(clBtnFace));  // no peak-time line yet
    EXPECT_EQ(Hex(At(c, 180, 115)), Hex(clBtnFace));  // no error marker yet

    d.Tick(1);  // k = 131: the interpretation appears
    EXPECT_EQ(Phase, 532);
    fond = d.Fond();
    c = d.Canvas();
    for (const Text& t : kFondTexts)
        EXPECT_EQ(Missing(fond, t.x, t.y, t.colour, Ink("Arial", 8, t.text)), 0) << t.text;
    for (const Text& t : kCanvasTexts)
        EXPECT_EQ(Missing(c, t.x, t.y, t.colour, Ink("Arial", 8, t.text)), 0) << t.text;
    // Error marker (blue): vertical stroke, cross on (180, 130), line under the label.
    EXPECT_EQ(Hex(At(c, 180, 112)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 180, 139)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 180, 140)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 176, 126)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 176, 134)), Hex(clBlue));
    EXPECT_EQ(Hex(At(c, 249, 110)), Hex(clBlue));
    // Peak markers (black): peak-time line, leader, tp arrow and the overshoot heads.
    EXPECT_EQ(Hex(At(c, 122, 100)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 122, 209)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 122, 210)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 149, 90)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 150, 90)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 80, 200)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 53, 197)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 53, 203)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 119, 197)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 119, 203)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 118, 116)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 126, 116)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 118, 134)), Hex(clBlack));
    EXPECT_EQ(Hex(At(c, 126, 134)), Hex(clBlack));
    EXPECT_EQ(B1, nullptr);

    d.Tick(28);  // k = 159
    EXPECT_EQ(Phase, 560);
    c = d.Canvas();
    // Ve has grown to (209, 130); Vs ends at y 131 and U back on its axis at 350.
    EXPECT_EQ(Hex(At(c, 208, 130)), Hex(clGreen));
    EXPECT_EQ(Hex(At(c, 209, 130)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 208, 131)), Hex(clRed));
    EXPECT_EQ(Hex(At(c, 209, 131)), Hex(clBtnFace));
    EXPECT_EQ(Hex(At(c, 208, 350)), Hex(clMaroon));
    EXPECT_EQ(Hex(At(c, 207, 350)), Hex(clBlue));
    // Under the error marker's cross, Vs runs at 131, not on the Ve level.
    EXPECT_EQ(Hex(At(c, 183, 131)), Hex(clRed));
    EXPECT_EQ(Hex(At(c, 183, 130)), Hex(clGreen));
    // The whole curves: Vs from (51, 189) (column 50 is Ve's lead-in, drawn again on every frame
    // before Vs) up to its peak 120; U from 253 down to 369, with its lead-in from x 40.
    EXPECT_EQ(Bounds(c, QRect(40, 50, 220, 160), clRed), QRect(QPoint(51, 120), QPoint(208, 189)));
    EXPECT_EQ(Bounds(c, QRect(0, 40, 340, 420), clMaroon),
              QRect(QPoint(40, 253), QPoint(208, 369)));
    // The pen: sprite edge 229; the trace starts at 239 (the previous segment ends at 240).
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 229, 306 - 159));
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(200, 349 - 159, 60, 1), clRed).right(), 239 + 1);
    // The interpretation is still there on the last frame.
    fond = d.Fond();
    for (const Text& t : kFondTexts)
        EXPECT_EQ(Missing(fond, t.x, t.y, t.colour, Ink("Arial", 8, t.text)), 0) << t.text;
}

TEST(HighGain, CommentButton) {
    WindowDriver d;
    RunTo(d, 158);
    EXPECT_EQ(B1, nullptr);
    EXPECT_EQ(B1Created, 0);
    EXPECT_EQ(CommentButtons(d.form()), 0);

    d.Tick(1);  // k = 159
    ASSERT_NE(B1, nullptr);
    TButton* first = B1;
    EXPECT_EQ(B1Created, 1);
    EXPECT_EQ(first->parentWidget(), &d.form());
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(first->geometry(), QRect(60, 380, 180, 30));
    EXPECT_EQ(first->text(), QStringLiteral("Interprétation des résultats"));
    EXPECT_EQ(B2, nullptr);
    EXPECT_EQ(B3, nullptr);
    EXPECT_EQ(B4, nullptr);

    // The lesson is over: a further tick creates nothing and draws nothing.
    const QImage fond = d.Fond();
    const QImage canvas = d.Canvas();
    d.Tick(3);
    EXPECT_EQ(Phase, 560);
    EXPECT_EQ(B1, first);
    EXPECT_EQ(CommentButtons(d.form()), 1);
    EXPECT_EQ(Differences(fond, d.Fond()), 0);
    EXPECT_EQ(Differences(canvas, d.Canvas()), 0);

    // The button opens the second panel.
    EXPECT_FALSE(d.form().RichEdit2->isVisible());
    d.ClickComments();
    EXPECT_TRUE(d.form().RichEdit2->isVisible());

    // A second run: the start button hides and disables this button, and only the next end of
    // the lesson shows a new one.
    d.Select(kItem);
    EXPECT_FALSE(d.form().RichEdit2->isVisible());
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(first->isEnabled());
    d.Tick(158);
    EXPECT_EQ(B1, first);
    EXPECT_FALSE(first->isVisible());
    d.Tick(1);
    ASSERT_NE(B1, first);
    EXPECT_TRUE(B1->isVisible());
    EXPECT_TRUE(B1->isEnabled());
    EXPECT_EQ(B1->geometry(), QRect(60, 380, 180, 30));
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(first->isEnabled());
    EXPECT_EQ(first->parentWidget(), &d.form());
    EXPECT_EQ(CommentButtons(d.form()), 2);
    EXPECT_EQ(B1Created, 1);
    d.ClickComments();
    EXPECT_TRUE(d.form().RichEdit2->isVisible());
}

TEST(HighGain, Restart) {
    // The first two frames of a fresh start. (The program's state is global: one window at a
    // time.)
    QImage freshCanvas1, freshCanvas2, freshFond2;
    {
        WindowDriver fresh;
        RunTo(fresh, 1);
        freshCanvas1 = fresh.Canvas();
        fresh.Tick(1);
        freshCanvas2 = fresh.Canvas();
        freshFond2 = fresh.Fond();
    }

    // Restarting in the middle gives the same first frames.
    WindowDriver d;
    RunTo(d, 80);
    EXPECT_GT(Count(d.Canvas(), QRect(100, 100, 150, 100), clRed), 0);
    d.Select(kItem);
    EXPECT_TRUE(All(d.Canvas(), QRect(0, 40, 340, 420), clBtnFace));
    d.Tick(1);
    EXPECT_EQ(Phase, 402);
    EXPECT_EQ(StepHighGain, 1);
    EXPECT_EQ(Differences(d.Canvas(), freshCanvas1), 0);
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 287, 305));

    // And again after the end: nothing of the interpretation is left. (On its first frame FOND
    // still shows the table of the previous run; from the second one the diagram area above the
    // table is the fresh run's.)
    d.Tick(158);
    EXPECT_EQ(Phase, 560);
    d.Select(kItem);
    d.Tick(1);
    EXPECT_EQ(Phase, 402);
    EXPECT_EQ(Differences(d.Canvas(), freshCanvas1), 0);
    EXPECT_FALSE(B1->isVisible());
    d.Tick(1);
    EXPECT_EQ(Differences(d.Canvas(), freshCanvas2), 0);
    EXPECT_EQ(Differences(d.Fond(), freshFond2, QRect(0, 0, 449, 298)), 0);
}
