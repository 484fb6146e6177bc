// The tick and the start button: which scene runs, how a lesson counts its frames and stops.
#include <gtest/gtest.h>

#include <vector>

#include "engine/globals.h"
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
        const QImage fond = d.Fond();
        const QImage canvas = d.Canvas();
        const QImage paper = TableBitmap->Image().copy();
        const QImage left = LeftPulley->Image().copy();
        const QImage right = RightPulley->Image().copy();
        d.Tick(5);
        EXPECT_EQ(Phase, s.end) << "a finished lesson stays finished";
        EXPECT_EQ(Differences(fond, d.Fond()), 0) << "and its last frame stays on screen";
        EXPECT_EQ(Differences(canvas, d.Canvas()), 0);
        EXPECT_EQ(Differences(paper, TableBitmap->Image()), 0) << "nor is the table rebuilt";
        EXPECT_EQ(Differences(left, LeftPulley->Image()), 0);
        EXPECT_EQ(Differences(right, RightPulley->Image()), 0);
    }
}

TEST(PhaseMachine, BoundsAreStrictAndOtherValuesDrawNothing) {
    WindowDriver d;
    d.Tick(3);
    for (int value : {160, 200, 360, 400, 560, 600, 760, 800, 960, 1000, 1160, 161, -2, 5000}) {
        Phase = value;
        const QImage fond = d.Fond();
        const QImage canvas = d.Canvas();
        d.Tick();
        EXPECT_EQ(Phase, value);
        EXPECT_EQ(Differences(fond, d.Fond()), 0) << "Phase " << value;
        EXPECT_EQ(Differences(canvas, d.Canvas()), 0) << "Phase " << value;
    }
    for (int value : {1, 159, 201, 359, 401, 559, 601, 759, 801, 959, 1001, 1159}) {
        Phase = value;
        d.Tick();
        EXPECT_EQ(Phase, value + 1) << "a lesson runs for " << value;
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

// FOND above the paper, where a lesson's frame is all its own but for the corners of the pulley
// sprites (x 80..109 and 367..396 from row 299): the start button repaints only the discs, and the
// width-2 spokes of an earlier run reach past them.
int DifferencesAboveThePaper(const QImage& a, const QImage& b) {
    return Differences(a, b, QRect(0, 0, 449, 299)) + Differences(a, b, QRect(0, 299, 80, 51)) +
           Differences(a, b, QRect(110, 299, 257, 51)) + Differences(a, b, QRect(397, 299, 52, 51));
}

// Pixels that differ inside a pulley sprite's disc (radius 14 around its centre), which the start
// button repaints.
int DiscDifferences(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            if ((2 * x - 29) * (2 * x - 29) + (2 * y - 29) * (2 * y - 29) <= 28 * 28 &&
                At(a, x, y) != At(b, x, y))
                ++n;
    return n;
}

}  // namespace

// Started again in the middle of a run or after its end, a lesson plays the frames of a fresh
// start: the chart area and the pulleys are cleared by the start button, and nothing of the
// earlier run shows on the charts, on the pulleys' discs or above the paper. (The trapezoidal
// lesson carries its output over from run to run: its own tests cover that.)
TEST(PhaseMachine, ALessonStartedAgainReplaysAFreshRun) {
    for (const int item : {1, 2, 3, 4, 6}) {
        SCOPED_TRACE(testing::Message() << "item " << item);
        struct Frame {
            int k;
            QImage canvas, fond, left, right;
        };
        std::vector<Frame> fresh = {{1, {}, {}, {}, {}}, {2, {}, {}, {}, {}}, {50, {}, {}, {}, {}}};
        auto take = [](WindowDriver& d, Frame& f) {
            f.canvas = d.Canvas();
            f.fond = d.Fond();
            f.left = LeftPulley->Image().copy();
            f.right = RightPulley->Image().copy();
        };
        {
            WindowDriver d;  // (one window at a time: the program's state is global)
            d.Play(item, 0);
            int k = 0;
            for (Frame& f : fresh) {
                d.Tick(f.k - k);
                k = f.k;
                take(d, f);
            }
        }
        WindowDriver d;
        d.Play(item, 70);
        for (const char* when : {"in the middle", "after the end"}) {
            SCOPED_TRACE(when);
            d.Select(item);
            EXPECT_TRUE(All(d.Canvas(), QRect(0, 40, 340, 420), clBtnFace));
            int k = 0;
            for (const Frame& f : fresh) {
                d.Tick(f.k - k);
                k = f.k;
                Frame replayed{k, {}, {}, {}, {}};
                take(d, replayed);
                EXPECT_EQ(Differences(f.canvas, replayed.canvas), 0) << "frame " << k;
                EXPECT_EQ(DiscDifferences(f.left, replayed.left), 0) << "frame " << k;
                EXPECT_EQ(DiscDifferences(f.right, replayed.right), 0) << "frame " << k;
                // On its first frame FOND still shows the table that the earlier run built.
                if (k > 1) {
                    EXPECT_EQ(DifferencesAboveThePaper(f.fond, replayed.fond), 0) << k;
                }
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
    d.Tick();
    // Idle hides both panels on every tick.
    t.RichEdit1->show();
    t.RichEdit2->show();
    d.Tick();
    EXPECT_FALSE(t.RichEdit1->isVisible());
    EXPECT_FALSE(t.RichEdit2->isVisible());
    // The presentation hides the first only.
    d.Select(0);
    t.RichEdit1->show();
    t.RichEdit2->show();
    d.Tick();
    EXPECT_FALSE(t.RichEdit1->isVisible());
    EXPECT_TRUE(t.RichEdit2->isVisible());
    // So does every lesson, on each of its frames.
    for (const SceneStart& s : kLessons) {
        d.Select(s.item);
        for (int frame : {1, 2}) {
            t.RichEdit1->show();
            t.RichEdit2->show();
            d.Tick();
            EXPECT_FALSE(t.RichEdit1->isVisible()) << "item " << s.item << " frame " << frame;
            EXPECT_TRUE(t.RichEdit2->isVisible()) << "item " << s.item << " frame " << frame;
        }
    }
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
