// The tick and the start button: which scene runs, how a lesson counts its frames and stops.
#include <gtest/gtest.h>

#include <vector>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

namespace {

struct SceneStart {
    int item;
    int start;                 // Phase written by the start button
    int end;                   // Phase once the lesson has played its frames
    const std::int32_t* step;  // the lesson's frame number k (the open-loop lesson uses Phase)
};

const SceneStart kLessons[] = {{1, 1, 160, &Phase},           {2, 201, 360, &StepLowGain},
                               {3, 401, 560, &StepHighGain},  {4, 601, 760, &StepInstability},
                               {5, 801, 960, &StepTrapezoid}, {6, 1001, 1160, &StepNonLinear}};

// Everything a tick draws on: FOND, the window's canvas, the table bitmap and the pulleys.
std::vector<QImage> Pictures(WindowDriver& d) {
    return {d.Fond(), d.Canvas(), TableBitmap->Image().copy(), LeftPulley->Image().copy(),
            RightPulley->Image().copy()};
}

}  // namespace

TEST(StartButton, WithNothingSelectedLeavesThePhase) {
    WindowDriver d;
    d.Tick(2);
    d.Click();
    EXPECT_EQ(Phase, 0) << "the idle screen goes on";
    d.Tick();
    EXPECT_EQ(Phase, 0);

    d.Select(2);
    d.Tick(10);
    d.form().ListBox1->clearSelection();
    d.Click();
    EXPECT_EQ(Phase, 211) << "the running lesson goes on";
    d.Tick();
    EXPECT_EQ(Phase, 212);
}

TEST(PhaseMachine, EachLessonPlaysExactly159FramesThenStops) {
    for (const SceneStart& s : kLessons) {
        SCOPED_TRACE(s.item);
        WindowDriver d;
        d.Play(s.item, 1);
        EXPECT_EQ(*s.step, s.item == 1 ? 2 : 1) << "frames count from 1 (from 2 with Phase)";
        d.Tick(157);
        EXPECT_EQ(Phase, s.end - 1);
        d.Tick();
        EXPECT_EQ(Phase, s.end);
        EXPECT_EQ(*s.step, s.item == 1 ? 160 : 159);
        const std::vector<QImage> last = Pictures(d);
        d.Tick(5);
        EXPECT_EQ(Phase, s.end) << "a finished lesson stays finished";
        const std::vector<QImage> after = Pictures(d);
        for (std::size_t i = 0; i < last.size(); ++i)
            EXPECT_EQ(Differences(last[i], after[i]), 0) << "its last frame stays, picture " << i;
    }
}

// (Where the lessons run, from their first to their last frame, is checked above.)
TEST(PhaseMachine, ValuesOutsideTheLessonsDrawNothing) {
    WindowDriver d;
    d.Tick(3);
    for (int value : {160, 200, 360, 400, 560, 600, 760, 800, 960, 1000, 1160, 161, -2, 5000}) {
        Phase = value;
        const std::vector<QImage> before = Pictures(d);
        d.Tick();
        EXPECT_EQ(Phase, value);
        EXPECT_EQ(Differences(before[0], d.Fond()), 0) << "Phase " << value;
        EXPECT_EQ(Differences(before[1], d.Canvas()), 0) << "Phase " << value;
    }
}

TEST(PhaseMachine, AnotherLessonStartedInTheMiddleTakesOverAtOnce) {
    WindowDriver d;
    d.Play(2, 41);
    d.Select(4);
    EXPECT_EQ(Phase, 601) << "the running lesson is abandoned at once";
    d.Tick();
    EXPECT_EQ(StepInstability, 1);
    EXPECT_EQ(StepLowGain, 41);
}

namespace {

// Pixels that differ between two pictures of a pulley inside its disc (radius 14 around its
// centre), which the start button repaints.
int DiscDifferences(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            n += (2 * x - 29) * (2 * x - 29) + (2 * y - 29) * (2 * y - 29) <= 28 * 28 &&
                 At(a, x, y) != At(b, x, y);
    return n;
}

}  // namespace

// Started again in the middle of a run or after its end, a lesson plays the frames of a fresh
// start: the chart area and the pulleys are cleared by the start button, and nothing of the
// earlier run shows on the charts, on the pulleys' discs or on FOND above the paper, but for the
// corners of the pulley sprites (x 80..109 and 367..396 from row 299), where the width-2 spokes
// of the earlier run reach past the discs. (The trapezoidal lesson carries its output over from
// run to run: its own tests cover that.)
TEST(PhaseMachine, ALessonStartedAgainReplaysAFreshRun) {
    const int kFrames[] = {1, 2, 50};
    for (const int item : {1, 2, 3, 4, 6}) {
        SCOPED_TRACE(testing::Message() << "item " << item);
        std::vector<std::vector<QImage>> fresh;
        {
            WindowDriver d;  // (one window at a time: the program's state is global)
            d.Play(item, 0);
            for (int i = 0, k = 0; i < 3; k = kFrames[i++]) {
                d.Tick(kFrames[i] - k);
                fresh.push_back(Pictures(d));
            }
        }
        WindowDriver d;
        d.Play(item, 70);
        for (const char* when : {"in the middle", "after the end"}) {
            SCOPED_TRACE(when);
            d.Select(item);
            EXPECT_TRUE(All(d.Canvas(), QRect(0, 40, 340, 420), clBtnFace));
            for (int i = 0, k = 0; i < 3; k = kFrames[i++]) {
                d.Tick(kFrames[i] - k);
                SCOPED_TRACE(testing::Message() << "frame " << kFrames[i]);
                const std::vector<QImage> replayed = Pictures(d);
                EXPECT_EQ(Differences(fresh[i][1], replayed[1]), 0);
                EXPECT_EQ(DiscDifferences(fresh[i][3], replayed[3]), 0);
                EXPECT_EQ(DiscDifferences(fresh[i][4], replayed[4]), 0);
                // On its first frame FOND still shows the table that the earlier run built.
                if (i == 0) continue;
                for (const QRect above : {QRect(0, 0, 449, 299), QRect(0, 299, 80, 51),
                                          QRect(110, 299, 257, 51), QRect(397, 299, 52, 51)})
                    EXPECT_EQ(Differences(fresh[i][0], replayed[0], above), 0);
            }
            d.Tick(159);
        }
    }
}

