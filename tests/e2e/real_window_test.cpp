// The program as a person uses it: started without options on an X display with a window manager,
// driven only by clicks and keys on the screen, judged only from screenshots, its exit status and
// what it writes on stderr. Where the real window must show exactly what the headless snapshot of
// the same actions shows (the scene on FOND, the charts), the two pictures are compared pixel for
// pixel; the controls are checked by their features.
#include <gtest/gtest.h>

#include <QPainter>
#include <chrono>
#include <filesystem>
#include <thread>

#include "e2e/e2e_env.h"
#include "e2e/headless.h"
#include "e2e/real_window.h"
#include "support/lesson_end_checks.h"
#include "support/pixels.h"

using namespace e2e;
using lesson_end::Describe;

namespace {

// Pixels that differ between two pictures of the client area outside `allowed` (the controls
// whose look depends on focus and hover).
int DifferencesOutside(QImage a, QImage b, const std::vector<QRect>& allowed) {
    for (QImage* picture : {&a, &b}) {
        QPainter p(picture);
        for (const QRect& r : allowed)
            p.fillRect(r, Qt::black);
    }
    return Differences(a, b);
}

// The frame reached by the high-gain lesson: on the Ve level (row 130) its Ve segments, partly
// covered by Vs where it crosses that level, end in column k + 49.
int HighGainFrame(const QImage& client) {
    int right = -1;
    for (int x = 51; x < 340; ++x)
        if (const TColor c = At(client, x, 130); c == clRed || c == clGreen) right = x;
    return right < 0 ? -1 : right - 49;
}

// The columns covered by the speed bar's thumb (its light face, between the two arrows).
std::pair<int, int> ThumbSpan(const QImage& client) {
    int left = -1, right = -1;
    for (int x = layout::kSpeedGroove.left(); x <= layout::kSpeedGroove.right(); ++x) {
        if (qGray(client.pixel(x, 544)) >= 0xC5) {
            if (left < 0) left = x;
            right = x;
        }
    }
    return {left, right};
}

class RealWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        scratch_ = ScratchRoot() + "/" + info->name();
        std::filesystem::create_directories(scratch_);
    }

    // Starts the program and waits for its maximized window; null (with a failure) if that fails.
    std::unique_ptr<RealWindow> Start(const std::string& workDir = {}) {
        auto w = std::make_unique<RealWindow>(Display(), scratch_, workDir);
        std::string why;
        if (!w->WaitForMaximizedWindow(why)) {
            ADD_FAILURE() << why;
            return nullptr;
        }
        return w;
    }

    QImage Snapshot(const std::vector<std::string>& actions, const std::string& workDir = {}) {
        const HeadlessRun run = RunHeadless(actions, scratch_, workDir);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exit.Describe(), "exit status 0") << run.err;
        EXPECT_FALSE(run.picture.isNull());
        return run.picture;
    }

    // The pointer out of the way (over the empty part of the client area), so that no control
    // shows a hover state in the pictures.
    void PointerAway(RealWindow& w) { w.Click(QPoint(1100, 700)); }

    // Clicks the speed bar's left arrow until the thumb (its face starts after a one-pixel
    // border) stops at the left end (20 ms).
    void Fastest(RealWindow& w) {
        bool met = false;
        for (int round = 0; round < 6 && !met; ++round) {
            w.Click(layout::kSpeedLeftArrow, 40);
            w.WaitForClient(
                [](const QImage& c) {
                    const int left = ThumbSpan(c).first;
                    return left >= 0 && left <= layout::kSpeedGroove.left() + 2;
                },
                milliseconds(1000), met);
        }
        EXPECT_TRUE(met) << "the thumb did not reach the left end";
    }

    // Drags the thumb past the right end of the bar (200 ms).
    void Slowest(RealWindow& w) {
        const auto [left, right] = ThumbSpan(w.Client());
        ASSERT_GE(left, 0) << "no thumb on the speed bar";
        w.Drag(QPoint((left + right) / 2, 544), QPoint(layout::kSpeedBar.right() + 80, 544));
        bool met = false;
        w.WaitForClient(
            [](const QImage& c) { return ThumbSpan(c).second >= layout::kSpeedGroove.right() - 2; },
            milliseconds(5000), met);
        EXPECT_TRUE(met) << "the thumb did not reach the right end";
    }

    // Waits for the end of a lesson, judged by `ended` on the screen; returns the settled picture.
    template <typename F>
    QImage WaitForEnd(RealWindow& w, F ended) {
        bool met = false;
        w.WaitForClient(ended, milliseconds(60000), met);
        EXPECT_TRUE(met) << "the lesson did not end within 60 s";
        PointerAway(w);
        QImage still = w.WaitForStillClient(milliseconds(300), milliseconds(10000), met);
        EXPECT_TRUE(met) << "the picture does not settle";
        return still;
    }

    void ExpectCleanExit(RealWindow& w) {
        const auto exit = w.process().Wait(milliseconds(15000));
        ASSERT_TRUE(exit) << "the program still runs 15 s after its window was closed";
        EXPECT_EQ(exit->Describe(), "exit status 0");
        const auto unexpected = UnexpectedStderrLines(w.Stderr());
        EXPECT_TRUE(unexpected.empty()) << "stderr:\n" << w.Stderr();
    }

    std::string scratch_;
};

}  // namespace

