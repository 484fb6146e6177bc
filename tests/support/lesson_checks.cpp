#include "support/lesson_checks.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "engine/globals.h"
#include "support/lesson_end_checks.h"
#include "support/pixels.h"

namespace lesson_checks {

void ExpectPixels(const QImage& image, std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels)
        EXPECT_EQ(Hex(At(image, p.x, p.y)), Hex(p.colour)) << "(" << p.x << ", " << p.y << ")";
}

void ExpectSegment(const QImage& image, int x0, int y0, int x1, int y1, TColor colour) {
    EXPECT_EQ(Hex(At(image, x0, y0)), Hex(colour)) << "segment start (" << x0 << ", " << y0 << ")";
    EXPECT_NE(Hex(At(image, x1, y1)), Hex(colour)) << "segment end (" << x1 << ", " << y1 << ")";
}

void ExpectSteepSegment(const QImage& image, int x, int y0, int y1, TColor colour) {
    EXPECT_EQ(Hex(At(image, x, y0)), Hex(colour)) << "segment start (" << x << ", " << y0 << ")";
    const int step = y1 > y0 ? 1 : -1;
    for (int y = y0 + step; y != y1 + step; y += step)
        EXPECT_EQ(Count(image, QRect(x, y, 2, 1), colour), y == y1 ? 0 : 1) << "row " << y;
}

void ExpectSpokes(const QRect& green) {
    EXPECT_EQ(scene_checks::GreenOf(*LeftPulley), green) << "left pulley";
    EXPECT_EQ(scene_checks::GreenOf(*RightPulley), green) << "right pulley";
}

void ExpectTexts(const QImage& image, const std::vector<Text>& texts, bool present) {
    for (const Text& t : texts) {
        const int missing = scene_checks::Missing(image, t);
        const int all = static_cast<int>(scene_checks::Ink(t.face, t.size, t.text).size());
        EXPECT_EQ(missing, present ? 0 : all) << "\"" << t.text << "\" at (" << t.x << ", " << t.y
                                              << ")" << (present ? "" : " too early");
    }
}

void ExpectTextsFromFrame131(WindowDriver& d, const std::vector<Text>& onFond,
                             const std::vector<Text>& onCanvas) {
    ExpectTexts(d.Fond(), onFond, false);
    ExpectTexts(d.Canvas(), onCanvas, false);
    d.Tick();
    ExpectTexts(d.Fond(), onFond, true);
    ExpectTexts(d.Canvas(), onCanvas, true);
}

void ExpectCommentButtonLifecycle(int item, int n, const QString& caption) {
    TButton** const buttons[] = {&B1, &B2, &B3, &B4};
    const std::int32_t* const created[] = {&B1Created, &B2Created, &B3Created, &B4Created};
    TButton*& button = *buttons[n - 1];
    SCOPED_TRACE(testing::Message() << "B" << n << " of menu item " << item);
    WindowDriver d;
    Ttable& form = d.form();
    auto captioned = [&] { return scene_checks::ButtonsCaptioned(form, caption); };
    auto expectShown = [&](TButton* b) {
        EXPECT_EQ(b->parentWidget(), &form);
        EXPECT_TRUE(b->isVisible());
        EXPECT_TRUE(b->isEnabled());
        EXPECT_EQ(b->geometry(), QRect(60, 380, 180, 30));
        EXPECT_EQ(b->text(), caption);
    };

    d.Play(item, 158);
    EXPECT_EQ(button, nullptr);
    EXPECT_EQ(*created[n - 1], 0);
    EXPECT_EQ(captioned(), 0);
    d.Tick();  // frame 159
    ASSERT_NE(button, nullptr);
    TButton* const first = button;
    expectShown(first);
    EXPECT_EQ(*created[n - 1], 1);
    for (int other = 1; other <= 4; ++other) {
        if (other == n) continue;
        EXPECT_EQ(*buttons[other - 1], nullptr) << "B" << other;
        EXPECT_EQ(*created[other - 1], 0) << "B" << other;
    }
    const lesson_end::Problems onScreen = lesson_end::CommentButtonShown(d.Client());
    EXPECT_TRUE(onScreen.empty()) << lesson_end::Describe(onScreen);

    // The lesson is over: further ticks create nothing.
    d.Tick(3);
    EXPECT_EQ(button, first);
    EXPECT_EQ(captioned(), 1);

    EXPECT_FALSE(form.RichEdit2->isVisible());
    d.ClickComments();
    EXPECT_TRUE(form.RichEdit2->isVisible());

    // Started again: the button and the panel are hidden, the button disabled; only the next end
    // shows a new button, and the old one stays hidden in the window.
    d.Select(item);
    EXPECT_FALSE(form.RichEdit2->isVisible());
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(first->isEnabled());
    d.Tick(158);
    EXPECT_EQ(button, first);
    EXPECT_FALSE(first->isVisible());
    d.Tick();
    ASSERT_NE(button, first);
    expectShown(button);
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(first->isEnabled());
    EXPECT_EQ(first->parentWidget(), &form);
    EXPECT_EQ(captioned(), 2);
    EXPECT_EQ(*created[n - 1], 1);
    d.ClickComments();
    EXPECT_TRUE(form.RichEdit2->isVisible());

    // Any other scene's start hides it too.
    d.Select(item == 1 ? 2 : 1);
    EXPECT_FALSE(button->isVisible());
    EXPECT_FALSE(button->isEnabled());
}

}  // namespace lesson_checks