TEST(PhaseMachine, IdleAndPresentationNeverEnd) {
    WindowDriver d;
    d.Tick(500);
    EXPECT_EQ(Phase, 0);
    d.Select(0);
    d.Tick(500);
    EXPECT_EQ(Phase, -1);
}

TEST(TickHead, ScrollBarSetsTheTimerPeriodFromTheNextTick) {
    WindowDriver d;
    Ttable& t = d.form();
    EXPECT_EQ(t.Timer1->Interval(), 20);
    d.Tick();
    EXPECT_EQ(t.Timer1->Interval(), 60);
    t.ScrollBar1->setValue(200);
    EXPECT_EQ(t.Timer1->Interval(), 60);
    d.Tick();
    EXPECT_EQ(t.Timer1->Interval(), 200);
    t.ScrollBar1->setValue(20);
    d.Select(1);
    d.Tick(159);
    d.Tick();  // a finished lesson still copies the speed
    EXPECT_EQ(t.Timer1->Interval(), 20);
    t.ScrollBar1->setValue(130);
    d.Tick();
    EXPECT_EQ(t.Timer1->Interval(), 130);
}

TEST(TickHead, PanelsHiddenByEachKindOfScene) {
    WindowDriver d;
    Ttable& t = d.form();
    // Both panels shown, then one tick: which of them stay visible.
    auto shownAfterATick = [&] {
        t.RichEdit1->show();
        t.RichEdit2->show();
        d.Tick();
        return std::pair(t.RichEdit1->isVisible(), t.RichEdit2->isVisible());
    };
    d.Tick();
    EXPECT_EQ(shownAfterATick(), std::pair(false, false)) << "idle hides both";
    d.Select(0);
    EXPECT_EQ(shownAfterATick(), std::pair(false, true)) << "the presentation the first only";
    for (const SceneStart& s : kLessons) {
        d.Select(s.item);
        for (int frame : {1, 2})
            EXPECT_EQ(shownAfterATick(), std::pair(false, true))
                << "so does lesson " << s.item << " on frame " << frame;
    }
}

// Lessons 3 to 6 end with their own comment button.
TEST(CommentButtons, EachIsCreatedOnItsLessonsLastFrameAndHiddenByTheNextStart) {
    const QString interpretation = QStringLiteral("Interprétation des résultats");
    lesson_checks::ExpectCommentButtonLifecycle(3, 1, interpretation);
    lesson_checks::ExpectCommentButtonLifecycle(4, 2, interpretation);
    lesson_checks::ExpectCommentButtonLifecycle(5, 3, interpretation);
    lesson_checks::ExpectCommentButtonLifecycle(6, 4, QStringLiteral("Commentaires"));
}

TEST(StartButton, TidiesPanelsButtonsPulleysAndTheChartArea) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick(3);
    ASSERT_GT(Count(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen), 0) << "a spoke was drawn";

    // Something drawn in the chart area, a panel open and two generations of a comment button.
    TCanvas& c = *t.Canvas();
    c.Brush.Color = clRed;
    c.Rectangle(0, 40, 340, 460);
    t.RichEdit1->show();
    t.RichEdit2->show();
    B1 = new TButton(&t);
    TButton* older = B1;
    older->show();
    B1 = new TButton(&t);
    B1->show();
    B1Created = 1;

    d.Click();
    EXPECT_TRUE(All(d.Canvas(), QRect(0, 40, 340, 420), clBtnFace)) << "chart area cleared";
    EXPECT_FALSE(t.RichEdit1->isVisible());
    EXPECT_FALSE(t.RichEdit2->isVisible());
    EXPECT_FALSE(B1->isVisible());
    EXPECT_FALSE(B1->isEnabled());
    EXPECT_TRUE(older->isVisible()) << "only the newest instance is touched";
    for (const TBitmap* p : {LeftPulley.get(), RightPulley.get()}) {
        EXPECT_EQ(Count(p->Image(), QRect(0, 0, 30, 30), clGreen), 0) << "plain red disc";
        EXPECT_EQ(At(p->Image(), 15, 15), clRed);
        EXPECT_GE(Count(p->Image(), QRect(0, 0, 30, 1), clBlue), 10) << "belt stub kept";
    }
    // The chart area only: the rest of the window canvas is untouched by the click.
    EXPECT_EQ(Count(d.Canvas(), QRect(0, 0, 793, 40), clRed), 0);
}