TEST_F(RealWindowTest, OpensMaximizedWithEveryControlInPlace) {
    auto w = Start();
    ASSERT_NE(w, nullptr);
    // The window manager holds it maximized, and it covers the screen below the title bar.
    const std::string state = w->WmState();
    EXPECT_NE(state.find("_NET_WM_STATE_MAXIMIZED_VERT"), std::string::npos) << state;
    EXPECT_NE(state.find("_NET_WM_STATE_MAXIMIZED_HORZ"), std::string::npos) << state;
    const QRect client = w->main().rect;
    EXPECT_EQ(client.left(), 0);
    EXPECT_EQ(client.right(), kScreenWidth - 1);
    EXPECT_EQ(client.bottom(), kScreenHeight - 1);
    EXPECT_LE(client.top(), 40) << "more than a title bar above the client area";
    const QImage screen = w->Screen();
    // Beyond the layout the window shows its own colour down to the screen's corner.
    EXPECT_TRUE(All(screen, QRect(800, client.top() + 560, 480, client.height() - 560), clBtnFace));
    EXPECT_TRUE(All(screen, QRect(client.width() - 200, client.top(), 200, 40), clBtnFace));
    // Above it, the title bar that the window manager draws.
    EXPECT_FALSE(All(screen, QRect(0, 0, kScreenWidth, client.top()), clBtnFace));

    // The idle screen as the headless program draws it: the same scene and the same controls.
    PointerAway(*w);
    bool still = false;
    const QImage real = w->WaitForStillClient(milliseconds(300), milliseconds(10000), still);
    ASSERT_TRUE(still);
    // (From its third tick on, the idle screen shows the same picture: the table view is one tick
    // behind the pulleys' spokes.)
    const QImage snapshot = Snapshot({"--ticks", "10"});
    ASSERT_EQ(snapshot.size(), real.size());
    EXPECT_EQ(Differences(real, snapshot, layout::kFond), 0) << "FOND";
    // The controls may differ slightly: the list and the buttons show focus.
    EXPECT_EQ(DifferencesOutside(real, snapshot, {layout::kListBox, layout::kStartButton}), 0);

    // And by their features: the title, the credits, the menu, the start button, the speed bar.
    EXPECT_GT(Count(real, QRect(400, 0, 346, 16), clMaroon), 300) << "title";
    EXPECT_GT(Count(real, QRect(16, 8, 64, 13), clMaroon), 40) << "\"Ardanel\"";
    EXPECT_GT(Count(real, QRect(24, 472, 53, 16), clGreen), 60) << "\"MENU :\"";
    EXPECT_GT(Count(real, layout::kListBox, clGreen), 300) << "menu items";
    EXPECT_GT(Count(real, layout::kListBox, clWhite), 3000) << "menu list background";
    EXPECT_GT(Count(real, layout::kStartButton, clRed), 100) << "start button caption";
    EXPECT_GT(Count(real, QRect(16, 520, 119, 13), clMaroon), 100) << "speed label";
    const auto [thumbLeft, thumbRight] = ThumbSpan(real);
    // Position 60 of 20..200: the thumb a little right of the left arrow.
    EXPECT_GT(thumbLeft, layout::kSpeedGroove.left() + 5);
    EXPECT_LT(thumbRight, layout::kSpeedGroove.center().x());

    w->CloseWithWindowManager();
    ExpectCleanExit(*w);
}

