// Recording a scripted run as an animated GIF: every tick becomes a frame lasting the timer's
// period, and the frames are the window's pictures with the scenes' colours exact. (A file that
// cannot be written is refused as the command-line script checks.)
#include <gtest/gtest.h>

#include <QImageReader>
#include <QTemporaryDir>
#include <algorithm>

#include "app/command_line.h"
#include "app/snapshot.h"
#include "app/table.h"
#include "support/pixels.h"

namespace {

struct Recorded {
    QImage end;                  // the window's picture when the run ended
    std::vector<QImage> frames;  // composed as a viewer shows them
    std::vector<int> delaysMs;
};

Recorded Record(std::vector<ScriptAction> actions, int speed) {
    QTemporaryDir dir;
    Recorded r;
    Ttable form;
    form.ScrollBar1->setValue(speed);
    CommandLine cl;
    cl.recordFile = dir.filePath("lecon.gif").toStdString();
    cl.actions = std::move(actions);
    ScriptOutputs outputs;
    QString error;
    EXPECT_TRUE(OpenScriptOutputs(cl, outputs, error)) << error.toStdString();
    EXPECT_EQ(RunSnapshot(form, cl, outputs), 0);
    r.end = form.ClientPicture();
    QImageReader reader(dir.filePath("lecon.gif"), "gif");
    for (QImage frame; reader.read(&frame);) {
        r.frames.push_back(frame.convertToFormat(QImage::Format_RGB32));
        r.delaysMs.push_back(reader.nextImageDelay());
    }
    return r;
}

}  // namespace

TEST(Recording, EveryTickIsAFrameLastingTheTimerPeriodWithTheSceneColoursExact) {
    const std::vector<ScriptAction> actions = {
        {ScriptAction::Ticks, 2}, {ScriptAction::Select, 1}, {ScriptAction::Ticks, 30}};
    const Recorded r = Record(actions, 20);
    ASSERT_EQ(r.frames.size(), 32u);
    EXPECT_EQ(r.delaysMs, std::vector<int>(32, 20));

    // Replay the same actions and compare every tick's picture with its frame: everything drawn
    // by the scenes is exact; only shaded control pixels may be rounded.
    Ttable form;
    form.ScrollBar1->setValue(20);
    PrepareForScript(form);
    std::size_t tick = 0;
    auto compare = [&] {
        const QImage shown = form.ClientPicture();
        const QImage& frame = r.frames[tick++];
        const TColor kNamed[] = {clRed,     clGreen,     clBlue,  clMaroon, clYellow,
                                 clBtnFace, clHighlight, clWhite, clBlack};
        int named = 0, wrong = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const TColor c = At(shown, x, y);
                if (std::find(std::begin(kNamed), std::end(kNamed), c) == std::end(kNamed))
                    continue;
                ++named;
                if (At(frame, x, y) != c) ++wrong;
            }
        EXPECT_GT(named, 400000);
        EXPECT_EQ(wrong, 0) << "tick " << tick;
        EXPECT_LT(Differences(frame, shown), 200) << "tick " << tick;
    };
    for (const ScriptAction& action : actions)
        ApplyAction(form, action, compare);
}

TEST(Recording, AClickAfterTheLastTickEndsTheRecordingWithItsPicture) {
    const Recorded r = Record({{ScriptAction::Ticks, 2},
                               {ScriptAction::Select, 3},
                               {ScriptAction::Ticks, 159},
                               {ScriptAction::Comments, 0}},
                              60);
    ASSERT_GE(r.frames.size(), 2u);
    EXPECT_EQ(Differences(r.frames.back(), r.end), 0);
    EXPECT_EQ(At(r.frames.back(), 340, 540), clYellow) << "the comment page is open";
    EXPECT_NE(At(r.frames[r.frames.size() - 2], 340, 540), clYellow);
}
