// Recording a scripted run as an animated GIF: every tick becomes a frame lasting the timer's
// period, and the frames are the window's pictures with the scenes' colours exact.
#include <gtest/gtest.h>

#include <QImageReader>
#include <QTemporaryDir>

#include "app/command_line.h"
#include "app/snapshot.h"
#include "app/table.h"
#include "support/pixels.h"

namespace {

struct Decoded {
    std::vector<QImage> frames;  // composed as a viewer shows them
    std::vector<int> delaysMs;
};

Decoded Decode(const QString& file) {
    Decoded d;
    QImageReader reader(file, "gif");
    QImage frame;
    while (reader.read(&frame)) {
        d.frames.push_back(frame.convertToFormat(QImage::Format_RGB32));
        d.delaysMs.push_back(reader.nextImageDelay());
    }
    return d;
}

QImage Record(const QString& file, std::vector<ScriptAction> actions, int speed = 60) {
    Ttable form;
    form.ScrollBar1->setValue(speed);
    CommandLine cl;
    cl.recordFile = file.toStdString();
    cl.actions = std::move(actions);
    EXPECT_EQ(RunSnapshot(form, cl), 0);
    return form.ClientPicture();
}

}  // namespace

TEST(Recording, EveryTickIsAFrameLastingTheTimerPeriod) {
    QTemporaryDir dir;
    const QString file = dir.filePath("lecon.gif");
    const QImage end = Record(
        file, {{ScriptAction::Ticks, 2}, {ScriptAction::Select, 4}, {ScriptAction::Ticks, 40}});
    const Decoded d = Decode(file);
    ASSERT_FALSE(d.frames.empty());
    int total = 0;
    for (int ms : d.delaysMs)
        total += ms;
    EXPECT_EQ(total, 42 * 60) << "42 ticks of 60 ms";
    EXPECT_GE(d.frames.size(), 40u) << "a lesson frame differs from the one before it";
    EXPECT_LE(d.frames.size(), 42u);
    // The last frame is the picture of the window at the end, pixel for pixel.
    EXPECT_EQ(d.frames.back().size(), QSize(793, 553));
    EXPECT_EQ(Differences(d.frames.back(), end), 0);
}

TEST(Recording, FramesMatchTheWindowAtEachTickWithTheSceneColoursExact) {
    QTemporaryDir dir;
    const QString file = dir.filePath("tour.gif");
    Record(file, {{ScriptAction::Ticks, 2}, {ScriptAction::Select, 1}, {ScriptAction::Ticks, 30}},
           20);
    const Decoded d = Decode(file);
    ASSERT_EQ(d.frames.size(), 32u);
    for (int ms : d.delaysMs)
        EXPECT_EQ(ms, 20);

    // Replay the same actions and compare every tick's picture with its frame.
    Ttable form;
    form.ScrollBar1->setValue(20);
    PrepareForScript(form);
    int tick = 0;
    auto compare = [&] {
        const QImage shown = form.ClientPicture();
        const QImage& frame = d.frames[static_cast<std::size_t>(tick++)];
        // Everything drawn by the scenes is exact; only shaded control pixels may be rounded.
        int named = 0, wrong = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const TColor c = At(shown, x, y);
                if (c == clRed || c == clGreen || c == clBlue || c == clMaroon || c == clYellow ||
                    c == clBtnFace || c == clHighlight || c == clWhite || c == clBlack) {
                    ++named;
                    if (At(frame, x, y) != c) ++wrong;
                }
            }
        EXPECT_GT(named, 400000);
        EXPECT_EQ(wrong, 0) << "tick " << tick;
        EXPECT_LT(Differences(frame, shown), 200) << "tick " << tick;
    };
    ApplyAction(form, {ScriptAction::Ticks, 2}, compare);
    ApplyAction(form, {ScriptAction::Select, 1}, compare);
    ApplyAction(form, {ScriptAction::Ticks, 30}, compare);
}

TEST(Recording, AClickAfterTheLastTickEndsTheRecordingWithItsPicture) {
    QTemporaryDir dir;
    const QString file = dir.filePath("comment.gif");
    const QImage end = Record(file, {{ScriptAction::Ticks, 2},
                                     {ScriptAction::Select, 3},
                                     {ScriptAction::Ticks, 159},
                                     {ScriptAction::Comments, 0}});
    const Decoded d = Decode(file);
    ASSERT_FALSE(d.frames.empty());
    EXPECT_EQ(Differences(d.frames.back(), end), 0);
    EXPECT_EQ(At(d.frames.back(), 340, 540), clYellow) << "the comment page is open";
    EXPECT_NE(At(d.frames[d.frames.size() - 2], 340, 540), clYellow);
}

TEST(Recording, UnwritableFileIsRefusedWithoutLeavingAFile) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(CheckWritable(dir.filePath("none/x.gif"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("none/x.gif")));
    Ttable form;
    CommandLine cl;
    cl.recordFile = dir.filePath("none/x.gif").toStdString();
    cl.actions = {{ScriptAction::Ticks, 3}};
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunSnapshot(form, cl), 2);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("x.gif"), std::string::npos) << err;
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}