TEST_F(RealWindowTest, TwoLessonsEndAsTheHeadlessProgramDrawsThem) {
    auto w = Start();
    ASSERT_NE(w, nullptr);
    Fastest(*w);

    // Closed loop, high gain: the last frame with its comment button.
    w->SelectMenuItem(3);
    w->PressStart();
    const QImage high = WaitForEnd(*w, [](const QImage& c) {
        return HighGainFrame(c) == 159 && lesson_end::CommentButtonShown(c).empty();
    });
    EXPECT_TRUE(lesson_end::HighGainLastFrame(high).empty())
        << "screen:" << Describe(lesson_end::HighGainLastFrame(high));
    const QImage highSnapshot = Snapshot({"--ticks", "2", "--select", "3", "--ticks", "159"});
    EXPECT_EQ(Differences(high, highSnapshot, layout::kFond), 0) << "FOND";
    EXPECT_EQ(Differences(high, highSnapshot, layout::kChartArea), 0) << "charts";

    // Its button opens the large panel with "komm2.rtf".
    w->ClickCommentButton();
    PointerAway(*w);
    bool met = false;
    const QImage panel = w->WaitForClient(
        [](const QImage& c) {
            return lesson_end::PanelShown(c, layout::kLargePanel, "large panel").empty();
        },
        milliseconds(10000), met);
    EXPECT_TRUE(met) << Describe(lesson_end::PanelShown(panel, layout::kLargePanel, "large panel"));
    const QImage panelSnapshot =
        Snapshot({"--ticks", "2", "--select", "3", "--ticks", "159", "--comments"});
    EXPECT_EQ(Differences(panel, panelSnapshot, layout::kLargePanel), 0) << "the page";

    // Closed loop, low gain, started after it: the last frame with "komm1.rtf" in the small
    // panel. The paper still holds the first lesson's trace further down: the snapshot repeats
    // both lessons.
    w->SelectMenuItem(2);
    w->PressStart();
    const QImage low = WaitForEnd(*w, [](const QImage& c) {
        return lesson_end::PanelShown(c, layout::kSmallPanel, "small panel").empty();
    });
    EXPECT_TRUE(lesson_end::LowGainLastFrame(low).empty())
        << "screen:" << Describe(lesson_end::LowGainLastFrame(low));
    const QImage lowSnapshot = Snapshot({"--ticks", "2", "--select", "3", "--ticks", "159",
                                         "--comments", "--select", "2", "--ticks", "159"});
    EXPECT_EQ(Differences(low, lowSnapshot, layout::kFond), 0) << "FOND";
    EXPECT_EQ(Differences(low, lowSnapshot, layout::kChartArea), 0) << "charts and small panel";
    // The start button hid the large panel and the first lesson's button.
    EXPECT_EQ(Count(low, layout::kLargePanel, clYellow), 0);

    w->CloseWithWindowManager();
    ExpectCleanExit(*w);
}

TEST_F(RealWindowTest, SpeedBarMakesTheAnimationSlowerAndFaster) {
    auto w = Start();
    ASSERT_NE(w, nullptr);
    // Fastest: the left arrow clicked until the thumb stops (20 ms a frame).
    Fastest(*w);
    w->SelectMenuItem(3);
    w->PressStart();
    bool met = false;
    w->WaitForClient([](const QImage& c) { return HighGainFrame(c) >= 1; }, milliseconds(10000),
                     met);
    ASSERT_TRUE(met) << "the lesson did not start";

    // Frames per second of wall time, counted on the chart between two screenshots.
    int frames = 0;
    auto rate = [&](milliseconds span) {
        const auto t0 = Clock::now();
        const int k0 = HighGainFrame(w->Client());
        std::this_thread::sleep_for(span);
        const auto t1 = Clock::now();
        const int k1 = HighGainFrame(w->Client());
        frames = k1 - k0;
        EXPECT_LT(k1, 159) << "the measure ran into the lesson's end";
        return frames / std::chrono::duration<double>(t1 - t0).count();
    };
    const double fast = rate(milliseconds(1000));

    // Slowest: the thumb dragged to the right end (200 ms a frame).
    Slowest(*w);
    const double slow = rate(milliseconds(3000));
    EXPECT_GT(frames, 0) << "the slow animation did not move";
    // Ten times faster in principle; at least three times, whatever the machine's load.
    EXPECT_GE(fast, 3 * slow) << "slow " << slow << " frames/s, fast " << fast << " frames/s";

    w->CloseWithWindowManager();
    ExpectCleanExit(*w);
}

TEST_F(RealWindowTest, ClosingInTheMiddleOfALessonEndsTheProgramCleanly) {
    auto w = Start();
    ASSERT_NE(w, nullptr);
    Fastest(*w);
    w->SelectMenuItem(4);
    w->PressStart();
    // Wait until the lesson is well under way (its charts drawn), then close the window while
    // ticks are due every 20 ms.
    bool met = false;
    w->WaitForClient([](const QImage& c) { return Count(c, layout::kChartArea, clRed) > 100; },
                     milliseconds(10000), met);
    ASSERT_TRUE(met) << "the lesson did not start";
    const QImage before = w->Client();
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_GT(Differences(before, w->Client(), layout::kChartArea), 0) << "not running";
    w->CloseWithWindowManager();
    ExpectCleanExit(*w);
}

// (What the panel keeps, and a good page after a bad one, are checked by the hostile documents'
// tests.)
TEST_F(RealWindowTest, DocumentProblemBoxLetsTheAnimationGoOnAndGoesWithTheWindow) {
    // A directory where "komm2.rtf" should be, in the program's current directory.
    const std::string docs = scratch_ + "/documents";
    std::filesystem::create_directories(docs + "/komm2.rtf");
    auto w = Start(docs);
    ASSERT_NE(w, nullptr);
    Fastest(*w);
    w->SelectMenuItem(3);
    w->PressStart();
    WaitForEnd(*w, [](const QImage& c) { return lesson_end::CommentButtonShown(c).empty(); });

    // The click opens, beside the window, a message box with writing in it.
    w->ClickCommentButton();
    std::vector<WindowInfo> windows;
    ASSERT_TRUE(
        WaitUntil([&] { return (windows = w->Windows()).size() == 2; }, milliseconds(10000)))
        << windows.size() << " windows";
    const WindowInfo box = windows[0].id == w->main().id ? windows[1] : windows[0];
    EXPECT_LT(box.rect.width(), kScreenWidth / 2);
    EXPECT_LT(box.rect.height(), kScreenHeight / 2);
    EXPECT_GT(CountIf(w->Screen(), box.rect, [](QRgb p) { return qGray(p) < 80; }), 300)
        << "no message in the box";

    // With the box still open, the menu and the start button work and the next lesson plays to
    // its end, where it opens "komm1.rtf" in the small panel.
    w->SelectMenuItem(2);
    w->PressStart();
    WaitForEnd(*w, [](const QImage& c) {
        return lesson_end::PanelShown(c, layout::kSmallPanel, "small panel").empty();
    });
    EXPECT_EQ(w->Windows().size(), 2u) << "the box went away by itself";

    // Closing the window with the box open ends the program.
    w->CloseWithWindowManager();
    ExpectCleanExit(*w);
}
